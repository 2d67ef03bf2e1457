// Writes the seed corpus of every fuzz target with the project's own
// writers: `fuzz_seeds FOLDER` makes FOLDER/<target>/ with a few inputs
// each. CTest runs it before the replays; scripts/fuzz.sh before fuzzing.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "PageFixtures.h"
#include "PageTestSupport.h"
#include "engine/core/EngRuntime.h"
#include "engine/core/MGridObj.h"
#include "engine/core/MGroupObj.h"
#include "engine/core/QFile.h"
#include "imaging/ImageFiles.h"
#include "imaging/gif/GifWriter.h"
#include "meshkit/MeshFixtures.h"
#include "page/PageFile.h"
#include "page/SDoc.h"
#include "page/SFigPic.h"
#include "page/SFigText.h"
#include "platform/Image.h"

namespace {

namespace fs = std::filesystem;

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteAll(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

platform::Image Picture(int width, int height, bool alpha) {
  platform::Image image(width, height, 32, alpha);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      image.SetBgra(x, y,
                    platform::Bgra{static_cast<std::uint8_t>(40 * x), static_cast<std::uint8_t>(60 * y), 200,
                                   static_cast<std::uint8_t>(alpha && x == 0 ? 0 : 255)});
  return image;
}

// The fixture page of every shape, and a page with a text shape, a picture
// and thumbnails.
std::vector<std::unique_ptr<page::SDoc>> Pages() {
  std::vector<std::unique_ptr<page::SDoc>> pages;
  pages.push_back(pagetest::MakeEveryShapePage());
  auto doc = std::make_unique<page::SDoc>();
  auto text = std::make_unique<page::SFigText>();
  text->SetText("吹き出し\nab");
  page::PropSCVal box;
  box.x = 60, box.y = 60, box.width = 80, box.height = 50;
  pagetest::AddShape(*doc, std::move(text), -1, box).label = "台詞";
  auto picture = std::make_unique<page::SFigPic>();
  picture->SetPicture(std::make_unique<platform::Image>(Picture(3, 2, true)), false, true);
  box.x = 150;
  pagetest::AddShape(*doc, std::move(picture), -1, box);
  doc->thumbText1 = "表紙";
  doc->thumbText2 = "扉";
  doc->thumbImage = Picture(70, 70, false);
  pages.push_back(std::move(doc));
  return pages;
}

bool WritePageSeeds(const std::string& root) {
  const std::string streams = root + "/page_stream", files = root + "/page_file", work = root + "/work";
  for (const std::string& folder : {streams, files, work}) fs::create_directories(folder);
  int n = 0;
  for (const auto& doc : Pages()) {
    const std::string name = "page" + std::to_string(++n);
    fs::remove_all(work);
    fs::create_directories(work);
    page::WritePageFolder(*doc, work);
    WriteAll(streams + "/" + name, ReadAll(work + "/" + page::kPageStreamName));
    if (page::SaveSDoc(*doc, files + "/" + name + ".Z4G") != 0) return false;
  }
  fs::remove_all(work);
  return true;
}

// One object record, behind the byte that picks its format version (the
// index into the fuzz target's list: 0 is version 0, 3 is version -5).
bool WriteObjectSeed(const std::string& path, engine::MObject& object, int versionIndex, int version) {
  engine::EngContext().formatVersion = version;
  const std::string record = path + ".record";
  {
    engine::QFile out(record, platform::File::Mode::kCreateWrite);
    object.WriteTo(out);
    out.FlushAndClose();
  }
  WriteAll(path, std::string(1, static_cast<char>(versionIndex)) + ReadAll(record));
  fs::remove(record);
  return true;
}

bool WriteObjectSeeds(const std::string& root) {
  const std::string folder = root + "/object_records";
  fs::create_directories(folder);
  engine::InstallMeshObjectServices();
  const struct {
    int index, version;
  } versions[] = {{0, 0}, {3, -5}};
  for (const auto& v : versions) {
    const std::string suffix = "_v" + std::to_string(v.index);
    engine::MGroupObj group;
    group.AddChild(new engine::MGridObj());
    meshkit::MeshFixture tetra = meshkit::MakeTetra();
    group.AddChild(tetra.mesh.release());
    WriteObjectSeed(folder + "/group" + suffix, group, v.index, v.version);
    meshkit::MeshFixture tube = meshkit::MakeSeamTube(4, 2);
    meshkit::GiveTexture(tube);
    meshkit::MakeMorph(tube, {0, 1, 2});
    WriteObjectSeed(folder + "/tube" + suffix, *tube, v.index, v.version);
    meshkit::MeshFixture half = meshkit::MakeMirrorHalf();
    WriteObjectSeed(folder + "/mirror" + suffix, *half, v.index, v.version);
  }
  return true;
}

bool WritePictureSeeds(const std::string& root) {
  const std::string gif = root + "/gif", bmp = root + "/bmp";
  fs::create_directories(gif);
  fs::create_directories(bmp);
  return imaging::SaveImageAsGif(Picture(5, 3, true), gif + "/alpha.gif") == 0 &&
         imaging::SaveImageAsGif(Picture(16, 16, false), gif + "/opaque.gif") == 0 &&
         imaging::SaveBmpWithResolution(Picture(5, 3, false), 96, bmp + "/small.bmp") == 0 &&
         imaging::SaveBmpWithResolution(Picture(1, 7, false), 350, bmp + "/column.bmp") == 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
    return 2;
  }
  const std::string root = argv[1];
  fs::create_directories(root);
  if (!WritePageSeeds(root) || !WriteObjectSeeds(root) || !WritePictureSeeds(root)) {
    std::fprintf(stderr, "fuzz_seeds: a writer failed\n");
    return 1;
  }
  return 0;
}
