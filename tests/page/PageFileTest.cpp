#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdint>
#include <cstring>
#include <csignal>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "PageFixtures.h"
#include "PageTestSupport.h"
#include "imaging/archive/SArchiver.h"
#include "page/PageFile.h"
#include "page/ResultCodes.h"
#include "page/SDoc.h"
#include "page/SFigPic.h"
#include "page/SFigRect.h"
#include "platform/File.h"
#include "support/FileSizeLimit.h"
#include "support/TempDir.h"

namespace {

using page::SDoc;
using pagetest::Bytes;
using pagetest::LeBytes;

// ---- a reader of page files written for this test only ----------------------------

struct Member {
  bool thumbnail = false;
  bool compressed = false;
  Bytes bytes;  // as stored
};

struct Package {
  std::int32_t caller[2] = {};
  std::vector<std::string> order;  // member names in directory order
  std::map<std::string, Member> members;
};

std::int32_t Le32(const Bytes& b, std::size_t at) {
  return static_cast<std::int32_t>(b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24);
}

// Reads the 16-byte header and the 48-byte entries; fails the test on any
// count or offset that does not fit the file.
Package ReadPackage(const Bytes& file) {
  Package package;
  EXPECT_GE(file.size(), 16u);
  if (file.size() < 16) return package;
  package.caller[0] = Le32(file, 0);
  package.caller[1] = Le32(file, 4);
  const std::int32_t count = Le32(file, 8);
  const std::int32_t dataOffset = Le32(file, 12);
  EXPECT_EQ(dataOffset, 16 + 48 * count);
  for (std::int32_t i = 0; i < count; ++i) {
    const std::size_t at = 16 + 48 * static_cast<std::size_t>(i);
    if (at + 48 > file.size()) {
      ADD_FAILURE() << "directory past the end";
      break;
    }
    Member member;
    member.thumbnail = (file[at] | file[at + 1] << 8) != 0;
    member.compressed = (file[at + 2] | file[at + 3] << 8) != 0;
    const std::string name(reinterpret_cast<const char*>(&file[at + 4]),
                           strnlen(reinterpret_cast<const char*>(&file[at + 4]), 32));
    const std::int32_t size = Le32(file, at + 36);
    const std::int32_t offset = Le32(file, at + 40);
    EXPECT_EQ(Le32(file, at + 44), 0);
    const std::size_t begin = static_cast<std::size_t>(dataOffset) + static_cast<std::size_t>(offset);
    if (begin + static_cast<std::size_t>(size) > file.size()) {
      ADD_FAILURE() << name << " past the end";
      continue;
    }
    member.bytes.assign(file.begin() + static_cast<std::ptrdiff_t>(begin),
                        file.begin() + static_cast<std::ptrdiff_t>(begin + static_cast<std::size_t>(size)));
    package.order.push_back(name);
    package.members[name] = std::move(member);
  }
  return package;
}

// A member's content: one zlib stream, or the bytes as they are.
Bytes Content(const Member& member) {
  if (!member.compressed) return member.bytes;
  Bytes out(member.bytes.size() * 4 + 1024);
  z_stream z{};
  inflateInit(&z);
  z.next_in = const_cast<Bytef*>(member.bytes.data());
  z.avail_in = static_cast<uInt>(member.bytes.size());
  int rc = Z_OK;
  while (rc == Z_OK) {
    if (z.total_out == out.size()) out.resize(out.size() * 2);
    z.next_out = out.data() + z.total_out;
    z.avail_out = static_cast<uInt>(out.size() - z.total_out);
    rc = inflate(&z, Z_NO_FLUSH);
  }
  EXPECT_EQ(rc, Z_STREAM_END);
  out.resize(z.total_out);
  inflateEnd(&z);
  return out;
}

// ---- fixture ------------------------------------------------------------------------

class PageFileTest : public ::testing::Test {
 protected:
  PageFileTest() : tmp_("TMPDIR", tmpDir_.Path()) {}

  // The page stream and members the writer means to store for the page.
  std::map<std::string, Bytes> Intended(const SDoc& doc) {
    const std::string folder = Folder("intended");
    page::WritePageFolder(doc, folder);
    std::map<std::string, Bytes> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
      files[entry.path().filename().string()] = testsupport::TempDir::ReadAll(entry.path().string());
    return files;
  }

  // A new folder of the test's own (not in the code's temporary folder).
  std::string Folder(const std::string& name) {
    const std::string path = dir_.File(name);
    std::filesystem::create_directory(path);
    return path;
  }

