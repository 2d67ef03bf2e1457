// The element records (vertex, line, face, group): round trips at every
// format version, hand-built byte images that pin the layouts, and damaged
// records, which are load failures and never end the program.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "meshkit/MeshTestSupport.h"
#include "support/TempDir.h"

namespace {

using namespace engine;
using meshkit::MeshFixture;
using meshkit::MeshIsValid;
using objecttest::Bytes;
using objecttest::Field;
using objecttest::Image;

// The 80 bytes of a vertex record: own number, position, the seven ints
// (first line, group, line count, flags, line under it, partner, ring
// member) and the face parameters.
Bytes VertexImage(std::initializer_list<Field> sevenInts) {
  Bytes image = Image({0, 0.0, 0.0, 0.0});
  image.Append(Image(sevenInts));
  return image.Append(Image({0.0, 0.0, 0.0}));
}

class ElementRecord : public meshkit::MeshTest {
 protected:
  std::unique_ptr<QFile> Open(const Bytes& image) {
    return std::make_unique<QFile>(dir_.Write("image.bin", image.data), platform::File::Mode::kRead);
  }
  std::string Path(const char* name) const { return dir_.File(name); }

  testsupport::TempDir dir_;
};

// Writes the mesh's vertex, line, face and group records (numbered first)
// and reads them into a new mesh made with the factories, as a mesh record
// does: the elements exist before any stored number is resolved, and the
// lists are turned round afterwards. Null (and the failure recorded) when
// reading fails.
std::unique_ptr<MMeshObj> RoundTrip(MMeshObj& source, const std::string& path) {
  int counter = 0;
  source.AssignIndex(counter);
  {
    QFile out(path, platform::File::Mode::kCreateWrite);
    for (MVertex* v : source.vertices) v->WriteTo(out);
    for (MLine* line : source.lines) line->WriteTo(out);
    for (MFace* face : source.faces) face->WriteTo(out);
    for (MGroup* group : source.groups) group->WriteTo(out);
    out.FlushAndClose();
  }
  auto mesh = std::make_unique<MMeshObj>();
  MeshElementTables tables;
  QFile in(path, platform::File::Mode::kRead);
  bool ok = true;
  for (int i = 0; i < source.vertexCount && ok; ++i) ok = tables.vertices.Add(mesh->NewVertex()) && tables.vertices[i]->ReadFrom(in);
  for (int i = 0; i < source.lineCount && ok; ++i) ok = tables.lines.Add(mesh->NewLine()) && tables.lines[i]->ReadFrom(in);
  for (int i = 0; i < source.faceCount && ok; ++i) ok = tables.faces.Add(mesh->NewFace()) && tables.faces[i]->ReadFrom(in);
  for (int i = 0; i < source.shaderCount && ok; ++i) ok = tables.shaders.Add(mesh->AddShader());
  for (int i = 0; i < source.groupCount && ok; ++i) ok = tables.groups.Add(mesh->AddGroup()) && tables.groups[i]->ReadFrom(in);
  for (int i = 0; i < tables.vertices.count && ok; ++i) ok = tables.vertices[i]->ResolveIndices(tables);
  for (int i = 0; i < tables.lines.count && ok; ++i) ok = tables.lines[i]->ResolveIndices(tables);
  for (int i = 0; i < tables.faces.count && ok; ++i) ok = tables.faces[i]->ResolveIndices(tables);
  for (int i = 0; i < tables.groups.count && ok; ++i) ok = tables.groups[i]->ResolveIndices(tables);
  if (!ok) return nullptr;
  MGroup::BreakParentCycles(tables.groups);
  mesh->vertices.Reverse();
  mesh->lines.Reverse();
  mesh->faces.Reverse();
  mesh->shaders.Reverse();
  mesh->groups.Reverse();
  if (!mesh->CheckLoadedLinks()) return nullptr;
  return mesh;
}

// A tube with a seam (rings), a textured material, a two-level group, a
// mirror pair, a coloured crease line and a line drawn on a face from a
// vertex lying on the face's first line.
MeshFixture RichMesh() {
  MeshFixture f = meshkit::MakeSeamTube(3, 1);
  f.shader->texture = meshkit::BlankTexture();
  for (MFace* face : f->faces) face->SetShader(f.shader);
  f->faces.First()->SetUVs(0.125, 0.25, 0.5, 0.75, 1, 0.0625);
  MGroup* root = f->AddGroup();
  MGroup* child = f->AddGroup();
  child->parent = root;
  f.v[0]->group = child;
  f.Line(0, 1)->group = root;
  f.v[1]->mirrorPartner = f.v[2];
  f.v[2]->mirrorPartner = f.v[1];
  MLine* crease = f.Line(1, 2);
  crease->SetColour({1, 0.5, 0.25});
  crease->SetCreaseWeight(100);
  crease->pairValue = -3;
  f.v[3]->flags |= kVertexSelected | 0x00310000;
  MFace* face = f->faces.First();
  MLine* under = face->firstLine;
  MVertex* on = f->AddVertex(under->PointAt(0.5));
  on->lineT = 0.5;
  under->AddOnLineVertex(on);
  MVertex* inside = f->AddVertex({0, 0, 0.5});
  inside->faceS = 0.25;
  inside->faceT = 0.25;
  f->AddLineOnFace(on, inside, nullptr, nullptr, nullptr, nullptr, face);
  return f;
}

TEST_F(ElementRecord, RecordsRoundTripAtEveryFormatVersion) {
  // Older versions store no line colour; versions below -4 add extensions.
  for (int version : {0, -1, -4, -5, -101}) {
    SCOPED_TRACE(version);
    EngContext().formatVersion = version;
    MeshFixture source = RichMesh();
    ASSERT_TRUE(MeshIsValid(*source, 0));
    std::unique_ptr<MMeshObj> read = RoundTrip(*source, Path("elements.bin"));
    ASSERT_NE(read, nullptr) << EngContext().failText;
    read->shaders.First()->texture = meshkit::BlankTexture();
    if (version >= 0)
      for (MLine* line : source->lines) line->colourR = line->colourG = line->colourB = 0;
    EXPECT_EQ(meshkit::DumpMesh(*read), meshkit::DumpMesh(*source));
    EXPECT_TRUE(MeshIsValid(*read, 0));
  }
}

TEST_F(ElementRecord, AVertexRecordHasItsFixedLayout) {
  EngContext().formatVersion = -5;
  // With an extension of 4 bytes.
  const Bytes image =
      Image({7, 1.5, -2.0, 0.25, 1, -1, 2, 0x80000082u, -1, 0, 0, 0.125, 0.5, 0.75, 4}).Fill(4, 0xEE);
  MeshFixture f = meshkit::MakeEmptyMesh();
  MeshElementTables tables;
  tables.vertices.Add(f->NewVertex());
  tables.lines.Add(f->NewLine());
  tables.lines.Add(f->NewLine());
  MVertex* v = tables.vertices[0];
  auto in = Open(image);
  ASSERT_TRUE(v->ReadFrom(*in));
  EXPECT_EQ(in->BytesLeft(), 0);
  ASSERT_TRUE(v->ResolveIndices(tables));
  EXPECT_EQ(v->position.x, 1.5);
  EXPECT_EQ(v->position.y, -2.0);
  EXPECT_EQ(v->firstLine, tables.lines[1]);
  EXPECT_EQ(v->group, nullptr);
  EXPECT_EQ(v->lineCount, 2);
  EXPECT_EQ(v->flags, 0x80000082u);
  EXPECT_EQ(v->mirrorPartner, v);
  EXPECT_EQ(v->ringNext, v);
  EXPECT_EQ(v->faceT, 0.5);
  EXPECT_EQ(v->lineT, 0.75);
  EXPECT_EQ(v->loadIndex, nullptr);

  // The writer gives the same bytes, with an empty extension.
  v->id = 7;
  tables.lines[1]->id = 1;
  v->mirrorPartner = nullptr;
  {
    QFile out(Path("vertex.bin"), platform::File::Mode::kCreateWrite);
    v->WriteTo(out);
    out.FlushAndClose();
  }
  const Bytes expected = Image({7, 1.5, -2.0, 0.25, 1, -1, 2, 0x80000082u, -1, -1, 7, 0.125, 0.5, 0.75, 0});
  EXPECT_EQ(testsupport::TempDir::ReadAll(Path("vertex.bin")), expected.data);
  // Without the newer block the record is 80 bytes.
  EngContext().formatVersion = -4;
  {
    QFile out(Path("old.bin"), platform::File::Mode::kCreateWrite);
    v->WriteTo(out);
    out.FlushAndClose();
  }
  EXPECT_EQ(testsupport::TempDir::ReadAll(Path("old.bin")).size(), 80u);
}

TEST_F(ElementRecord, LineRecordsReadTheirColourAndWidthByVersion) {
  const struct {
    int version;
    bool colourStored;
    bool extension;
    std::uint32_t storedWidth;
    int width;
    int red;
  } cases[] = {
      {0, false, false, 0, 1, 0},   // oldest: black, and no width means one pixel
      {-1, true, false, 0, 1, 0x12},
      {-4, true, false, 0, 0, 0x12},
      {-5, true, true, 0, 0, 0x12},  // newer files keep a width of 0
      {-5, true, true, 3, 3, 0x12},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.version);
    EngContext().formatVersion = c.version;
    Bytes image = Image({0, 0, 1, 0, 0, 0, 0, -1, -1, -1, 0x01 | (c.storedWidth << 16), -1, 9});
    if (c.colourStored) image.Int(0x123456);
    if (c.extension) image.Int(0);
    MeshFixture f = meshkit::MakeEmptyMesh();
    MLine* line = f->NewLine();
    auto in = Open(image);
    ASSERT_TRUE(line->ReadFrom(*in));
    EXPECT_EQ(in->BytesLeft(), 0);
    EXPECT_EQ(line->GetWidth(), c.width);
    EXPECT_TRUE(line->IsSharp());
    EXPECT_EQ(line->pairValue, 9);
    EXPECT_EQ(line->colourR, c.red);
    EXPECT_EQ(line->colourB, c.colourStored ? 0x56 : 0);
  }
}

