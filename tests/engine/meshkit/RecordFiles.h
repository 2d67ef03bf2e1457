#pragma once
// Record tests of meshes and morphs: files in a temporary folder, the mesh
// written as a scene writes it (numbered first) and read back through the
// object factory, with the mesh services installed as the engine start-up
// installs them.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "engine/core/ObjectFactory.h"
#include "meshkit/MeshTestSupport.h"
#include "support/TempDir.h"

namespace meshkit {

class RecordFileTest : public MeshTest {
 protected:
  void SetUp() override {
    MeshTest::SetUp();
    engine::InstallMeshObjectServices();
  }

  std::unique_ptr<engine::QFile> Open(const objecttest::Bytes& image) {
    return OpenBytes(image.data);
  }
  std::unique_ptr<engine::QFile> OpenBytes(const std::vector<unsigned char>& bytes) {
    return std::make_unique<engine::QFile>(dir_.Write("image.bin", bytes), platform::File::Mode::kRead);
  }

  // The bytes the writer gives for `write` run on a new file.
  template <class Write>
  std::vector<unsigned char> Written(Write write) {
    const std::string path = dir_.File("written.bin");
    {
      engine::QFile out(path, platform::File::Mode::kCreateWrite);
      write(out);
      out.FlushAndClose();
    }
    return testsupport::TempDir::ReadAll(path);
  }

  // The mesh's record, numbered as the scene numbers before writing (and
  // un-numbered after).
  std::vector<unsigned char> WriteMesh(engine::MMeshObj& mesh) {
    int counter = 0;
    mesh.AssignIndex(counter);
    std::vector<unsigned char> bytes = Written([&](engine::QFile& out) { mesh.WriteTo(out); });
    mesh.SetIndex(0);
    return bytes;
  }

  // The object the factory reads from the bytes, as a mesh; null with the
  // failure state set when reading failed. The whole file must be read.
  std::unique_ptr<engine::MMeshObj> ReadMesh(const std::vector<unsigned char>& bytes) {
    std::unique_ptr<engine::QFile> in = OpenBytes(bytes);
    engine::MObject* object = engine::ReadObject(*in);
    if (object != nullptr) {
      EXPECT_EQ(object->GetType(), engine::kObjectMesh);
      EXPECT_EQ(in->BytesLeft(), 0) << "bytes left unread";
    }
    return std::unique_ptr<engine::MMeshObj>(static_cast<engine::MMeshObj*>(object));
  }

  testsupport::TempDir dir_;
};

}  // namespace meshkit
