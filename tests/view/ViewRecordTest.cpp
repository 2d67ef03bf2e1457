// View records: written and read back, hand-built records read field by
// field, older and shorter forms, and the background picture's reference.
#include <cstring>
#include <string>

#include "engine/ObjectTestSupport.h"
#include "engine/core/QFile.h"
#include "platform/Paths.h"
#include "support/MessageCapture.h"
#include "support/TempDir.h"
#include "view/ViewTestSupport.h"

namespace {

using objecttest::Bytes;
using platform::RECT;
using view::QView;
using Mode = platform::File::Mode;

class ViewRecordTest : public viewtest::ViewTest {
 protected:
  std::vector<unsigned char> Written(QView& v, const std::string& path) {
    engine::QFile out(path, Mode::kCreateWrite);
    out.filePath = path;
    v.WriteRecord(out);
    out.FlushAndClose();
    return testsupport::TempDir::ReadAll(path);
  }
  // The record's fixed part with the given draw mode, flag word and
  // background components.
  static Bytes FixedPart(int drawMode, std::uint32_t flags, int red, int green, int blue, int kind = 1601,
                         double yaw = 0.25, double pitch = -0.5) {
    Bytes b;
    b.Int(drawMode).Double(42.0).Double(0.75).Double(3.0).Int(kind).Int(1600);
    b.Double(yaw).Double(pitch).Double(0.125).Double(1).Double(2).Double(3).Double(250.0);
    b.Int(static_cast<std::int32_t>(flags)).Int(red).Int(green).Int(blue);
    b.Double(0.5).Double(-0.5).Double(60.0).Double(-1.0).Double(0.0).Double(20.0).Double(40.0);
    return b;
  }
  static Bytes Tail(int sceneFixed, int shading, int line, int tone, int thin, int nearDivisor) {
    Bytes b;
    for (int i = 0; i < 6; ++i) b.Double(0.1 * (i + 1));
    return b.Int(sceneFixed).Int(shading).Int(line).Int(tone).Int(thin).Int(nearDivisor);
  }
  // A small 24-bit bitmap file: 4 × 2 pixels of one colour.
  static std::vector<unsigned char> BitmapFile() {
    Bytes b;
    auto le32 = [&b](std::uint32_t v) {
      for (int i = 0; i < 4; ++i) b.data.push_back(static_cast<unsigned char>(v >> (8 * i)));
    };
    auto le16 = [&b](std::uint16_t v) {
      b.data.push_back(static_cast<unsigned char>(v));
      b.data.push_back(static_cast<unsigned char>(v >> 8));
    };
    b.data.push_back('B');
    b.data.push_back('M');
    le32(54 + 24);
    le32(0);
    le32(54);
    le32(40);
    le32(4);
    le32(2);
    le16(1);
    le16(24);
    le32(0);
    le32(24);
    le32(2835);
    le32(2835);
    le32(0);
    le32(0);
    for (int i = 0; i < 8; ++i) {
      b.data.push_back(10);
      b.data.push_back(20);
      b.data.push_back(30);
    }
    return b.data;
  }
  testsupport::TempDir dir_;
};

TEST_F(ViewRecordTest, ARecordReadsBackIntoAFreshView) {
  QView source(RECT{0, 0, 40, 40});
  source.SetDrawMode(6);
  source.SetProjectionKind(1602, false);
  source.SetDistance(12.5);
  source.SetZoomFactor(0.8);
  source.SetCameraSpare(2.0);
  source.SetAngles(0.1, -0.2, 0.3);
  source.SetTarget({4, 5, 6});
  source.SetDepthUnit(321.0);
  source.SetOptionFlag(0);
  source.SetSmoothShown(false);
  source.SetCullFaces(true);
  source.SetOutlineShown(true);
  source.SetGuideMode(1);
  source.SetDetailLevel(2);
  source.SetGridDivisor(17);
  source.SetFieldOfView(44, false);
  source.SetSpareBits(5);
  source.SetSamplingFactor(3);
  source.SetRecordSpare(1);
  source.SetBackgroundColor(255, 0, 128);
  view::LightSettings lights;
  source.GetLights(lights);
  lights.intensities[1] = 70.0;
  lights.colours[4] = 0.25;
  lights.sceneFixed = 1;
  source.SetLights(&lights, false);
  source.shadingKind = 4;
  source.lineKind = 6;
  source.toneFlag = 0;
  source.SetThinLines(true);
  source.SetNearDivisor(50);

  const std::string path = dir_.File("view.bin");
  const auto bytes = Written(source, path);
  EXPECT_EQ(bytes.size(), 164u + 4 + 5 + 72);
  // Background components as c × 257.
  EXPECT_EQ(std::vector<unsigned char>(bytes.begin() + 96, bytes.begin() + 108),
            (Bytes().Int(65535).Int(0).Int(32896).data));

  QView copy(RECT{0, 0, 40, 40});
  engine::QFile in(path, Mode::kRead);
  copy.ReadRecord(in);
  EXPECT_FALSE(in.HasReadPastEnd());
  EXPECT_EQ(in.BytesLeft(), 0);
  EXPECT_EQ(copy.GetDrawMode(), 6);
  EXPECT_EQ(copy.GetDistance(), 12.5);
  EXPECT_EQ(copy.GetZoomFactor(), 0.8);
  EXPECT_EQ(copy.GetCameraSpare(), 2.0);
  EXPECT_EQ(copy.GetProjectionKind(), 1602);
  EXPECT_EQ(copy.GetTarget().z, 6.0);
  EXPECT_EQ(copy.GetDepthUnit(), 321.0);
  EXPECT_EQ(copy.GetOptionFlag(), 0);
  EXPECT_FALSE(copy.IsSmoothShown());
  EXPECT_TRUE(copy.IsCullFaces());
  EXPECT_TRUE(copy.IsOutlineShown());
  EXPECT_EQ(copy.GetGuideMode(), 1);
  EXPECT_EQ(copy.GetDetailLevel(), 2);
  EXPECT_EQ(copy.GetGridDivisor(), 17);
  EXPECT_EQ(copy.GetFieldOfView(), 44);
  EXPECT_EQ(copy.GetSpareBits(), 5);
  EXPECT_EQ(copy.GetSamplingFactor(), 3);
  EXPECT_EQ(copy.GetRecordSpare(), 1);
  int r, g, b;
  copy.GetBackgroundColor(r, g, b);
  EXPECT_EQ(r, 255);
  EXPECT_EQ(g, 0);
  EXPECT_EQ(b, 128);
  view::LightSettings read;
  copy.GetLights(read);
  EXPECT_EQ(read.intensities[1], 70.0);
  EXPECT_EQ(read.colours[4], 0.25);
  EXPECT_EQ(read.sceneFixed, 1);
  EXPECT_EQ(copy.shadingKind, 4);
  EXPECT_EQ(copy.lineKind, 6);
  EXPECT_EQ(copy.toneFlag, 0);
  EXPECT_TRUE(copy.IsThinLines());
  EXPECT_EQ(copy.GetNearDivisor(), 50);
}

TEST_F(ViewRecordTest, AHandBuiltRecordReadsAsItsFieldsSay) {
  // Detail bits 0, divisor 0 and lens 0 read as their defaults; spare bits
  // 6, factor 2 and the record spare from the top byte.
  const std::uint32_t flags = 1u | 2u | (0u << 8) | (0u << 16) | ((6u + 8u * 2u + 64u) << 24);
  Bytes record = FixedPart(2, flags, 65535, 32896, 0);
  record.Int(5 + 72).Fill(1, 0).Int(0).Append(Tail(0, 3, 2, 1, 0, 300));
  record.Int(0x5EED);  // what follows the record
  engine::QFile in(dir_.Write("hand.bin", record.data), Mode::kRead);
  QView v(RECT{0, 0, 40, 40});
  v.ReadRecord(in);
  EXPECT_EQ(v.GetDistance(), 42.0);
  EXPECT_EQ(v.GetSavedProjectionKind(), 1600);
  EXPECT_EQ(v.GetDetailLevel(), 1);
  EXPECT_EQ(v.GetGridDivisor(), 5);
  EXPECT_EQ(v.GetFieldOfView(), 81);
  EXPECT_EQ(v.GetSpareBits(), 6);
  EXPECT_EQ(v.GetSamplingFactor(), 2);
  EXPECT_EQ(v.GetRecordSpare(), 1);
  EXPECT_FALSE(v.IsSmoothShown());
  int r, g, b;
  v.GetBackgroundColor(r, g, b);
  EXPECT_EQ(r, 255);
  EXPECT_EQ(g, 128);
  EXPECT_EQ(b, 0);
  view::LightSettings lights;
  v.GetLights(lights);
  EXPECT_EQ(lights.firstAngles[0], 0.5);
  EXPECT_EQ(lights.intensities[0], 60.0);
  EXPECT_EQ(lights.secondAngles[1], 0.0);
  EXPECT_EQ(lights.ambient, 40.0);
  EXPECT_DOUBLE_EQ(lights.colours[5], 0.6);
  EXPECT_EQ(v.shadingKind, 3);
  EXPECT_EQ(v.GetNearDivisor(), 300);
  std::int32_t next = 0;
  in.ReadInt(next);
  EXPECT_EQ(next, 0x5EED);
}

TEST_F(ViewRecordTest, DetailLevelsUseTwoBits) {
  // Level -1 is stored as 0, which every reader takes for the default 1.
  for (int level : {-1, 0, 1, 2}) {
    QView v(RECT{0, 0, 40, 40});
    v.SetDetailLevel(level);
    const auto bytes = Written(v, dir_.File("detail.bin"));
    const std::uint32_t flags = (bytes[92] << 24) | (bytes[93] << 16) | (bytes[94] << 8) | bytes[95];
    EXPECT_EQ((flags >> 5) & 3u, static_cast<unsigned>(level + 1));
    QView copy(RECT{0, 0, 40, 40});
    engine::QFile in(dir_.File("detail.bin"), Mode::kRead);
    copy.ReadRecord(in);
    EXPECT_EQ(copy.GetDetailLevel(), level == -1 ? 1 : level);
  }
}

TEST_F(ViewRecordTest, ParallelCamerasNearAQuarterTurnBecomeAxisViews) {
  QView v(RECT{0, 0, 40, 40});
  v.SetAxisCode(0);
  v.SetAxisViewMarker(0);
  engine::QFile in(dir_.Write("axis.bin", FixedPart(2, 1, 0, 0, 0, 1603, 1.5708, 0.3).data), Mode::kRead);
  engine::EngContext().formatVersion = -2;
  v.ReadRecord(in);
  EXPECT_EQ(v.GetAxisViewMarker(), 10);
  EXPECT_EQ(v.GetAxisCode(), 1);
}

TEST_F(ViewRecordTest, PageStyleWithABlueBackgroundDropsTheTones) {
  engine::EngContext().formatVersion = -2;
  QView v(RECT{0, 0, 40, 40});
  engine::QFile in(dir_.Write("tone.bin", FixedPart(6, 1, 0, 0, 257).data), Mode::kRead);
  v.ReadRecord(in);
  EXPECT_EQ(v.toneFlag, 0);
}

TEST_F(ViewRecordTest, OlderFilesCarryNoExtension) {
  engine::EngContext().formatVersion = -4;
  QView v(RECT{0, 0, 40, 40});
  v.shadingKind = 5;
  const auto bytes = Written(v, dir_.File("old.bin"));
  EXPECT_EQ(bytes.size(), 164u);
  QView copy(RECT{0, 0, 40, 40});
  copy.shadingKind = 7;
  engine::QFile in(dir_.File("old.bin"), Mode::kRead);
  copy.ReadRecord(in);
  EXPECT_EQ(copy.shadingKind, 7) << "the view keeps its own";
  engine::QFile skipped(dir_.File("old.bin"), Mode::kRead);
  copy.SkipRecord(skipped);
  EXPECT_EQ(skipped.BytesLeft(), 0);
}

TEST_F(ViewRecordTest, ShorterAndLongerExtensionsStayInStep) {
  struct Case {
    int length;
    int expectedShading;
    int expectedNear;
  };
  // 57: the reference and the colours; 69: also the styles; 81 a longer
  // extension from a newer writer with four bytes of its own.
  for (const Case& c : {Case{57, 2, 200}, Case{69, 3, 200}, Case{81, 3, 300}}) {
    SCOPED_TRACE(c.length);
    Bytes record = FixedPart(2, 1, 0, 0, 0);
    Bytes extension = Bytes().Fill(1, 0).Int(0).Append(Tail(1, 3, 2, 1, 1, 300));
    extension.data.resize(static_cast<std::size_t>(c.length > 77 ? 77 : c.length));
    if (c.length > 77) extension.Int(0x0BAD);
    record.Int(c.length).Append(extension).Int(0x5EED);
    engine::QFile in(dir_.Write("ext.bin", record.data), Mode::kRead);
    QView v(RECT{0, 0, 40, 40});
    v.ReadRecord(in);
    EXPECT_EQ(v.shadingKind, c.expectedShading);
    EXPECT_EQ(v.GetNearDivisor(), c.expectedNear);
    std::int32_t next = 0;
    in.ReadInt(next);
    EXPECT_EQ(next, 0x5EED);
    EXPECT_EQ(engine::EngContext().failState, engine::kEngFailNone);
  }
}

TEST_F(ViewRecordTest, AnUnknownPictureReferenceIsSkippedByItsSize) {
  // Kind 2 with 12 bytes of its own: the rest of the extension still reads.
  Bytes record = FixedPart(2, 1, 0, 0, 0);
  record.Int(5 + 12 + 72).Fill(1, 2).Int(12).Fill(12, 0x77).Append(Tail(0, 4, 5, 1, 0, 400)).Int(0x5EED);
  engine::QFile in(dir_.Write("kind2.bin", record.data), Mode::kRead);
  QView v(RECT{0, 0, 40, 40});
  v.ReadRecord(in);
  EXPECT_EQ(v.shadingKind, 4);
  EXPECT_EQ(v.lineKind, 5);
  EXPECT_EQ(v.GetNearDivisor(), 400);
  std::int32_t next = 0;
  in.ReadInt(next);
  EXPECT_EQ(next, 0x5EED);
  EXPECT_EQ(v.GetBackgroundPicture(), nullptr);
}

TEST_F(ViewRecordTest, ADamagedNearDivisorKeepsTheDefault) {
  Bytes record = FixedPart(2, 1, 0, 0, 0);
  record.Int(77).Fill(1, 0).Int(0).Append(Tail(0, 2, 1, 1, 0, 0));
  engine::QFile in(dir_.Write("near.bin", record.data), Mode::kRead);
  QView v(RECT{0, 0, 40, 40});
  v.ReadRecord(in);
  EXPECT_EQ(v.GetNearDivisor(), 200);
}

TEST_F(ViewRecordTest, TheBackgroundPictureIsHandedToTheSceneAsItsPixels) {
  QView v(RECT{0, 0, 40, 40});
  engine::RgbaImageRecord image;
  EXPECT_FALSE(v.GetBackgroundImage(image)) << "no picture";
  auto picture = std::make_unique<view::BackgroundPicture>();
  picture->width = 3;
  picture->height = 2;
  picture->pixels.assign(3 * 2 * 4, 7);
  const std::uint8_t* pixels = picture->pixels.data();
  v.SetBackgroundPicture(std::move(picture));
  ASSERT_TRUE(v.GetBackgroundImage(image));
  EXPECT_EQ(image.width, 3);
  EXPECT_EQ(image.height, 2);
  EXPECT_EQ(image.pixels, pixels) << "the view keeps its pixels";
  v.SetBackgroundPicture(std::make_unique<view::BackgroundPicture>());
  EXPECT_FALSE(v.GetBackgroundImage(image)) << "a picture without pixels";
}

TEST_F(ViewRecordTest, ARelativePictureMovesWithItsSceneFile) {
  testsupport::TempDir first, second;
  const std::string picture = first.Write("back.bmp", BitmapFile());
  QView source(RECT{0, 0, 40, 40});
  view::PicturePathRecord path;
  const std::string stored = platform::PathToStored(picture);
  path.bytes[0] = static_cast<unsigned char>(stored.size());
  std::memcpy(path.bytes + 1, stored.data(), stored.size());
  auto loaded = std::make_unique<view::BackgroundPicture>();
  ASSERT_TRUE(source.LoadBackgroundPicture(path, *loaded));
  EXPECT_EQ(loaded->width, 4);
  EXPECT_EQ(loaded->pixels[0], 30) << "red first";
  ASSERT_NE(source.GetThumbnail(), nullptr);
  source.SetBackgroundPicture(std::move(loaded));
  source.SetBackgroundPicturePath(path);
  int kind = -1;
  engine::QFile probe(first.File("probe.bin"), Mode::kCreateWrite);
  EXPECT_EQ(source.GetBackgroundPictureKind(kind, probe), 261);
  EXPECT_EQ(kind, 1);

  const auto bytes = Written(source, first.File("scene.bin"));
  EXPECT_EQ(bytes[168], 1) << "kind 1: beside the scene file";
  // Both move to another folder.
  second.Write("scene.bin", bytes);
  second.Write("back.bmp", BitmapFile());
  QView copy(RECT{0, 0, 40, 40});
  engine::QFile in(second.File("scene.bin"), Mode::kRead);
  copy.ReadRecord(in);
  ASSERT_NE(copy.GetBackgroundPicture(), nullptr);
  EXPECT_EQ(copy.GetBackgroundPicture()->height, 2);
  view::PicturePathRecord readPath;
  copy.GetBackgroundPicturePath(readPath);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(readPath.bytes + 1)),
            platform::PathToStored(second.File("back.bmp")));
}

