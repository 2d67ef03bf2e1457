// Insertion of picture and text files as the user drops or opens them, and
// conversions to pictures run as undoable commands.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "EditTestSupport.h"
#include "imaging/gif/GifWriter.h"
#include "page/ResultCodes.h"
#include "page/SComInp.h"
#include "page/SComSetProp.h"
#include "page/SComs.h"
#include "page/SFigPic.h"
#include "page/SFigRect.h"
#include "page/SFigText.h"
#include "page/SView.h"
#include "platform/Cp932.h"
#include "platform/ImageCodec.h"
#include "support/TempDir.h"

namespace {

using platform::Bgra;
using platform::Image;

// A 32-bit bitmap file written by hand, as paint programs write them: the
// fourth byte of every pixel is 0 and means nothing.
void WriteBmp32(const std::string& path, int width, int height, Bgra pixel) {
  std::vector<unsigned char> b;
  auto le = [&b](std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) b.push_back(static_cast<unsigned char>(v >> (8 * i)));
  };
  const std::uint32_t imageBytes = static_cast<std::uint32_t>(width * height * 4);
  b.push_back('B'), b.push_back('M');
  le(14 + 40 + imageBytes, 4), le(0, 4), le(14 + 40, 4);
  le(40, 4), le(static_cast<std::uint32_t>(width), 4), le(static_cast<std::uint32_t>(height), 4), le(1, 2), le(32, 2);
  le(0, 4), le(imageBytes, 4), le(2835, 4), le(2835, 4), le(0, 4), le(0, 4);
  for (int i = 0; i < width * height; ++i) b.insert(b.end(), {pixel.b, pixel.g, pixel.r, 0});
  testsupport::WriteText(path, std::string(b.begin(), b.end()));
}

class InsertFileKinds : public ::testing::Test {
 protected:
  // Inserts the file through the command the file's kind chooses, at
  // (200, 100); the new object, or null.
  const page::SObj* Insert(const std::string& path, int& rc) {
    std::unique_ptr<page::SCom> command;
    rc = page::MakeInsertFileCommand(doc_, path, {200, 100}, -1, command);
    if (rc < 0) return nullptr;
    rc = doc_.Execute(std::move(command));
    if (rc < 0) return nullptr;
    doc_.CloseCommandGroup();
    const std::vector<int> selected = pagetest::SelectedIds(doc_);
    return selected.size() == 1 ? doc_.FindObjectById(selected[0]) : nullptr;
  }

  testsupport::TempDir dir_;
  page::SDoc doc_;
};

TEST_F(InsertFileKinds, PicturesOfEveryFormatLandSelectedAtTheDropPointAtTheirSize) {
  Image source(6, 4, 24);
  source.Fill(Bgra{0, 0, 200, 255});
  struct Case {
    const char* name;
    bool storedAsJpeg;
  };
  const Case cases[] = {{"a.png", false}, {"b.jpg", true}, {"c.JPG", true}, {"d.JPEG", false}, {"e.gif", false}};
  for (const Case& c : cases) {
    const std::string path = dir_.File(c.name);
    // The system codec writes no GIF: the program's own writer does.
    if (std::string(c.name).ends_with(".gif"))
      ASSERT_EQ(imaging::SaveImageAsGif(source, path), 0);
    else
      ASSERT_TRUE(platform::SaveImageFile(source, path)) << c.name;
    int rc = 0;
    const page::SObj* object = Insert(path, rc);
    ASSERT_EQ(rc, 0) << c.name;
    ASSERT_NE(object, nullptr) << c.name;
    const auto* picture = dynamic_cast<const page::SFigPic*>(object->fig.get());
    ASSERT_NE(picture, nullptr) << c.name;
    EXPECT_EQ(picture->IsJpeg(), c.storedAsJpeg) << c.name;
    EXPECT_EQ(object->placement.x, 200) << c.name;
    EXPECT_EQ(object->placement.y, 100) << c.name;
    EXPECT_EQ(object->placement.width, 6) << c.name;
    EXPECT_EQ(object->placement.height, 4) << c.name;
  }
  EXPECT_EQ(doc_.GetObjectCount(), 5);
}