  bool TempFolderIsEmpty() const {
    for (const auto& entry : std::filesystem::recursive_directory_iterator(tmpDir_.Path()))
      ADD_FAILURE() << "left behind: " << entry.path();
    return std::filesystem::is_empty(tmpDir_.Path());
  }

  testsupport::TempDir dir_;
  testsupport::TempDir tmpDir_;  // the temporary folder of the code under test
  testsupport::ScopedEnv tmp_;
};

std::unique_ptr<SDoc> PageWithThumbnail() {
  auto doc = pagetest::MakeEveryShapePage();
  doc->thumbText1 = "表紙";
  doc->thumbText2 = "第一話の扉";
  doc->thumbImage.Create(70, 70, 32);
  doc->thumbImage.Fill(platform::Bgra{0, 128, 255, 255});
  return doc;
}

// ---- round trip ----------------------------------------------------------------------

TEST_F(PageFileTest, PageComesBackFromItsFileObjectByObject) {
  const auto original = PageWithThumbnail();
  const std::string path = dir_.File("page.Z4G");
  ASSERT_EQ(page::SaveSDoc(*original, path), 0);
  SDoc back;
  std::string notice = "unset";
  ASSERT_EQ(page::LoadSDoc(back, path, &notice), 0);
  EXPECT_EQ(notice, "");
  ASSERT_EQ(back.GetObjectCount(), original->GetObjectCount());
  for (int i = 0; i < back.GetObjectCount(); ++i)
    EXPECT_EQ(pagetest::DumpObject(*back.GetObject(i)), pagetest::DumpObject(*original->GetObject(i))) << i;
  EXPECT_EQ(pagetest::DumpPage(back), pagetest::DumpPage(*original));
  EXPECT_EQ(back.thumbText1, "表紙");
  EXPECT_EQ(back.thumbText2, "第一話の扉");
  EXPECT_EQ(back.thumbImage.Width(), 70);
  EXPECT_TRUE(TempFolderIsEmpty()) << "saving and opening leave no temporary folders";
}

TEST_F(PageFileTest, IndependentReaderFindsWhatTheWriterMeant) {
  const auto doc = PageWithThumbnail();
  const std::string path = dir_.File("page.Z4G");
  ASSERT_EQ(page::SaveSDoc(*doc, path), 0);
  const Package package = ReadPackage(testsupport::TempDir::ReadAll(path));
  EXPECT_EQ(package.caller[0], 6);
  EXPECT_EQ(package.caller[1], 1);
  // Thumbnail members come first and say so.
  ASSERT_GE(package.order.size(), 4u);
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(package.members.at(package.order[i]).thumbnail) << package.order[i];
  EXPECT_EQ(Content(package.members.at("thumb1.txt")), (Bytes{0x95, 0x5C, 0x8E, 0x86}));  // "表紙"
  const Bytes jpeg = Content(package.members.at("thumb3.jpg"));
  ASSERT_GE(jpeg.size(), 2u);
  EXPECT_EQ(jpeg[0], 0xFF);
  EXPECT_EQ(jpeg[1], 0xD8);

  const std::map<std::string, Bytes> intended = Intended(*doc);
  for (const auto& [name, bytes] : intended) {
    ASSERT_TRUE(package.members.count(name)) << name;
    EXPECT_FALSE(package.members.at(name).thumbnail) << name;
    EXPECT_EQ(Content(package.members.at(name)), bytes) << name;
  }
  EXPECT_EQ(package.members.size(), intended.size() + 3);
}

TEST_F(PageFileTest, KeptFiguresSurviveAnotherSave) {
  // A page holding a 3D figure, packed the way the program writes pages.
  LeBytes figure;
  pagetest::ObjectHead(figure, 1000, page::kFig3D).Int(3).Byte(7).Byte(8).Byte(9).Int(0);
  const Bytes stream = pagetest::OnePage(figure.Get(), 1);
  const std::string folder = Folder("figure");
  testsupport::WriteText(folder + "/" + page::kPageStreamName, std::string(stream.begin(), stream.end()));
  testsupport::WriteText(folder + "/data1000_.Z4T", "a scene");
  const std::string path = dir_.File("figure.Z4G");
  ASSERT_EQ(imaging::ArcPackFolderToFile(folder, path, page::kPageCallerBytes, false), 0);

  SDoc doc;
  std::string notice;
  ASSERT_EQ(page::LoadSDoc(doc, path, &notice), 0);
  EXPECT_EQ(notice, page::ErrorMessageOfCode(page::kResultDamagedData));
  const std::string again = dir_.File("again.Z4G");
  ASSERT_EQ(page::SaveSDoc(doc, again), 0);
  const Package package = ReadPackage(testsupport::TempDir::ReadAll(again));
  EXPECT_EQ(Content(package.members.at(page::kPageStreamName)), stream);
  EXPECT_EQ(Content(package.members.at("data1000_.Z4T")), Bytes({'a', ' ', 's', 'c', 'e', 'n', 'e'}));
}

// ---- failures -------------------------------------------------------------------------

TEST_F(PageFileTest, AFailedSaveKeepsThePreviousFile) {
  const std::string path = dir_.File("page.Z4G");
  ASSERT_EQ(page::SaveSDoc(*PageWithThumbnail(), path), 0);
  const Bytes before = testsupport::TempDir::ReadAll(path);

  auto bad = pagetest::MakeEveryShapePage();
  bad->GetObject(3)->label = "\xF0\x9F\x98\x80";  // no Shift-JIS form
  EXPECT_EQ(page::SaveSDoc(*bad, path), page::kResultFileIo);
  EXPECT_EQ(testsupport::TempDir::ReadAll(path), before);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.Path()), {}), 1) << "no temporary left beside it";
  EXPECT_TRUE(TempFolderIsEmpty());
}

