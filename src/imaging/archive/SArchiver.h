#pragma once
// Package files: every file of one folder packed into a single file, and
// back. Page documents, saved figures, animations and library materials are
// such packages. Besides packing, this module makes uniquely named temporary
// folders and deletes them, writes and reads the thumbnail members every
// package carries for the material library, and draws square thumbnails.
//
// Package layout (all integers little-endian):
//   header, 16 bytes: 8 bytes kept for the caller, int32 entry count,
//     int32 data offset (16 + 48 x count);
//   count directory entries of 48 bytes: u16 thumbnail flag (the name
//     begins with "thumb"), u16 compressed flag (1: one zlib stream, 0: the
//     bytes as they are), 32-byte name (code page 932, NUL-terminated),
//     int32 stored size, int32 offset of the data from the data offset,
//     int32 0;
//   the entries' data back to back, thumbnail members first.
//
// Every operation answers an ArcResult: 0 (or a byte count) for success, a
// negative code for failure. Readers check every count, size, offset and
// name of a package against the file before they use it; member names never
// leave their folder.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/File.h"
#include "platform/Image.h"

namespace imaging {

enum ArcResult : int {
  kArcOk = 0,
  kArcNoMemory = -1,          // out of memory, or a member too large for the format (2 GiB)
  kArcDiskFull = -8,          // the disk or the folder is full
  kArcCannotOpen = -9,        // a file or folder cannot be opened or created; a package is damaged
  kArcCannotRemove = -10,     // a folder cannot be removed, or holds a subfolder
  kArcCodecFailed = -11,      // compression or decompression failed
  kArcReadWriteFailed = -12,  // reading or writing failed; the thumbnail picture was not written
  kArcNoFolder = -13,         // the folder to pack or delete does not exist
};

constexpr std::size_t kPackageHeaderSize = 16;
constexpr std::size_t kPackageEntrySize = 48;
constexpr std::size_t kPackageNameField = 32;

struct PackageHeader {
  std::array<std::uint8_t, 8> callerBytes{};
  std::int32_t count = 0;
  std::int32_t dataOffset = static_cast<std::int32_t>(kPackageHeaderSize);
};

struct PackageEntry {
  std::uint16_t thumbnail = 0;
  std::uint16_t compressed = 0;
  std::string name;  // UTF-8 inside the program
  std::int32_t size = 0;
  std::int32_t offset = 0;
};

// ---- codes: ArcFormat.cpp ----------------------------------------------------

// The code of a failed file operation's system error number: disk or quota
// full -8; a missing path, too many open files or a busy file -9; a folder
// that is not empty or is in use -10; anything else -12; 0 for none.
int ArcErrorFromErrno(int errorNumber);
int ArcErrorFromFileException(const platform::FileError& error);
// Raises a file error for a negative code, for callers that report
// failures by exception: -8 disk full, -9 not found, -10 folder not
// removable, -12 access denied, -13 / -11 / -1 a general failure. Other
// codes return.
void ArcThrowFileError(int code, const std::string& path = {});

// A member name as stored: code page 932, 1 to 31 bytes, no folder part
// (no "/", "\", ":"), not "." or "..", no control characters. Nothing when
// the name cannot be a member.
std::optional<std::string> ArcStoredMemberName(const std::string& utf8Name);
// The program's name of a stored member name, under the same rules.
std::optional<std::string> ArcMemberNameFromStored(const std::string& stored);

// ---- packing: ArcPack.cpp ----------------------------------------------------

// Writes the package of every file of `folder` into `out` from offset 0.
// The store flag keeps the bytes as they are; otherwise each file is
// deflated at level 1. Folders inside are left out. A file whose name
// cannot be a member makes the packing fail with -9.
int ArcPackFolder(const std::string& folder, platform::File& out, const std::array<std::uint8_t, 8>& callerBytes,
                  bool store);
// The same into a package file, which is replaced only when the package is
// complete.
int ArcPackFolderToFile(const std::string& folder, const std::string& packagePath,
                        const std::array<std::uint8_t, 8>& callerBytes, bool store);
// Append one file's bytes to `out`, deflated or as they are; answer the
// bytes appended or a negative code.
std::int64_t ArcDeflateFileToArchive(platform::File& out, const std::string& sourcePath, int level);
std::int64_t ArcStoreFileToArchive(platform::File& out, const std::string& sourcePath);

// ---- unpacking: ArcUnpack.cpp ------------------------------------------------

// The most bytes one member may expand to. Members are pictures (which the
// image reader decodes only up to 256 MiB of pixels, so their files stay
// far below this), page streams and scenes of a few megabytes; a member
// that passes four times the largest picture is a damaged or hostile
// package, and its extraction stops with -11 before the disk fills.
constexpr std::int64_t kArcMemberOutputLimit = std::int64_t{1} << 30;
// Sets the bound (tests lower it) and answers the previous one.
std::int64_t ArcSetMemberOutputLimit(std::int64_t bytes);

// Reads and checks the header and the directory: every entry lies inside
// the file, and no two entries share bytes (a package whose entries overlap
// could expand the same bytes many times): -9 otherwise.
int ArcReadDirectory(platform::File& package, PackageHeader& header, std::vector<PackageEntry>& entries);
// Writes one entry's bytes to `targetPath` (replaced only when complete; an
// existing target that is not a plain file is refused). Answers the bytes
// written or a negative code; -11 when the data does not expand or expands
// past the member bound.
std::int64_t ArcExtractEntry(platform::File& package, const PackageHeader& header, const PackageEntry& entry,
                             const std::string& targetPath);
// Expands one zlib stream into `targetPath`; answers the bytes written.
std::int64_t ArcInflateToFile(const std::string& targetPath, const std::uint8_t* data, std::size_t length);

// A package open for extracting the members a reader asks for, one by one.
class ArcPackage {
 public:
  // Opens the file and reads its directory: 0, or -9 when it cannot be
  // read or is no sound package.
  int Open(const std::string& packagePath);
  const std::vector<PackageEntry>& Entries() const { return entries_; }
  // The member of that name, case ignored (an exact match first); null
  // when there is none.
  const PackageEntry* Find(const std::string& name) const;
  // ArcExtractEntry on this package.
  std::int64_t Extract(const PackageEntry& entry, const std::string& targetPath);

