#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/core/QFile.h"
#include "support/TempDir.h"

namespace {

using namespace engine;
using Bytes = std::vector<unsigned char>;

Bytes Big(std::int32_t v) {
  const auto u = static_cast<std::uint32_t>(v);
  return {static_cast<unsigned char>(u >> 24), static_cast<unsigned char>(u >> 16),
          static_cast<unsigned char>(u >> 8), static_cast<unsigned char>(u)};
}

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

// A native header (kind, 5) followed by some record bytes.
Bytes Native(std::int32_t kind) { return Cat({Big(kind), Big(5), Bytes(40, 0x11)}); }
Bytes Preamble() { return Bytes(128, 'p'); }

struct Case {
  std::string name;
  Bytes bytes;
  int kind;
  bool preamble;
};

TEST(DetectFileKind, ClassifiesByExtensionThenByContent) {
  const std::vector<Case> cases = {
      // by extension alone, whatever the content
      {"a.dxf", {}, kFileKindDxf, false},
      {"A.DXF", Native(-101), kFileKindDxf, false},
      {"b.crv", {}, kFileKindTextModel, false},
      {"c.obj", Native(-101), kFileKindObj, false},
      {"d.z4w", {}, kFileKindZ4w, false},
      {"d.z4m", {}, kFileKindZ4m, false},
      {"d.z4v", {}, kFileKindZ4v, false},
      {"d.Z4E", {}, kFileKindZ4e, false},
      {"m.lwo", Cat({Text("FORM"), Big(16), Text("LWOB")}), kFileKindLwoOld, false},
      {"m.LWO", Cat({Text("FORM"), Big(16), Text("LWO2")}), kFileKindLwo2, false},
      {"short.lwo", Text("FORM"), kFileKindLwoOld, false},
      // the scene extensions look at the header
      {"s.z4s", Native(-101), kFileKindNativeScene, false},
      {"s.z4t", Native(-102), kFileKindNativeOther, false},
      {"s.z4i", Native(-104), kFileKindNativeOther, false},
      {"s.z4h", Cat({Preamble(), Native(-101)}), kFileKindNativeScene, true},
      {"empty.z4s", {}, kFileKindNativeScene, false},
      {"crv.z4s", Text("CRVD4\rrest"), kFileKindTextModel, false},
      {"junk.z4s", Text("no header here at all"), kFileKindUnknown, false},
      // any other name: the content alone
      {"scene.dat", Native(-101), kFileKindNativeScene, false},
      {"scene.dat", Native(-102), kFileKindNativeScene, false},
      {"behind.dat", Cat({Preamble(), Native(-3)}), kFileKindNativeScene, true},
      {"old.dat", Cat({Big(-6), Bytes(20, 0)}), kFileKindNativeOther, false},
      {"old.dat", Cat({Big(-4), Big(1)}), kFileKindNativeOther, false},
      {"nohead.dat", Cat({Big(-150), Big(5)}), kFileKindUnknown, false},
      {"nohead.dat", Cat({Big(-101), Big(4)}), kFileKindUnknown, false},
      {"model.txt", Text("CRVD4\r\n1 2 3\n"), kFileKindTextModel, false},
      {"model.txt", Text("CRVD4\n"), kFileKindUnknown, false},
      {"late.txt", Cat({Preamble(), Text("CRVD4\r")}), kFileKindTextModel, false},
      {"draw.txt", Text("  0\nSECTION\n  2\nHEADER\n"), kFileKindDxf, false},
      {"draw.txt", Text("999\ncomment\r\n999\nanother\r\n  0\r\nSECTIONS\r\n"), kFileKindDxf, false},
      {"draw.txt", Text("  1\nSECTION\n"), kFileKindUnknown, false},
      {"draw.txt", Text("999\ncomment only\n"), kFileKindUnknown, false},
      {"lw.bin", Cat({Text("FORM"), Big(99), Text("LWOB")}), kFileKindLwoOld, false},
      {"lw.bin", Cat({Text("FORM"), Big(99), Text("LWO2")}), kFileKindUnknown, false},
      {"empty.dat", {}, kFileKindUnknown, false},
      {"noextension", Native(-101), kFileKindNativeScene, false},
  };
  testsupport::TempDir dir;
  for (const Case& c : cases) {
    const std::string path = dir.Write(c.name, c.bytes);
    QFile file(path, platform::File::Mode::kRead);
    EXPECT_EQ(file.DetectFileKind(path), c.kind) << c.name;
    EXPECT_EQ(file.hasPreamble, c.preamble) << c.name;
    if (c.preamble) {
      EXPECT_EQ(file.GetPosition(), 128) << c.name;
      file.Reset();
      std::int32_t kind = 0, tag = 0;
      file.ReadInt(kind);
      file.ReadInt(tag);
      EXPECT_EQ(tag, 5) << "the records start behind the preamble: " << c.name;
    }
    std::filesystem::remove(path);
  }
}

TEST(DetectFileKind, ADotInAFolderNameIsNoExtension) {
  testsupport::TempDir dir;
  std::filesystem::create_directory(dir / "models.obj");
  const std::string path = dir.Write("models.obj/scene", Native(-101));
  QFile file(path, platform::File::Mode::kRead);
  EXPECT_EQ(file.DetectFileKind(path), kFileKindNativeScene);
}

}  // namespace