TEST_F(PageFileTest, AWriteFailingPartWayKeepsThePreviousFile) {
  const std::string path = dir_.File("page.Z4G");
  auto first = PageWithThumbnail();
  ASSERT_EQ(page::SaveSDoc(*first, path), 0);
  const Bytes before = testsupport::TempDir::ReadAll(path);

  // The second version is larger, so any limit below its size stops one of
  // the writes: a member in the work folder, the page stream or the package.
  auto second = PageWithThumbnail();
  for (int i = 0; i < 40; ++i) pagetest::AddShape(*second, std::make_unique<page::SFigRect>(), -1, page::PropSCVal());
  const std::string probe = dir_.File("probe.Z4G");
  ASSERT_EQ(page::SaveSDoc(*second, probe), 0);
  const std::uintmax_t fullSize = std::filesystem::file_size(probe);
  std::filesystem::remove(probe);
  ASSERT_GT(fullSize, before.size());

  for (const std::uintmax_t limit : {std::uintmax_t{16}, std::uintmax_t{1000}, before.size() / 2, before.size() + 1,
                                     fullSize - 1}) {
    int code = 0;
    {
      testsupport::ScopedFileSizeLimit small(limit);
      code = page::SaveSDoc(*second, path);
    }
    EXPECT_LT(code, 0) << "limit " << limit;
    EXPECT_FALSE(page::ErrorMessageOfCode(code).empty());
    EXPECT_EQ(testsupport::TempDir::ReadAll(path), before) << "limit " << limit;
    EXPECT_EQ(dir_.CountFiles(), 1) << "no temporary left beside it, limit " << limit;
  }
  EXPECT_TRUE(TempFolderIsEmpty());
  SDoc back;
  ASSERT_EQ(page::LoadSDoc(back, path), 0);
  EXPECT_EQ(pagetest::DumpPage(back), pagetest::DumpPage(*first));
}

TEST_F(PageFileTest, DamagedAndTruncatedFilesFailWithACodeAndMessage) {
  const std::string good = dir_.File("page.Z4G");
  ASSERT_EQ(page::SaveSDoc(*PageWithThumbnail(), good), 0);
  const Bytes bytes = testsupport::TempDir::ReadAll(good);

  SDoc doc;
  doc.AddObject(std::make_unique<page::SObj>(), -1, 5);
  doc.GetObject(0)->SetFig(std::make_unique<page::SFigRect>(), true);
  doc.thumbText1 = "unchanged";
  const std::string before = pagetest::DumpPage(doc);
  // Cut inside the header, the directory, the thumbnails and the stream.
  for (const std::size_t length : {std::size_t{0}, std::size_t{10}, std::size_t{100}, bytes.size() / 2, bytes.size() - 1}) {
    const std::string path = dir_.Write("cut.Z4G", Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(length)));
    const int code = page::LoadSDoc(doc, path);
    EXPECT_LT(code, 0) << "cut at " << length;
    EXPECT_FALSE(page::ErrorMessageOfCode(code).empty());
  }
  EXPECT_EQ(pagetest::DumpPage(doc), before);
  EXPECT_EQ(doc.thumbText1, "unchanged");
  EXPECT_TRUE(TempFolderIsEmpty());
}

