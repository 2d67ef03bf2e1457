#pragma once
// The animation preview "アニメーションの再生": plays the frames the page view
// rendered into a folder of numbered PNG files ("1000.png", "1001.png",
// ...), steps and rewinds them, changes the frame rate, and saves them as an
// animated GIF. The frames are held compressed in memory and only the one
// shown is expanded. The dialog deletes the frame files and their folder
// when it is destroyed, so closing without saving asks first.
//
//   CAnimShowDialog dialog(view);
//   dialog.SetFrames(count, count < 4 ? 2 : 8, folder);
//   if (dialog.LoadFrames()) dialog.DoModal();
#include <QElapsedTimer>
#include <QString>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/DataExchange.h"
#include "imaging/memblock/CImageCompr.h"
#include "platform/Image.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class QTimer;

namespace imaging {
class AnimGifWriter;
}

namespace app {

class CAnimShowDialog : public CDataDialog {
  Q_OBJECT
 public:
  // Control ids, also the controls' object names.
  enum : int {
    kIdSave = 1,
    kIdClose = 2,
    kIdActualSize = 1423,
    kIdRate = 1424,
    kIdPlay = 1425,
    kIdStop = 1426,
    kIdRewind = 1427,
    kIdPrevious = 1428,
    kIdNext = 1429,
    kIdSlider = 1430,
    kIdRateLabel = 1431,
    kIdRateUnit = 1432,
    kIdCounter = 1433,
  };
  // The comment stored in every GIF the preview writes.
  static constexpr const char* kGifComment = "Created using Corvandel Velto5";

  explicit CAnimShowDialog(QWidget* parent = nullptr);
  ~CAnimShowDialog() override;

  // Before the dialog runs: the frame count, the frames per second and the
  // folder of the frame files.
  void SetFrames(int count, int perSecond, const std::string& folder);
  // Loads every frame on a worker, compressed; false (after the error
  // message) when a frame could not be read or kept. Run the dialog only
  // when this answers true.
  bool LoadFrames();

  // The clock in milliseconds (lowest bit cleared by the dialog); tests set
  // their own.
  void SetClock(std::function<std::uint32_t()> clock) { clock_ = std::move(clock); }
  // Sees the GIF writer before it starts; tests give it a frame reader of
  // their own.
  using GifJobHook = std::function<void(imaging::AnimGifWriter& job)>;
  void SetGifJobHook(GifJobHook hook) { gifJobHook_ = std::move(hook); }

  // ---- the commands -----------------------------------------------------
  void OnPlay();
  void OnStop();
  void OnRewind();
  void OnPrevious();
  void OnNext();
  void OnRateChanged();
  // Gives the window the size that shows the frame at its own size: -1
  // while that size is not known yet, 0 when it has it already, 1 when it
  // was resized.
  int FitWindow();
  void SaveAsGif();
  // "終了", Escape and the close box: asks first while the frames were not
  // saved; keeps the window's place for the next preview.
  void reject() override;
  // One tick of the play timer.
  void OnTimer();

  // ---- what the dialog shows, for the tests ---------------------------
  int FrameCount() const { return frameCount_; }
  int CurrentFrame() const { return currentFrame_; }
  int FramesPerSecond() const { return framesPerSecond_; }
  bool IsPlaying() const { return playing_; }
  bool IsSaved() const { return saved_; }
  int SliderPosition() const { return sliderPos_; }
  QString CounterText() const { return counterText_; }
  int FrameWidth() const { return frameWidth_; }
  int FrameHeight() const { return frameHeight_; }
  // The slider position of a frame and back.
  int FrameToSlider(int frame) const;
  int SliderToFrame(int position) const;
  // Where the frame is drawn in a client area of this size (empty when the
  // area is too small).
  QRect FrameArea(QSize client) const;

 protected:
  void DoDataExchange(DataExchange& dx) override;
  void OnInitDialog() override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void BuildControls();
  void LayoutControls();
  std::uint32_t Tick() const;
  // After a step command: slider, counter and frame follow.
  void ShowFrame();
  void UpdateCounter();
  void LoadFramesOnWorker();
  void DeleteFrameFiles();

  std::string frameFolder_;
  int frameCount_ = 0;
  bool playing_ = false;
  int currentFrame_ = 0;
  bool firstPaintPending_ = true;
  int sliderPos_ = 0;
  int framesPerSecond_ = 8;
  int pollCountdown_ = 10;
  std::uint32_t playStart_ = 0;
  int frameWidth_ = 0;
  int frameHeight_ = 0;
  int neededWidth_ = -1;
  int neededHeight_ = -1;
  QString counterText_;
  bool saved_ = false;
  bool fitPending_ = true;
  std::vector<std::unique_ptr<imaging::CImageCompr>> frames_;
  platform::Image work_;
  int restoredFrame_ = -1;  // the frame the work image holds
  std::atomic<bool> loadDone_{false};
  std::atomic<bool> loadFailed_{false};
  int loadMessageId_ = 0;
  bool inTimer_ = false;

  std::function<std::uint32_t()> clock_;
  GifJobHook gifJobHook_;
  QElapsedTimer sinceStart_;
  QTimer* timer_ = nullptr;
  QSlider* slider_ = nullptr;
  QLineEdit* rate_ = nullptr;
  QLabel* counter_ = nullptr;
};

}  // namespace app
