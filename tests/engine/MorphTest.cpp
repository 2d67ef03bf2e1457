// Morphs and morph targets: values and signs, frames, copies, and their
// records (sizes, round trips, trailing blocks of later writers, damage).
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/core/EngMath.h"
#include "meshkit/RecordFiles.h"

namespace {

using namespace engine;
using meshkit::MeshFixture;
using objecttest::Bytes;
using objecttest::Image;

using MorphRecord = meshkit::RecordFileTest;
using Morph = meshkit::MeshTest;

void ExpectNear(const PointRecord& a, const PointRecord& b) {
  EXPECT_NEAR(a.x, b.x, 1e-12);
  EXPECT_NEAR(a.y, b.y, 1e-12);
  EXPECT_NEAR(a.z, b.z, 1e-12);
}

TEST_F(Morph, TheValueKeepsItsSignFlagApart) {
  MMorph morph;
  morph.SetValue(3);
  morph.SetSignFlag(1);
  EXPECT_EQ(morph.value, -3);
  morph.SetValue(5);
  EXPECT_EQ(morph.value, -5);
  EXPECT_EQ(morph.GetValue(), 5);
  EXPECT_TRUE(morph.GetSignFlag());
  morph.SetSignFlag(0);
  EXPECT_EQ(morph.value, 5);
}

TEST_F(Morph, TheFrameAppliesTransformsInTheOrderTheyCame) {
  MMorph morph;
  const MatrixRecord t1 = objecttest::Composed(0.3, 0, 0, {2, 2, 2}, {0, 0, 0});
  const MatrixRecord t2 = objecttest::Translation(1, 2, 3);
  morph.AppendTransform(t1);
  morph.AppendTransform(t2);
  const PointRecord p{1, -1, 0.5};
  PointRecord expected, once, moved;
  MUtilTransformPoint(t1, p, once);
  MUtilTransformPoint(t2, once, expected);
  morph.TransformPoint(p, moved);
  ExpectNear(moved, expected);
  // Vectors take no translation; the inverse takes points back.
  PointRecord vector, back;
  morph.TransformVector(p, vector);
  MUtilTransformVector(t1, p, once);
  ExpectNear(vector, once);
  morph.UpdateInverse();
  morph.InverseTransformPoint(moved, back);
  ExpectNear(back, p);
  // The saved frame trades places with the frame.
  morph.SaveTransform();
  morph.AppendTransform(t2);
  morph.SwapSavedTransform();
  morph.TransformPoint(p, back);
  ExpectNear(back, expected);
}

TEST_F(Morph, ACloneCarriesEverythingButTheIndexAndFollowsCopiedVertices) {
  MeshFixture f = meshkit::MakeTetra();
  MMorph morph;
  morph.SetName("brow");
  morph.AddEntry(4, f.v[1], {1, 2, 3});
  morph.AddEntry(5, nullptr, {4, 5, 6});
  morph.SetValue(6);
  morph.SetIndex(3);
  morph.AppendTransform(objecttest::Translation(1, 0, 0));
  morph.SetTextureOffset(0.5, 0.25);
  f.shader->diffuseColor = {1, 0, 0};
  morph.CreateOwnShader(f.shader);
  std::unique_ptr<MMorph> clone(morph.Clone());
  ASSERT_NE(clone, nullptr);
  EXPECT_EQ(morph.Copy(), clone.get());
  EXPECT_STREQ(clone->name, "brow");
  EXPECT_EQ(clone->GetIndex(), -1);
  EXPECT_EQ(clone->GetValue(), 6);
  ASSERT_EQ(clone->GetEntryCount(), 2);
  EXPECT_EQ(clone->entries[0].targetIndex, 4);
  EXPECT_EQ(clone->entries[1].basePosition.z, 6);
  EXPECT_TRUE(MUtilMatrixEqual(clone->frame, morph.frame));
  EXPECT_EQ(clone->textureOffsetV, 0.25);
  ASSERT_NE(clone->GetShader(), nullptr);
  EXPECT_NE(clone->GetShader(), morph.GetShader());
  EXPECT_TRUE(clone->GetShader()->IsEqual(*f.shader, false));
  // After a copy of the mesh each entry follows its vertex's copy.
  MVertex stand;
  f.v[1]->copy = &stand;
  clone->RemapToCopies();
  EXPECT_EQ(clone->entries[0].vertex, &stand);
  EXPECT_EQ(clone->entries[1].vertex, nullptr);
  f.v[1]->copy = nullptr;
}

TEST_F(Morph, TargetVectorsAreSizedByTheMorphAndCheckedWhenSet) {
  MMorphTgt target;
  target.SetVectorCount(3);
  EXPECT_EQ(target.GetVectorCount(), 3);
  target.SetVector(2, {1, 2, 3});
  PointRecord v;
  target.GetVector(v, 2);
  EXPECT_EQ(v.z, 3);
  EXPECT_TRUE(EndsInFatalExit([&] { target.SetVector(3, {0, 0, 0}); }));
  {
    EngAllocFailureScope fail(1, true);
    target.SetVectorCount(40);
  }
  EXPECT_EQ(target.GetVectorCount(), 0);
  EXPECT_EQ(FailReason(), kEngReasonOutOfMemory);
}

// ---- records ---------------------------------------------------------------------------

TEST_F(MorphRecord, AMorphComesBackWithItsNameEntriesMaterialAndFrame) {
  MeshFixture f = meshkit::MakeTetra();
  meshkit::GiveTexture(f, 64, 64);
  int counter = 0;
  f->AssignIndex(counter);
  MMorph morph;
  morph.SetName("\xE7\xAC\x91\xE9\xA1\x94");  // a Japanese name: two characters
  morph.AddEntry(0, f.v[2], {1, 2, 3});
  morph.AddEntry(1, f.v[0], {-1, 0.5, 0});
  morph.SetParams(BoundsRecord{-1, 0, 0, 1, 2, 3, 0});
  morph.SetValue(2);
  morph.SetSignFlag(1);
  morph.CreateOwnShader(f.shader);
  morph.AppendTransform(objecttest::Composed(0, 0.5, 0, {1, 1, 1}, {0, 1, 0}));
  morph.SetTextureOffset(0.125, -0.5);
  morph.SetIndex(9);
  int size = 0;
  morph.WriteTo(*OpenBytes({}), &size);
  const std::vector<unsigned char> bytes = Written([&](QFile& out) { morph.WriteTo(out, nullptr); });
  EXPECT_EQ(static_cast<int>(bytes.size()), size);
  int materialSize = 0;
  f.shader->WriteTo(nullptr, &materialSize);
  EXPECT_EQ(size, 320 + 2 * 56 + materialSize + 152);
  // The name is stored as code page 932: two bytes a character.
  EXPECT_EQ(bytes[4], 0);
  EXPECT_NE(bytes[3], 0);

  MMorph read;
  auto in = OpenBytes(bytes);
  ASSERT_TRUE(read.ReadFrom(*in)) << EngContext().failText;
  EXPECT_EQ(in->BytesLeft(), 0);
  EXPECT_STREQ(read.name, morph.name);
  read.ResolveVertexRefs(EngArray<MVertex*>());
  EXPECT_EQ(read.entries[0].vertex, nullptr);
  EngArray<MVertex*> table;
  for (MVertex* v : f->vertices) table.Add(v);
  read.ResolveVertexRefs(table);
  EXPECT_EQ(read.entries[0].vertex, f.v[2]);
  EXPECT_EQ(read.entries[1].vertex, f.v[0]);
  EXPECT_EQ(read.entries[1].basePosition.y, 0.5);
  EXPECT_EQ(read.value, -2);
  EXPECT_EQ(read.bounds.maxZ, 3);
  EXPECT_EQ(read.bounds.empty, 0);
  EXPECT_TRUE(MUtilMatrixEqual(read.frame, morph.frame));
  EXPECT_EQ(read.textureOffsetV, -0.5);
  EXPECT_EQ(read.GetIndex(), 9);
  ASSERT_NE(read.GetShader(), nullptr);
  EXPECT_TRUE(read.GetShader()->IsEqual(*f.shader, false));
}

TEST_F(MorphRecord, EntriesWithoutALiveVertexAreStoredWithoutOne) {
  MeshFixture f = meshkit::MakeTetra();
  MMorph morph;
  morph.AddEntry(0, f.v[3], {0, 0, 0});
  f.v[3]->state = kItemRemoved;  // as a removed vertex kept for undo
  f.v[3]->id = 1;               // whatever an earlier walk left there
  const std::vector<unsigned char> bytes = Written([&](QFile& out) { morph.WriteTo(out, nullptr); });
  const Bytes number = Image({-1});
  EXPECT_TRUE(std::equal(number.data.begin(), number.data.end(), bytes.begin() + 256 + 48 + 4 + 4 + 4));
  f.v[3]->state = kItemCreated;
}

TEST_F(MorphRecord, ATargetWithThreeVectorsIs624BytesAndComesBack) {
  MMorphTgt target;
  target.SetGroupName("smile");
  target.SetTargetName("wide");
  target.SetVectorCount(3);
  target.SetVector(1, {0.5, -1, 2});
  target.SetWeight(0.75);
  target.SetTextureOffsetMode(1);
  target.SetFlag4(1);
  target.SetTextureOffset(0.25, 0.5);
  int size = 0;
  target.WriteTo(*OpenBytes({}), &size);
  EXPECT_EQ(size, 624);
  const std::vector<unsigned char> bytes = Written([&](QFile& out) { target.WriteTo(out, nullptr); });
  EXPECT_EQ(bytes.size(), 624u);
  MMorphTgt read;
  auto in = OpenBytes(bytes);
  ASSERT_TRUE(read.ReadFrom(*in)) << EngContext().failText;
  char name[kNameTextSize];
  read.GetGroupName(name);
  EXPECT_STREQ(name, "smile");
  read.GetTargetName(name);
  EXPECT_STREQ(name, "wide");
  ASSERT_EQ(read.GetVectorCount(), 3);
  EXPECT_EQ(read.vectors[1].z, 2);
  EXPECT_EQ(read.GetWeight(), 0.75);
  EXPECT_TRUE(read.IsTextureOffsetMode());
  EXPECT_FALSE(read.GetFlag2());
  EXPECT_TRUE(read.GetFlag4());
  EXPECT_EQ(read.textureOffsetV, 0.5);
}

// A target record of one vector and no material whose trailing block says
// `count` and holds `bytes` bytes.
Bytes TargetImage(int count, int bytes) {
  Bytes image;
  image.Fill(512, 0);
  image.data[0] = 'g';
  image.Append(Image({1, 1.0, 2.0, 3.0, 0, 0.5, count}));
  const Bytes fields = Image({5, 0.25, 0.125});
  for (int i = 0; i < bytes && i < 20; ++i) image.data.push_back(fields.data[static_cast<std::size_t>(i)]);
  if (bytes > 20) image.Fill(static_cast<std::size_t>(bytes - 20), 0xEE);
  return image;
}

TEST_F(MorphRecord, ATargetReadsWhatItsTrailingBlockCovers) {
  const struct {
    int count;
    int bytes;
    int flags;
    double offsetU;
  } cases[] = {
      {0, 0, 0, 0},       // an older writer: nothing more
      {-4, 0, 0, 0},      // nothing for a negative count
      {4, 4, 5, 0},       // the flags alone
      {20, 20, 5, 0.25},  // the writer's block
      {28, 28, 5, 0.25},  // a later writer's longer block
      {2, 2, 0, 0},       // too short for the flags: skipped
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.count);
    MMorphTgt read;
    auto in = Open(TargetImage(c.count, c.bytes));
    ASSERT_TRUE(read.ReadFrom(*in)) << EngContext().failText;
    EXPECT_EQ(in->BytesLeft(), 0);
    EXPECT_EQ(read.flags, c.flags);
    EXPECT_EQ(read.textureOffsetU, c.offsetU);
    EXPECT_EQ(read.GetWeight(), 0.5);
  }
}