TEST_F(ElementRecord, FaceRecordsCarryTextureCoordinatesOnlyWhenFlagged) {
  EngContext().formatVersion = -5;
  for (bool textured : {false, true}) {
    SCOPED_TRACE(textured);
    Bytes image = Image({0, 0, 1, 2, 1, 2, 0, 0, textured ? 1 : 0});
    if (textured)
      for (double d : {0.0, 0.5, 1.0, 0.5, 0.25, 1.0}) image.Double(d);
    image.Int(0).Int(0);
    MeshFixture f = meshkit::MakeEmptyMesh();
    MeshElementTables tables;
    tables.lines.Add(f->NewLine());
    tables.lines.Add(f->NewLine());
    tables.shaders.Add(f.shader);
    MFace* face = f->NewFace();
    auto in = Open(image);
    ASSERT_TRUE(face->ReadFrom(*in));
    EXPECT_EQ(in->BytesLeft(), 0);
    ASSERT_TRUE(face->ResolveIndices(tables));
    EXPECT_EQ(face->firstLine, tables.lines[1]);
    EXPECT_EQ(face->shader, f.shader);
    if (textured) {
      ASSERT_NE(face->uv, nullptr);
      EXPECT_EQ(face->uv->corner[1].v, 0.5);
      EXPECT_EQ(face->uv->corner[2].u, 0.25);
    } else {
      EXPECT_EQ(face->uv, nullptr);
    }
  }
}

