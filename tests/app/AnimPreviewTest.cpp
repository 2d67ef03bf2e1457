// The animation preview over a folder of numbered frames: loading, the step
// commands and the slider, playing by the clock with its loop, the frame
// rate edit, saving an animated GIF (read back by ImageMagick and giftext)
// through the progress dialog, a failed or cancelled save that leaves no
// file and keeps the question before closing, and the place kept for the
// next preview. Pictures of the window go to test-images/ for looking at.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "ShellTestSupport.h"
#include "app/CAnimShowDialog.h"
#include "app/HGetDlg.h"
#include "imaging/gif/AnimGifWriter.h"
#include "page/PnGlobal.h"
#include "platform/ImageCodec.h"
#include "support/ExternalTools.h"
#include "support/TempDir.h"

namespace animpreviewtest {

namespace fs = std::filesystem;
using app::CAnimShowDialog;

constexpr int kFrames = 5;

// Frame k is a 60 x 40 picture: a white ground with a dark bar whose length
// grows with k, so a picture of the window shows which frame is up.
void WriteFrames(const std::string& folder, int count) {
  fs::create_directories(folder);
  for (int k = 0; k < count; ++k) {
    platform::Image frame(60, 40, 24);
    frame.Fill({255, 255, 255, 255});
    for (int y = 15; y < 25; ++y)
      for (int x = 5; x < 5 + 10 * (k + 1) && x < 60; ++x) frame.SetBgra(x, y, {120, 40, 20, 255});
    ASSERT_TRUE(platform::SaveImageFile(frame, imaging::AnimGifFramePath(folder, k)));
  }
}

class AnimPreview : public ::testing::Test {
 protected:
  AnimPreview() {
    savedPlace_ = page::PnGlobal::Get().animDialogRect;
    page::PnGlobal::Get().animDialogRect = {0, -1, 0, 0};
    folder = dir / "frames";
    WriteFrames(folder, kFrames);
  }
  ~AnimPreview() override { page::PnGlobal::Get().animDialogRect = savedPlace_; }

  // A loaded preview on the test clock, started and shown; its frames are
  // written anew (an earlier preview took them with it).
  std::unique_ptr<CAnimShowDialog> Open(int count = kFrames, int perSecond = 8) {
    WriteFrames(folder, count);
    auto dialog = std::make_unique<CAnimShowDialog>();
    dialog->SetFrames(count, perSecond, folder);
    dialog->SetClock([this] { return now; });
    EXPECT_TRUE(dialog->LoadFrames());
    dialog->StartDialog();
    dialog->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
    Ticks(*dialog, 1);  // the first visible tick paints
    return dialog;
  }
  // Timer ticks at the current clock; the slider is looked at every 11th.
  static void Ticks(CAnimShowDialog& dialog, int count) {
    for (int i = 0; i < count; ++i) dialog.OnTimer();
  }
  static void Screenshot(QWidget& window, const std::string& name) {
    EXPECT_TRUE(shelltest::SaveScreenshot(window, name));
  }
  static std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
      lines.push_back(text.substr(start, end - start));
    return lines;
  }

  testsupport::TempDir dir;
  std::string folder;
  std::uint32_t now = 1000;
  shelltest::ScriptedUi ui;

 private:
  platform::RECT savedPlace_;
};

TEST_F(AnimPreview, StepCommandsMoveTheFrameTheSliderAndTheCounter) {
  auto dialog = Open();
  EXPECT_EQ(dialog->FrameWidth(), 60);
  EXPECT_EQ(dialog->FrameHeight(), 40);
  EXPECT_EQ(dialog->CounterText(), "1/5");
  struct Step {
    void (CAnimShowDialog::*command)();
    int frame;
    int slider;
    const char* counter;
  };
  const Step steps[] = {
      {&CAnimShowDialog::OnNext, 1, 25, "2/5"},     {&CAnimShowDialog::OnNext, 2, 50, "3/5"},
      {&CAnimShowDialog::OnNext, 3, 75, "4/5"},     {&CAnimShowDialog::OnNext, 4, 100, "5/5"},
      {&CAnimShowDialog::OnNext, 4, 100, "5/5"},    {&CAnimShowDialog::OnPrevious, 3, 75, "4/5"},
      {&CAnimShowDialog::OnRewind, 0, 0, "1/5"},    {&CAnimShowDialog::OnPrevious, 0, 0, "1/5"},
  };
  auto* slider = dialog->findChild<QSlider*>(QString::number(CAnimShowDialog::kIdSlider));
  ASSERT_NE(slider, nullptr);
  for (std::size_t i = 0; i < std::size(steps); ++i) {
    dialog->OnPlay();
    (dialog.get()->*steps[i].command)();
    EXPECT_FALSE(dialog->IsPlaying()) << "step " << i << " stops";
    EXPECT_EQ(dialog->CurrentFrame(), steps[i].frame) << "step " << i;
    EXPECT_EQ(dialog->SliderPosition(), steps[i].slider) << "step " << i;
    EXPECT_EQ(slider->value(), steps[i].slider) << "step " << i;
    EXPECT_EQ(dialog->CounterText(), steps[i].counter) << "step " << i;
    if (i == 2) Screenshot(*dialog, "anim-preview-frame-3");
  }
  // The buttons are these commands.
  QTest::mouseClick(dialog->Item<QPushButton>(CAnimShowDialog::kIdNext), Qt::LeftButton);
  EXPECT_EQ(dialog->CurrentFrame(), 1);
}

