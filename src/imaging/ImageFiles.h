#pragma once
// Writing a page image to disk with its print resolution recorded in the
// file. The platform codec writes an ordinary PNG or BMP first; the
// resolution fields are then rewritten: the BMP header's two
// pixels-per-metre fields, or the PNG's pHYs chunk (updated, or inserted
// before the first IDAT). A target is replaced only by a complete file: on
// failure any previous file stays as it was.
//
// Result codes (ImagingResult.h): 0 written; kResultBadImage no bitmap;
// kResultBadValue negative (or too large) resolution; kResultCannotWrite the
// codec could not save, or writing failed; kResultCannotOpen the saved file
// could not be opened again; kResultBadFile it did not read back as the
// format; kResultNoMemory no room for the chunks.
#include <cstdint>
#include <list>
#include <string>
#include <vector>

#include "platform/Image.h"

namespace imaging {

// Pixels per metre stored for a resolution in dots per inch:
// trunc(dpi × 1000 / 25.4) + 1 (72 dpi gives 2835). −1 when negative or
// beyond what a file can hold.
std::int64_t DpiToPixelsPerMetre(int dpi);

int SavePngWithResolution(const platform::Image& image, int dpi, const std::string& path);
int SaveBmpWithResolution(const platform::Image& image, int dpi, const std::string& path);
// A baseline JPEG (24- or 32-bit image; the alpha byte is not stored) of
// the quality with the resolution as its density. Library errors are shown
// in a message box and answered with kResultCannotWrite.
int SaveJpegWithResolution(const platform::Image& image, int dpi, const std::string& path, int quality = 100);

// ---- PNG chunks: PngChunks.cpp ------------------------------------------
// One chunk as stored: its data length, four type bytes, the data and the
// stored CRC (over type and data).
struct PngChunk {
  std::uint32_t length = 0;
  char type[4] = {};
  std::vector<std::uint8_t> data;
  std::uint32_t crc = 0;
  bool IsType(const char* name) const;
};
// The chunks of a file in order (a doubly linked list).
using PngChunkList = std::list<PngChunk>;

// Reads the chunks up to and including "IEND". kResultCannotOpen when the
// file cannot be opened; kResultBadFile when it does not start with the PNG
// signature, ends early, or a length goes past 2³¹ − 1 or the end of the
// file; kResultNoMemory. The list is empty after a failure.
int PngReadChunks(const std::string& path, PngChunkList& out);
// Sets the resolution: the first pHYs chunk (given 9 bytes of data if it
// had another length) gets dpi as pixels per metre in x and y with the unit
// metre, or, when an IDAT comes first, a new pHYs goes just before it. CRCs
// are brought up to date. kResultBadValue for a resolution out of range.
int PngSetPhys(PngChunkList& chunks, int dpi);
// Recomputes the chunk's CRC from its type and data.
void PngChunkUpdateCrc(PngChunk& chunk);
// The PNG standard's CRC-32 (reflected, polynomial 0xEDB88320).
std::uint32_t PngCrc32(const std::uint8_t* bytes, std::size_t length);
// Creates the file anew with the signature and every chunk; the list is
// freed in every case. kResultCannotOpen or kResultCannotWrite on failure.
int PngWriteChunks(PngChunkList& chunks, const std::string& path);
void PngFreeChunks(PngChunkList& chunks);

}  // namespace imaging