// A damaged record, read into a small mesh: the tables hold 2 vertices,
// 2 lines, 1 face, the given materials and groups.
struct Damage {
  const char* name;
  int version;
  Bytes image;
  // 'v' vertex, 'l' line, 'f' face record.
  char kind;
  int shaders;
};

TEST_F(ElementRecord, DamagedRecordsAreLoadFailuresThatNeverEndTheProgram) {
  const Damage cases[] = {
      {"a line flag that is never stored", -5, Image({0, 0, 1, 0, 0, 0, 0, -1, -1, -1, 0x400, -1, 0, 0, 0}), 'l', 1},
      {"a vertex with lines and no first line", -4,
       VertexImage({-1, -1, 2, 0, -1, -1, 0}),
       'v', 1},
      {"a first line past the lines", -4,
       VertexImage({2, -1, 1, 0, -1, -1, 0}),
       'v', 1},
      {"a negative line count", -4,
       VertexImage({0, -1, -3, 0, -1, -1, 0}),
       'v', 1},
      {"a ring member past the vertices", -4,
       VertexImage({-1, -1, 0, 0, -1, -1, 9}),
       'v', 1},
      {"a line end past the vertices", -1, Image({0, 0, 5, 0, 0, 0, 0, -1, -1, -1, 0, -1, 0, 0}), 'l', 1},
      {"a line joining a vertex to itself", -1, Image({0, 1, 1, 0, 0, 0, 0, -1, -1, -1, 0, -1, 0, 0}), 'l', 1},
      {"a wing past the lines", -1, Image({0, 0, 1, 0, -2, 0, 0, -1, -1, -1, 0, -1, 0, 0}), 'l', 1},
      {"a face named past the faces", -1, Image({0, 0, 1, 0, 0, 0, 0, 1, -1, -1, 0, -1, 0, 0}), 'l', 1},
      {"a face with a material when there is none", -4, Image({0, 0, 1, 2, 0, 1, 2, 0, 0, 0}), 'f', 0},
      {"a face's first line past the lines", -4, Image({0, 0, 1, 2, 7, 1, 2, 0, 0, 0}), 'f', 1},
      {"a record cut short", -4, Image({0, 0.0, 0.0}), 'v', 1},
      {"a negative extension", -5, Image({0, 0, 1, 2, 0, 1, 2, 0, 0, 0, -8}), 'f', 1},
      {"an extension longer than the file", -5, Image({0, 0, 1, 2, 0, 1, 2, 0, 0, 0, 100}), 'f', 1},
  };
  for (const Damage& c : cases) {
    SCOPED_TRACE(c.name);
    EngContext().ClearFailure();
    EngContext().formatVersion = c.version;
    MeshFixture f = meshkit::MakeEmptyMesh();
    MeshElementTables tables;
    for (int i = 0; i < 2; ++i) tables.vertices.Add(f->NewVertex());
    for (int i = 0; i < 2; ++i) tables.lines.Add(f->NewLine());
    tables.faces.Add(f->NewFace());
    for (int i = 0; i < c.shaders; ++i) tables.shaders.Add(f->AddShader());
    auto in = Open(c.image);
    bool ok = false;
    EXPECT_FALSE(EndsInFatalExit([&] {
      if (c.kind == 'v') ok = tables.vertices[0]->ReadFrom(*in) && tables.vertices[0]->ResolveIndices(tables);
      if (c.kind == 'l') ok = tables.lines[0]->ReadFrom(*in) && tables.lines[0]->ResolveIndices(tables);
      if (c.kind == 'f') ok = tables.faces[0]->ReadFrom(*in) && tables.faces[0]->ResolveIndices(tables);
    }));
    EXPECT_FALSE(ok);
    EXPECT_EQ(FailState(), kEngFailFailed);
    EXPECT_EQ(FailReason(), kEngReasonCorruptFile);
    EXPECT_FALSE(EngContext().failText.empty());
  }
}

