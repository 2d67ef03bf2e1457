#include "app/CImageButton.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "app/AppResources.h"
#include "app/ButtonStrips.h"
#include "app/ControlLogic.h"
#include "app/ImageView.h"
#include "imaging/PnUtil.h"
#include "platform/Blit.h"
#include "platform/ImageCodec.h"
#include "platform/Paths.h"
#include "platform/ResStrings.h"

namespace app {

using platform::Image;
using platform::RECT;

namespace {

constexpr platform::BlendFunction kPerPixelAlpha{255, true};

void BlendWhole(Image& target, int x, int y, const Image& source) {
  platform::AlphaBlendBits(target, RECT{x, y, x + source.Width(), y + source.Height()}, source,
                           RECT{0, 0, source.Width(), source.Height()}, kPerPixelAlpha);
}

}  // namespace

CImageButton::CImageButton(QWidget* parent) : QAbstractButton(parent) {
  ButtonStrips::AddButton();
  setMouseTracking(true);  // hover follows the pointer
}

CImageButton::CImageButton(const QString& caption, QWidget* parent) : CImageButton(parent) { setText(caption); }

CImageButton::~CImageButton() { ButtonStrips::RemoveButton(); }

bool CImageButton::SetButtonPicture(int stringId) { return SetButtonPictureFile(platform::LoadResString(stringId)); }

bool CImageButton::SetButtonPictureFile(const std::string& fileName) {
  source_.Destroy();
  picture_.Destroy();
  Image loaded;
  const bool usable = !fileName.empty() &&
                      platform::LoadImageFile(platform::JoinPath(SkinFolder(), fileName), loaded) &&
                      loaded.Bpp() == 32 && loaded.HasAlpha();
  if (usable) {
    imaging::PnUtilPremultiplyAlpha(loaded);
    source_ = std::move(loaded);
    FitPicture();
  }
  update();
  return usable;
}

// The picture is kept as loaded and fitted again whenever the button's
// size changes, so a button laid out after loading still fits it.
void CImageButton::FitPicture() {
  picture_.Destroy();
  const int innerWidth = width() - 2 * margin_, innerHeight = height() - 2 * margin_;
  if (source_.IsNull() || innerWidth <= 0 || innerHeight <= 0) return;
  if (!picture_.Create(innerWidth, innerHeight, 32, true) ||
      imaging::PnUtilScaleImageToFit(source_, picture_, 3, true) != imaging::kResultOk)
    picture_.Destroy();
}

void CImageButton::TakeStrip() { strip_ = ButtonStrips::StripFor(width(), height(), margin_); }

int CImageButton::GetCheck() const { return checkBox_ && checked_ ? 1 : 0; }

void CImageButton::SetCheck(int checked) {
  checked_ = checked != 0;
  update();
}

int CImageButton::GetState() const {
  int state = (isDown() ? kStatePushed : 0) | (hasFocus() ? kStateFocus : 0);
  if (checked_) state |= checkBox_ ? 3 : kStatePushed;
  return state;
}

void CImageButton::SetState(bool pressed) {
  setDown(pressed);
  checked_ = pressed;
  update();
}

void CImageButton::SetCheckBoxStyle(bool checkBox) {
  checkBox_ = checkBox;
  update();
}
void CImageButton::SetFocusLook(bool on) {
  focusLook_ = on;
  update();
}
void CImageButton::SetMargin(int pixels) {
  margin_ = std::max(0, pixels);
  FitPicture();
  TakeStrip();
  update();
}
void CImageButton::SetToggleLook(bool on) {
  toggleLook_ = on;
  update();
}
void CImageButton::SetTextAlways(bool on) {
  textAlways_ = on;
  update();
}
void CImageButton::SetShiftWhenPressed(bool on) {
  shiftWhenPressed_ = on;
  update();
}

int CImageButton::CurrentFrame() const {
  return ChooseButtonFrame(ButtonLook{checked_, ChecksShow(), isDown(), !isEnabled(), hover_, hasFocus(), focusLook_});
}

void CImageButton::paintEvent(QPaintEvent*) {
  const int w = width(), h = height();
  if (w <= 0 || h <= 0) return;
  if (!strip_) TakeStrip();
  Image& buffer = ButtonStrips::Buffer(w, h);
  if (buffer.IsNull()) return;
  const QColor face = palette().color(QPalette::Button);
  imaging::PnUtilFillImage(buffer, platform::MakeRgb(face.red(), face.green(), face.blue()), 255,
                           platform::SIZE{w, h});
  const int frame = CurrentFrame();
  if (strip_)
    platform::AlphaBlendBits(buffer, RECT{0, 0, w, h}, *strip_, RECT{frame * w, 0, (frame + 1) * w, h},
                             kPerPixelAlpha);
  if (!picture_.IsNull()) {
    const bool shift = shiftWhenPressed_ && (isDown() || (checked_ && ChecksShow()));
    const int at = margin_ + (shift ? 1 : 0);
    if (isEnabled()) {
      BlendWhole(buffer, at, at, picture_);
    } else {
      Image grey = picture_;
      GreyOutPicture(grey);
      BlendWhole(buffer, at, at, grey);
    }
  }
  QPainter painter(this);
  painter.drawImage(0, 0, ViewPremultiplied(buffer, w, h));
  if (focusLook_ && hasFocus()) {
    painter.setPen(QPen(palette().color(QPalette::ButtonText), 1, Qt::DotLine));
    painter.drawRect(QRect(2, 2, w - 5, h - 5));
  }
  if (picture_.IsNull() || textAlways_) DrawCaption(painter);
}

void CImageButton::DrawCaption(QPainter& painter) {
  const int inset = 2 * margin_ + 2;
  const QPalette::ColorGroup group = isEnabled() ? QPalette::Active : QPalette::Disabled;
  painter.setPen(palette().color(group, QPalette::ButtonText));
  painter.setFont(font());
  painter.drawText(rect().adjusted(inset, inset, -inset, -inset), Qt::AlignCenter | Qt::TextSingleLine, text());
}

void CImageButton::resizeEvent(QResizeEvent* event) {
  QAbstractButton::resizeEvent(event);
  FitPicture();
  TakeStrip();
}

void CImageButton::enterEvent(QEnterEvent* event) {
  QAbstractButton::enterEvent(event);
  hover_ = true;
  update();
}

void CImageButton::leaveEvent(QEvent* event) {
  QAbstractButton::leaveEvent(event);
  hover_ = false;
  setDown(false);
  update();
}

void CImageButton::mouseMoveEvent(QMouseEvent* event) {
  if (!hover_ && rect().contains(event->position().toPoint())) {
    hover_ = true;
    update();
  }
  QAbstractButton::mouseMoveEvent(event);
}

// A double click arrives here too (Qt's default), so quick clicks each
// count.
void CImageButton::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) checked_ = !checked_;
  QAbstractButton::mousePressEvent(event);
}

// The space key would click the focused button behind the bar's back.
void CImageButton::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Space) {
    event->accept();
    return;
  }
  QAbstractButton::keyPressEvent(event);
}

void CImageButton::keyReleaseEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Space) {
    event->accept();
    return;
  }
  QAbstractButton::keyReleaseEvent(event);
}

void CImageButton::focusOutEvent(QFocusEvent* event) {
  QAbstractButton::focusOutEvent(event);
  update();
}

}  // namespace app
