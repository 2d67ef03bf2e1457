#include "app/ButtonStrips.h"

#include <algorithm>

#include "app/AppResources.h"
#include "app/ControlLogic.h"
#include "imaging/PnUtil.h"
#include "platform/Blit.h"
#include "platform/ImageCodec.h"
#include "platform/Paths.h"
#include "platform/ResStrings.h"

namespace app {

using platform::Image;
using platform::RECT;

namespace {

constexpr int kFramePictureString = 275;
constexpr int kSupersample = 3;

// One frame of the skin drawn into its place in the strip.
void DrawFrame(const Image& picture, int frame, Image& strip, const RECT& target) {
  const int frameWidth = picture.Width() / kFrameCount;
  const RECT source{frame * frameWidth, 0, (frame + 1) * frameWidth, picture.Height()};
  Image large(kSupersample * target.Width(), kSupersample * target.Height(), 32, true);
  Image small(target.Width(), target.Height(), 32, true);
  if (large.IsNull() || small.IsNull()) return;
  platform::StretchBits(large, RECT{0, 0, large.Width(), large.Height()}, picture, source,
                        platform::StretchMode::kHalftone);
  // A 24-bit stretch already wrote 255; a 32-bit picture without alpha has
  // only padding there.
  if (!picture.HasAlpha()) imaging::PnUtilSetAlpha(large, 255);
  if (imaging::PnUtilShrinkImage(large, small) != imaging::kResultOk) return;
  platform::StretchBits(strip, target, small, RECT{0, 0, small.Width(), small.Height()},
                        platform::StretchMode::kColorOnColor);
}

}  // namespace

struct ButtonStrips::Shared {
  int liveButtons = 0;
  Image framePicture;
  struct Entry {
    int width, height;
    std::unique_ptr<Image> strip;  // held by pointer: buttons keep its address
  };
  std::vector<Entry> strips;
  Image buffer;
};

ButtonStrips::Shared& ButtonStrips::State() {
  static Shared shared;
  return shared;
}

std::string ButtonStrips::FramePicturePath() {
  std::string name = platform::LoadResString(kFramePictureString);
  if (name.empty()) name = "button.png";
  return platform::JoinPath(SkinFolder(), name);
}

void ButtonStrips::AddButton() {
  Shared& s = State();
  if (s.liveButtons++ > 0) return;
  Image picture;
  if (platform::LoadImageFile(FramePicturePath(), picture) && (picture.Bpp() == 24 || picture.Bpp() == 32) &&
      picture.Width() >= kFrameCount)
    s.framePicture = std::move(picture);
}

void ButtonStrips::RemoveButton() {
  Shared& s = State();
  if (s.liveButtons == 0 || --s.liveButtons > 0) return;
  s.strips.clear();
  s.framePicture.Destroy();
  s.buffer.Destroy();
}

Image ButtonStrips::MakeStrip(const Image& framePicture, int width, int height, int margin) {
  Image strip(kFrameCount * width, height, 32, true);  // transparent
  const int innerWidth = width - 2 * margin, innerHeight = height - 2 * margin;
  if (strip.IsNull() || innerWidth <= 0 || innerHeight <= 0) return strip;
  for (int frame = 0; frame < kFrameCount; ++frame) {
    const int left = frame * width + margin;
    DrawFrame(framePicture, frame, strip, RECT{left, margin, left + innerWidth, margin + innerHeight});
  }
  imaging::PnUtilPremultiplyAlpha(strip);
  return strip;
}

const Image* ButtonStrips::StripFor(int width, int height, int margin) {
  Shared& s = State();
  if (s.framePicture.IsNull() || width <= 0 || height <= 0) return nullptr;
  for (const Shared::Entry& entry : s.strips)
    if (entry.width == width && entry.height == height) return entry.strip.get();
  auto strip = std::make_unique<Image>(MakeStrip(s.framePicture, width, height, margin));
  if (strip->IsNull()) return nullptr;
  s.strips.push_back({width, height, std::move(strip)});
  return s.strips.back().strip.get();
}

Image& ButtonStrips::Buffer(int width, int height) {
  Image& buffer = State().buffer;
  if (buffer.IsNull() || buffer.Width() < width || buffer.Height() < height)
    buffer.Create(std::max(width, buffer.Width()), std::max(height, buffer.Height()), 32, true);
  return buffer;
}

int ButtonStrips::StripCount() { return static_cast<int>(State().strips.size()); }

bool ButtonStrips::HasFramePicture() { return !State().framePicture.IsNull(); }

}  // namespace app
