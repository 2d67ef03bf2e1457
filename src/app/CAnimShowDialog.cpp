#include "app/CAnimShowDialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <chrono>
#include <filesystem>
#include <system_error>
#include <thread>

#include "app/AppStrings.h"
#include "app/HGetDlg.h"
#include "app/WindowFrame.h"
#include "imaging/FileDialogs.h"
#include "imaging/gif/AnimGifWriter.h"
#include "page/PnGlobal.h"
#include "page/ResultCodes.h"
#include "platform/Hooks.h"
#include "platform/ImageCodec.h"

namespace app {
namespace {

enum AnimStringId : int {
  kStrLoadFailed = 189,
  kStrGifFilter = 333,
  kStrCloseUnsaved = 334,
  kStrTitle = 4391,
};

constexpr int kTimerMs = 1;
constexpr int kPollTicks = 10;

// The pictures of the play, stop, rewind, previous and next buttons.
QIcon ButtonIcon(int id) {
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(40, 40, 40));
  auto triangle = [&painter](QPointF a, QPointF b, QPointF c) {
    QPainterPath path;
    path.moveTo(a);
    path.lineTo(b);
    path.lineTo(c);
    path.closeSubpath();
    painter.drawPath(path);
  };
  switch (id) {
    case CAnimShowDialog::kIdPlay: triangle({4, 2}, {14, 8}, {4, 14}); break;
    case CAnimShowDialog::kIdStop: painter.drawRect(QRectF(3, 3, 10, 10)); break;
    case CAnimShowDialog::kIdRewind:
      painter.drawRect(QRectF(2, 3, 2, 10));
      triangle({14, 3}, {5, 8}, {14, 13});
      break;
    case CAnimShowDialog::kIdPrevious: triangle({11, 3}, {4, 8}, {11, 13}); break;
    default: triangle({5, 3}, {12, 8}, {5, 13}); break;
  }
  return QIcon(pixmap);
}

QImage ViewOfFrame(const platform::Image& image) {
  const QImage::Format format = image.Bpp() == 32   ? QImage::Format_ARGB32
                                : image.Bpp() == 24 ? QImage::Format_BGR888
                                                    : QImage::Format_Invalid;
  if (format == QImage::Format_Invalid || image.IsNull()) return {};
  return QImage(image.Bits(), image.Width(), image.Height(), image.Pitch(), format);
}

}  // namespace

CAnimShowDialog::CAnimShowDialog(QWidget* parent) : CDataDialog(parent) {
  sinceStart_.start();
  BuildControls();
}

CAnimShowDialog::~CAnimShowDialog() {
  if (timer_ != nullptr) timer_->stop();
  DeleteFrameFiles();
}

void CAnimShowDialog::SetFrames(int count, int perSecond, const std::string& folder) {
  frameCount_ = count;
  framesPerSecond_ = perSecond;
  frameFolder_ = folder;
}

void CAnimShowDialog::BuildControls() {
  auto add = [this](QWidget* control, int id) {
    control->setObjectName(QString::number(id));
    return control;
  };
  auto button = [this, &add](int id, const QString& text) {
    auto* b = new QPushButton(text, this);
    add(b, id);
    b->setAutoDefault(false);
    return b;
  };
  slider_ = new QSlider(Qt::Horizontal, this);
  add(slider_, kIdSlider);
  slider_->setRange(0, 100);
  counter_ = new QLabel(this);
  add(counter_, kIdCounter);
  add(new QLabel(QStringLiteral("１秒に"), this), kIdRateLabel);
  rate_ = new QLineEdit(this);
  add(rate_, kIdRate);
  add(new QLabel(QStringLiteral("枚"), this), kIdRateUnit);
  struct Command {
    int id;
    const char* text;
    void (CAnimShowDialog::*handler)();
  };
  const Command commands[] = {
      {kIdPlay, "", &CAnimShowDialog::OnPlay},         {kIdStop, "", &CAnimShowDialog::OnStop},
      {kIdRewind, "", &CAnimShowDialog::OnRewind},     {kIdPrevious, "", &CAnimShowDialog::OnPrevious},
      {kIdNext, "", &CAnimShowDialog::OnNext},         {kIdSave, "保存", &CAnimShowDialog::SaveAsGif},
      {kIdClose, "終了", &CAnimShowDialog::reject},
  };
  for (const Command& c : commands) {
    QPushButton* b = button(c.id, QString::fromUtf8(c.text));
    connect(b, &QPushButton::clicked, this, c.handler);
  }
  QPushButton* actual = button(kIdActualSize, QStringLiteral("等倍"));
  connect(actual, &QPushButton::clicked, this, [this] { FitWindow(); });
  connect(rate_, &QLineEdit::textEdited, this, &CAnimShowDialog::OnRateChanged);
  timer_ = new QTimer(this);
  timer_->setTimerType(Qt::PreciseTimer);
  timer_->setInterval(kTimerMs);
  connect(timer_, &QTimer::timeout, this, &CAnimShowDialog::OnTimer);
}