 private:
  platform::File file_;
  PackageHeader header_;
  std::vector<PackageEntry> entries_;
};
// Extracts every entry into `folder`; an empty folder argument first gets a
// new temporary folder, whose path it receives. The first failure is
// answered; entries written before it stay.
int ArcUnpackAll(platform::File& package, std::string& folder);
int ArcUnpackFile(const std::string& packagePath, std::string& folder);

// ---- folders: ArcFolders.cpp -------------------------------------------------

// Appends "crv" and 8 hexadecimal digits made of the millisecond tick and a
// call counter.
void ArcMakeTempName(std::string& appendTo);
// Makes a new folder in `path` (or in the temporary folder when `path` is
// empty) and answers its path there, without a trailing "/". 0 or -9. The
// process holds a lock on the folder until it is deleted here.
int ArcCreateTempFolder(std::string& path);
// Deletes the folder's files and the folder: -13 when it does not exist,
// -10 (and nothing deleted) when it holds a folder or cannot be removed.
int ArcDeleteFolder(const std::string& folder);
// Deletes the folder's files (failures ignored) and the folder.
int ArcRemoveFolderFiles(const std::string& folder);
// Removes the temporary folders ("crv" and 8 hexadecimal digits) left in
// the temporary folder by processes of this user that ended without
// removing them (killed during a save or with a page open). A folder stays
// while its process runs (it holds a lock on it) and for a minute after it
// last changed; a folder holding a folder stays. Answers how many went.
int ArcRemoveStaleTempFolders();

// ---- thumbnails and pictures: ArcThumbnails.cpp -----------------------------

// Writes "thumb1.txt" and "thumb2.txt" (the texts as code page 932 bytes,
// no terminator) and, when the picture holds a bitmap, "thumb3.jpg" (72 dots
// per inch, quality 100) into the folder. -9 when a file cannot be made,
// -12 when a text has no code page 932 form, a write fails or the picture
// is not written; after any failure none of the three files stays.
int ArcWriteThumbnailFiles(const std::string& folder, const std::string& text1, const std::string& text2,
                           const platform::Image& picture);
// Extracts the members "thumb1.txt", "thumb2.txt" and "thumb3.jpg" (names
// compared ignoring case) into new temporary files and answers their paths
// (empty for a member the package lacks). The caller deletes the files.
int ArcExtractThumbnailMembers(const std::string& packagePath, std::string& path1, std::string& path2,
                               std::string& path3);
// Reads a package's thumbnail texts (empty when missing) and picture (left
// as it was when the package has none). -9 when a member cannot be read,
// -12 when a text is not code page 932; the other members are still read.
int ArcReadThumbnail(const std::string& packagePath, std::string& text1, std::string& text2,
                     platform::Image& picture);
// The thumbnail of a library file by its extension (without the dot, any
// case): packages ("z4g", "z4e", "z4m", and "z4t", "z4h", "z4i", "z4w" when
// they begin with a package kind) give their stored thumbnail; pictures
// ("png", "jpg", "bmp", "gif") are drawn into a new 24-bit side x side
// picture. 0, 1 (this file has no thumbnail), -9 (cannot be read) or the
// package reader's code.
int ArcLoadFileThumbnail(const std::string& path, const std::string& extension, std::string& text1,
                         std::string& text2, platform::Image& picture, int side);
// Draws the source, keeping its aspect, centred on white into the square
// target (area-averaged). A target that is not square ends the program.
void ArcMakeSquareThumbnail(const platform::Image& source, platform::Image& target);
// Writes the picture as a baseline JPEG of quality 100 with the resolution,
// straight to the path (replaced only when complete). 0 or -1.
int ArcSaveJpeg(const platform::Image& picture, const std::string& path, int dpi);

}  // namespace imaging
