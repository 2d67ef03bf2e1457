#include "app/CPropToolBar.h"

#include <QHBoxLayout>
#include <QTimer>
#include <algorithm>
#include <iterator>

#include "app/CImageButton.h"
#include "page/PnGlobal.h"

namespace app {
namespace {

struct ToolButton {
  int id;
  const char* caption;
  int tooltip;  // 0: none
  int picture;
};

constexpr ToolButton kButtons[CPropToolBar::kButtonCount] = {
    {33010, "画コピ", 261, 276}, {1050, "合成", 216, 277},   {57643, "取消", 0, 278},  {57644, "やりなおし", 0, 279},
    {1103, "具", 259, 280},      {1043, "矢印", 149, 281},   {1053, "編枠", 258, 282}, {1044, "直線", 150, 283},
    {1045, "楕円", 163, 284},    {1046, "四角", 164, 285},   {1047, "文字", 165, 286}, {1051, "矢線", 202, 287},
    {1059, "折線", 203, 288},    {1052, "多角", 204, 289},   {1054, "落書", 205, 290}, {1060, "落塗", 206, 291},
    {1058, "枠", 207, 292},      {1055, "切抜", 208, 293},   {1048, "p回転", 214, 294}, {1049, "p移動", 215, 295},
    {1056, "スポ", 263, 296},    {1057, "バケ", 264, 297},
};

constexpr int kFirstHideable = 7;       // from the line tool on
constexpr int kOutOfSight[] = {16, 17};  // panel and cut-out frames: reached otherwise
constexpr int kCommandButtons = 4;       // positions 0 to 3

}  // namespace

CPropToolBar::CPropToolBar(std::function<void(int)> runCommand, QWidget* parent)
    : CHideDlgBar(parent), runCommand_(std::move(runCommand)) {
  setObjectName(QStringLiteral("CPropToolBar"));
  BuildControls();
  timer_ = new QTimer(this);
  connect(timer_, &QTimer::timeout, this, &CPropToolBar::OnTimer);
  timer_->start(300);
  UpdateButtons();
}

int CPropToolBar::CommandAt(int position) { return kButtons[position].id; }

void CPropToolBar::BuildControls() {
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(2, 2, 2, 2);
  row->setSpacing(1);
  for (int i = 0; i < kButtonCount; ++i) {
    const ToolButton& spec = kButtons[i];
    auto* button = new CImageButton(QString::fromUtf8(spec.caption), this);
    button->setObjectName(QString::number(spec.id));
    button->SetButtonPicture(spec.picture);
    button->setFixedSize(32, 32);
    if (spec.tooltip != 0) SetTip(button, spec.tooltip);
    if (i < kCommandButtons) button->SetToggleLook(false);
    buttons_[static_cast<std::size_t>(i)] = button;
    connect(button, &CImageButton::clicked, this, [this, i] { OnButton(i); });
    if (std::find(std::begin(kOutOfSight), std::end(kOutOfSight), i) != std::end(kOutOfSight))
      button->setGeometry(-200, -200, 20, 20);
    else
      row->addWidget(button);
  }
  row->addStretch(1);
  Button(kShowToolsPosition)->SetShiftWhenPressed(false);
  const page::AppPrefs* prefs = page::PnGlobal::Get().prefs.get();
  Button(kShowToolsPosition)->SetCheck(prefs == nullptr || prefs->mShowTool != 0 ? 1 : 0);
}

void CPropToolBar::OnButton(int position) {
  if (position < kCommandButtons) {
    if (runCommand_) runCommand_(CommandAt(position));
    return;
  }
  if (position >= kFirstTool) page::PnGlobal::Get().toolNumber = ToolAt(position);
  UpdateButtons();
}

void CPropToolBar::UpdateButtons() {
  const bool show = (Button(kShowToolsPosition)->GetState() & CImageButton::kStatePushed) != 0;
  if (page::AppPrefs* prefs = page::PnGlobal::Get().prefs.get()) prefs->mShowTool = show ? 1 : 0;
  Button(kComposerPosition)->setVisible(show);
  int current = page::PnGlobal::Get().toolNumber;
  if (current >= kToolCount) current = 0;  // library drags and the hand show as select
  for (int position = kFirstTool; position < kButtonCount; ++position) {
    Button(position)->SetCheck(ToolAt(position) == current ? 1 : 0);
    if (position >= kFirstHideable) Button(position)->setVisible(show);
  }
}

void CPropToolBar::OnTimer() {
  if (!LeftButtonDown()) UpdateButtons();
}

}  // namespace app
