#pragma once
// The single-image GIF89a writer and the page image's GIF export.
#include <cstdint>
#include <string>

#include "imaging/gif/ColourQuantiser.h"
#include "platform/File.h"
#include "platform/Image.h"

namespace imaging {

// Result codes of the GIF writers (0 is success).
enum GifResult : int {
  kGifOk = 0,
  kGifDiskFull = -2,     // the disk or the folder is full
  kGifCannotCreate = -3,  // the file cannot be created, or a frame cannot be read
  kGifFileError = -4,    // any other failure to write the file
  kGifCancelled = -6,    // the animated writer was cancelled
};

// The GIF code of a failed file operation's system error number: disk or
// quota full -2; a missing or unusable path, too many open files or a busy
// file -3; anything else -4; 0 for no error.
int GifErrorFromErrno(int errorNumber);
int GifErrorFromFileException(const platform::FileError& error);

// Writes one image: `indexes` holds width x height palette indexes (rows
// from the top), `palette` 256 colours; index 255 is declared transparent.
// Width and height must be 1 to 65535. The file is replaced only when it
// is complete; on failure the previous file (if any) stays as it was.
// Answers 0 or a GifResult code.
int WriteGif(const std::string& path, const std::uint8_t* indexes, const Palette& palette, int width, int height);

// Reduces a 24- or 32-bit image to 256 colours (error diffusion; the last
// entry stands for pixels less than half covered) and writes it with WriteGif.
int SaveImageAsGif(const platform::Image& image, const std::string& path);

}  // namespace imaging
