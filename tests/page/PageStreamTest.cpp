#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "PageFixtures.h"
#include "PageTestSupport.h"
#include "imaging/ImageFiles.h"
#include "page/PageFile.h"
#include "page/PnFile.h"
#include "page/ResultCodes.h"
#include "page/SDoc.h"
#include "page/SFig2D.h"
#include "page/SFigLine.h"
#include "page/SFigOval.h"
#include "page/SFigPic.h"
#include "page/SFigPoly.h"
#include "page/SFigRect.h"
#include "page/SFigText.h"
#include "platform/Dc.h"
#include "platform/ImageCodec.h"
#include "support/TempDir.h"

namespace {

using page::PnFile;
using page::PnFileError;
using page::SDoc;
using pagetest::Bytes;
using pagetest::DefaultGrid;
using pagetest::LeBytes;
using pagetest::ObjectHead;
using pagetest::OnePage;
using pagetest::PageHeader;

class PageStreamTest : public ::testing::Test {
 protected:
  Bytes WriteStream(const SDoc& doc) {
    page::WritePageFolder(doc, dir_.Path());
    return testsupport::TempDir::ReadAll(dir_.File(page::kPageStreamName));
  }
  // Reads a stream into the page; the result code of a failure, or 0.
  int ReadStream(SDoc& doc, const Bytes& bytes) {
    dir_.Write(page::kPageStreamName, bytes);
    try {
      page::ReadPageFolder(doc, dir_.Path());
    } catch (const PnFileError& error) {
      lastError_ = error.what();
      return error.Code();
    }
    return 0;
  }

