#pragma once
// The page's file properties as the properties dialog edits them: a title,
// a description and a 70 × 70 thumbnail, which the page file keeps as its
// thumbnail members and the material library shows.
#include <string>

#include "platform/Image.h"

namespace page {

class SDoc;
class SView;

inline constexpr int kThumbnailSide = 70;
// Longest texts, in bytes of the page file's code page (a full-width
// character takes two).
inline constexpr int kTitleMaxBytes = 60;
inline constexpr int kDescriptionMaxBytes = 255;

struct PageProperties {
  std::string title;
  std::string description;
  platform::Image thumbnail;  // 70 × 70, 32 bits; null when there is none
};

// The page's texts, and its thumbnail copied at its own size into the
// top-left corner of a new 70 × 70 picture.
PageProperties TakePageProperties(const SDoc& doc);
// The dialog's checks before it closes with OK: texts the code page can
// hold, within their lengths. Empty when they pass, else the message.
std::string ValidatePageProperties(const PageProperties& properties);
// The page takes the texts, and the thumbnail when there is one.
void StorePageProperties(SDoc& doc, const PageProperties& properties);
// The page as it looks now, as a thumbnail: exported at 70 × 70 pixels and
// 72 dpi to a temporary JPEG file and loaded back, as the page file will
// keep it. No temporary file stays. 0 or a negative result code.
int MakePageThumbnail(SView& view, SDoc& doc, platform::Image& thumbnail);

}  // namespace page