void CAnimShowDialog::OnInitDialog() {
  setWindowTitle(QString::fromStdString(LoadAppString(kStrTitle)));
  QFont font = this->font();
  font.setPixelSize(12);
  for (QWidget* child : findChildren<QWidget*>()) child->setFont(font);
  const platform::RECT& place = page::PnGlobal::Get().animDialogRect;
  if (place.top != -1) {
    PlaceWindowFrame(*this, QRect(place.left, place.top, place.Width(), place.bottom - place.top));
    fitPending_ = false;  // the user's size of the last preview stays
  } else {
    resize(460, 360);
  }
  UpdateCounter();
  LayoutControls();
  timer_->start();
}

void CAnimShowDialog::DoDataExchange(DataExchange& dx) {
  if (dx.ToControls())
    slider_->setValue(sliderPos_);
  else
    sliderPos_ = slider_->value();
  dx.Int(rate_, framesPerSecond_, 1, 100);
}

// ---- loading -------------------------------------------------------------

bool CAnimShowDialog::LoadFrames() {
  loadDone_ = false;
  loadFailed_ = false;
  loadMessageId_ = 0;
  std::thread loader([this] { LoadFramesOnWorker(); });
  while (!loadDone_) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  loader.join();
  if (loadFailed_) {
    platform::ShowMessage(LoadAppString(loadMessageId_), "Pennet", platform::kMbOk | platform::kMbIconError);
    return false;
  }
  return true;
}

void CAnimShowDialog::LoadFramesOnWorker() {
  frames_.clear();
  for (int k = 0; k < frameCount_; ++k) {
    platform::Image image;
    auto copy = std::make_unique<imaging::CImageCompr>();
    if (!platform::LoadImageFile(imaging::AnimGifFramePath(frameFolder_, k), image) || copy->Compress(image) < 0) {
      loadFailed_ = true;
      loadMessageId_ = kStrLoadFailed;
      break;
    }
    if (k == 0) {
      frameWidth_ = image.Width();
      frameHeight_ = image.Height();
    }
    frames_.push_back(std::move(copy));
  }
  loadDone_ = true;
}

void CAnimShowDialog::DeleteFrameFiles() {
  frames_.clear();
  if (frameFolder_.empty()) return;
  namespace fs = std::filesystem;
  std::error_code ignored;
  for (int k = 0; k < frameCount_; ++k) {
    const fs::path png = imaging::AnimGifFramePath(frameFolder_, k);
    for (const char* extension : {".bmp", ".jpg", ".png"})
      fs::remove(fs::path(png).replace_extension(extension), ignored);
  }
  fs::remove(frameFolder_, ignored);  // only when nothing else is in it
}

// ---- the commands --------------------------------------------------------

std::uint32_t CAnimShowDialog::Tick() const {
  const std::uint32_t now = clock_ ? clock_() : static_cast<std::uint32_t>(sinceStart_.elapsed());
  return now & ~1u;
}

void CAnimShowDialog::OnPlay() {
  playing_ = true;
  playStart_ = Tick() - static_cast<std::uint32_t>(currentFrame_ * 1000 / framesPerSecond_);
}

void CAnimShowDialog::OnStop() { playing_ = false; }

void CAnimShowDialog::OnRewind() {
  playing_ = false;
  currentFrame_ = 0;
  ShowFrame();
}

