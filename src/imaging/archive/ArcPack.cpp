#include <sys/stat.h>
#include <zlib.h>

#include <algorithm>
#include <new>
#include <vector>

#include "imaging/archive/ArcLayout.h"
#include "imaging/archive/SArchiver.h"
#include "platform/Paths.h"

namespace imaging {
namespace {

constexpr int kPackLevel = 1;
constexpr std::string_view kThumbPrefix = "thumb";

struct Member {
  std::string path;
  std::string stored;  // code page 932 name
  bool thumbnail = false;
};

// Files that are never members: the package being written (and the file
// it will replace) when they lie in the folder.
class Excluded {
 public:
  explicit Excluded(const std::vector<std::string>& paths) {
    for (const std::string& path : paths) {
      struct stat info;
      if (!path.empty() && ::stat(path.c_str(), &info) == 0) files_.push_back(info);
    }
  }
  bool Contains(const std::string& path) const {
    struct stat info;
    if (files_.empty() || ::stat(path.c_str(), &info) != 0) return false;
    for (const struct stat& f : files_)
      if (f.st_dev == info.st_dev && f.st_ino == info.st_ino) return true;
    return false;
  }

 private:
  std::vector<struct stat> files_;
};

// The folder's files in package order: those whose stored name begins with
// "thumb" (exactly so) first, then the others, each group sorted by name.
int CollectMembers(const std::string& folder, const Excluded& excluded, std::vector<Member>& members) {
  std::vector<Member> thumbs, others;
  for (const std::string& name : platform::ListDirectory(folder, platform::ListKind::kFiles)) {
    Member m;
    m.path = platform::JoinPath(folder, name);
    // Pipes and devices are no members; a link to a plain file is.
    if (!platform::IsRegularFile(m.path) || excluded.Contains(m.path)) continue;
    std::optional<std::string> stored = ArcStoredMemberName(name);
    if (!stored) return kArcCannotOpen;
    m.stored = std::move(*stored);
    m.thumbnail = m.stored.compare(0, kThumbPrefix.size(), kThumbPrefix) == 0;
    (m.thumbnail ? thumbs : others).push_back(std::move(m));
  }
  members = std::move(thumbs);
  members.insert(members.end(), std::make_move_iterator(others.begin()), std::make_move_iterator(others.end()));
  return kArcOk;
}

void WriteHeaderAndDirectory(platform::File& out, const PackageHeader& header, const std::vector<std::uint8_t>& directory) {
  std::uint8_t head[kPackageHeaderSize];
  arc::EncodeHeader(header, head);
  out.Seek(0);
  out.Write(head, sizeof head);
  out.Write(directory.data(), directory.size());
}

// Ends the deflate stream on every way out.
struct DeflateStream {
  z_stream s{};
  bool open = false;
  ~DeflateStream() {
    if (open) deflateEnd(&s);
  }
};

std::int64_t DeflateFile(platform::File& out, const std::string& sourcePath, int level) {
  DeflateStream stream;
  if (deflateInit(&stream.s, level) != Z_OK) return kArcCodecFailed;
  stream.open = true;
  platform::File source;
  try {
    source.Open(sourcePath, platform::File::Mode::kRead);
  } catch (const platform::FileError&) {
    return kArcCannotOpen;
  }
  std::vector<std::uint8_t> input(arc::kCoderBuffer), output(arc::kCoderBuffer);
  std::int64_t written = 0;
  int flush = Z_NO_FLUSH;
  stream.s.next_out = output.data();
  stream.s.avail_out = static_cast<uInt>(output.size());
  for (;;) {
    if (stream.s.avail_in == 0 && flush == Z_NO_FLUSH) {
      const std::size_t got = source.Read(input.data(), input.size());
      // A short read is the end of the file.
      if (got < input.size()) flush = Z_FINISH;
      stream.s.next_in = input.data();
      stream.s.avail_in = static_cast<uInt>(got);
    }
    const int result = deflate(&stream.s, flush);
    if (result != Z_OK && result != Z_STREAM_END && result != Z_BUF_ERROR) return kArcCodecFailed;
    const std::size_t filled = output.size() - stream.s.avail_out;
    if (result == Z_STREAM_END || filled == output.size()) {
      out.Write(output.data(), filled);
      written += static_cast<std::int64_t>(filled);
      if (written > arc::kMaxMemberSize) return kArcNoMemory;
      stream.s.next_out = output.data();
      stream.s.avail_out = static_cast<uInt>(output.size());
    }
    if (result == Z_STREAM_END) break;
  }
  stream.open = false;
  if (deflateEnd(&stream.s) != Z_OK) return kArcCodecFailed;
  return written;
}

std::int64_t StoreFile(platform::File& out, const std::string& sourcePath) {
  platform::File source;
  try {
    source.Open(sourcePath, platform::File::Mode::kRead);
  } catch (const platform::FileError&) {
    return kArcCannotOpen;
  }
  const std::int64_t length = source.GetLength();
  if (length > arc::kMaxMemberSize) return kArcNoMemory;
  std::vector<std::uint8_t> buffer(std::min<std::size_t>(static_cast<std::size_t>(length), arc::kCopyPiece));
  std::int64_t done = 0;
  while (done < length) {
    const std::size_t piece = std::min<std::size_t>(buffer.size(), static_cast<std::size_t>(length - done));
    const std::size_t got = source.Read(buffer.data(), piece);
    if (got != piece) return kArcReadWriteFailed;  // the file shrank while it was packed
    out.Write(buffer.data(), got);
    done += static_cast<std::int64_t>(got);
  }
  return done;
}

}  // namespace

std::int64_t ArcDeflateFileToArchive(platform::File& out, const std::string& sourcePath, int level) {
  return arc::Guarded([&] { return DeflateFile(out, sourcePath, level); });
}

std::int64_t ArcStoreFileToArchive(platform::File& out, const std::string& sourcePath) {
  return arc::Guarded([&] { return StoreFile(out, sourcePath); });
}

namespace {

int PackInto(const std::string& folder, platform::File& out, const std::array<std::uint8_t, 8>& callerBytes, bool store,
             const Excluded& excluded) {
  if (!platform::IsDirectory(folder)) return kArcNoFolder;
  return static_cast<int>(arc::Guarded([&]() -> std::int64_t {
    std::vector<Member> members;
    if (const int collected = CollectMembers(folder, excluded, members); collected != kArcOk) return collected;
    const auto count = static_cast<std::int64_t>(members.size());
    if (count > (arc::kMaxMemberSize - static_cast<std::int64_t>(kPackageHeaderSize)) /
                    static_cast<std::int64_t>(kPackageEntrySize))
      return kArcNoMemory;
    PackageHeader header;
    header.callerBytes = callerBytes;
    header.count = static_cast<std::int32_t>(count);
    header.dataOffset = static_cast<std::int32_t>(kPackageHeaderSize + kPackageEntrySize * members.size());
    std::vector<std::uint8_t> directory(kPackageEntrySize * members.size(), 0);
    // The directory goes in first as a placeholder of its final size.
    WriteHeaderAndDirectory(out, header, directory);

    std::int64_t offset = 0;
    for (std::size_t i = 0; i < members.size(); ++i) {
      PackageEntry entry;
      entry.thumbnail = members[i].thumbnail ? 1 : 0;
      entry.compressed = store ? 0 : 1;
      const std::int64_t size =
          store ? StoreFile(out, members[i].path) : DeflateFile(out, members[i].path, kPackLevel);
      if (size < 0) return size;
      if (offset + size > arc::kMaxMemberSize) return kArcNoMemory;
      entry.size = static_cast<std::int32_t>(size);
      entry.offset = static_cast<std::int32_t>(offset);
      arc::EncodeEntry(entry, members[i].stored, directory.data() + i * kPackageEntrySize);
      offset += size;
    }
    WriteHeaderAndDirectory(out, header, directory);
    return kArcOk;
  }));
}

}  // namespace

int ArcPackFolder(const std::string& folder, platform::File& out, const std::array<std::uint8_t, 8>& callerBytes,
                  bool store) {
  return PackInto(folder, out, callerBytes, store, Excluded({out.GetPath()}));
}

int ArcPackFolderToFile(const std::string& folder, const std::string& packagePath,
                        const std::array<std::uint8_t, 8>& callerBytes, bool store) {
  if (!platform::IsDirectory(folder)) return kArcNoFolder;
  int packed = kArcOk;
  const detail::SaveResult saved = detail::SaveThroughFile(packagePath, [&](platform::File& file) {
    packed = PackInto(folder, file, callerBytes, store, Excluded({file.GetPath(), packagePath}));
    return packed == kArcOk;
  });
  if (saved.outcome == detail::SaveOutcome::kStopped) return packed;
  return arc::CodeOfSave(saved);
}

}  // namespace imaging
