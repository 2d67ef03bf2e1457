// Scene files built by hand around records of the engine's writers: the
// kind, the view list, the package wrapper with its thumbnail members, cut
// and damaged files, and the ".Z4K" side file.
#include <cstdint>
#include <vector>

#include "FacadeTestSupport.h"
#include "engine/core/QFile.h"
#include "platform/Cp932.h"
#include "view/QView.h"

namespace {

using facadetest::FacadeTest;
using facadetest::FileBytes;
using facadetest::ObjectCount;
using facadetest::WriteBytes;

std::string BigEndian(std::int32_t value) {
  const auto v = static_cast<std::uint32_t>(value);
  return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8), static_cast<char>(v)};
}

std::string LittleEndian(std::int32_t value) {
  const auto v = static_cast<std::uint32_t>(value);
  return {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16), static_cast<char>(v >> 24)};
}

class SceneFileBytesTest : public FacadeTest {
 protected:
  // What an engine writer writes with the file kind `kind` current.
  template <class Write>
  std::string Written(int kind, Write write) {
    engine::EngContext().formatVersion = kind;
    const std::string path = Path("record.bin");
    {
      engine::QFile file(path, platform::File::Mode::kCreateWrite);
      write(file);
      file.FlushAndClose();
    }
    return FileBytes(path);
  }
  // A view record of a camera looking at the cube, supersampled by `factor`.
  std::string ViewRecord(int kind, int factor, double yaw) {
    view::QView v(platform::RECT{0, 0, 40, 40});
    v.SetAngles(yaw, -0.2, 0.0);
    v.SetSamplingFactor(factor);
    return Written(kind, [&](engine::QFile& f) { v.WriteRecord(f); });
  }
  // A scene of one cube.
  std::unique_ptr<facade::KxLibR> Cube() { return facadetest::CubeShape({0.3, 0.5, 0.9}, 1.0); }
  std::string SceneRecord(facade::KxLibR& figure, int kind) {
    return Written(kind, [&](engine::QFile& f) { figure.GetScene()->WriteTo(f); });
  }
  std::string LayerBlock(facade::KxLibR& figure, int kind) {
    return Written(kind, [&](engine::QFile& f) { figure.GetScene()->WriteLayerRecords(f); });
  }
  // A plain scene file of the kind with views of the window rectangles
  // (top, left, bottom, right) and the layer-name block.
  std::string PlainScene(int kind, const std::vector<std::array<int, 4>>& windows, int factor = 0) {
    auto cube = Cube();
    std::string bytes = BigEndian(kind) + SceneRecord(*cube, kind);
    if (kind == -1) return bytes;
    bytes += BigEndian(static_cast<int>(windows.size()));
    for (std::size_t i = 0; i < windows.size(); ++i) {
      bytes += BigEndian(77);
      for (int value : windows[i]) bytes += BigEndian(value);
      bytes += ViewRecord(kind, i == 0 ? factor : 0, 0.3 + static_cast<double>(i));
    }
    return bytes + LayerBlock(*cube, kind);
  }
  // A package of stored members, written byte by byte.
  static std::string Package(int kind, const std::vector<std::pair<std::string, std::string>>& members) {
    std::string bytes = BigEndian(kind) + BigEndian(5) + LittleEndian(static_cast<int>(members.size())) +
                        LittleEndian(16 + 48 * static_cast<int>(members.size()));
    int offset = 0;
    for (const auto& [name, data] : members) {
      const bool thumb = name.rfind("thumb", 0) == 0;
      bytes += std::string(1, thumb ? '\1' : '\0') + std::string(3, '\0');
      std::string field = name;
      field.resize(32, '\0');
      bytes += field + LittleEndian(static_cast<int>(data.size())) + LittleEndian(offset) + LittleEndian(0);
      offset += static_cast<int>(data.size());
    }
    for (const auto& member : members) bytes += member.second;
    return bytes;
  }
};