TEST_F(PageFileTest, ChangedBytesInThePackageFailWithACodeOrOpen) {
  const std::string good = dir_.File("page.Z4G");
  ASSERT_EQ(page::SaveSDoc(*PageWithThumbnail(), good), 0);
  const Bytes bytes = testsupport::TempDir::ReadAll(good);
  const std::size_t directoryEnd = 16 + 48 * static_cast<std::size_t>(Le32(bytes, 8));
  ASSERT_LT(directoryEnd, bytes.size());
  int failed = 0;
  // Every byte of the header and the directory, then a sample of the
  // compressed members.
  for (std::size_t at = 0; at < bytes.size(); at += at < directoryEnd ? 1 : 37) {
    Bytes changed = bytes;
    changed[at] = at % 2 ? static_cast<unsigned char>(changed[at] ^ 0x80) : 0xFF;
    const std::string path = dir_.Write("changed.Z4G", changed);
    SDoc doc;
    const int code = page::LoadSDoc(doc, path);
    if (code == 0) continue;
    ++failed;
    EXPECT_LT(code, 0) << "byte " << at;
    EXPECT_FALSE(page::ErrorMessageOfCode(code).empty());
    EXPECT_EQ(doc.GetObjectCount(), 0) << "byte " << at;
    EXPECT_EQ(doc.thumbText1, "") << "byte " << at;
  }
  EXPECT_GT(failed, 0);
  EXPECT_TRUE(TempFolderIsEmpty());
}

// Opening reads: whatever the damage, the message is never the one of a
// failed write.
TEST_F(PageFileTest, ReadingADamagedFileNeverReportsAWriteFailure) {
  const std::string good = dir_.File("page.Z4G");
  ASSERT_EQ(page::SaveSDoc(*PageWithThumbnail(), good), 0);
  const Bytes bytes = testsupport::TempDir::ReadAll(good);
  const int writeMessage = page::ErrorStringId(page::kResultCompressWrite);
  // Every 37th byte from offset 200 flipped, then single flipped bytes
  // through the compressed members.
  std::vector<Bytes> damaged;
  Bytes everyOther = bytes;
  for (std::size_t at = 200; at < everyOther.size(); at += 37) everyOther[at] ^= 0xFF;
  damaged.push_back(everyOther);
  for (std::size_t at = 200; at < bytes.size(); at += 53) {
    Bytes changed = bytes;
    changed[at] ^= 0x5A;
    damaged.push_back(changed);
  }
  int failed = 0;
  for (std::size_t i = 0; i < damaged.size(); ++i) {
    SDoc doc;
    const int code = page::LoadSDoc(doc, dir_.Write("flipped.Z4G", damaged[i]));
    if (code == 0) continue;
    ++failed;
    EXPECT_NE(page::ErrorStringId(code), writeMessage) << "case " << i << " code " << code;
    EXPECT_TRUE(code == page::kResultDamaged || code == page::kResultCannotOpen) << "case " << i << " code " << code;
  }
  // The first case flips the page stream's offset in the directory: a
  // package that cannot be opened (its thumbnails are no longer read first).
  SDoc doc;
  EXPECT_EQ(page::LoadSDoc(doc, dir_.Write("flipped.Z4G", damaged[0])), page::kResultCannotOpen);
  EXPECT_GT(failed, 0);
  EXPECT_TRUE(TempFolderIsEmpty());
}

TEST_F(PageFileTest, APackageWithoutOrWithADamagedPageStreamFails) {
  const std::string empty = Folder("empty");
  testsupport::WriteText(empty + "/readme.txt", "no page here");
  const std::string noStream = dir_.File("nostream.Z4G");
  ASSERT_EQ(imaging::ArcPackFolderToFile(empty, noStream, page::kPageCallerBytes, false), 0);
  SDoc doc;
  EXPECT_EQ(page::LoadSDoc(doc, noStream), page::kResultCannotOpen);

  const std::string damaged = Folder("damaged");
  const Bytes cut = LeBytes().Int(0).Int(500).Int(500).Int(72).Int(3).Get();
  testsupport::WriteText(damaged + "/" + page::kPageStreamName, std::string(cut.begin(), cut.end()));
  const std::string badStream = dir_.File("damaged.Z4G");
  ASSERT_EQ(imaging::ArcPackFolderToFile(damaged, badStream, page::kPageCallerBytes, false), 0);
  EXPECT_EQ(page::LoadSDoc(doc, badStream), page::kResultDamaged);
  EXPECT_EQ(page::ErrorMessageOfCode(page::kResultDamaged), "ファイルが壊れているため今の処理を実行できませんでした。 -14");
  EXPECT_EQ(page::LoadSDoc(doc, dir_.File("missing.Z4G")), page::kResultCannotOpen);
  EXPECT_TRUE(TempFolderIsEmpty());
}