TEST_F(AnimPreview, SliderPositionsAndFramesConvertBothWays) {
  struct Case {
    int count;
    int frame;
    int slider;
    int sliderBack;  // the frame the slider position gives back
  };
  const Case cases[] = {{5, 0, 0, 0}, {5, 1, 25, 1}, {5, 4, 100, 4}, {4, 1, 33, 0},
                        {4, 2, 66, 1}, {1, 0, 0, 0}};
  for (const Case& c : cases) {
    CAnimShowDialog dialog;
    dialog.SetFrames(c.count, 8, folder);
    EXPECT_EQ(dialog.FrameToSlider(c.frame), c.slider) << c.count << " frames, frame " << c.frame;
    EXPECT_EQ(dialog.SliderToFrame(c.slider), c.sliderBack) << c.count << " frames, position " << c.slider;
  }
  // One frame: every slider position is that frame.
  CAnimShowDialog single;
  single.SetFrames(1, 8, folder);
  for (int position : {0, 37, 100}) EXPECT_EQ(single.SliderToFrame(position), 0);
}

TEST_F(AnimPreview, PlaysByTheClockLoopsAndStopsWhenTheSliderIsMoved) {
  auto dialog = Open();
  dialog->OnPlay();
  // 8 frames a second: a frame every 125 ms from the press; odd clock
  // values count as the even one below.
  struct Moment {
    std::uint32_t clock;
    int frame;
  };
  const Moment moments[] = {{1124, 0}, {1125, 0}, {1126, 1}, {1251, 2}, {1499, 3}, {1500, 4}, {1625, 4},
                            {1626, 0},  // the loop starts again from here
                            {1751, 0}, {1752, 1}};
  for (const Moment& m : moments) {
    now = m.clock;
    Ticks(*dialog, 12);
    EXPECT_EQ(dialog->CurrentFrame(), m.frame) << "at " << m.clock;
    EXPECT_EQ(dialog->SliderPosition(), dialog->FrameToSlider(m.frame)) << "at " << m.clock;
  }
  EXPECT_TRUE(dialog->IsPlaying());
  EXPECT_EQ(dialog->CounterText(), "2/5");
  Screenshot(*dialog, "anim-preview-playing");

  // The user drags the slider: playing stops on the frame it points at.
  dialog->findChild<QSlider*>(QString::number(CAnimShowDialog::kIdSlider))->setValue(80);
  Ticks(*dialog, 12);
  EXPECT_FALSE(dialog->IsPlaying());
  EXPECT_EQ(dialog->CurrentFrame(), 3);
  EXPECT_EQ(dialog->CounterText(), "4/5");

  // Playing again goes on from that frame.
  dialog->OnPlay();
  now += 126;
  Ticks(*dialog, 12);
  EXPECT_EQ(dialog->CurrentFrame(), 4);
}