TEST_F(SceneFileBytesTest, APlainSceneGivesTheFirstViewItsCameraAndSize) {
  WriteBytes(Path("three.Z4T"), PlainScene(-5, {{10, 20, 10 + 34 + 90, 20 + 8 + 120}, {0, 0, 500, 500}, {1, 2, 3, 4}},
                                           3));
  auto figure = facadetest::StandardFigure();
  ASSERT_EQ(figure->Open(Path("three.Z4T")), facade::kFacadeOk);
  EXPECT_EQ(ObjectCount(*figure), 1);
  int width = 0, height = 0, factor = 0;
  double lineScale = 0;
  figure->GetView().GetOutputSize(width, height, factor, lineScale);
  EXPECT_EQ(width, 120);
  EXPECT_EQ(height, 90);
  EXPECT_EQ(factor, 3);
  EXPECT_EQ(lineScale, 1.0);
  EXPECT_EQ(figure->GetView().View().GetSamplingFactor(), 0) << "the figure supersamples, not its view";
  double yaw = 0, pitch = 0, roll = 0;
  figure->GetView().GetCameraAngles(yaw, pitch, roll);
  EXPECT_EQ(yaw, 0.3) << "the first view's camera";

  // The five values go back as they were read, whatever the size now.
  figure->GetView().SetOutputSize(300, 300, 3, 1.0);
  ASSERT_EQ(figure->SaveWithOptions(Path("saved.Z4T"), 0, nullptr, {}), facade::kFacadeOk);
  facade::KxLibR reopened;
  ASSERT_EQ(reopened.Open(Path("saved.Z4T")), facade::kFacadeOk);
  reopened.GetView().GetOutputSize(width, height, factor, lineScale);
  EXPECT_EQ(width, 120);
  EXPECT_EQ(height, 90);
  EXPECT_EQ(factor, 3);
}

TEST_F(SceneFileBytesTest, AWindowTooSmallForItsFrameGivesAPictureOfOnePixel) {
  WriteBytes(Path("small.Z4T"), PlainScene(-5, {{0, 0, 10, 5}}));
  auto figure = facadetest::StandardFigure();
  ASSERT_EQ(figure->Open(Path("small.Z4T")), facade::kFacadeOk);
  int width = 0, height = 0, factor = 0;
  double lineScale = 0;
  figure->GetView().GetOutputSize(width, height, factor, lineScale);
  EXPECT_EQ(width, 1);
  EXPECT_EQ(height, 1);
  EXPECT_NE(figure->GetView().GetImage(false), nullptr);
}

TEST_F(SceneFileBytesTest, KindMinusOneHoldsOnlyTheSceneRecord) {
  WriteBytes(Path("one.Z4T"), PlainScene(-1, {}));
  auto figure = facadetest::StandardFigure(120, 160);
  ASSERT_EQ(figure->Open(Path("one.Z4T")), facade::kFacadeOk);
  EXPECT_EQ(ObjectCount(*figure), 1);
  int width = 0, height = 0, factor = 0;
  double lineScale = 0;
  figure->GetView().GetOutputSize(width, height, factor, lineScale);
  EXPECT_EQ(width, 120) << "the view keeps the size it had";
  EXPECT_EQ(height, 160);
}

// A package: the caller bytes are the kind and 5, the scene is the member
// "data.Z4T"; only a kind below -100 brings the thumbnail texts along.
TEST_F(SceneFileBytesTest, APackageReadsItsSceneMemberAndByItsKindItsThumbnail) {
  const std::string title = *platform::Utf8ToCp932("人物の見本");
  for (int kind : {-100, -101}) {
    SCOPED_TRACE(kind);
    const std::string scene = PlainScene(kind, {{0, 0, 34 + 50, 8 + 40}});
    WriteBytes(Path("package.Z4H"), Package(kind, {{"thumb1.txt", title}, {"thumb2.txt", "two"}, {"DATA.z4t", scene}}));
    auto figure = facadetest::StandardFigure();
    ASSERT_EQ(figure->Open(Path("package.Z4H")), facade::kFacadeOk);
    EXPECT_EQ(ObjectCount(*figure), 1);
    EXPECT_EQ(figure->GetScene()->thumbnailText1, kind == -100 ? "" : "人物の見本");
    EXPECT_EQ(figure->GetScene()->thumbnailText2, kind == -100 ? "" : "two");
    int width = 0, height = 0, factor = 0;
    double lineScale = 0;
    figure->GetView().GetOutputSize(width, height, factor, lineScale);
    EXPECT_EQ(width, 40);
    EXPECT_EQ(height, 50);
  }
  // Without its scene member, or with one of a variant kind, it cannot be
  // read.
  WriteBytes(Path("empty.Z4H"), Package(-101, {{"thumb1.txt", title}}));
  WriteBytes(Path("variant.Z4H"), Package(-101, {{"data.Z4T", BigEndian(-102) + std::string(300, '\0')}}));
  for (const char* name : {"empty.Z4H", "variant.Z4H"}) {
    auto figure = facadetest::StandardFigure();
    EXPECT_EQ(figure->Open(Path(name)), facade::kFacadeCannotRead) << name;
    EXPECT_EQ(ObjectCount(*figure), 0);
    EXPECT_EQ(FailState(), 0);
  }
}

