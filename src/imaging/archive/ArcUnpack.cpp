#include <sys/stat.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <new>
#include <vector>

#include "imaging/archive/ArcLayout.h"
#include "imaging/archive/SArchiver.h"
#include "platform/Paths.h"

namespace imaging {
namespace {

std::atomic<std::int64_t> memberOutputLimit{kArcMemberOutputLimit};

// Reads exactly n bytes; false when the file ends first.
bool ReadExactly(platform::File& file, void* out, std::size_t n) { return file.Read(out, n) == n; }

// An existing target must be a plain file: writing through a link or over
// a folder could land outside the place meant.
bool TargetAcceptable(const std::string& path) {
  struct stat info;
  if (::lstat(path.c_str(), &info) != 0) return true;
  return S_ISREG(info.st_mode);
}

struct InflateStream {
  z_stream s{};
  bool open = false;
  ~InflateStream() {
    if (open) inflateEnd(&s);
  }
};

// Expands the stream into `file`; answers the bytes written or a code.
std::int64_t Inflate(platform::File& file, const std::uint8_t* data, std::size_t length) {
  if (length > UINT_MAX) return kArcCodecFailed;
  InflateStream stream;
  if (inflateInit(&stream.s) != Z_OK) return kArcCodecFailed;
  stream.open = true;
  stream.s.next_in = const_cast<Bytef*>(data);
  stream.s.avail_in = static_cast<uInt>(length);
  std::vector<std::uint8_t> output(arc::kCoderBuffer);
  std::int64_t written = 0;
  for (;;) {
    stream.s.next_out = output.data();
    stream.s.avail_out = static_cast<uInt>(output.size());
    const int result = inflate(&stream.s, Z_NO_FLUSH);
    // Z_BUF_ERROR here means the input ran out before the end of the stream.
    if (result != Z_OK && result != Z_STREAM_END) return kArcCodecFailed;
    const std::size_t filled = output.size() - stream.s.avail_out;
    written += static_cast<std::int64_t>(filled);
    if (written > memberOutputLimit.load()) return kArcCodecFailed;
    file.Write(output.data(), filled);
    if (result == Z_STREAM_END) break;
  }
  stream.open = false;
  if (inflateEnd(&stream.s) != Z_OK) return kArcCodecFailed;
  return written;
}

// Writes `targetPath` through a temporary with `write`, which answers the
// bytes written or a negative code.
template <class Writer>
std::int64_t WriteTarget(const std::string& targetPath, Writer write) {
  if (!TargetAcceptable(targetPath)) return kArcCannotOpen;
  std::int64_t result = 0;
  const detail::SaveResult saved = detail::SaveThroughFile(targetPath, [&](platform::File& file) {
    result = write(file);
    return result >= 0;
  });
  if (saved.outcome == detail::SaveOutcome::kStopped) return result;
  const int code = arc::CodeOfSave(saved);
  return code == kArcOk ? result : code;
}

std::int64_t CopyStored(platform::File& package, platform::File& target, std::int64_t size) {
  std::vector<std::uint8_t> buffer(std::min<std::size_t>(static_cast<std::size_t>(size), arc::kCopyPiece));
  for (std::int64_t done = 0; done < size;) {
    const std::size_t piece = std::min<std::size_t>(buffer.size(), static_cast<std::size_t>(size - done));
    if (!ReadExactly(package, buffer.data(), piece)) return kArcReadWriteFailed;
    target.Write(buffer.data(), piece);
    done += static_cast<std::int64_t>(piece);
  }
  return size;
}

// Whether two entries share a byte (empty entries share none).
bool EntriesOverlap(const std::vector<PackageEntry>& entries) {
  std::vector<std::pair<std::int64_t, std::int64_t>> spans;
  for (const PackageEntry& entry : entries)
    if (entry.size > 0) spans.emplace_back(entry.offset, std::int64_t{entry.offset} + entry.size);
  std::sort(spans.begin(), spans.end());
  for (std::size_t i = 1; i < spans.size(); ++i)
    if (spans[i].first < spans[i - 1].second) return true;
  return false;
}

std::string WithoutTrailingSlashes(std::string folder) {
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder;
}

}  // namespace

std::int64_t ArcSetMemberOutputLimit(std::int64_t bytes) { return memberOutputLimit.exchange(bytes); }

int ArcReadDirectory(platform::File& package, PackageHeader& header, std::vector<PackageEntry>& entries) {
  entries.clear();
  return static_cast<int>(arc::Guarded([&]() -> std::int64_t {
    const std::int64_t length = package.GetLength();
    std::uint8_t head[kPackageHeaderSize];
    package.Seek(0);
    if (!ReadExactly(package, head, sizeof head)) return kArcCannotOpen;
    header = arc::DecodeHeader(head);
    const std::int64_t count = header.count;
    const std::int64_t directoryEnd = static_cast<std::int64_t>(kPackageHeaderSize) +
                                      count * static_cast<std::int64_t>(kPackageEntrySize);
    if (count < 0 || directoryEnd > length || header.dataOffset < directoryEnd || header.dataOffset > length)
      return kArcCannotOpen;
    std::vector<std::uint8_t> directory(static_cast<std::size_t>(count) * kPackageEntrySize);
    if (!ReadExactly(package, directory.data(), directory.size())) return kArcCannotOpen;
    std::vector<PackageEntry> read(static_cast<std::size_t>(count));
    for (std::size_t i = 0; i < read.size(); ++i) {
      PackageEntry& entry = read[i];
      if (!arc::DecodeEntry(directory.data() + i * kPackageEntrySize, entry)) return kArcCannotOpen;
      if (entry.size < 0 || entry.offset < 0 ||
          std::int64_t{header.dataOffset} + entry.offset + entry.size > length)
        return kArcCannotOpen;
    }
    if (EntriesOverlap(read)) return kArcCannotOpen;
    entries = std::move(read);
    return kArcOk;
  }));
}

std::int64_t ArcInflateToFile(const std::string& targetPath, const std::uint8_t* data, std::size_t length) {
  return arc::Guarded([&] { return WriteTarget(targetPath, [&](platform::File& file) { return Inflate(file, data, length); }); });
}

std::int64_t ArcExtractEntry(platform::File& package, const PackageHeader& header, const PackageEntry& entry,
                             const std::string& targetPath) {
  return arc::Guarded([&]() -> std::int64_t {
    const std::int64_t start = std::int64_t{header.dataOffset} + entry.offset;
    if (entry.size < 0 || entry.offset < 0 || start + entry.size > package.GetLength()) return kArcCannotOpen;
    package.Seek(start);
    if (entry.compressed) {
      std::vector<std::uint8_t> packed(static_cast<std::size_t>(entry.size));
      if (!ReadExactly(package, packed.data(), packed.size())) return kArcReadWriteFailed;
      return ArcInflateToFile(targetPath, packed.data(), packed.size());
    }
    return WriteTarget(targetPath, [&](platform::File& file) { return CopyStored(package, file, entry.size); });
  });
}

int ArcUnpackAll(platform::File& package, std::string& folder) {
  if (folder.empty()) {
    if (const int made = ArcCreateTempFolder(folder); made != kArcOk) return made;
  }
  PackageHeader header;
  std::vector<PackageEntry> entries;
  if (const int read = ArcReadDirectory(package, header, entries); read != kArcOk) return read;
  const std::string base = WithoutTrailingSlashes(folder);
  for (const PackageEntry& entry : entries) {
    // Names were checked when the directory was read: a plain name joined
    // to the folder stays in it.
    const std::int64_t written = ArcExtractEntry(package, header, entry, platform::JoinPath(base, entry.name));
    if (written < 0) return static_cast<int>(written);
  }
  return kArcOk;
}

int ArcUnpackFile(const std::string& packagePath, std::string& folder) {
  platform::File package;
  try {
    package.Open(packagePath, platform::File::Mode::kRead);
  } catch (const platform::FileError&) {
    return kArcCannotOpen;
  }
  return ArcUnpackAll(package, folder);
}

int ArcPackage::Open(const std::string& packagePath) {
  entries_.clear();
  try {
    file_.Open(packagePath, platform::File::Mode::kRead);
  } catch (const platform::FileError&) {
    return kArcCannotOpen;
  }
  return ArcReadDirectory(file_, header_, entries_);
}

const PackageEntry* ArcPackage::Find(const std::string& name) const {
  for (const PackageEntry& entry : entries_)
    if (entry.name == name) return &entry;
  for (const PackageEntry& entry : entries_)
    if (platform::SameNameNoCase(entry.name, name)) return &entry;
  return nullptr;
}

std::int64_t ArcPackage::Extract(const PackageEntry& entry, const std::string& targetPath) {
  return ArcExtractEntry(file_, header_, entry, targetPath);
}

}  // namespace imaging
