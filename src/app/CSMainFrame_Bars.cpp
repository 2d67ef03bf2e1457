// The main frame's docking bars: made empty in their default layout (their
// contents come from the windows that fill them), toggled from the View
// menu, and their layout saved at close and restored at start.
//
// Default layout:   tool palette at the top; library bar at the left;
//                   atmosphere, 3D figure, 2D shape, light and list bars
//                   stacked at the right, the last three hidden.
#include <QAction>
#include <QByteArray>
#include <QDockWidget>
#include <QMenu>
#include <QStatusBar>
#include <QStringList>
#include <set>

#include "app/AppCommands.h"
#include "app/AppStrings.h"
#include "app/CPennetApp.h"
#include "app/CSMainFrame.h"
#include "app/CSizingControlBar.h"
#include "platform/Settings.h"

namespace app {
namespace {

struct BarSpec {
  CSMainFrame::BarId id;
  int caption;          // string id
  bool sizing;          // a sizing bar (library, list) rather than a dialog bar
  bool horizontal;      // docks at the top or bottom only
  Qt::DockWidgetArea start;
  bool hidden;          // hidden in the default layout
  int command;          // the View menu's toggle
  const char* menuText; // null: no menu item
};

constexpr BarSpec kBars[] = {
    {CSMainFrame::kToolPalette, kStrBarToolPalette, false, true, Qt::TopDockWidgetArea, false, ID_VIEW_TOOLBAR,
     "ツール バー(&T)"},
    {CSMainFrame::kAtmosphereBar, kStrBarShape, false, false, Qt::RightDockWidgetArea, false,
     ID_VIEW_ATMOSPHERE_BAR, "雰囲気(&M)"},
    {CSMainFrame::k3DFigureBar, kStrBar3DFigure, false, false, Qt::RightDockWidgetArea, false, ID_VIEW_3D_BAR,
     "立体図形のプロパティ(&R)"},
    {CSMainFrame::kLibraryBar, kStrBarLibrary, true, false, Qt::LeftDockWidgetArea, false, ID_VIEW_LIBRARY_BAR,
     "ライブラリ(&L)"},
    {CSMainFrame::k2DShapeBar, kStrBarShape, false, false, Qt::RightDockWidgetArea, true, ID_VIEW_2D_BAR,
     "図形のプロパティ(&P)"},
    {CSMainFrame::kLightBar, kStrBarLight, false, false, Qt::RightDockWidgetArea, true, ID_VIEW_LIGHT_BAR,
     "立体図形の光源(&X)"},
    {CSMainFrame::kListBar, kStrBarList, true, false, Qt::RightDockWidgetArea, true, ID_VIEW_LIST_BAR, nullptr},
};

constexpr int kLayoutVersion = 1;
constexpr const char* kLayoutKey = "Layout";
constexpr const char* kBarIdsKey = "BarIds";

}  // namespace

void CSMainFrame::CreateBars() {
  for (const BarSpec& spec : kBars) {
    const QString caption = QString::fromStdString(LoadAppString(spec.caption));
    QDockWidget* bar = spec.sizing ? new CSizingControlBarG(caption, spec.id, this) : new QDockWidget(caption, this);
    bar->setObjectName(QStringLiteral("Bar%1").arg(spec.id));
    bar->setAllowedAreas(spec.horizontal ? Qt::TopDockWidgetArea | Qt::BottomDockWidgetArea
                                         : Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea);
    bar->setWidget(new QWidget(bar));
    addDockWidget(spec.start, bar, spec.horizontal ? Qt::Horizontal : Qt::Vertical);
    bars_.insert(spec.id, bar);
  }
  for (const BarSpec& spec : kBars) {
    if (auto* sizing = qobject_cast<CSizingControlBar*>(bars_[spec.id])) sizing->ApplySizes(*this);
    if (spec.hidden) bars_[spec.id]->hide();
  }
  CreateViewCommands();
}

// Each toggle shows a hidden bar and hides a shown one, ticked while shown.
void CSMainFrame::CreateViewCommands() {
  QMenu* menu = GetMenu(kViewMenu);
  for (const BarSpec& spec : kBars) {
    QAction* toggle = bars_[spec.id]->toggleViewAction();
    toggle->setData(static_cast<int>(spec.command));
    if (spec.menuText != nullptr) {
      toggle->setText(QString::fromUtf8(spec.menuText));
      menu->addAction(toggle);
    }
    commands_.insert(spec.command, toggle);
  }
  QAction* statusToggle = AddCommand(ID_VIEW_STATUS_BAR, QStringLiteral("ステータス バー(&S)"), menu);
  statusToggle->setCheckable(true);
  statusToggle->setChecked(true);
  connect(statusToggle, &QAction::toggled, statusBar(), &QWidget::setVisible);
}

QDockWidget* CSMainFrame::GetBar(BarId id) const { return bars_.value(id, nullptr); }

CSizingControlBar* CSMainFrame::GetLibraryBar() const { return qobject_cast<CSizingControlBar*>(GetBar(kLibraryBar)); }

void CSMainFrame::SetBarWidget(BarId id, QWidget* content) {
  if (QDockWidget* bar = GetBar(id)) bar->setWidget(content);
}

// A layout saved with bars this frame does not have is not used: a layout
// saved by another set of bars must not break the window.
bool CSMainFrame::CheckSavedBarIds() const {
  const platform::Settings& settings = app_.GetSettings();
  if (!settings.Contains(kBarStateProfile, kLayoutKey)) return false;
  const QStringList saved =
      QString::fromStdString(settings.GetString(kBarStateProfile, kBarIdsKey)).split(' ', Qt::SkipEmptyParts);
  if (saved.isEmpty()) return false;
  for (const QString& id : saved) {
    bool ok = false;
    const int number = id.toInt(&ok);
    if (!ok || !bars_.contains(number)) return false;
  }
  return true;
}

void CSMainFrame::ReadSettings() {
  if (!CheckSavedBarIds()) return;
  const platform::Settings& settings = app_.GetSettings();
  CSizingControlBar* library = GetLibraryBar();
  library->LoadSizes(settings, kBarStateProfile);
  std::vector<std::uint8_t> layout;
  settings.GetBinary(kBarStateProfile, kLayoutKey, layout);
  restoreState(QByteArray(reinterpret_cast<const char*>(layout.data()), static_cast<qsizetype>(layout.size())),
               kLayoutVersion);
  library->ApplySizes(*this);
}

void CSMainFrame::WriteSettings() {
  platform::Settings& settings = app_.GetSettings();
  GetLibraryBar()->SaveSizes(settings, kBarStateProfile);
  const QByteArray layout = saveState(kLayoutVersion);
  settings.SetBinary(kBarStateProfile, kLayoutKey, std::vector<std::uint8_t>(layout.begin(), layout.end()));
  QStringList ids;
  for (const int id : bars_.keys()) ids << QString::number(id);
  settings.SetString(kBarStateProfile, kBarIdsKey, ids.join(' ').toStdString());
  settings.Sync();
}

}  // namespace app
