#pragma once
// The frame strips shared by all picture buttons.
//
// The skin's frame picture ("button.png", or the file named by string 275)
// holds six equal frames side by side (see ButtonFrame). For each button
// size in use the picture is scaled once into a strip of six frames of that
// size: each frame drawn at three times the size and shrunk back by box
// averaging, so that thin skin lines stay smooth; the strip is kept
// premultiplied. Buttons of the same size share their strip. The first live
// button loads the picture; when the last one goes, every strip goes with
// it. One drawing buffer, as large as the largest button, serves all of
// them. User-interface thread only.
#include <memory>
#include <string>
#include <vector>

#include "platform/Image.h"

namespace app {

class ButtonStrips {
 public:
  // A button is made or destroyed.
  static void AddButton();
  static void RemoveButton();

  // The strip for a button of the given size and margin (the frames are
  // inset by the margin): made on first use. Null when there is no frame
  // picture. Stays valid while a button lives.
  static const platform::Image* StripFor(int width, int height, int margin);

  // The drawing buffer, grown to at least the size; 32-bit.
  static platform::Image& Buffer(int width, int height);

  // Strips made so far, the frame picture not counted (for tests).
  static int StripCount();
  static bool HasFramePicture();
  static std::string FramePicturePath();

  // Makes a strip from a frame picture (24- or 32-bit, six frames side by
  // side): 6·width × height, transparent outside the frames, premultiplied.
  static platform::Image MakeStrip(const platform::Image& framePicture, int width, int height, int margin);

 private:
  struct Shared;
  static Shared& State();
};

}  // namespace app
