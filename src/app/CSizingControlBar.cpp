#include "app/CSizingControlBar.h"

#include <QMainWindow>
#include <algorithm>

#include "platform/Settings.h"

namespace app {
namespace {

QSize AtLeast(QSize size, QSize minimum) { return size.expandedTo(minimum); }

// A stored value when it reaches the minimum, else the minimum; a missing
// value keeps the current one, raised to the minimum.
int LoadValue(const platform::Settings& settings, const std::string& section, const char* key, int current,
              int minimum) {
  const int value = settings.GetInt(section, key, current);
  return std::max(value, minimum);
}

}  // namespace

CSizingControlBar::CSizingControlBar(const QString& caption, int controlId, QWidget* parent, QSize defaultSize)
    : QDockWidget(caption, parent),
      controlId_(controlId),
      sizeHorz_(defaultSize),
      sizeVert_(defaultSize),
      sizeFloat_(defaultSize) {
  setObjectName(QStringLiteral("Bar%1").arg(controlId));
  UpdateMinimumSize();
  connect(this, &QDockWidget::topLevelChanged, this, [this] { UpdateMinimumSize(); });
  connect(this, &QDockWidget::dockLocationChanged, this, [this] { UpdateMinimumSize(); });
}

std::string CSizingControlBar::SizesSection(const std::string& profile) const {
  return profile + "-SCBar-" + std::to_string(controlId_);
}

void CSizingControlBar::LoadSizes(const platform::Settings& settings, const std::string& profile) {
  const std::string section = SizesSection(profile);
  sizeHorz_ = QSize(LoadValue(settings, section, "sizeHorzCX", sizeHorz_.width(), kMinHorz.width()),
                    LoadValue(settings, section, "sizeHorzCY", sizeHorz_.height(), kMinHorz.height()));
  sizeVert_ = QSize(LoadValue(settings, section, "sizeVertCX", sizeVert_.width(), kMinVert.width()),
                    LoadValue(settings, section, "sizeVertCY", sizeVert_.height(), kMinVert.height()));
  sizeFloat_ = QSize(LoadValue(settings, section, "sizeFloatCX", sizeFloat_.width(), kMinFloat.width()),
                     LoadValue(settings, section, "sizeFloatCY", sizeFloat_.height(), kMinFloat.height()));
}

void CSizingControlBar::SaveSizes(platform::Settings& settings, const std::string& profile) {
  CaptureSize();
  const std::string section = SizesSection(profile);
  settings.SetInt(section, "sizeHorzCX", sizeHorz_.width());
  settings.SetInt(section, "sizeHorzCY", sizeHorz_.height());
  settings.SetInt(section, "sizeVertCX", sizeVert_.width());
  settings.SetInt(section, "sizeVertCY", sizeVert_.height());
  settings.SetInt(section, "sizeFloatCX", sizeFloat_.width());
  settings.SetInt(section, "sizeFloatCY", sizeFloat_.height());
}

bool CSizingControlBar::IsHorzRow() const {
  const auto* frame = qobject_cast<const QMainWindow*>(parentWidget());
  if (frame == nullptr) return false;
  const Qt::DockWidgetArea area = frame->dockWidgetArea(const_cast<CSizingControlBar*>(this));
  return area == Qt::TopDockWidgetArea || area == Qt::BottomDockWidgetArea;
}

// Only a bar on the screen has a size of its own to keep.
void CSizingControlBar::CaptureSize() {
  if (!isVisible()) return;
  if (isFloating())
    sizeFloat_ = AtLeast(size(), kMinFloat);
  else if (IsHorzRow())
    sizeHorz_ = AtLeast(size(), kMinHorz);
  else
    sizeVert_ = AtLeast(size(), kMinVert);
}

void CSizingControlBar::ApplySizes(QMainWindow& frame) {
  if (isFloating()) {
    resize(sizeFloat_);
  } else if (IsHorzRow()) {
    frame.resizeDocks({this}, {sizeHorz_.height()}, Qt::Vertical);
  } else {
    frame.resizeDocks({this}, {sizeVert_.width()}, Qt::Horizontal);
    frame.resizeDocks({this}, {sizeVert_.height()}, Qt::Vertical);
  }
}

QSize CSizingControlBar::sizeHint() const {
  if (isFloating()) return sizeFloat_;
  return IsHorzRow() ? sizeHorz_ : sizeVert_;
}

void CSizingControlBar::UpdateMinimumSize() {
  setMinimumSize(isFloating() ? kMinFloat : IsHorzRow() ? kMinHorz : kMinVert);
}

CSizingControlBarG::CSizingControlBarG(const QString& caption, int controlId, QWidget* parent)
    : CSizingControlBar(caption, controlId, parent, QSize(208, 208)) {}

}  // namespace app