TEST_F(MorphRecord, DamagedMorphAndTargetRecordsAreLoadFailures) {
  Bytes badName;
  badName.Fill(256, 0);
  badName.data[0] = 0x81;  // a lead byte without its trail byte
  badName.data[1] = 0x20;
  const struct {
    const char* name;
    Bytes image;
    bool target;
  } cases[] = {
      {"a negative entry count", Bytes().Fill(256, 0).Append(Image({0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0, -1})), false},
      {"an entry count past the file", Bytes().Fill(256, 0).Append(Image({0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0, 99})),
       false},
      {"a name that is not code page 932", badName, false},
      {"a negative vector count", Bytes().Fill(512, 0).Append(Image({-3})), true},
      {"a vector count past the file", Bytes().Fill(512, 0).Append(Image({1000, 0.0})), true},
      {"a trailing block past the file", TargetImage(40, 20), true},
      {"a record cut short", Bytes().Fill(100, 0), true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EngContext().ClearFailure();
    auto in = Open(c.image);
    if (c.target) {
      MMorphTgt read;
      EXPECT_FALSE(read.ReadFrom(*in));
    } else {
      MMorph read;
      EXPECT_FALSE(read.ReadFrom(*in));
    }
    EXPECT_EQ(FailReason(), kEngReasonCorruptFile);
  }
}

}  // namespace