TEST_F(AnimPreview, TheFrameRateEditRewindsAndKeepsOnlyRatesFromOneToAHundred) {
  auto dialog = Open();
  auto* rate = dialog->Item<QLineEdit>(CAnimShowDialog::kIdRate);
  ASSERT_NE(rate, nullptr);
  EXPECT_EQ(rate->text(), "8");
  struct Typed {
    const char* text;
    int perSecond;
  };
  const Typed typed[] = {{"20", 20}, {"0", 20}, {"101", 10}, {"x", 10}, {"100", 100}, {"1", 1}};
  for (const Typed& t : typed) {
    dialog->OnNext();
    dialog->OnPlay();
    rate->clear();
    QTest::keyClicks(rate, QString::fromUtf8(t.text));
    EXPECT_EQ(dialog->FramesPerSecond(), t.perSecond) << t.text;
    EXPECT_FALSE(dialog->IsPlaying()) << t.text;
    EXPECT_EQ(dialog->CurrentFrame(), 0) << t.text;
  }
  EXPECT_TRUE(ui.messages.empty()) << "no range message while typing";
  // Saving with a rate the edit shows but that was not taken: the range
  // message, and no file is asked for.
  rate->clear();
  QTest::keyClicks(rate, QStringLiteral("0"));
  const int dialogsBefore = ui.dialogsShown;
  dialog->SaveAsGif();
  EXPECT_EQ(ui.dialogsShown, dialogsBefore);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0], app::IntRangeMessage(1, 100));
  EXPECT_FALSE(dialog->IsSaved());
  rate->clear();
  QTest::keyClicks(rate, QStringLiteral("1"));
  // At one frame a second the next frame comes after a whole second.
  dialog->OnPlay();
  now += 999;
  Ticks(*dialog, 12);
  EXPECT_EQ(dialog->CurrentFrame(), 0);
  now += 2;
  Ticks(*dialog, 12);
  EXPECT_EQ(dialog->CurrentFrame(), 1);
}

TEST_F(AnimPreview, SavesAGifWhoseFramesAndDelaysReadBackAndThenClosesWithoutAsking) {
  REQUIRE_TOOL("identify");
  REQUIRE_TOOL("giftext");
  struct Case {
    int perSecond;
    const char* delay;  // hundredths of a second, as identify prints it
  };
  const Case cases[] = {{8, "12"}, {3, "33"}, {100, "1"}};
  for (const Case& c : cases) {
    auto dialog = Open(kFrames, c.perSecond);
    EXPECT_FALSE(dialog->IsSaved());
    const std::string path = dir / ("movie" + std::to_string(c.perSecond) + ".gif");
    ui.dialogPaths.push_back(path);
    QTest::mouseClick(dialog->Item<QPushButton>(CAnimShowDialog::kIdSave), Qt::LeftButton);
    ASSERT_TRUE(fs::exists(path)) << c.perSecond;
    EXPECT_TRUE(dialog->IsSaved());
    const auto delays = Lines(testsupport::RunTool("identify -format '%T\\n' " + testsupport::Quoted(path)).out);
    EXPECT_EQ(delays, std::vector<std::string>(kFrames, c.delay)) << c.perSecond << " frames a second";
    const std::string details = testsupport::RunTool("identify -verbose " + testsupport::Quoted(path)).out;
    std::ifstream file(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    EXPECT_NE(bytes.find(CAnimShowDialog::kGifComment), std::string::npos);
    EXPECT_NE(details.find("Iterations: 0"), std::string::npos) << "the GIF loops for ever";
    const auto text = testsupport::RunTool("giftext -c -e " + testsupport::Quoted(path));
    EXPECT_EQ(text.exitCode, 0);
    EXPECT_NE(text.out.find("GIF89 comment"), std::string::npos);
    EXPECT_NE(text.out.find("GIF file terminated normally."), std::string::npos);

    // Saved: closing asks nothing.
    QTest::mouseClick(dialog->Item<QPushButton>(CAnimShowDialog::kIdClose), Qt::LeftButton);
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    EXPECT_FALSE(dialog->isVisible());
  }
  EXPECT_TRUE(ui.messages.empty()) << ui.messages.front();
}

TEST_F(AnimPreview, AFailedOrCancelledSaveLeavesNoFileAndClosingStillAsks) {
  // The writer cannot read its third frame; the user cancels in the
  // progress dialog; the user cancels the file dialog.
  enum class Way { kFrameUnreadable, kCancelledInProgress, kNoPathChosen };
  for (Way way : {Way::kFrameUnreadable, Way::kCancelledInProgress, Way::kNoPathChosen}) {
    SCOPED_TRACE(static_cast<int>(way));
    ui.messages.clear();
    auto dialog = Open();
    const std::string path = dir / "unsaved.gif";
    if (way != Way::kNoPathChosen) ui.dialogPaths.push_back(path);
    dialog->SetGifJobHook([way](imaging::AnimGifWriter& job) {
      job.loadFrame = [way, &job](const std::string& file, platform::Image& out) {
        if (file.ends_with("1002.png")) {
          if (way == Way::kFrameUnreadable) return false;
          // Held until the progress dialog's Cancel reaches the writer.
          for (int i = 0; i < 5000 && job.cancelFlag.load() == 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return platform::LoadImageFile(file, out);
      };
    });
    bool cancelClicked = false;
    if (way == Way::kCancelledInProgress) {
      shelltest::WhenModal([&cancelClicked](QWidget* modal) {
        auto* progress = qobject_cast<app::HGetDlg*>(modal);
        if (progress == nullptr) return;
        cancelClicked = true;
        QTest::mouseClick(progress->CancelButton(), Qt::LeftButton);
      });
    }
    dialog->SaveAsGif();
    if (way == Way::kCancelledInProgress) {
      EXPECT_TRUE(cancelClicked);
    }
    EXPECT_FALSE(fs::exists(path));
    EXPECT_FALSE(dialog->IsSaved());
    // A failure is reported; a cancel is the user's own and is not.
    EXPECT_EQ(ui.messages.size(), way == Way::kFrameUnreadable ? 1u : 0u);

    // Closing asks; Cancel keeps the preview, OK closes it.
    ui.messages.clear();
    ui.answers.push_back(platform::kIdCancel);
    dialog->reject();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0],
              "アニメーション画像をまだ保存していません。保存せずにウインドウを閉じてもよろしいですか？");
    EXPECT_TRUE(dialog->isVisible());
    ui.answers.push_back(platform::kIdOk);
    dialog->reject();
    EXPECT_FALSE(dialog->isVisible());
  }
}

TEST_F(AnimPreview, AnUnreadableFrameEndsTheLoadingWithAMessage) {
  fs::remove(imaging::AnimGifFramePath(folder, 3));
  CAnimShowDialog dialog;
  dialog.SetFrames(kFrames, 8, folder);
  EXPECT_FALSE(dialog.LoadFrames());
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0], "何らかのエラーが発生して今の処理を実行できませんでした。");
}

