#pragma once
// Where a text shape measures and draws its lines. The shape's line
// breaking only asks for extents and the average character width, so it runs
// as well on a stand-in with fixed advances (the tests) as on the drawing
// context of its picture (DcTextDevice).
#include <string>
#include <string_view>

#include "platform/Dc.h"
#include "platform/WinTypes.h"

namespace page {

// The font of a text shape's layout.
struct STextFont {
  std::string face;  // "@" first: the face's vertical variant
  int pointSize10 = 140;
  bool bold = false;
  bool italic = false;
  bool underline = false;
  bool strikeOut = false;
  int escapement = 0;  // tenths of a degree, counter-clockwise
};

class STextDevice {
 public:
  virtual ~STextDevice() = default;
  virtual void SelectFont(const STextFont& font) = 0;
  // Pixels added after every character.
  virtual void SetCharacterExtra(int extra) = 0;
  virtual void SetTextColor(platform::COLORREF colour) = 0;
  // The text's cell: its length along the text (advances, each with the
  // character extra) and its height (the font's, whatever the text).
  virtual platform::SIZE GetTextExtent(std::u32string_view text) = 0;
  virtual int GetAveCharWidth() = 0;
  // Draws the text with its cell's top-left corner (taken before the
  // escapement turns it) at (x, y).
  virtual void TextOut(int x, int y, std::u32string_view text) = 0;
};

// The device over a drawing context. Transparent background, as text on a
// page is; the context's font, character extra and text colour are put
// back when the device ends.
class DcTextDevice : public STextDevice {
 public:
  explicit DcTextDevice(platform::Dc& dc);
  ~DcTextDevice() override;
  DcTextDevice(const DcTextDevice&) = delete;
  DcTextDevice& operator=(const DcTextDevice&) = delete;

  void SelectFont(const STextFont& font) override;
  void SetCharacterExtra(int extra) override;
  void SetTextColor(platform::COLORREF colour) override;
  platform::SIZE GetTextExtent(std::u32string_view text) override;
  int GetAveCharWidth() override;
  void TextOut(int x, int y, std::u32string_view text) override;

 private:
  platform::Dc& dc_;
  platform::Font savedFont_;
  int savedExtra_;
  platform::COLORREF savedColour_;
};

// UTF-8 and code points. Bytes that are not UTF-8 become U+FFFD.
std::u32string Utf8ToUtf32(std::string_view text);
std::string Utf32ToUtf8(std::u32string_view text);

}  // namespace page
