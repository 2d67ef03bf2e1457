// The mesh record: round trips with every element kind, materials and
// morphs at an old and the newest format version, hand-built byte images
// that pin the layout, damaged records (load failures, never a crash), and
// the passes that make a loaded mesh sound.
#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "engine/core/EngMath.h"
#include "meshkit/RecordFiles.h"
#include "support/WorkerThreads.h"

namespace {

using namespace engine;
using meshkit::MeshFixture;
using meshkit::MeshIsValid;
using objecttest::Bytes;
using objecttest::Image;


// What a small record is made of; the defaults give the record the writer
// makes of a triangle v0 (0,0,0), v1 (1,0,0), v2 (0,1,0) with lines 0-1,
// 1-2, 2-0, one plain material and, in the newer formats, a morph "smile"
// of v2 and of a vertex that is gone, and page line style 5.
struct TriangleRecord {
  int version = -101;
  int flagWord = 2;
  int vertexCount = 3;
  bool material = true;
  std::vector<int> listA;
  std::optional<int> listACount;  // the list's own size unless set
  int selection = 1;
  // The newer block: S and P are the sizes the parts have unless set; with
  // `blockBytes` set, S is followed by that many bytes instead of a block.
  int size = -1;
  int blockSize = -1;
  int blockBytes = -1;
  int morphCount = 1;
  int targetIndex = 0;
  int morphTrailing = 20;
  std::optional<int> morphTrailingBytes;  // as many as it says unless set
  bool pageLineStyle = true;
  int surplus = 0;  // bytes a later writer added after the page line style
  int cutAt = -1;   // truncate to this many bytes
};

class MeshRecord : public meshkit::RecordFileTest {
 protected:
  Bytes TriangleImage(const TriangleRecord& r) {
    EngContext().formatVersion = r.version;
    const bool newer = r.version < -4;
    MObject header;
    header.typeCode = kObjectMesh;
    Bytes image;
    image.data = Written([&](QFile& out) { header.WriteTo(out); });
    auto extension = [&] {
      if (newer) image.Int(0);
    };
    image.Append(Image({0, r.flagWord, 1e-8, r.vertexCount}));
    const double xy[3][2] = {{0, 0}, {1, 0}, {0, 1}};
    for (int n = 0; n < 3; ++n) {
      image.Append(Image({n, xy[n][0], xy[n][1], 0.0, n, -1, 2, 0, -1, -1, n, 0.0, 0.0, 0.0}));
      extension();
    }
    // Line n runs from vertex n to n + 1 with the face on its forward side;
    // its wings at each end are the face's other lines there.
    image.Int(3);
    for (int n = 0; n < 3; ++n) {
      const int prev = (n + 2) % 3, next = (n + 1) % 3;
      image.Append(Image({n, n, next, prev, prev, next, next, 0, -1, -1, 0, -1, 0}));
      if (r.version < 0) image.Int(0);  // colour
      extension();
    }
    image.Append(Image({1, 0, 0, 1, 2, 0, 1, 2, 0, 0, 0}));
    extension();
    image.Int(r.material ? 1 : 0);
    if (r.material) {
      image.Append(Image({0, 0.5, 0.5, 0.5, 0.75, 0.75, 0.75, 0.3, 1.0, 1.0, 1.0, 1.0, 0}));
      if (newer)
        image.Append(Image({116, 0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0, 0, 0, 0, 1 - 0.3, 0.0, 1.0, 0, 0.0, 1.0, 0}));
    }
    image.Int(0);  // groups
    image.Int(r.listACount.value_or(static_cast<int>(r.listA.size())));
    for (int value : r.listA) image.Int(value);
    image.Int(0);
    image.Int(r.selection);
    if (newer) AppendMorphBlock(image, r);
    if (r.cutAt >= 0) image.data.resize(static_cast<std::size_t>(r.cutAt));
    return image;
  }