TEST_F(SceneFileBytesTest, TheSavedPackageHasTheLayoutOthersRead) {
  auto figure = Cube();
  figure->GetScene()->thumbnailText1 = "a";
  ASSERT_EQ(figure->SaveWithOptions(Path("cube.Z4T"), 0, nullptr, {}), facade::kFacadeOk);
  const std::string bytes = FileBytes(Path("cube.Z4T"));
  ASSERT_GT(bytes.size(), 16u + 4 * 48);
  EXPECT_EQ(bytes.substr(0, 8), BigEndian(-101) + BigEndian(5));
  EXPECT_EQ(bytes.substr(8, 4), LittleEndian(3)) << "two thumbnail texts and the scene";
  EXPECT_EQ(bytes.substr(12, 4), LittleEndian(16 + 3 * 48));
  EXPECT_EQ(bytes.substr(16 + 2 * 48 + 4, 9), std::string("data.Z4T\0", 9));
  // Stored members: the scene member is a plain scene of kind -101.
  const std::int32_t offset = static_cast<unsigned char>(bytes[16 + 2 * 48 + 40]) |
                              static_cast<unsigned char>(bytes[16 + 2 * 48 + 41]) << 8;
  EXPECT_EQ(bytes.substr(16 + 3 * 48 + offset, 4), BigEndian(-101));
  EXPECT_EQ(bytes.substr(16 + 2 * 48 + 2, 2), std::string("\0\0", 2)) << "not compressed";
}

// A file cut anywhere, or with bytes changed, is refused (or read) without
// harm: never a crash, the failure state clear, an empty scene on refusal.
TEST_F(SceneFileBytesTest, CutAndDamagedFilesAreRefusedCleanly) {
  const std::string whole = PlainScene(-5, {{0, 0, 100, 100}});
  int refused = 0;
  for (std::size_t length = 0; length < whole.size(); length += 1 + whole.size() / 61) {
    WriteBytes(Path("cut.Z4T"), whole.substr(0, length));
    auto figure = facadetest::StandardFigure(40, 40);
    const int result = figure->Open(Path("cut.Z4T"));
    ASSERT_EQ(result, facade::kFacadeCannotRead) << length;
    ASSERT_EQ(ObjectCount(*figure), 0);
    ASSERT_EQ(FailState(), 0);
    ++refused;
  }
  EXPECT_GT(refused, 50);
  for (std::size_t at = 4; at < whole.size(); at += 1 + whole.size() / 97) {
    std::string damaged = whole;
    damaged[at] = static_cast<char>(damaged[at] ^ 0xA5);
    WriteBytes(Path("damaged.Z4T"), damaged);
    auto figure = facadetest::StandardFigure(40, 40);
    const int result = figure->Open(Path("damaged.Z4T"));
    ASSERT_TRUE(result == facade::kFacadeOk || result == facade::kFacadeCannotRead || result == facade::kFacadeFailed)
        << at;
    if (result != facade::kFacadeOk) {
      ASSERT_EQ(ObjectCount(*figure), 0) << at;
    }
    ASSERT_EQ(FailState(), 0);
  }
}

TEST_F(SceneFileBytesTest, TheSideFileIsReadLineByLine) {
  EXPECT_EQ(facade::KxLibR::MergedListPath("/a/b/figure.Z4T"), "/a/b/figure.Z4K");
  EXPECT_EQ(facade::KxLibR::MergedListPath("/a.d/figure"), "/a.d/figure.Z4K");
  WriteBytes(Path("figure.Z4K"), "\\person\\a.Z4H\r\n\r\n" + *platform::Utf8ToCp932("\\小物\\剣.Z4I") + "\r\nlast");
  std::vector<std::string> lines;
  EXPECT_EQ(facade::KxLibR::ReadMergedListFile(Path("figure.Z4T"), lines), facade::kFacadeOk);
  EXPECT_EQ(lines, (std::vector<std::string>{"/person/a.Z4H", "", "/小物/剣.Z4I"}));
  lines.clear();
  EXPECT_EQ(facade::KxLibR::ReadMergedListFile(Path("other.Z4T"), lines), facade::kFacadeOk);
  EXPECT_TRUE(lines.empty());
}

}  // namespace