TEST_F(AnimPreview, TheFrameFilesAndTheirFolderGoWithThePreview) {
  std::ofstream(fs::path(imaging::AnimGifFramePath(folder, 1)).replace_extension(".bmp")) << "x";
  {
    CAnimShowDialog dialog;
    dialog.SetFrames(kFrames, 8, folder);
    ASSERT_TRUE(dialog.LoadFrames());
  }
  EXPECT_FALSE(fs::exists(folder));
  // A folder holding something else stays, without the frames.
  WriteFrames(folder, kFrames);
  std::ofstream(fs::path(folder) / "other.txt") << "x";
  { CAnimShowDialog dialog; dialog.SetFrames(kFrames, 8, folder); }
  EXPECT_TRUE(fs::exists(fs::path(folder) / "other.txt"));
  EXPECT_FALSE(fs::exists(imaging::AnimGifFramePath(folder, 0)));
}

TEST_F(AnimPreview, FitsItselfToTheFrameAndOpensWhereTheLastPreviewClosed) {
  auto dialog = Open();
  Ticks(*dialog, 2);
  EXPECT_EQ(dialog->size(), QSize(60 + 4, 40 + 62)) << "fitted once to show the frame at its own size";
  EXPECT_EQ(dialog->FrameArea(dialog->size()), QRect(2, 2, 60, 40));
  // Frames narrower than the area stand centred at full height.
  EXPECT_EQ(dialog->FrameArea(QSize(304, 142)), QRect(92, 2, 120, 80));
  EXPECT_TRUE(dialog->FrameArea(QSize(13, 100)).isEmpty()) << "too small to draw";
  dialog->resize(500, 300);
  EXPECT_EQ(dialog->FitWindow(), 1);
  EXPECT_EQ(dialog->FitWindow(), 0);
  dialog->resize(480, 330);
  dialog->move(40, 50);
  QApplication::processEvents();
  Screenshot(*dialog, "anim-preview-large");
  ui.answers.push_back(platform::kIdOk);
  dialog->reject();
  const platform::RECT place = page::PnGlobal::Get().animDialogRect;
  EXPECT_NE(place.top, -1);
  EXPECT_EQ(place.Width(), dialog->frameGeometry().width());

  auto next = Open();
  Ticks(*next, 2);
  EXPECT_EQ(next->frameGeometry().size(), QSize(place.Width(), place.bottom - place.top))
      << "the next preview takes the last one's place";
}

}  // namespace animpreviewtest