void CAnimShowDialog::OnPrevious() {
  playing_ = false;
  if (currentFrame_ > 0) --currentFrame_;
  ShowFrame();
}

void CAnimShowDialog::OnNext() {
  playing_ = false;
  if (currentFrame_ < frameCount_ - 1) ++currentFrame_;
  ShowFrame();
}

// Read without the range message while the user types; the timer waits
// until the rate is valid again.
void CAnimShowDialog::OnRateChanged() {
  if (IsExchanging()) return;
  ReadQuietly();
  playing_ = false;
  currentFrame_ = 0;
  ShowFrame();
}

void CAnimShowDialog::ShowFrame() {
  sliderPos_ = FrameToSlider(currentFrame_);
  UpdateCounter();
  slider_->setValue(sliderPos_);
  update();
}

void CAnimShowDialog::UpdateCounter() {
  counterText_ = QString::asprintf("%d/%d", currentFrame_ + 1, frameCount_);
  counter_->setText(counterText_);
}

int CAnimShowDialog::FrameToSlider(int frame) const { return frameCount_ > 1 ? frame * 100 / (frameCount_ - 1) : 0; }

int CAnimShowDialog::SliderToFrame(int position) const {
  const int frame = position * (frameCount_ - 1) / 100;
  return frame < frameCount_ - 1 ? frame : std::max(frameCount_ - 1, 0);
}

void CAnimShowDialog::OnTimer() {
  if (inTimer_) return;
  inTimer_ = true;
  struct Leave {
    bool& flag;
    ~Leave() { flag = false; }
  } leave{inTimer_};
  if (framesPerSecond_ < 1 || framesPerSecond_ > 100) return;
  if (fitPending_ && FitWindow() >= 0) fitPending_ = false;
  --pollCountdown_;
  if (firstPaintPending_) {
    if (isVisible()) {
      firstPaintPending_ = false;
      LayoutControls();
      update();
    }
    return;
  }
  const int before = currentFrame_;
  if (pollCountdown_ < 0) {
    pollCountdown_ = kPollTicks;
    if (slider_->value() == sliderPos_) return;
    sliderPos_ = slider_->value();
    playing_ = false;
    currentFrame_ = SliderToFrame(sliderPos_);
  } else if (playing_) {
    const std::uint32_t tick = Tick();
    const int frame = static_cast<int>(static_cast<std::int64_t>(tick - playStart_) * framesPerSecond_ / 1000);
    if (frame == currentFrame_) return;
    if (frame < frameCount_) {
      currentFrame_ = frame;
      sliderPos_ = FrameToSlider(frame);
    } else {
      currentFrame_ = 0;
      sliderPos_ = 0;
      playStart_ = tick;
    }
    slider_->setValue(sliderPos_);
  }
  if (currentFrame_ != before) {
    UpdateCounter();
    update();
  }
}

// ---- the window ----------------------------------------------------------

QRect CAnimShowDialog::FrameArea(QSize client) const {
  const QRect area(2, 2, client.width() - 4, client.height() - 62);
  if (area.width() < 10 || area.height() < 10 || frameWidth_ <= 0 || frameHeight_ <= 0) return {};
  // Keep the frame's proportions: full height when the frame is the
  // narrower, else full width.
  if (static_cast<double>(frameWidth_) / frameHeight_ < static_cast<double>(area.width()) / area.height()) {
    const int width = area.height() * frameWidth_ / frameHeight_;
    return {area.left() + (area.width() - width) / 2, area.top(), width, area.height()};
  }
  const int height = area.width() * frameHeight_ / frameWidth_;
  return {area.left(), area.top() + (area.height() - height) / 2, area.width(), height};
}

void CAnimShowDialog::paintEvent(QPaintEvent*) {
  if (frameWidth_ > 0) {
    const QRect frame = frameGeometry();
    neededWidth_ = frameWidth_ + (frame.width() - width()) + 4;
    neededHeight_ = frameHeight_ + (frame.height() - height()) + 62;
  }
  const QRect target = FrameArea(size());
  if (target.isEmpty() || currentFrame_ >= static_cast<int>(frames_.size())) return;
  const imaging::CImageCompr& copy = *frames_[static_cast<std::size_t>(currentFrame_)];
  if (restoredFrame_ != currentFrame_) {
    if (work_.Width() != copy.Width() || work_.Height() != copy.Height() || work_.Bpp() != copy.BitsPerPixel())
      work_.Create(copy.Width(), copy.Height(), copy.BitsPerPixel());
    restoredFrame_ = copy.Restore(work_) == 0 ? currentFrame_ : -1;
  }
  QPainter painter(this);
  painter.fillRect(target, Qt::white);
  if (restoredFrame_ != currentFrame_) return;
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawImage(target, ViewOfFrame(work_));
}