TEST_F(ViewRecordTest, AMissingPictureIsReportedAndTheRecordReadsOn) {
  Bytes record = FixedPart(2, 1, 0, 0, 0);
  const std::string stored = platform::PathToStored(dir_.File("gone.jpg"));
  Bytes field;
  field.Fill(1, static_cast<unsigned char>(stored.size()));
  field.data.insert(field.data.end(), stored.begin(), stored.end());
  field.Fill(256 - field.data.size(), 0);
  record.Int(261 + 72).Fill(1, 3).Int(256).Append(field).Append(Tail(0, 4, 1, 1, 0, 200)).Int(0x5EED);
  engine::QFile in(dir_.Write("missing.bin", record.data), Mode::kRead);
  testsupport::MessageCapture messages;
  QView v(RECT{0, 0, 40, 40});
  v.ReadRecord(in);
  ASSERT_EQ(messages.texts.size(), 1u);
  EXPECT_EQ(messages.texts[0], "Could not open back pict");
  EXPECT_EQ(v.GetBackgroundPicture(), nullptr);
  EXPECT_EQ(v.shadingKind, 4);
  std::int32_t next = 0;
  in.ReadInt(next);
  EXPECT_EQ(next, 0x5EED);
}

TEST_F(ViewRecordTest, ALensOutsideAByteCannotReachTheFile) {
  QView v(RECT{0, 0, 40, 40});
  v.SetFieldOfView(1000, false);
  const auto bytes = Written(v, dir_.File("lens.bin"));
  EXPECT_EQ(bytes[93], 255);
}

}  // namespace