TEST_F(ElementRecord, GroupNumbersPastTheTableNameTheLastGroupButNeedAGroupToName) {
  EngContext().formatVersion = -4;
  const Bytes image = VertexImage({-1, 5, 0, 0, -1, -1, 0});
  for (int groups : {2, 0}) {
    SCOPED_TRACE(groups);
    MeshFixture f = meshkit::MakeEmptyMesh();
    MeshElementTables tables;
    tables.vertices.Add(f->NewVertex());
    for (int i = 0; i < groups; ++i) tables.groups.Add(f->AddGroup());
    auto in = Open(image);
    ASSERT_TRUE(tables.vertices[0]->ReadFrom(*in));
    const bool resolved = tables.vertices[0]->ResolveIndices(tables);
    EXPECT_EQ(resolved, groups != 0);
    if (groups != 0) {
      EXPECT_EQ(tables.vertices[0]->group, tables.groups[1]);
    } else {
      EXPECT_EQ(FailReason(), kEngReasonCorruptFile);
    }
  }
}

TEST_F(ElementRecord, BrokenTopologyInALoadedMeshIsALoadFailure) {
  const struct {
    const char* name;
    std::function<void(MeshFixture&)> damage;
  } cases[] = {
      {"a wing that does not point back", [](MeshFixture& f) { f.Line(0, 1)->nextAround0 = f.Line(2, 3); }},
      {"a ring that does not close", [](MeshFixture& f) {
         f.v[0]->ringNext = f.v[1];
         f.v[1]->ringNext = f.v[1];
       }},
      {"a vertex counting lines it does not have", [](MeshFixture& f) { f.v[2]->lineCount = 7; }},
      // Each element's own links hold in these two; only counting finds
      // the line that removing it would leave dangling.
      {"a line hanging at a vertex outside the vertex's cycle",
       [](MeshFixture& f) {
         MLine* first = f.v[0]->firstLine;
         f->AddLine(f.v[0], f->AddVertex({2, 2, 2}), nullptr, nullptr, nullptr, nullptr);
         f.v[0]->firstLine = first;
         --f.v[0]->lineCount;
       }},
      {"a line naming a face whose loop does not run along it",
       [](MeshFixture& f) {
         MLine* stray = f->AddLine(f->AddVertex({2, 2, 2}), f->AddVertex({3, 3, 3}), nullptr, nullptr, nullptr, nullptr);
         stray->forwardFace = f->faces.First();
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EngContext().ClearFailure();
    MeshFixture f = meshkit::MakeTetra();
    c.damage(f);
    std::unique_ptr<MMeshObj> read;
    EXPECT_FALSE(EndsInFatalExit([&] { read = RoundTrip(*f, Path("broken.bin")); }));
    EXPECT_EQ(read, nullptr);
    EXPECT_EQ(FailReason(), kEngReasonCorruptFile);
    EXPECT_NE(EngContext().failText.find("broken links"), std::string::npos) << EngContext().failText;
    // Undo the damage so the source can be freed.
    f.v[0]->ringNext = f.v[0];
    f.v[1]->ringNext = f.v[1];
  }
}

TEST_F(ElementRecord, OneSidedMirrorPartnersAreDroppedAtLoad) {
  // 0 and 1 are a pair; 2 names 1, which does not name it back; 3 names
  // itself (a vertex on the mirror plane).
  MeshFixture f = meshkit::MakeTetra();
  f.v[0]->mirrorPartner = f.v[1];
  f.v[1]->mirrorPartner = f.v[0];
  f.v[2]->mirrorPartner = f.v[1];
  f.v[3]->mirrorPartner = f.v[3];
  EXPECT_FALSE(MeshIsValid(*f, 0));
  std::unique_ptr<MMeshObj> read = RoundTrip(*f, Path("mirror.bin"));
  ASSERT_NE(read, nullptr) << EngContext().failText;
  EXPECT_TRUE(MeshIsValid(*read, 0));
  // The lists were turned round: find the read vertices by position.
  const auto at = [&](const MVertex* source) {
    for (MVertex* v : read->vertices)
      if (v->position.x == source->position.x && v->position.y == source->position.y &&
          v->position.z == source->position.z)
        return v;
    return static_cast<MVertex*>(nullptr);
  };
  ASSERT_NE(at(f.v[0]), nullptr);
  EXPECT_EQ(at(f.v[0])->mirrorPartner, at(f.v[1]));
  EXPECT_EQ(at(f.v[1])->mirrorPartner, at(f.v[0]));
  EXPECT_EQ(at(f.v[2])->mirrorPartner, nullptr);
  EXPECT_EQ(at(f.v[3])->mirrorPartner, at(f.v[3]));
  f.v[2]->mirrorPartner = nullptr;
}

TEST_F(ElementRecord, GroupParentCyclesBecomeRootsAtLoad) {
  // Parents: 0 names itself; 1 and 2 name each other; 3 names one past the
  // groups; 4 names 1; 5 has none.
  const int parents[6] = {0, 2, 1, 6, 1, -1};
  for (int version : {-4, -5}) {
    SCOPED_TRACE(version);
    EngContext().formatVersion = version;
    Bytes image;
    for (int parent : parents) {
      image.Int(0).Int(parent);
      if (version < -4) image.Int(0);
    }
    EXPECT_EQ(image.data.size(), version < -4 ? 72u : 48u);
    MeshFixture f = meshkit::MakeEmptyMesh();
    MeshElementTables tables;
    auto in = Open(image);
    for (int i = 0; i < 6; ++i) {
      tables.groups.Add(f->AddGroup());
      ASSERT_TRUE(tables.groups[i]->ReadFrom(*in));
    }
    for (int i = 0; i < 6; ++i) ASSERT_TRUE(tables.groups[i]->ResolveIndices(tables));
    MGroup::BreakParentCycles(tables.groups);
    MGroup* const* g = tables.groups.items;
    EXPECT_EQ(g[0]->parent, nullptr);
    EXPECT_EQ(g[1]->parent, g[2]);
    EXPECT_EQ(g[2]->parent, nullptr);
    EXPECT_EQ(g[3]->parent, nullptr);
    EXPECT_EQ(g[4]->GetRoot(), g[2]);
    EXPECT_EQ(g[5]->GetRoot(), g[5]);
    EXPECT_EQ(g[0]->id, 0);
  }
  // A cycle made in memory stops the walk too.
  MGroup a;
  MGroup b;
  a.parent = &b;
  b.parent = &a;
  EXPECT_EQ(a.GetRoot(), &a);
  a.parent = &a;
  EXPECT_EQ(a.GetRoot(), &a);
}

}  // namespace