TEST_F(InsertFileKinds, A32BitBitmapIsDrawnOpaque) {
  const std::string path = dir_.File("paint.bmp");
  WriteBmp32(path, 3, 2, Bgra{10, 20, 30, 0});
  int rc = 0;
  const page::SObj* object = Insert(path, rc);
  ASSERT_EQ(rc, 0);
  ASSERT_NE(object, nullptr);
  const Image* image = object->fig->GetPicture();
  ASSERT_NE(image, nullptr);
  for (int y = 0; y < image->Height(); ++y)
    for (int x = 0; x < image->Width(); ++x) EXPECT_EQ(image->GetBgra(x, y), (Bgra{10, 20, 30, 255})) << x << "," << y;
}

// Text files on this platform are mostly UTF-8: valid UTF-8 reads as such,
// with or without a byte-order mark; anything else as Shift-JIS.
TEST_F(InsertFileKinds, AUtf8TextFileReadsAsUtf8WithOrWithoutAByteOrderMark) {
  const std::string text = "一行目です。\n二行目です。";
  struct Case {
    const char* what;
    std::string bytes;
  };
  const Case cases[] = {
      {"UTF-8", text},
      {"UTF-8 with a byte-order mark", "\xEF\xBB\xBF" + text},
      {"Shift-JIS", *platform::Utf8ToCp932(text)},
      {"ASCII", "plain\nASCII"},
  };
  for (const Case& c : cases) {
    const std::string path = dir_.File("note.txt");
    testsupport::WriteText(path, c.bytes);
    int rc = 0;
    const page::SObj* object = Insert(path, rc);
    ASSERT_EQ(rc, 0) << c.what;
    ASSERT_NE(object, nullptr) << c.what;
    const auto* shape = dynamic_cast<const page::SFigText*>(object->fig.get());
    ASSERT_NE(shape, nullptr) << c.what;
    EXPECT_EQ(shape->GetText(), std::string(c.what) == std::string("ASCII") ? c.bytes : text) << c.what;
  }
  // UTF-8 that the page file's Shift-JIS cannot hold is refused before it
  // is in the page, not when the page is saved.
  const std::string before = pagetest::PageBytes(doc_);
  const std::string path = dir_.File("emoji.txt");
  testsupport::WriteText(path, "絵文字 \xF0\x9F\x98\x80");
  int rc = 0;
  EXPECT_EQ(Insert(path, rc), nullptr);
  EXPECT_EQ(rc, page::kResultUnsupportedType);
  doc_.RollbackOpenGroup();
  EXPECT_EQ(pagetest::PageBytes(doc_), before);
}

// Lays the inserted text out as the page draws it, at `zoom`, and answers
// the lines drawn.
std::vector<std::string> DrawnLines(const page::SObj& object, double zoom) {
  auto& shape = dynamic_cast<page::SFigText&>(*object.fig);
  const page::PropSCVal& p = object.placement;
  platform::Image image;
  EXPECT_TRUE(image.Create(16, 16, 32));
  platform::Dc dc(image);
  struct Recorder : page::DcTextDevice {
    using DcTextDevice::DcTextDevice;
    void TextOut(int, int, std::u32string_view text) override { drawn.push_back(page::Utf32ToUtf8(text)); }
    std::vector<std::string> drawn;
  } device(dc);
  const page::SPoint box((p.width - p.margin) * zoom, (p.height - p.margin) * zoom);
  shape.Layout(device, box, box * 0.5, 0.0, zoom, zoom, 0, true);
  return device.drawn;
}

TEST_F(InsertFileKinds, AnInsertedTextFileGetsABoxThatHoldsAllOfIt) {
  struct Case {
    const char* what;
    std::string text;
    bool vertical;
    std::vector<std::string> lines;  // empty: wrapped, checked by its characters
  };
  std::string longLine;
  for (int i = 0; i < 120; ++i) longLine += "漢";
  const Case cases[] = {
      {"two lines", "一行目です。\r\n二行目です。", false, {"一行目です。", "二行目です。"}},
      {"lines of unequal length with an empty one", "短い\n\nとても長い二行目の台詞です。", false,
       {"短い", "", "とても長い二行目の台詞です。"}},
      {"a paragraph wider than the page wraps to it", longLine, false, {}},
  };
  for (const Case& c : cases) {
    const std::string path = dir_.File("lines.txt");
    testsupport::WriteText(path, c.text);
    int rc = 0;
    const page::SObj* object = Insert(path, rc);
    ASSERT_EQ(rc, 0) << c.what;
    ASSERT_NE(object, nullptr) << c.what;
    EXPECT_LE(object->placement.width, doc_.GetPageWidth()) << c.what;
    for (const double zoom : {1.0, 0.25, 0.5, 0.75, 1.5, 2.0, 3.0, 4.0, 6.25}) {
      const std::vector<std::string> drawn = DrawnLines(*object, zoom);
      if (!c.lines.empty()) {
        EXPECT_EQ(drawn, c.lines) << c.what << " at " << zoom;
        continue;
      }
      std::string joined;
      for (const std::string& line : drawn) joined += line;
      EXPECT_EQ(joined, c.text) << c.what << " at " << zoom;
      EXPECT_GT(drawn.size(), 1u) << c.what;
    }
  }
}