  testsupport::TempDir dir_;
  std::string lastError_;
};

// ---- golden bytes -------------------------------------------------------------------

TEST_F(PageStreamTest, EmptyPageIsFiftyNineBytes) {
  SDoc doc;
  LeBytes expected = PageHeader(0);
  DefaultGrid(expected).Int(0);
  ASSERT_EQ(expected.Size(), 59u);
  EXPECT_EQ(WriteStream(doc), expected.Get());
}

TEST_F(PageStreamTest, OneObjectOfEachShapeType) {
  struct Case {
    const char* name;
    std::unique_ptr<page::SFig> fig;
    Bytes record;  // what follows the type id
  };
  std::vector<Case> cases;
  cases.push_back({"base", std::make_unique<page::SFig>(), LeBytes().Int(0).Get()});
  cases.push_back({"2D", std::make_unique<page::SFig2D>(), LeBytes().Int(-1).Int(0).Get()});
  cases.push_back({"rectangle", std::make_unique<page::SFigRect>(), LeBytes().Int(-1).Int(0).Get()});
  cases.push_back({"oval", std::make_unique<page::SFigOval>(), LeBytes().Int(-1).Int(0).Get()});
  cases.push_back({"line", std::make_unique<page::SFigLine>(), LeBytes().Int(-1).Int(0).Get()});
  auto poly = std::make_unique<page::SFigPoly>();
  const std::vector<page::SPoint> drawn = {{0, 0}, {10, 0}, {0, 20}};
  poly->SetNormalizedPoints(drawn);
  cases.push_back({"polygon", std::move(poly),
                   LeBytes().Int(-1).Int(0).Int(3).Double(-0.5).Double(-0.5).Double(0.5).Double(-0.5)
                       .Double(-0.5).Double(0.5).Int(0).Get()});
  auto text = std::make_unique<page::SFigText>();
  page::STextSettings settings;
  settings.text = "あb", settings.face = "MS Mincho", settings.size = 14, settings.letterSpacing = 2;
  settings.lineSpacing = 3, settings.bold = true, settings.underline = true, settings.alignment = 2;
  settings.vertical = true;
  text->ApplySettings(settings);
  cases.push_back({"text", std::move(text),
                   LeBytes().Int(-1).Text("\x82\xA0" "b").Text("@MS Mincho").Int(140).Int(2).Int(3).Int(1).Int(0)
                       .Int(1).Int(0).Int(2).Int(1).Int(0).Get()});
  // The picture itself goes to a member file beside the stream.
  auto picture = std::make_unique<page::SFigPic>();
  auto image = std::make_unique<platform::Image>(2, 1, 32, true);
  image->SetBgra(0, 0, platform::Bgra{10, 20, 30, 255});
  image->SetBgra(1, 0, platform::Bgra{0, 0, 0, 0});
  ASSERT_EQ(picture->SetPicture(std::move(image), false, true), 0);
  cases.push_back({"picture", std::move(picture), LeBytes().Int(-1).Get()});
  for (Case& c : cases) {
    SDoc doc;
    const int type = c.fig->GetTypeId();
    auto object = std::make_unique<page::SObj>();
    object->SetFig(std::move(c.fig), true);
    object->label = "コマ枠";
    object->placement.x = 12.5;
    doc.AddObject(std::move(object), -1, -1);
    LeBytes record;
    ObjectHead(record, 1000, type, "\x83\x52\x83\x7D\x98\x67");
    // The placement's x sits in the head's placement record: patch it in.
    LeBytes patched;
    {
      Bytes head = record.Get();
      LeBytes x;
      x.Double(12.5);
      const std::size_t at = head.size() - 4 - 4 - 52;  // before the type, the group tail and the placement
      std::copy(x.Get().begin(), x.Get().end(), head.begin() + static_cast<std::ptrdiff_t>(at));
      patched.Append(head);
    }
    patched.Append(c.record).Int(0);
    EXPECT_EQ(WriteStream(doc), OnePage(patched.Get(), 1)) << c.name;
    EXPECT_EQ(std::filesystem::exists(dir_.File("image1000_.PNG")), std::string(c.name) == "picture") << c.name;
  }
  platform::Image member;
  ASSERT_TRUE(platform::LoadImageFile(dir_.File("image1000_.PNG"), member));
  ASSERT_EQ(member.Width(), 2);
  EXPECT_EQ(member.GetBgra(0, 0), (platform::Bgra{10, 20, 30, 255}));
  EXPECT_EQ(member.GetBgra(1, 0).a, 0);
}

// ---- reading ---------------------------------------------------------------------------

TEST_F(PageStreamTest, StoredIdsAreKeptAndNextIdEndsAboveTheLargest) {
  LeBytes objects;
  ObjectHead(objects, 1500, 4).Int(-1).Int(0).Int(0);
  ObjectHead(objects, 7, 4).Int(-1).Int(0).Int(0);
  SDoc doc;
  ASSERT_EQ(ReadStream(doc, OnePage(objects.Get(), 2)), 0) << lastError_;
  EXPECT_EQ(doc.GetObject(0)->id, 1500);
  EXPECT_EQ(doc.GetObject(1)->id, 7);
  EXPECT_EQ(doc.nextId, 1501);
  EXPECT_EQ(doc.AddObject(std::make_unique<page::SObj>(), -1, -1), 1501);
}

TEST_F(PageStreamTest, UnknownShapeTypesBecomeRectanglesAndTheirRecordIsSkipped) {
  for (const int type : {2, 10, -3}) {
    LeBytes objects;
    ObjectHead(objects, 1000, type).Int(12).Int(1).Int(2).Int(3).Int(0);  // an unknown record of 12 bytes
    ObjectHead(objects, 1001, 5).Int(-1).Int(0).Int(0);
    SDoc doc;
    ASSERT_EQ(ReadStream(doc, OnePage(objects.Get(), 2)), 0) << lastError_;
    EXPECT_EQ(doc.GetObject(0)->fig->GetTypeId(), page::kFigRect) << type;
    EXPECT_EQ(doc.GetObject(1)->fig->GetTypeId(), page::kFigOval) << type;
  }
}

TEST_F(PageStreamTest, PageWithEveryShapeComesBackObjectByObject) {
  const auto original = pagetest::MakeEveryShapePage();
  const Bytes written = WriteStream(*original);
  SDoc back;
  ASSERT_EQ(ReadStream(back, written), 0) << lastError_;
  ASSERT_EQ(back.GetObjectCount(), original->GetObjectCount());
  for (int i = 0; i < back.GetObjectCount(); ++i)
    EXPECT_EQ(pagetest::DumpObject(*back.GetObject(i)), pagetest::DumpObject(*original->GetObject(i))) << i;
  EXPECT_EQ(pagetest::DumpPage(back), pagetest::DumpPage(*original));
  EXPECT_TRUE(back.FindObjectById(1004)->IsFrame());
  EXPECT_TRUE(back.FindObjectById(1006)->flags & page::kObjFrameNoClip);
  EXPECT_EQ(WriteStream(back), written) << "a second save writes the same bytes";
}

// ---- damage ---------------------------------------------------------------------------

TEST_F(PageStreamTest, EveryTruncationFailsAsDamageAndLeavesThePageAlone) {
  const Bytes full = WriteStream(*pagetest::MakeEveryShapePage());
  SDoc doc;
  doc.AddObject(std::make_unique<page::SObj>(), -1, 42);
  doc.GetObject(0)->SetFig(std::make_unique<page::SFigRect>(), false);
  const std::string before = pagetest::DumpPage(doc);
  int failures = 0;
  for (std::size_t length = 0; length < full.size(); ++length) {
    const int code = ReadStream(doc, Bytes(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(length)));
    failures += code == page::kResultDamaged;
    ASSERT_EQ(code, page::kResultDamaged) << "cut at " << length;
  }
  EXPECT_EQ(failures, static_cast<int>(full.size()));
  EXPECT_EQ(pagetest::DumpPage(doc), before);
  EXPECT_EQ(page::ErrorMessageOfCode(page::kResultDamaged),
            "ファイルが壊れているため今の処理を実行できませんでした。 -14");
}

TEST_F(PageStreamTest, DamagedRecordsFailWithTheDamagedCode) {
  const auto rect = [](LeBytes& b, int id, int parentId = -1, int flags = 0) {
    ObjectHead(b, id, 4, "", parentId, flags).Int(-1).Int(0).Int(0);
  };
  struct Case {
    const char* what;
    Bytes page;
  };
  std::vector<Case> cases;
  cases.push_back({"negative object count", OnePage({}, -1)});
  cases.push_back({"object count far beyond the file", OnePage({}, 0x7FFFFFFF)});
  {
    LeBytes b;
    rect(b, 1000);
    rect(b, 1000);
    cases.push_back({"the same id twice", OnePage(b.Get(), 2)});
  }
  {
    LeBytes b;
    rect(b, -5);
    cases.push_back({"a negative id", OnePage(b.Get(), 1)});
  }
  {
    LeBytes b;
    rect(b, 1001, 1000);
    rect(b, 1000, -1, 0x4);
    cases.push_back({"a member before its container", OnePage(b.Get(), 2)});
  }
  {
    LeBytes b;
    rect(b, 1000);
    rect(b, 1001, 1000);
    cases.push_back({"a member of an object that is no container", OnePage(b.Get(), 2)});
  }
  {
    LeBytes b;
    rect(b, 1000, -1, 0x4);
    rect(b, 1001);
    rect(b, 1002, 1000);
    cases.push_back({"a member after its container's run ended", OnePage(b.Get(), 3)});
  }
  {
    LeBytes b;
    b.Int(0).Int(0).Int(1000).Int(-4);
    cases.push_back({"a negative label length", OnePage(b.Get(), 1)});
  }
  {
    LeBytes b;
    ObjectHead(b, 1000, 9).Int(-1).Int(0).Int(0x10000000);
    cases.push_back({"a polygon with more points than the file holds", OnePage(b.Get(), 1)});
  }
  {
    LeBytes b;
    ObjectHead(b, 1000, 9).Int(-1).Int(0).Int(-2);
    cases.push_back({"a negative point count", OnePage(b.Get(), 1)});
  }
  {
    LeBytes b;
    ObjectHead(b, 1000, 9).Int(-1).Int(0).Int(1).Double(std::nan("")).Double(0).Int(0);
    cases.push_back({"a point that is not a number", OnePage(b.Get(), 1)});
  }
  {
    Bytes page = OnePage({}, 0);
    page.push_back(0);  // fine: trailing bytes after the final block are ignored
    SDoc doc;
    EXPECT_EQ(ReadStream(doc, page), 0) << lastError_;
  }
  {
    LeBytes b;
    rect(b, 1000);
    Bytes bytes = OnePage(b.Get(), 1);
    // The placement's width (page header, object head, three value records).
    const std::size_t at = 20 + 4 * 3 + 4 + 4 * 2 + 85 + 48 + 24 + 16;
    LeBytes inf;
    inf.Double(std::numeric_limits<double>::infinity());
    std::copy(inf.Get().begin(), inf.Get().end(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
    cases.push_back({"an infinite width", bytes});
  }
  for (const Case& c : cases) {
    SDoc doc;
    EXPECT_EQ(ReadStream(doc, c.page), page::kResultDamaged) << c.what;
    EXPECT_EQ(doc.GetObjectCount(), 0) << c.what;
  }
}

// Reads bytes from memory as a page stream; 0 or the failure's code.
int ReadBytes(SDoc& doc, const Bytes& bytes) {
  PnFile in(std::string(bytes.begin(), bytes.end()), "/nonexistent/sdoc.Z4G");
  try {
    doc.Read(in);
  } catch (const PnFileError& error) {
    return error.Code();
  }
  return 0;
}

// What a user does with an opened page: draw it (at a zoom, so sizes and
// effects are scaled), point at it, select it and see its handles.
void UseObject(page::SObj& object, page::SDrawBuffers& buffers, platform::Image& target) {
  page::PageTransform transform;
  transform.scale = transform.scaleX = transform.scaleY = 1.5;
  // Pictures of absurd sizes are only slow, not wrong: leave them out.
  if (std::fabs(object.placement.width * object.placement.height) < 1e4)
    object.Draw(&target, transform, nullptr, false, buffers);
  object.HitTest({40, 40}, 1.5, nullptr, 0);
  object.SetSelected(true);
  object.HitTest({object.placement.x, object.placement.y}, 1.5, nullptr, 13);
  platform::Dc dc(target);
  object.DrawHandles(dc, transform, 0, 13);
}

TEST_F(PageStreamTest, CorruptedBytesFailAsDamageOrOpenIntoAUsablePage) {
  const auto original = pagetest::MakeEveryShapePage();
  auto text = std::make_unique<page::SFigText>();
  text->SetText("吹き出し\nab");
  page::PropSCVal box;
  box.x = 30, box.y = 30, box.width = 60, box.height = 40;
  pagetest::AddShape(*original, std::move(text), -1, box);
  const Bytes good = WriteStream(*original);
  std::vector<std::string> dumps;
  for (const auto& object : original->Objects()) dumps.push_back(pagetest::DumpObject(*object));
  page::SDrawBuffers buffers;
  platform::Image target(64, 64, 32);
  int opened = 0;
  for (std::size_t at = 0; at < good.size(); ++at) {
    // One change a byte, by turns: the sign bit, all bits, all but the
    // sign bit, none. On the last byte of an int or a double these make
    // huge, negative and not-a-number values.
    Bytes bytes = good;
    const unsigned char changes[] = {static_cast<unsigned char>(bytes[at] ^ 0x80), 0xFF, 0x7F, 0x00};
    bytes[at] = changes[at % 4];
    SDoc doc;
    const int code = ReadBytes(doc, bytes);
    if (code != 0) {
      EXPECT_EQ(code, page::kResultDamaged) << "byte " << at;
      EXPECT_EQ(doc.GetObjectCount(), 0) << "byte " << at;
      continue;
    }
    ++opened;
    // What opens saves and opens again the same.
    SDoc again;
    ASSERT_EQ(ReadBytes(again, WriteStream(doc)), 0) << "byte " << at;
    EXPECT_EQ(pagetest::DumpPage(again), pagetest::DumpPage(doc)) << "byte " << at;
    for (int i = 0; i < doc.GetObjectCount(); ++i) {
      page::SObj& object = *doc.GetObject(i);
      if (i < static_cast<int>(dumps.size()) && pagetest::DumpObject(object) == dumps[static_cast<std::size_t>(i)])
        continue;
      UseObject(object, buffers, target);
    }
  }
  EXPECT_GT(opened, 0);
}

TEST_F(PageStreamTest, OutOfRangePageSettingsAreRaisedToUsableValues) {
  LeBytes b;
  b.Int(0).Int(0).Int(-20).Int(0).Int(0);
  b.Int(0).Int(0).Int(0).Int(0).Byte(0).Byte(0).Byte(0).Int(0).Int(0);
  SDoc doc;
  ASSERT_EQ(ReadStream(doc, b.Get()), 0) << lastError_;
  EXPECT_EQ(doc.GetPageWidth(), 1);
  EXPECT_EQ(doc.GetPageHeight(), 1);
  EXPECT_EQ(doc.resolution, 1);
  EXPECT_EQ(doc.grid.spacing, 1);
  EXPECT_EQ(doc.grid.divisions, 1);
}

// ---- pictures, text and shapes this build keeps without showing ---------------------------

TEST_F(PageStreamTest, PicturesTextAndFiguresSaveByteForByteWithTheirMembers) {
  // Member files as another program wrote them: a PNG with alpha, a JPEG.
  platform::Image png(3, 2, 32, true);
  png.Fill(platform::Bgra{0, 0, 200, 200});
  png.SetBgra(0, 0, platform::Bgra{0, 0, 0, 0});
  ASSERT_TRUE(platform::SaveImageFile(png, dir_.File("image1000_.PNG"), "png"));
  platform::Image jpeg(4, 4, 24);
  jpeg.Fill(platform::Bgra{10, 200, 30, 0});
  ASSERT_EQ(imaging::SaveJpegWithResolution(jpeg, 96, dir_.File("image1001_.JPG"), 80), 0);
  const std::string pngBytes = testsupport::ReadText(dir_.File("image1000_.PNG"));
  const std::string jpegBytes = testsupport::ReadText(dir_.File("image1001_.JPG"));

  LeBytes objects;
  ObjectHead(objects, 1000, 1).Int(-1).Int(0);  // picture with a PNG member
  ObjectHead(objects, 1001, 1).Int(-1).Int(0);  // picture with a JPEG member
  ObjectHead(objects, 1002, 1).Int(-1).Int(0);  // picture without image: no member
  ObjectHead(objects, 1003, 7).Int(5).Byte(1).Byte(2).Byte(3).Byte(4).Byte(5).Int(0);  // 3D figure
  // Vertical text whose first character is stored with the second of the
  // code page's two codes for it; the text is stored unchanged.
  ObjectHead(objects, 1004, 8)
      .Int(-1).Text("\x87\x90\x95\xB6\x8E\x9A").Text("@MS Gothic").Int(120).Int(1).Int(2).Int(1).Int(0).Int(0)
      .Int(1).Int(2).Int(1).Int(0).Int(0);
  const Bytes stream = OnePage(objects.Get(), 5);
  dir_.Write("data1003_.Z4T", "scene bytes");

  SDoc doc;
  ASSERT_EQ(ReadStream(doc, stream), 0) << lastError_;
  const std::vector<int> types = {1, 1, 1, 7, 8};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(doc.GetObject(i)->fig->GetTypeId(), types[i]);
  const platform::Image* first = doc.GetObject(0)->fig->GetPicture();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->Width(), 3);
  EXPECT_EQ(first->GetBgra(1, 1), (platform::Bgra{0, 0, 200, 200})) << "stored values are taken as they are";
  ASSERT_NE(doc.GetObject(1)->fig->GetPicture(), nullptr);
  EXPECT_EQ(doc.GetObject(1)->fig->GetPicture()->GetBgra(2, 2).a, 255);
  EXPECT_EQ(doc.GetObject(2)->fig->GetPicture(), nullptr);
  const auto& text = dynamic_cast<const page::SFigText&>(*doc.GetObject(4)->fig);
  EXPECT_EQ(text.GetText(), "≒文字");
  EXPECT_TRUE(text.IsVertical());
  // The scene member holds no scene: the figure is kept as read and the
  // page says its file is damaged.
  EXPECT_EQ(page::KeptShapesNotice(doc), page::ErrorMessageOfCode(page::kResultDamagedData));

  testsupport::TempDir out;
  page::WritePageFolder(doc, out.Path());
  EXPECT_EQ(testsupport::TempDir::ReadAll(out.File(page::kPageStreamName)), stream);
  EXPECT_EQ(testsupport::ReadText(out.File("image1000_.PNG")), pngBytes);
  EXPECT_EQ(testsupport::ReadText(out.File("image1001_.JPG")), jpegBytes);
  EXPECT_FALSE(std::filesystem::exists(out.File("image1002_.PNG")));
  EXPECT_FALSE(std::filesystem::exists(out.File("image1002_.JPG")));
  EXPECT_EQ(testsupport::ReadText(out.File("data1003_.Z4T")), "scene bytes");
}

TEST_F(PageStreamTest, AKeptShapeFindsItsMemberInAnyCaseAndMovesItWithANewId) {
  // Packages made on systems that ignore case may spell the name otherwise.
  for (const char* stored : {"data1000_.Z4T", "DATA1000_.z4t"}) {
    SCOPED_TRACE(stored);
    testsupport::TempDir in;
    LeBytes objects;
    ObjectHead(objects, 1000, 7).Int(0).Int(0);
    const Bytes stream = OnePage(objects.Get(), 1);
    in.Write(page::kPageStreamName, stream);
    in.Write(stored, "scene");
    SDoc doc;
    ASSERT_NO_THROW(page::ReadPageFolder(doc, in.Path()));
    auto copy = doc.GetObject(0)->Clone();
    ASSERT_NE(copy, nullptr);
    doc.AddObject(std::move(copy), -1, -2);  // a new id: 1001
    testsupport::TempDir out;
    page::WritePageFolder(doc, out.Path());
    EXPECT_EQ(testsupport::ReadText(out.File("data1000_.Z4T")), "scene");
    EXPECT_EQ(testsupport::ReadText(out.File("data1001_.Z4T")), "scene");
  }
}

TEST_F(PageStreamTest, AFigureWithoutItsSceneCannotBeMade) {
  LeBytes objects;
  ObjectHead(objects, 1000, 7).Int(0).Int(0);
  SDoc doc;
  EXPECT_EQ(ReadStream(doc, OnePage(objects.Get(), 1)), page::kResultNoMemory);
  EXPECT_NE(lastError_.find("scene member of object 1000 is missing"), std::string::npos) << lastError_;
  EXPECT_EQ(doc.GetObjectCount(), 0);
}

TEST_F(PageStreamTest, TextThatIsNotShiftJisOpensAndIsWrittenBackAsItWas) {
  // A label, a text and a face whose bytes a damaged or foreign file holds:
  // an unused byte, a byte no character begins with, a lone lead byte.
  LeBytes objects;
  ObjectHead(objects, 1000, 8, "a\x80").Int(-1).Text("\x82\xA0\xA0z").Text("Face\x82").Int(140).Int(0).Int(0)
      .Int(0).Int(0).Int(0).Int(0).Int(0).Int(0).Int(0).Int(0);
  const Bytes stored = OnePage(objects.Get(), 1);
  SDoc doc;
  ASSERT_EQ(ReadStream(doc, stored), 0) << lastError_;
  page::SObj& object = *doc.GetObject(0);
  EXPECT_EQ(object.label, "a\xEF\xBF\xBD");
  auto& text = dynamic_cast<page::SFigText&>(*object.fig);
  EXPECT_EQ(text.GetSettings().text, "あ\xEF\xBF\xBDz");
  EXPECT_EQ(text.GetSettings().face, "Face\xEF\xBF\xBD");
  EXPECT_EQ(WriteStream(doc), stored);
  // A copy keeps the bytes too.
  SDoc copy;
  copy.AddObject(object.Clone(), -1, -2);
  copy.GetObject(0)->id = 1000;
  EXPECT_EQ(WriteStream(copy), stored);
  // Edited text is stored as typed; the label and face keep their bytes.
  page::STextSettings settings = text.GetSettings();
  settings.text = "new";
  text.ApplySettings(settings);
  LeBytes edited;
  ObjectHead(edited, 1000, 8, "a\x80").Int(-1).Text("new").Text("Face\x82").Int(140).Int(0).Int(0)
      .Int(0).Int(0).Int(0).Int(0).Int(0).Int(0).Int(0).Int(0);
  EXPECT_EQ(WriteStream(doc), OnePage(edited.Get(), 1));
}

TEST_F(PageStreamTest, HugeBlurAndEffectValuesKeepTheMarginsInRange) {
  // Whole-page blur, effect blur and effect offsets at the ends of the int
  // range: their sum and magnitude do not fit an int.
  constexpr std::int32_t kHighest = std::numeric_limits<std::int32_t>::max();
  for (const std::int32_t extreme : {kHighest, std::numeric_limits<std::int32_t>::min()}) {
    LeBytes objects;
    objects.Int(0).Int(0).Int(1000).Text("").Int(-1).Int(0);
    objects.Int(0).Int(0).Int(1).Int(0).Int(1).Int(0).Int(0).Int(0xFFFFFF).Int(100).Int(1).Int(0xC8C8C8)
        .Int(extreme).Int(extreme).Int(kHighest).Int(0).Int(kHighest).Byte(0).Int(0).Int(0).Int(2).Byte(0).Byte(0)
        .Byte(0).Int(1).Byte(1);
    objects.Int(0).Int(0).Int(81).Int(32).Int(-1).Int(50).Double(0).Double(0).Double(0);
    objects.Int(0).Int(0).Int(35).Int(35).Int(2).Int(0);
    objects.Double(0).Double(0).Double(100).Double(100).Double(0).Double(0).Int(0);
    objects.Int(0).Int(4).Int(-1).Int(0).Int(0);
    SDoc doc;
    ASSERT_EQ(ReadStream(doc, OnePage(objects.Get(), 1)), 0) << lastError_;
    const page::SObj& object = *doc.GetObject(0);
    const double margin = object.fig->GetDrawMargin(object.props2D);
    EXPECT_TRUE(std::isfinite(margin));
    EXPECT_GE(margin, 4.0 * kHighest);
  }
}

TEST_F(PageStreamTest, PagesOfTwoDShapesOnlyHaveNoNotice) {
  EXPECT_EQ(page::KeptShapesNotice(*pagetest::MakeEveryShapePage()), "");
}

}  // namespace