  static void AppendMorphBlock(Bytes& image, const TriangleRecord& r) {
    if (r.blockBytes >= 0) {
      image.Int(r.size).Fill(static_cast<std::size_t>(r.blockBytes), 0xEE);
      return;
    }
    Bytes morph;
    char name[256] = "smile";
    morph.data.insert(morph.data.end(), name, name + sizeof name);
    morph.Append(Image({1.0, 2.0, 3.0, -1.0, -2.0, -3.0, 0, 2}));
    morph.Append(Image({r.targetIndex, 2, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0}));
    morph.Append(Image({1, -1, 0.0, 0.0, 0.0, 9.0, 9.0, 9.0}));
    morph.Append(Image({2, 0}));
    MatrixRecord identity;
    MUtilIdentity(identity);
    morph.Matrix(identity);
    morph.Int(r.morphTrailing);
    const int t = r.morphTrailingBytes.value_or(r.morphTrailing);
    if (t >= 16) {
      morph.Double(0.25).Double(0.0);
      if (t >= 20) morph.Int(3).Fill(static_cast<std::size_t>(t - 20), 0xEE);
      else morph.Fill(static_cast<std::size_t>(t - 16), 0xEE);
    } else if (t > 0) {
      morph.Fill(static_cast<std::size_t>(t), 0xEE);
    }
    const int blockSize = r.blockSize >= 0 ? r.blockSize : 8 + static_cast<int>(morph.data.size()) * r.morphCount;
    const int size = r.size >= 0 ? r.size : blockSize + (r.pageLineStyle ? 4 : 0) + r.surplus;
    image.Int(size).Int(blockSize).Int(r.morphCount);
    for (int i = 0; i < r.morphCount && i < 2; ++i) image.Append(morph);
    if (r.pageLineStyle) image.Int(5);
    image.Fill(static_cast<std::size_t>(r.surplus), 0xEE);
  }
};

// A mesh with rings of coincident vertices, two materials (one textured),
// a quad, a coloured crease, two levels of groups, a vertex on the mirror
// plane and two morphs, one with its own material.
MeshFixture RichMesh() {
  MeshFixture f = meshkit::MakeSeamTube(4, 1);
  meshkit::GiveTexture(f, 64, 64);  // a texture the reader keeps at its size
  MShader* plain = f->AddShader();
  plain->diffuseColor = {0.25, 0.5, 1};
  plain->opacity = 0.5;
  MFace* last = f->faces.First();
  last->SetShader(plain);
  MLine* diagonal = f.Line(1, 6);
  if (diagonal == nullptr || !f->JoinToQuad(diagonal)) ADD_FAILURE() << "the quad could not be made";
  MLine* crease = f.Line(1, 2);
  crease->flags |= kLineSharp;
  crease->SetColour({1, 0.5, 0});
  crease->SetCreaseWeight(100);
  MGroup* root = f->AddGroup();
  f->AddGroup()->parent = root;
  f.v[2]->group = root;
  f.v[1]->SetPosition({0, 1, 0});
  f.v[1]->flags |= kVertexOnMirror;
  f->SetMirrorMode(1);
  f->SetSmoothDisplay(1);
  f->SetTolerance(1e-6);
  f->SetPageLineStyle(4);
  f->SetMatrix(objecttest::Composed(0.25, 0, 0, {1, 1, 1}, {3, 2, 1}));
  f->ClearSelection();
  f.v[3]->flags |= kVertexSelected;
  f->UpdateSelectionCache();
  for (const char* name : {"smile", "blink"}) {
    MMorph* morph = f->CreateMorph();
    morph->SetName(name);
    morph->AddEntry(0, f.v[3], {1, 2, 3});
    morph->AddEntry(1, f.v[4], {4, 5, 6});
    morph->SetValue(2);
    morph->SetParams(BoundsRecord{-1, -2, -3, 1, 2, 3, 0});
    morph->AppendTransform(objecttest::Translation(0.5, 0, 0));
    morph->SetTextureOffset(0.125, 0.25);
    morph->SetIndex(7);
  }
  f->morphs.First()->SetSignFlag(1);
  f->morphs.First()->CreateOwnShader(f.shader);
  return f;
}

TEST_F(MeshRecord, EveryElementKindMaterialsAndMorphsComeBackAtTheNewestVersion) {
  MeshFixture f = RichMesh();
  ASSERT_TRUE(MeshIsValid(*f));
  const std::vector<unsigned char> bytes = WriteMesh(*f);
  std::unique_ptr<MMeshObj> read = ReadMesh(bytes);
  ASSERT_NE(read, nullptr) << EngContext().failText;
  EXPECT_TRUE(MeshIsValid(*read));
  // The record keeps the vertex cache only, as 1 or 0.
  EXPECT_EQ(read->vertexSelectionCache, 1);
  read->lineSelectionCache = f->lineSelectionCache;
  read->faceSelectionCache = f->faceSelectionCache;
  EXPECT_EQ(meshkit::DumpMesh(*read), meshkit::DumpMesh(*f));
  // The quad reads as two triangles across a hidden diagonal: one face of
  // four corners, whichever half is asked.
  int quads = 0;
  for (MLine* line : read->lines) {
    if (!(line->flags & kLineHiddenDiagonal)) continue;
    ++quads;
    MFace* partner = nullptr;
    MLine* outer[5];
    MVertex* corners[4];
    EXPECT_EQ(GetQuadCorners(line->forwardFace, &partner, outer, corners, nullptr, nullptr, nullptr), 4);
    EXPECT_EQ(partner, line->backwardFace);
    EXPECT_EQ(outer[4], line);
  }
  EXPECT_EQ(quads, 1);
  // The morph list comes back in the opposite order.
  EXPECT_STREQ(f->morphs.First()->name, "blink");
  EXPECT_STREQ(read->morphs.First()->name, "smile");
  EXPECT_TRUE(read->FindMorph("blink")->GetSignFlag());
  // Read once more (the morphs turned round again) it writes the same bytes.
  std::unique_ptr<MMeshObj> again = ReadMesh(WriteMesh(*read));
  ASSERT_NE(again, nullptr) << EngContext().failText;
  EXPECT_EQ(WriteMesh(*again), bytes);
}

TEST_F(MeshRecord, AMeshLargeEnoughToStageItsRecordsComesBackWhole) {
  // Over ten thousand elements: the records go out in large pieces and
  // come back through the loader's blocks of stored numbers.
  MeshFixture f = meshkit::MakeGrid(45, 45);
  f->UpdateSelectionCache();
  ASSERT_GT(f->vertices.Length() + f->lines.Length() + f->faces.Length(), 12000);
  const std::vector<unsigned char> bytes = WriteMesh(*f);
  std::unique_ptr<MMeshObj> read = ReadMesh(bytes);
  ASSERT_NE(read, nullptr) << EngContext().failText;
  EXPECT_TRUE(MeshIsValid(*read));
  read->lineSelectionCache = f->lineSelectionCache;
  read->faceSelectionCache = f->faceSelectionCache;
  // Compared whole: a difference would print too much to read.
  EXPECT_TRUE(meshkit::DumpMesh(*read) == meshkit::DumpMesh(*f));
  EXPECT_TRUE(WriteMesh(*read) == bytes);
}

TEST_F(MeshRecord, ABigMeshWritesTheSameBytesHoweverManyThreadsShareIt) {
  // Several chunks of vertices, lines and faces, and records of two sizes
  // (a textured face carries its coordinates): one thread writes element
  // by element, more encode chunks side by side.
  MeshFixture f = meshkit::MakeGrid(70, 70);
  meshkit::GiveTexture(f, 64, 64);  // a texture the reader keeps at its size
  MShader* plain = f->AddShader();
  int n = 0;
  for (MFace* face : f->faces)
    if (++n % 3 == 0) face->SetShader(plain);
  ASSERT_GT(f->faces.Length(), 2 * MMeshObj::kRecordChunk);
  std::vector<unsigned char> bytes;
  {
    const testsupport::ScopedWorkerThreads threads(1);
    bytes = WriteMesh(*f);
  }
  for (const int count : {2, 3, 8}) {
    const testsupport::ScopedWorkerThreads threads(count);
    EXPECT_TRUE(WriteMesh(*f) == bytes) << count << " threads";
  }
  std::unique_ptr<MMeshObj> read = ReadMesh(bytes);
  ASSERT_NE(read, nullptr) << EngContext().failText;
  read->lineSelectionCache = f->lineSelectionCache;
  read->faceSelectionCache = f->faceSelectionCache;
  read->vertexSelectionCache = f->vertexSelectionCache;
  EXPECT_TRUE(meshkit::DumpMesh(*read) == meshkit::DumpMesh(*f));
}

TEST_F(MeshRecord, AnOldVersionKeepsNeitherMorphsNorThePageLineStyle) {
  EngContext().formatVersion = -4;
  MeshFixture f = RichMesh();
  std::unique_ptr<MMeshObj> read = ReadMesh(WriteMesh(*f));
  ASSERT_NE(read, nullptr) << EngContext().failText;
  EXPECT_TRUE(MeshIsValid(*read));
  EXPECT_FALSE(read->HasMorphs());
  EXPECT_EQ(read->GetPageLineStyle(), 0);
  f->DeleteMorph("smile");
  f->DeleteMorph("blink");
  f->SetPageLineStyle(0);
  read->lineSelectionCache = f->lineSelectionCache;
  read->faceSelectionCache = f->faceSelectionCache;
  EXPECT_EQ(meshkit::DumpMesh(*read), meshkit::DumpMesh(*f));
}

// ---- byte images ------------------------------------------------------------------

TEST_F(MeshRecord, AByteImageReadsAsTheTriangleItPinsAndWritesBackTheSame) {
  for (int version : {-4, -101}) {
    SCOPED_TRACE(version);
    TriangleRecord stored;
    stored.version = version;
    stored.flagWord = 3;  // mirror mode and smooth display
    stored.selection = -1;
    stored.listA = {7, 8};  // another writer's list, skipped
    std::unique_ptr<MMeshObj> mesh = ReadMesh(TriangleImage(stored).data);
    ASSERT_NE(mesh, nullptr) << EngContext().failText;
    EXPECT_TRUE(MeshIsValid(*mesh));
    // The vertices decide the mirror mode: none lies on the plane.
    EXPECT_EQ(mesh->IsMirrorMode(), 0);
    EXPECT_EQ(mesh->IsSmoothDisplay(), 1);
    EXPECT_EQ(mesh->vertexSelectionCache, 1);
    EXPECT_EQ(mesh->GetTolerance(), 1e-8);
    ASSERT_EQ(mesh->vertices.Length(), 3);
    MVertex* v[3];
    int n = 0;
    for (MVertex* vertex : mesh->vertices) v[n++] = vertex;
    EXPECT_EQ(v[1]->position.x, 1);
    EXPECT_EQ(v[2]->position.y, 1);
    MVertex* corners[3];
    mesh->faces.First()->GetVertices(corners);
    EXPECT_EQ(corners[0], v[0]);
    EXPECT_EQ(corners[2], v[2]);
    EXPECT_EQ(mesh->shaders.First()->diffuseColor.x, 0.75);
    if (version == -101) {
      const MMorph* morph = mesh->FindMorph("smile");
      ASSERT_NE(morph, nullptr);
      EXPECT_EQ(morph->entries[0].vertex, v[2]);
      EXPECT_EQ(morph->entries[0].basePosition.y, 1);
      EXPECT_EQ(morph->entries[1].vertex, nullptr);
      EXPECT_EQ(morph->GetValue(), 2);
      EXPECT_EQ(morph->GetIndex(), 3);
      EXPECT_EQ(morph->textureOffsetU, 0.25);
      EXPECT_EQ(morph->bounds.maxZ, 3);
      EXPECT_EQ(mesh->GetPageLineStyle(), 5);
    } else {
      EXPECT_FALSE(mesh->HasMorphs());
      EXPECT_EQ(mesh->GetPageLineStyle(), 0);
    }
    TriangleRecord written;
    written.version = version;
    EXPECT_EQ(WriteMesh(*mesh), TriangleImage(written).data);
  }
}

TEST_F(MeshRecord, AMeshStoredWithoutMaterialsGetsOneDefaultMaterial) {
  TriangleRecord stored;
  stored.material = false;
  std::unique_ptr<MMeshObj> mesh = ReadMesh(TriangleImage(stored).data);
  ASSERT_NE(mesh, nullptr) << EngContext().failText;
  ASSERT_EQ(mesh->shaders.Length(), 1);
  EXPECT_EQ(mesh->faces.First()->shader, mesh->shaders.First());
  EXPECT_EQ(mesh->shaders.First()->opacity, 1.0);
}

TEST_F(MeshRecord, LaterWritersSurplusAndShortSizesAreSkipped) {
  const struct {
    const char* name;
    TriangleRecord record;
    bool morph;
    int pageLineStyle;
    int index;
  } cases[] = {
      {"no block at all", [] { TriangleRecord r; r.size = 0; r.blockBytes = 0; return r; }(), false, 0, -1},
      {"a size too short for the block", [] { TriangleRecord r; r.size = 2; r.blockBytes = 2; return r; }(), false,
       0, -1},
      {"a block without the page line style", [] { TriangleRecord r; r.pageLineStyle = false; return r; }(), true, 0,
       3},
      {"bytes after the page line style", [] { TriangleRecord r; r.surplus = 8; return r; }(), true, 5, 3},
      {"a morph with a longer trailing block", [] { TriangleRecord r; r.morphTrailing = 40; return r; }(), true, 5, 3},
      {"a morph whose trailing block ends inside its offsets",
       [] { TriangleRecord r; r.morphTrailing = 10; return r; }(), true, 5, -1},
      {"a morph with an empty trailing block", [] { TriangleRecord r; r.morphTrailing = 0; return r; }(), true, 5,
       -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<MMeshObj> mesh = ReadMesh(TriangleImage(c.record).data);
    ASSERT_NE(mesh, nullptr) << EngContext().failText;
    EXPECT_EQ(mesh->HasMorphs(), c.morph);
    EXPECT_EQ(mesh->GetPageLineStyle(), c.pageLineStyle);
    if (c.morph) {
      EXPECT_EQ(mesh->morphs.First()->GetIndex(), c.index);
    }
  }
}

TEST_F(MeshRecord, DamagedRecordsAreLoadFailures) {
  const std::size_t whole = TriangleImage(TriangleRecord{}).data.size();
  const struct {
    const char* name;
    TriangleRecord record;
  } cases[] = {
      {"a negative vertex count", [] { TriangleRecord r; r.vertexCount = -1; return r; }()},
      {"a vertex count past the file", [] { TriangleRecord r; r.vertexCount = 1000000; return r; }()},
      {"a negative list count", [] { TriangleRecord r; r.listACount = -2; return r; }()},
      {"a list longer than the file", [] { TriangleRecord r; r.listACount = 1 << 28; return r; }()},
      {"a file cut inside the faces", [] { TriangleRecord r; r.cutAt = 1000; return r; }()},
      {"a file cut inside the morph", [&] { TriangleRecord r; r.cutAt = static_cast<int>(whole) - 200; return r; }()},
      {"a block size past the file", [] { TriangleRecord r; r.size = 100000; return r; }()},
      {"a morph block smaller than its head", [] { TriangleRecord r; r.blockSize = 4; return r; }()},
      {"a morph block larger than its size", [] { TriangleRecord r; r.size = 600; r.blockSize = 700; return r; }()},
      {"a morph count the block cannot hold", [] { TriangleRecord r; r.morphCount = 1000; return r; }()},
      {"morphs running past their block", [] { TriangleRecord r; r.blockSize = 108; return r; }()},
      {"a negative target index", [] { TriangleRecord r; r.targetIndex = -1; return r; }()},
      {"a morph's trailing block past the file", [] {
         TriangleRecord r;
         r.morphTrailing = 1000;
         r.morphTrailingBytes = 20;
         return r;
       }()},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EngContext().ClearFailure();
    EXPECT_EQ(ReadMesh(TriangleImage(c.record).data), nullptr);
    EXPECT_EQ(FailState(), kEngFailFailed);
    EXPECT_EQ(FailReason(), kEngReasonCorruptFile) << EngContext().failText;
  }
}

TEST_F(MeshRecord, RunningOutOfMemoryAnywhereInTheReaderFailsCleanly) {
  const std::vector<unsigned char> bytes = TriangleImage(TriangleRecord{}).data;
  const int allocations = meshkit::ForEachAllocationFailure(
      [&] {
        const bool read = ReadMesh(bytes) != nullptr;
        EXPECT_NE(read, FailState() == kEngFailFailed);
      },
      [this](int) { EXPECT_EQ(FailReason(), kEngReasonOutOfMemory); });
  EXPECT_GT(allocations, 10);
}

// ---- repairs after loading ---------------------------------------------------------------

TEST_F(MeshRecord, LoadingDropsHiddenFlagsAndRingMembersThatCannotHold) {
  MeshFixture f = meshkit::MakeGrid(2, 1);
  // A border line cannot be a diagonal, and a face can be half of one quad
  // only; two vertices joined by a line cannot be coincident.
  f.Line(0, 1)->flags |= kLineHiddenDiagonal;
  f.Line(1, 4)->flags |= kLineHiddenDiagonal;
  f.Line(1, 5)->flags |= kLineHiddenDiagonal;
  f.v[4]->JoinRing(f.v[5]);
  f.v[5]->position = f.v[4]->position;
  f.v[0]->flags |= kVertexOnMirror;
  f->SetMirrorMode(0);
  std::unique_ptr<MMeshObj> mesh = ReadMesh(WriteMesh(*f));
  ASSERT_NE(mesh, nullptr) << EngContext().failText;
  EXPECT_TRUE(MeshIsValid(*mesh));
  int hidden = 0;
  for (const MLine* line : mesh->lines) {
    if (!(line->flags & kLineHiddenDiagonal)) continue;
    ++hidden;
    EXPECT_NE(line->forwardFace, nullptr);
    EXPECT_NE(line->backwardFace, nullptr);
    EXPECT_EQ(mesh->GetQuadPartner(line->forwardFace), line->backwardFace);
  }
  EXPECT_EQ(hidden, 1);
  for (const MVertex* v : mesh->vertices) EXPECT_EQ(v->ringNext, v);
  // The mirror mode follows the vertices, not the flag word.
  EXPECT_EQ(mesh->IsMirrorMode(), 1);
}

TEST_F(MeshRecord, RepairsGiveTexturedFacesCoordinatesAndAlignQuadHalves) {
  MeshFixture f = meshkit::MakeQuadPair(true);
  meshkit::GiveTexture(f);
  MFace* a = f.Line(0, 1)->LeavingFace(f.v[0]);
  MFace* b = f.Line(0, 3)->ArrivingFace(f.v[0]);
  // The second half's coordinates are one repeat away from the first's:
  // the first face in the list takes its partner along.
  for (int k = 0; k < 3; ++k) b->uv->corner[k].u += 1;
  f->RepairAfterLoad();
  double ua = 0, ub = 0, va = 0, vb = 0;
  for (int corner : {0, 2}) {
    f.v[corner]->GetFaceUV(a, ua, va);
    f.v[corner]->GetFaceUV(b, ub, vb);
    EXPECT_EQ(ua, ub);
    EXPECT_EQ(va, vb);
  }
  f.v[1]->GetFaceUV(a, ua, va);
  f.v[3]->GetFaceUV(b, ub, vb);
  EXPECT_EQ(ua - f.v[1]->position.x, ub - f.v[3]->position.x);
  // A half of a textured material without coordinates gets a block before
  // the halves are aligned.
  MFace::DeleteUVBlock(a->uv);
  a->uv = nullptr;
  f->RepairAfterLoad();
  ASSERT_NE(a->uv, nullptr);
  EXPECT_TRUE(MeshIsValid(*f));
}

TEST_F(MeshRecord, AQuadWithAnUntexturedHalfLoadsWithItsCoordinatesAsTheyWere) {
  // Aligning needs the coordinates of both halves; a half of a plain
  // material has none, and the quad is left as it is rather than ending the
  // program.
  MeshFixture f = meshkit::MakeQuadPair(true);
  meshkit::GiveTexture(f, 64, 64);  // a texture the reader keeps at its size
  MFace* textured = f.Line(0, 1)->LeavingFace(f.v[0]);
  MFace* plain = f.Line(0, 3)->ArrivingFace(f.v[0]);
  plain->SetShader(f->AddShader());
  ASSERT_EQ(plain->uv, nullptr);
  for (MFaceUV::Pair& pair : textured->uv->corner) pair.u += 3;
  std::unique_ptr<MMeshObj> read;
  EXPECT_FALSE(EndsInFatalExit([&] { read = ReadMesh(WriteMesh(*f)); }));
  ASSERT_NE(read, nullptr) << EngContext().failText;
  EXPECT_TRUE(MeshIsValid(*read));
  read->lineSelectionCache = f->lineSelectionCache;
  read->faceSelectionCache = f->faceSelectionCache;
  read->vertexSelectionCache = f->vertexSelectionCache;
  EXPECT_EQ(meshkit::DumpMesh(*read), meshkit::DumpMesh(*f));
}

TEST_F(MeshRecord, TheFactoryMakesMeshesOnceTheServicesAreInstalled) {
  RegisterObjectCreator(kObjectMesh, nullptr);
  const std::vector<unsigned char> bytes = TriangleImage(TriangleRecord{}).data;
  EXPECT_EQ(ReadMesh(bytes), nullptr);
  EngContext().ClearFailure();
  InstallMeshObjectServices();
  EXPECT_NE(ReadMesh(bytes), nullptr);
}

}  // namespace
