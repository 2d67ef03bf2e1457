#pragma once
// The facade tests' fixture: the engine started as the program starts it,
// a fatal exit that throws, a clean failure state and engine clipboard, a
// temporary folder for the files a test writes; shapes of the standard
// figure and of a cube; file bytes; and the pictures the tests leave for
// people to look at.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "StandardAnimations.h"
#include "StandardFigure.h"
#include "StandardScene.h"
#include "engine/core/CRGlobalM.h"
#include "engine/core/EngAlloc.h"
#include "engine/core/EngRuntime.h"
#include "engine/core/MGroupObj.h"
#include "engine/core/QFile.h"
#include "engine/figure/MBoneObj.h"
#include "engine/mesh/MVertex.h"
#include "engine/mesh/MShader.h"
#include "engine/scene/MDocObj.h"
#include "facade/KxLibEngine.h"
#include "facade/KxLibR.h"
#include "facade/KxLibV.h"
#include "meshkit/MeshFixtures.h"
#include "platform/GlContext.h"
#include "platform/Hooks.h"
#include "platform/Image.h"
#include "platform/ImageCodec.h"
#include "platform/TempFiles.h"

namespace facadetest {

class FacadeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previousFatal_ = platform::SetFatalHook([](const std::string& text) { throw std::runtime_error(text); });
    engine::EngContext().ClearFailure();
    engine::EngClearAllocationFailure();
    facade::KxLibInitEngine();
    engine::EngGlobalM().Clear();
    ASSERT_TRUE(platform::MakeTempFolder("facadetest", folder_));
  }
  void TearDown() override {
    platform::GlContext::ReleaseCurrent();
    engine::EngGlobalM().Clear();
    engine::EngContext().ClearFailure();
    engine::EngClearAllocationFailure();
    facade::KxLibExitEngine();
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
    platform::SetFatalHook(previousFatal_);
  }
  // A path in the test's own temporary folder.
  std::string Path(const std::string& name) const { return folder_ + "/" + name; }
  static int FailState() { return engine::EngContext().failState; }
  // The names in the test's folder.
  int FilesInFolder() const {
    int n = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder_)) n += entry.is_regular_file() ? 1 : 0;
    return n;
  }

  std::string folder_;

 private:
  platform::FatalHook previousFatal_;
};

// The standard figure in a facade with a picture of width × height.
inline std::unique_ptr<facade::KxLibR> StandardFigure(int width = 120, int height = 160) {
  return standardscene::MakeStandardFigureShape(width, height);
}

// The fixture's mesh in one material of the colour and opacity, in a
// facade with a picture of width × height whose camera shows it whole.
inline std::unique_ptr<facade::KxLibR> MeshShape(meshkit::MeshFixture fixture, engine::PointRecord colour,
                                                 double opacity, int width, int height) {
  fixture.shader->diffuseColor = colour;
  fixture.shader->opacity = opacity;
  fixture->Checkpoint(false);
  auto scene = std::make_unique<engine::MDocObj>();
  engine::MObject* shown = fixture.mesh.release();
  if (!standardscene::AddToScene(*scene, shown)) return nullptr;
  return standardscene::MakeFigureShape(std::move(scene), shown, width, height);
}

// A cube of side 1 (corner at the origin).
inline std::unique_ptr<facade::KxLibR> CubeShape(engine::PointRecord colour, double opacity, int width = 80,
                                                 int height = 80) {
  return MeshShape(meshkit::MakeCube(), colour, opacity, width, height);
}

// The joints of a figure where they stand now.
inline std::vector<engine::PointRecord> JointsOf(engine::MBoneObj& bones) {
  std::vector<engine::PointRecord> out;
  for (engine::MVertex* v : bones.GetVertexList()) out.push_back(v->position);
  return out;
}

// The largest distance between the points of two lists, pair by pair; huge
// when the lists differ in length.
inline double Farthest(const std::vector<engine::PointRecord>& a, const std::vector<engine::PointRecord>& b) {
  double most = a.size() == b.size() ? 0 : 1e9;
  for (std::size_t i = 0; i < a.size() && i < b.size(); ++i)
    most = std::max(most, std::hypot(a[i].x - b[i].x, a[i].y - b[i].y, a[i].z - b[i].z));
  return most;
}

// The standard animation of the name (with `pose`, the standard pose as a
// one-key animation) recorded on a figure of its own and written as an
// animation file at the path.
inline std::string WriteStandardAnimation(const std::string& name, const std::string& path, bool pose = false) {
  std::unique_ptr<engine::MGroupObj> built = standardfigure::BuildStandardFigure();
  engine::MDocObj scene;
  engine::MGroupObj* group = built.get();
  EXPECT_TRUE(scene.AddChild(built.release()));
  EXPECT_TRUE(pose ? standardfigure::RecordStandardPose(scene, *group, name)
                   : standardfigure::RecordStandardAnimation(scene, *group, name));
  scene.SelectAll(false);
  group->Select(true);
  EXPECT_TRUE(standardfigure::WriteAnimationFile(scene, path));
  return path;
}

// The fixture with the standard figure in a facade of 120 × 160 pixels.
class StandardFigureTest : public FacadeTest {
 protected:
  void SetUp() override {
    FacadeTest::SetUp();
    figure_ = StandardFigure(120, 160);
    ASSERT_NE(figure_, nullptr);
  }
  engine::MDocObj& Scene() { return *figure_->GetScene(); }
  std::unique_ptr<facade::KxLibR> figure_;
};

// The number of the scene's objects besides the floor grid.
inline int ObjectCount(facade::KxLibR& figure) { return figure.GetScene()->GetChildCount() - 1; }

inline std::string FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The scene's record as the scene file holds it, written to the path.
inline std::string SceneBytes(engine::MDocObj& scene, const std::string& path) {
  {
    engine::QFile file(path, platform::File::Mode::kCreateWrite);
    scene.WriteTo(file);
    file.FlushAndClose();
  }
  return FileBytes(path);
}

// The offset of the first byte where two files' bytes differ; -1 when they
// are the same.
inline long FirstDifference(const std::string& a, const std::string& b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i)
    if (a[i] != b[i]) return static_cast<long>(i);
  return a.size() == b.size() ? -1 : static_cast<long>(n);
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Pixels that differ in any channel, alpha included; -1 for other sizes.
inline int PixelsDiffering(const platform::Image& a, const platform::Image& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return -1;
  int n = 0;
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x) n += a.GetBgra(x, y) == b.GetBgra(x, y) ? 0 : 1;
  return n;
}

// Where the tests leave their pictures (with their alpha).
inline std::string SavePicture(const platform::Image& picture, const std::string& name) {
  const std::filesystem::path folder = std::filesystem::current_path() / "facade_pictures";
  std::filesystem::create_directories(folder);
  const std::string path = (folder / (name + ".png")).string();
  platform::SaveImageFile(picture, path);
  return path;
}

}  // namespace facadetest