// ---- hostile and odd packages ------------------------------------------------------

// A page with a picture (object 1000) and the folder the writer makes of it.
std::unique_ptr<SDoc> PictureAndRectanglePage() {
  auto doc = std::make_unique<SDoc>();
  auto picture = std::make_unique<page::SFigPic>();
  auto image = std::make_unique<platform::Image>(4, 4, 32, true);
  image->Fill(platform::Bgra{10, 20, 30, 255});
  EXPECT_EQ(picture->SetPicture(std::move(image), false, true), 0);
  page::PropSCVal box;
  box.x = box.y = 50, box.width = box.height = 40;
  pagetest::AddShape(*doc, std::move(picture), -1, box);
  pagetest::AddShape(*doc, std::make_unique<page::SFigRect>(), -1, box);
  return doc;
}

TEST_F(PageFileTest, OnlyTheMembersThePageNamesAreExtractedAndEachIsBounded) {
  const auto doc = PictureAndRectanglePage();
  const std::string folder = Folder("page");
  page::WritePageFolder(*doc, folder);
  ASSERT_TRUE(std::filesystem::exists(folder + "/image1000_.PNG"));
  // A member nobody names, far past the bound: never written out.
  testsupport::WriteText(folder + "/unused.bin", std::string(3 << 20, '\0'));
  const std::string path = dir_.File("page.Z4G");
  ASSERT_EQ(imaging::ArcPackFolderToFile(folder, path, page::kPageCallerBytes, false), 0);
  const std::int64_t old = imaging::ArcSetMemberOutputLimit(1 << 20);
  SDoc back;
  EXPECT_EQ(page::LoadSDoc(back, path), 0);
  EXPECT_EQ(pagetest::DumpPage(back), pagetest::DumpPage(*doc));

  // The picture member itself expands past the bound: damaged, and nothing
  // is left in the temporary folder.
  testsupport::WriteText(folder + "/image1000_.PNG", std::string(2 << 20, '\0'));
  ASSERT_EQ(imaging::ArcPackFolderToFile(folder, path, page::kPageCallerBytes, false), 0);
  EXPECT_LT(std::filesystem::file_size(path), 100000u);
  SDoc bomb;
  EXPECT_EQ(page::LoadSDoc(bomb, path), page::kResultDamaged);
  EXPECT_EQ(bomb.GetObjectCount(), 0);
  imaging::ArcSetMemberOutputLimit(old);
  EXPECT_TRUE(TempFolderIsEmpty());
}

TEST_F(PageFileTest, APackageWhoseEntriesOverlapIsRefused) {
  const std::string path = dir_.File("page.Z4G");
  ASSERT_EQ(page::SaveSDoc(*PictureAndRectanglePage(), path), 0);
  Bytes bytes = testsupport::TempDir::ReadAll(path);
  const Package package = ReadPackage(bytes);
  ASSERT_GE(package.order.size(), 4u);
  // The last entry's data offset moved back onto the one before it.
  const std::size_t last = 16 + 48 * (package.order.size() - 1);
  std::memcpy(&bytes[last + 40], &bytes[last - 48 + 40], 4);
  SDoc doc;
  EXPECT_EQ(page::LoadSDoc(doc, dir_.Write("overlap.Z4G", bytes)), page::kResultCannotOpen);
  EXPECT_TRUE(TempFolderIsEmpty());
}