TEST_F(InsertFileKinds, AShiftJisTextFileBecomesATextShapeAndOtherBytesAreRefused) {
  const std::string text = "吹き出し\r\nの台詞";
  const std::string good = dir_.File("line.txt");
  testsupport::WriteText(good, *platform::Utf8ToCp932(text));
  int rc = 0;
  const page::SObj* object = Insert(good, rc);
  ASSERT_EQ(rc, 0);
  ASSERT_NE(object, nullptr);
  const auto* shape = dynamic_cast<const page::SFigText*>(object->fig.get());
  ASSERT_NE(shape, nullptr);
  EXPECT_EQ(shape->GetText(), text);
  EXPECT_EQ(object->placement.x, 200);

  const std::string before = pagetest::PageBytes(doc_);
  const std::string bad = dir_.File("bad.txt");
  testsupport::WriteText(bad, std::string("\x81\x7f\xff\xfe", 4));  // no Shift-JIS character
  EXPECT_EQ(Insert(bad, rc), nullptr);
  EXPECT_EQ(rc, page::kResultDamaged);
  EXPECT_EQ(Insert(dir_.File("missing.txt"), rc), nullptr);
  EXPECT_EQ(rc, page::kResultCannotOpen);
  doc_.RollbackOpenGroup();
  EXPECT_EQ(pagetest::PageBytes(doc_), before) << "failed insertions leave the page as it was";
}

TEST_F(InsertFileKinds, AFileThatIsNoPictureChangesNothing) {
  const std::string path = dir_.File("fake.png");
  testsupport::WriteText(path, "not a picture");
  const std::string before = pagetest::PageBytes(doc_);
  int rc = 0;
  EXPECT_EQ(Insert(path, rc), nullptr);
  EXPECT_LT(rc, 0);
  doc_.RollbackOpenGroup();
  EXPECT_EQ(pagetest::PageBytes(doc_), before);
}

// Conversions to pictures go through the command stack: one undo step
// gives the page back byte for byte, redo the converted page again.
TEST(PictureConversionCommands, ConvertingOneByOneAndComposingUndoAndRedoAsOneStep) {
  for (const int kind : {0, 1}) {
    page::SDoc doc;
    pagetest::AddRect(doc, -1, 50, 50).SetSelected(true);
    pagetest::AddRect(doc, -1, 150, 90).SetSelected(true);
    pagetest::AddRect(doc, -1, 300, 300);
    doc.CloseCommandGroup();
    const std::string before = pagetest::PageBytes(doc);

    page::SView view;
    page::SComPictureSink sink;
    ASSERT_EQ(view.ConvertToPicture(doc, 1.0, kind, sink), 0) << kind;
    doc.CloseCommandGroup();
    const std::string after = pagetest::PageBytes(doc);
    ASSERT_NE(after, before) << kind;
    int pictures = 0;
    for (const auto& object : doc.Objects()) pictures += object->fig->GetTypeId() == page::kFigPicture;
    EXPECT_EQ(pictures, kind == 0 ? 2 : 1) << kind;
    EXPECT_EQ(doc.GetObjectCount(), kind == 0 ? 3 : 2) << kind;

    ASSERT_EQ(doc.Commands().UndoGroup(), 0) << kind;
    EXPECT_EQ(pagetest::PageBytes(doc), before) << kind;
    ASSERT_EQ(doc.Commands().RedoGroup(), 0) << kind;
    EXPECT_EQ(pagetest::PageBytes(doc), after) << kind;
    EXPECT_EQ(pagetest::StructureProblems(doc), "") << kind;
  }
}

}  // namespace
