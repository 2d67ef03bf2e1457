#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "imaging/archive/ArcLayout.h"
#include "imaging/archive/SArchiver.h"
#include "imaging/detail/TrueColour.h"
#include "platform/Blit.h"
#include "platform/Cp932.h"
#include "platform/Hooks.h"
#include "platform/ImageCodec.h"
#include "platform/JpegWriter.h"
#include "platform/Paths.h"
#include "platform/TempFiles.h"

namespace imaging {
namespace {

constexpr const char* kThumbNames[3] = {"thumb1.txt", "thumb2.txt", "thumb3.jpg"};
constexpr int kThumbnailDpi = 72;
constexpr int kJpegQuality = 100;
// A package's first big-endian int32 is its kind; kinds below this one are
// packages.
constexpr std::int32_t kFirstPackageKind = -99;

std::string Lowered(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

bool SameNameNoCase(const std::string& name, const char* lowerCase) { return Lowered(name) == lowerCase; }

int WriteBytesTo(const std::string& path, const std::string& bytes) {
  return arc::CodeOfSave(detail::SaveThroughFile(path, [&](platform::File& file) {
    file.Write(bytes.data(), bytes.size());
    return true;
  }));
}

int WriteText(const std::string& path, const std::string& utf8) {
  const std::optional<std::string> stored = platform::Utf8ToCp932(utf8);
  if (!stored) return kArcReadWriteFailed;
  return WriteBytesTo(path, *stored);
}

// Reads a text member back, deletes its file; answers 0, -9 or -12.
int ReadText(const std::string& path, std::string& text) {
  text.clear();
  int result = kArcOk;
  std::string bytes;
  try {
    platform::File file(path, platform::File::Mode::kRead);
    bytes.resize(static_cast<std::size_t>(file.GetLength()));
    bytes.resize(file.Read(bytes.data(), bytes.size()));
    std::optional<std::string> utf8 = platform::Cp932ToUtf8(bytes);
    if (utf8)
      text = std::move(*utf8);
    else
      result = kArcReadWriteFailed;
  } catch (const platform::FileError&) {
    result = kArcCannotOpen;
  }
  std::remove(path.c_str());
  return result;
}

// Whether the file begins with a package kind (a big-endian int32 below
// -99): 1 yes, 0 no (also for a file shorter than that), -9 unreadable.
int BeginsWithPackageKind(const std::string& path) {
  std::uint8_t b[4] = {};
  try {
    platform::File file(path, platform::File::Mode::kRead);
    if (file.Read(b, 4) != 4) return 0;
  } catch (const platform::FileError&) {
    return kArcCannotOpen;
  }
  const auto kind = static_cast<std::int32_t>(std::uint32_t{b[0]} << 24 | std::uint32_t{b[1]} << 16 |
                                              std::uint32_t{b[2]} << 8 | b[3]);
  return kind < kFirstPackageKind ? 1 : 0;
}

}  // namespace

int ArcWriteThumbnailFiles(const std::string& folder, const std::string& text1, const std::string& text2,
                           const platform::Image& picture) {
  std::array<std::string, 3> paths;
  for (std::size_t i = 0; i < paths.size(); ++i) paths[i] = platform::JoinPath(folder, kThumbNames[i]);
  int result = kArcOk;
  // The second text is written even when the first failed.
  for (std::size_t i = 0; i < 2; ++i)
    if (const int written = WriteText(paths[i], i == 0 ? text1 : text2); written != kArcOk) result = written;
  if (!picture.IsNull() && ArcSaveJpeg(picture, paths[2], kThumbnailDpi) != 0) result = kArcReadWriteFailed;
  if (result < 0)
    for (const std::string& path : paths) std::remove(path.c_str());
  return result;
}

int ArcExtractThumbnailMembers(const std::string& packagePath, std::string& path1, std::string& path2,
                               std::string& path3) {
  std::array<std::string*, 3> out = {&path1, &path2, &path3};
  for (std::string* p : out) p->clear();
  if (!platform::IsDirectory(platform::TempFolder())) return kArcCannotOpen;
  platform::File package;
  try {
    package.Open(packagePath, platform::File::Mode::kRead);
  } catch (const platform::FileError&) {
    return kArcCannotOpen;
  }
  PackageHeader header;
  std::vector<PackageEntry> entries;
  if (const int read = ArcReadDirectory(package, header, entries); read != kArcOk) return read;
  int found = 0;
  for (const PackageEntry& entry : entries) {
    for (std::size_t k = 0; k < out.size(); ++k) {
      if (!out[k]->empty() || !SameNameNoCase(entry.name, kThumbNames[k])) continue;
      std::string temp;
      std::int64_t written = kArcCannotOpen;
      if (platform::MakeTempFile(std::string("crv") + kThumbNames[k] + ".", temp))
        written = ArcExtractEntry(package, header, entry, temp);
      if (written < 0) {
        if (!temp.empty()) std::remove(temp.c_str());
        for (std::string* p : out)
          if (!p->empty()) std::remove(p->c_str()), p->clear();
        return static_cast<int>(written);
      }
      *out[k] = temp;
      ++found;
    }
    if (found == 3) break;
  }
  return kArcOk;
}

int ArcReadThumbnail(const std::string& packagePath, std::string& text1, std::string& text2,
                     platform::Image& picture) {
  text1.clear();
  text2.clear();
  std::string paths[3];
  int result = ArcExtractThumbnailMembers(packagePath, paths[0], paths[1], paths[2]);
  if (result < 0) return result;
  for (int i = 0; i < 2; ++i) {
    if (paths[i].empty()) continue;
    if (const int read = ReadText(paths[i], i == 0 ? text1 : text2); read != kArcOk) result = read;
  }
  if (!paths[2].empty()) {
    picture.Destroy();
    if (!platform::LoadImageFile(paths[2], picture)) result = kArcCannotOpen;
    std::remove(paths[2].c_str());
  }
  return result;
}

int ArcLoadFileThumbnail(const std::string& path, const std::string& extension, std::string& text1,
                         std::string& text2, platform::Image& picture, int side) {
  const std::string ext = Lowered(extension);
  if (ext == "z4t" || ext == "z4h" || ext == "z4i" || ext == "z4w") {
    const int package = BeginsWithPackageKind(path);
    if (package < 0) return package;
    return package ? ArcReadThumbnail(path, text1, text2, picture) : 1;
  }
  if (ext == "z4g" || ext == "z4e" || ext == "z4m") return ArcReadThumbnail(path, text1, text2, picture);
  if (ext == "png" || ext == "jpg" || ext == "bmp" || ext == "gif") {
    platform::Image loaded;
    if (!platform::LoadImageFile(path, loaded)) return kArcCannotOpen;
    if (!picture.Create(side, side, 24)) return kArcNoMemory;
    ArcMakeSquareThumbnail(loaded, picture);
    return kArcOk;
  }
  return 1;
}

void ArcMakeSquareThumbnail(const platform::Image& source, platform::Image& target) {
  if (target.IsNull() || target.Width() != target.Height())
    platform::FatalExit("Sorry, Error Quit. \nSArchiver 452");
  target.Fill(platform::Bgra{255, 255, 255, 255});
  platform::Image colour;
  if (!detail::CopyToTrueColour(source, colour)) return;
  const int side = target.Width(), w = colour.Width(), h = colour.Height();
  // A picture with transparent parts shows them on the white of the
  // thumbnail, not as the colour bytes transparent pixels happen to hold.
  if (source.HasAlpha()) {
    for (int y = 0; y < h; ++y) {
      std::uint8_t* p = colour.Row(y);
      for (int x = 0; x < w; ++x, p += 4) {
        const int a = p[3];
        for (int c = 0; c < 3; ++c) p[c] = static_cast<std::uint8_t>((p[c] * a + 255 * (255 - a) + 127) / 255);
        p[3] = 255;
      }
    }
  }
  platform::RECT to{0, 0, side, side};
  if (h < w) {
    const int height = static_cast<int>(std::int64_t{side} * h / w);
    to.top = (side - height) / 2;
    to.bottom = to.top + height;
  } else {
    const int width = static_cast<int>(std::int64_t{side} * w / h);
    to.left = (side - width) / 2;
    to.right = to.left + width;
  }
  if (to.right <= to.left || to.bottom <= to.top) return;
  platform::StretchBits(target, to, colour, platform::RECT{0, 0, w, h}, platform::StretchMode::kHalftone);
}

int ArcSaveJpeg(const platform::Image& picture, const std::string& path, int dpi) {
  if (picture.IsNull()) return -1;
  std::vector<std::uint8_t> row(static_cast<std::size_t>(picture.Width()) * 3);
  const platform::JpegRowSource rows = [&](int y) -> const std::uint8_t* {
    for (int x = 0; x < picture.Width(); ++x) {
      const platform::Bgra p = picture.GetBgra(x, y);
      row[static_cast<std::size_t>(x) * 3] = p.r;
      row[static_cast<std::size_t>(x) * 3 + 1] = p.g;
      row[static_cast<std::size_t>(x) * 3 + 2] = p.b;
    }
    return row.data();
  };
  platform::JpegSettings settings;
  settings.quality = kJpegQuality;
  settings.dpi = dpi;
  return platform::WriteJpegFile(path, picture.Width(), picture.Height(), rows, settings) ? 0 : -1;
}

}  // namespace imaging