TEST_F(PageFileTest, ABrokenThumbnailLeavesAnIntactPageOpening) {
  const auto doc = PictureAndRectanglePage();
  const struct {
    const char* what;
    const char* thumb1;
    const char* thumb3;
  } cases[] = {
      {"a picture that is no JPEG", "title", "not a jpeg"},
      {"a title that is not Shift-JIS", "ti\x80tle", nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string folder = Folder(c.what);
    page::WritePageFolder(*doc, folder);
    testsupport::WriteText(folder + "/thumb1.txt", c.thumb1);
    testsupport::WriteText(folder + "/thumb2.txt", "description");
    if (c.thumb3) testsupport::WriteText(folder + "/thumb3.jpg", c.thumb3);
    const std::string path = dir_.File("thumb.Z4G");
    ASSERT_EQ(imaging::ArcPackFolderToFile(folder, path, page::kPageCallerBytes, false), 0);
    SDoc back;
    ASSERT_EQ(page::LoadSDoc(back, path), 0);
    EXPECT_EQ(pagetest::DumpPage(back), pagetest::DumpPage(*doc));
    EXPECT_EQ(back.thumbText2, "description");
    EXPECT_TRUE(back.thumbImage.IsNull());
    // The next save writes thumbnails that read back.
    back.thumbText1 = "new title";
    ASSERT_EQ(page::SaveSDoc(back, path), 0);
    SDoc again;
    ASSERT_EQ(page::LoadSDoc(again, path), 0);
    EXPECT_EQ(again.thumbText1, "new title");
  }
  EXPECT_TRUE(TempFolderIsEmpty());
}

TEST_F(PageFileTest, MemberNamesAreComparedIgnoringCase) {
  const auto doc = PictureAndRectanglePage();
  const std::string folder = Folder("cases");
  page::WritePageFolder(*doc, folder);
  std::filesystem::rename(folder + "/sdoc.Z4G", folder + "/SDOC.z4g");
  std::filesystem::rename(folder + "/image1000_.PNG", folder + "/Image1000_.png");
  const std::string path = dir_.File("cases.Z4G");
  ASSERT_EQ(imaging::ArcPackFolderToFile(folder, path, page::kPageCallerBytes, false), 0);
  SDoc back;
  ASSERT_EQ(page::LoadSDoc(back, path), 0);
  EXPECT_EQ(pagetest::DumpPage(back), pagetest::DumpPage(*doc));
  ASSERT_NE(back.GetObject(0)->fig->GetPicture(), nullptr);
  // Saved again under the names the program writes.
  ASSERT_EQ(page::SaveSDoc(back, path), 0);
  const Package package = ReadPackage(testsupport::TempDir::ReadAll(path));
  EXPECT_EQ(package.members.count("sdoc.Z4G"), 1u);
  EXPECT_EQ(package.members.count("image1000_.PNG"), 1u);
  EXPECT_TRUE(TempFolderIsEmpty());
}

TEST_F(PageFileTest, BadPictureAndMissingSceneMembersGiveTheCodeOfAShapeThatCannotBeMade) {
  const auto doc = PictureAndRectanglePage();
  const std::string folder = Folder("bad");
  page::WritePageFolder(*doc, folder);
  testsupport::WriteText(folder + "/image1000_.PNG", "not a picture");
  const std::string path = dir_.File("bad.Z4G");
  ASSERT_EQ(imaging::ArcPackFolderToFile(folder, path, page::kPageCallerBytes, false), 0);
  SDoc back;
  EXPECT_EQ(page::LoadSDoc(back, path), page::kResultNoMemory);

  LeBytes figure;
  pagetest::ObjectHead(figure, 1000, page::kFig3D).Int(0).Int(0);
  const Bytes stream = pagetest::OnePage(figure.Get(), 1);
  const std::string noScene = Folder("noscene");
  testsupport::WriteText(noScene + "/" + page::kPageStreamName, std::string(stream.begin(), stream.end()));
  ASSERT_EQ(imaging::ArcPackFolderToFile(noScene, path, page::kPageCallerBytes, false), 0);
  EXPECT_EQ(page::LoadSDoc(back, path), page::kResultNoMemory);
  EXPECT_EQ(back.GetObjectCount(), 0);
  EXPECT_TRUE(TempFolderIsEmpty());
}

TEST_F(PageFileTest, AFileSizeLimitFailsASaveAsAFullDiskDoes) {
  const std::string path = dir_.File("page.Z4G");
  // In a child: the signal's disposition and the limit are the process's.
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    platform::IgnoreFileSizeSignal();
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = 2000;
    ::setrlimit(RLIMIT_FSIZE, &limit);
    ::_exit(page::SaveSDoc(*PageWithThumbnail(), path) == page::kResultDiskFull ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the save did not fail with the disk-full code";
  EXPECT_FALSE(std::filesystem::exists(path));
}

}  // namespace