int CAnimShowDialog::FitWindow() {
  if (frameWidth_ <= 0 || frameHeight_ <= 0) return -1;
  const QSize wanted(frameWidth_ + 4, frameHeight_ + 62);
  if (size() == wanted) return 0;
  resize(wanted);
  update();
  return 1;
}

void CAnimShowDialog::resizeEvent(QResizeEvent* event) {
  CDataDialog::resizeEvent(event);
  LayoutControls();
  update();
}

void CAnimShowDialog::LayoutControls() {
  const int w = width(), h = height();
  auto place = [this](int id, int x, int y, int cx, int cy) {
    if (QWidget* control = GetDlgItem(id)) control->setGeometry(x, y, cx, cy);
  };
  place(kIdSlider, 10, h - 56, w < 30 ? 10 : w - 20, 24);
  const int c = (w - 442) / 2;
  place(kIdCounter, c, h - 28, 68, 14);
  place(kIdRateLabel, c + 68, h - 28, 34, 14);
  place(kIdRate, c + 102, h - 32, 34, 26);
  place(kIdRateUnit, c + 136, h - 28, 34, 14);
  const int row[] = {kIdPlay, kIdStop, kIdRewind};
  for (int i = 0; i < 3; ++i) place(row[i], c + 170 + 34 * i, h - 32, 34, 26);
  place(kIdPrevious, c + 272, h - 32, 17, 26);
  place(kIdNext, c + 289, h - 32, 17, 26);
  place(kIdActualSize, c + 340, h - 32, 34, 26);
  place(kIdSave, c + 374, h - 32, 34, 26);
  place(kIdClose, c + 408, h - 32, 34, 26);
  for (int id : {kIdPlay, kIdStop, kIdRewind, kIdPrevious, kIdNext})
    if (auto* b = Item<QPushButton>(id)) b->setIcon(ButtonIcon(id));
}

// ---- saving and closing --------------------------------------------------

void CAnimShowDialog::SaveAsGif() {
  playing_ = false;
  // A rate the edit shows but that was not taken is not saved silently at
  // the last good one: the standard range message, and no save.
  if (!UpdateData(true)) return;
  std::string path;
  if (!imaging::PnUtilSaveFileDialog(kStrGifFilter, "movie", 0, "gif", path)) return;
  platform::SetCursor(platform::kCursorWait);
  imaging::AnimGifWriter job;
  if (gifJobHook_) gifJobHook_(job);
  job.RunWithProgress(path, frameFolder_, frameCount_, kGifComment, true, 100 / framesPerSecond_,
                      [this](imaging::AnimGifWriter& running) {
                        HGetDlg progress(this);
                        progress.SetProgressSource(&running.cancelFlag, &running.doneFlag, &running.progress, false);
                        progress.exec();
                      });
  platform::SetCursor(platform::kCursorArrow);
  // Only a whole file counts as saved: after a failure or a cancel the
  // frames are still the only copy and closing must ask.
  constexpr int kGifCancelled = -6;
  if (job.result == 0)
    saved_ = true;
  else if (job.result != kGifCancelled)
    page::ReportErrorCode(page::kResultFileIo);
  update();
}

void CAnimShowDialog::reject() {
  playing_ = false;
  if (!saved_ && platform::ShowMessage(LoadAppString(kStrCloseUnsaved), "Pennet",
                                       platform::kMbOkCancel | platform::kMbIconQuestion) != platform::kIdOk)
    return;
  const QRect frame = NormalFrameGeometry(*this);
  page::PnGlobal::Get().animDialogRect = {frame.left(), frame.top(), frame.right() + 1, frame.bottom() + 1};
  timer_->stop();
  CDataDialog::reject();
}

}  // namespace app
