// Animation keys and tracks: the curve's weights against hand-computed
// tables, the key kinds' blends, track editing, the key and track records
// (hand-built ones included) and the matching of morph paths.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "engine/core/EngMath.h"
#include "engine/core/EngRuntime.h"
#include "engine/core/QFile.h"
#include "engine/scene/AnimList.h"
#include "meshkit/MeshTestSupport.h"
#include "support/TempDir.h"

namespace {

using namespace engine;

class AnimTrackTest : public meshkit::MeshTest {
 protected:
  static int FailState() { return EngContext().failState; }
};

// A camera track with the given (frame, distance, kind) keys.
std::unique_ptr<MAnimKeys> CameraTrack(const std::vector<std::vector<double>>& keys) {
  auto track = std::make_unique<MAnimKeys>();
  track->Setup(0, kTrackCamera, "camera");
  for (const auto& k : keys) {
    auto* key = static_cast<MAKeyView*>(track->NewKey());
    key->camera.distance = k[1];
    key->camera.zoom = 1;
    key->SetInterpolation(static_cast<int>(k[2]));
    EXPECT_TRUE(track->InsertKey(static_cast<int>(k[0]), key));
  }
  return track;
}

// The weights of k0..k3 at a frame between two keys.
std::vector<double> Weights(MAnimKeys& track, int frame) {
  MAKeyInfo* single = nullptr;
  MAKeyInfo* four[4];
  track.FindNeighbours(frame, single, four);
  EXPECT_EQ(single, nullptr);
  double w[4];
  MAnimKeys::WeightsAt(frame, {four[0], four[1], four[2], four[3]}, w);
  return {w[0], w[1], w[2], w[3]};
}

double DistanceAt(MAnimKeys& track, int frame) {
  MAKeyView value;
  track.ValueAt(frame, &value);
  return value.camera.distance;
}

TEST_F(AnimTrackTest, CurveWeightsMatchHandComputedTables) {
  struct Case {
    std::vector<std::vector<double>> keys;  // frame, distance, kind
    int frame;
    std::vector<double> weights;
    double distance;
  } cases[] = {
      // Two smooth keys: the missing outer keys make a straight line.
      {{{0, 0, 0}, {10, 10, 0}}, 5, {0, 0.5, 0.5, 0}, 5},
      // Two flat keys: 3t² − 2t³ at t = 0.25.
      {{{0, 0, 2}, {4, 8, 2}}, 1, {0, 0.84375, 0.15625, 0}, 8 * 0.15625},
      // Three smooth keys: the tangent at 10 from the slopes on both sides.
      {{{0, 0, 0}, {10, 10, 0}, {20, 30, 0}}, 15, {-0.0625, 0.625, 0.4375, 0}, 19.375},
      {{{0, 0, 0}, {10, 10, 0}, {20, 30, 0}, {30, 30, 0}}, 15, {-0.0625, 0.5625, 0.5625, -0.0625}, 20.625},
      // Straight out of the left key (kind 1), flat into the right (kind 2):
      // control points 0, 10/3, 10, 10 at t = 0.5.
      {{{0, 0, 1}, {10, 10, 2}}, 5, {0, 0.375, 0.625, 0}, 6.25},
  };
  for (const Case& c : cases) {
    auto track = CameraTrack(c.keys);
    const std::vector<double> w = Weights(*track, c.frame);
    double sum = 0;
    for (int j = 0; j < 4; ++j) sum += w[j];
    EXPECT_NEAR(sum, 1.0, 1e-12);
    for (int j = 0; j < 4; ++j) EXPECT_NEAR(w[j], c.weights[j], 1e-12) << "frame " << c.frame << " key " << j;
    EXPECT_NEAR(DistanceAt(*track, c.frame), c.distance, 1e-12);
  }
}

TEST_F(AnimTrackTest, OutsideAndOnKeysTheTrackGivesTheKeysOwnValues) {
  auto track = CameraTrack({{5, 1, 0}, {10, 2, 0}, {20, 7, 0}});
  EXPECT_EQ(DistanceAt(*track, -3), 1);
  EXPECT_EQ(DistanceAt(*track, 5), 1);
  EXPECT_EQ(DistanceAt(*track, 10), 2);
  EXPECT_EQ(DistanceAt(*track, 20), 7);
  EXPECT_EQ(DistanceAt(*track, 99), 7);
  // Without keys the value is not placed, and applying it does nothing.
  MAnimKeys empty;
  MAKeyView value;
  empty.ValueAt(3, &value);
  EXPECT_EQ(value.GetFrame(), kKeyNotPlaced);
}

TEST_F(AnimTrackTest, CameraBlendsRoundTheFieldOfViewAndTakeTheLastProjection) {
  MAKeyView a, b;
  a.camera.fieldOfView = 30;
  a.camera.projection = 1600;
  b.camera.fieldOfView = 31;
  b.camera.projection = 1602;
  MAKeyInfo* keys[] = {&a, &b, &a};
  struct {
    double w[3];
    int fov;
    int projection;
  } cases[] = {{{0.5, 0.5, 0}, 31, 1602}, {{0.75, 0.25, 0}, 30, 1602}, {{0.2, 0.3, 0.5}, 30, 1600}, {{0.2, 0.8, 0.0}, 31, 1602}, {{1, 0, 0}, 30, 1600}};
  for (const auto& c : cases) {
    MAKeyView out;
    out.Interpolate(3, keys, c.w);
    EXPECT_EQ(out.camera.fieldOfView, c.fov);
    EXPECT_EQ(out.camera.projection, c.projection);
  }
}

TEST_F(AnimTrackTest, ObjectKeysBlendTurnScaleAndPlace) {
  MAKeyObj a, b;
  const PointRecord one{1, 1, 1}, two{2, 2, 2};
  MUtilComposeMatrix(0, 0, 0, one, {0, 0, 0}, nullptr, a.matrix);
  MUtilComposeMatrix(0.8, 0, 0, two, {4, 2, 0}, nullptr, b.matrix);
  MAKeyInfo* keys[] = {&a, &b};
  const double w[] = {0.5, 0.5};
  MAKeyObj out;
  out.Interpolate(2, keys, w);
  double y, x, z;
  PointRecord s, t;
  MUtilDecomposeMatrix(out.matrix, y, x, z, s, t);
  EXPECT_NEAR(y, 0.4, 1e-9);
  EXPECT_NEAR(s.x, 1.5, 1e-9);
  EXPECT_NEAR(t.x, 2, 1e-9);
  EXPECT_NEAR(t.y, 1, 1e-9);
  // Scaling a key scales its place as well as its size.
  b.ScaleBy(2);
  MUtilDecomposeMatrix(b.matrix, y, x, z, s, t);
  EXPECT_NEAR(s.x, 4, 1e-9);
  EXPECT_NEAR(t.x, 8, 1e-9);
}

TEST_F(AnimTrackTest, InterpolationKindAndSelectionShareTheFlagWord) {
  MAKeyObj key;
  key.SetSelected(1);
  key.SetInterpolation(3);
  EXPECT_EQ(key.GetInterpolation(), 3);
  EXPECT_EQ(key.IsSelected(), 1);
  key.SetSelected(0x100);  // only the low byte counts
  EXPECT_EQ(key.IsSelected(), 0);
}

TEST_F(AnimTrackTest, InsertingKeepsOneKeyPerFrameInOrder) {
  auto track = CameraTrack({{10, 1, 0}, {0, 2, 0}, {5, 3, 0}});
  EngArray<std::int32_t> frames;
  track->CollectFrames(frames);
  ASSERT_EQ(frames.count, 3);
  EXPECT_EQ(frames[0], 0);
  EXPECT_EQ(frames[1], 5);
  EXPECT_EQ(frames[2], 10);
  MAKeyView extra;
  EXPECT_FALSE(track->InsertKey(5, &extra));
  EXPECT_EQ(DistanceAt(*track, 5), 3);

  // Keys added from another track at an offset: taken frames keep theirs.
  auto into = CameraTrack({{15, 9, 0}});
  auto from = CameraTrack({{0, 1, 0}, {10, 2, 0}});
  into->InsertKeysFrom(from.get(), 5);
  ASSERT_EQ(into->keys.count, 2);
  EXPECT_EQ(into->KeyAt(0)->GetFrame(), 5);
  EXPECT_EQ(into->KeyAt(0)->IsSelected(), 1);
  EXPECT_EQ(DistanceAt(*into, 15), 9);

  auto negative = CameraTrack({{-5, 0, 0}, {-2, 0, 0}});
  EXPECT_EQ(negative->GetLastFrame(), 0);
  MAKeyInfo* taken = nullptr;
  track->RemoveKey(5, &taken);
  ASSERT_NE(taken, nullptr);
  delete taken;
  EXPECT_EQ(track->keys.count, 2);
}

// ---- records ------------------------------------------------------------------------------

class AnimRecordTest : public AnimTrackTest {
 protected:
  std::string Path() { return dir_.File("anim.bin"); }
  template <typename Write>
  void WriteFile(Write write) {
    QFile file(Path(), platform::File::Mode::kCreateWrite);
    write(file);
    file.FlushAndClose();
  }
  testsupport::TempDir dir_;
};

// The header of a key record of `size` bytes.
void KeyHead(QFile& f, int size, int flags, int frame) {
  f.WriteInt(size);
  f.WriteInt(16);
  f.WriteInt(flags);
  f.WriteInt(frame);
  f.WriteInt(0);
}

// The camera payload up to the trailing count.
void CameraBody(QFile& f, double distance) {
  for (double v : {0.1, 0.2, 0.3}) f.WriteDouble(v);
  f.WriteInt(1601);
  f.WriteInt(45);
  for (double v : {1.0, 2.0, 3.0}) f.WriteDouble(v);
  f.WriteDouble(distance);
}

TEST_F(AnimRecordTest, CameraRecordsReadTheZoomOnlyWhenTheyHoldIt) {
  WriteFile([](QFile& f) {
    KeyHead(f, 88, 0x102, 7);
    CameraBody(f, 5);
    f.WriteInt(0);  // no zoom: reads as 1.0
    KeyHead(f, 100, 0, 8);
    CameraBody(f, 6);
    f.WriteInt(12);  // the zoom and 4 bytes of a later version
    f.WriteDouble(2.5);
    f.WriteInt(-1);
    KeyHead(f, 92, 0, 9);
    CameraBody(f, 6);
    f.WriteInt(4);  // too short for the zoom: skipped
    f.WriteInt(77);
  });
  QFile in(Path(), platform::File::Mode::kRead);
  MAKeyView a, b, c;
  EXPECT_EQ(a.ReadFrom(in), 88);
  EXPECT_EQ(b.ReadFrom(in), 100);
  EXPECT_EQ(c.ReadFrom(in), 92);
  ASSERT_EQ(FailState(), 0) << EngContext().failText;
  EXPECT_EQ(in.BytesLeft(), 0);
  EXPECT_EQ(a.camera.zoom, 1.0);
  EXPECT_EQ(a.GetFrame(), 7);
  EXPECT_EQ(a.GetInterpolation(), 2);
  EXPECT_EQ(a.IsSelected(), 1);
  EXPECT_EQ(a.camera.projection, 1601);
  EXPECT_EQ(a.camera.fieldOfView, 45);
  EXPECT_EQ(a.camera.target.z, 3.0);
  EXPECT_EQ(b.camera.zoom, 2.5);
  EXPECT_EQ(c.camera.zoom, 1.0);
}

TEST_F(AnimRecordTest, AHandBuiltAnimationFileReadsAsLaidOut) {
  WriteFile([](QFile& f) {
    f.WriteInt(AnimPackTrackHeader(2, 2) | (1 << 24));  // bits above the unit code are ignored
    // A camera track with one key.
    f.WriteInt(272 + 96 + 4);
    f.WriteInt(kTrackCamera);
    f.WriteInt(4);
    f.WriteName("camera");
    f.WriteInt(1);
    KeyHead(f, 96, 0, 3);
    CameraBody(f, 11);
    f.WriteInt(8);
    f.WriteDouble(1.5);
    f.WriteInt(0);
    // An object track with two keys.
    f.WriteInt(272 + 2 * 156 + 4);
    f.WriteInt(kTrackObject);
    f.WriteInt(5);
    f.WriteName("object");
    f.WriteInt(2);
    for (int frame : {0, 10}) {
      KeyHead(f, 156, 0, frame);
      MatrixRecord m;
      MUtilComposeMatrix(0, 0, 0, {1, 1, 1}, {static_cast<double>(frame), 0, 0}, nullptr, m);
      f.WriteMatrix(m);
      f.WriteInt(4);
      f.WriteInt(0);
    }
    f.WriteInt(0);
  });
  QFile in(Path(), platform::File::Mode::kRead);
  int unit = -1;
  std::unique_ptr<MAnim> anim(MAnim::CreateFromFile(in, &unit));
  ASSERT_NE(anim, nullptr) << EngContext().failText;
  EXPECT_EQ(unit, 2);
  ASSERT_EQ(anim->tracks.count, 2);
  EXPECT_STREQ(anim->Track(0)->name, "camera");
  EXPECT_EQ(anim->Track(1)->trackNumber, 5);
  EXPECT_EQ(static_cast<MAKeyView*>(anim->Track(0)->KeyAt(0))->camera.zoom, 1.5);
  EXPECT_EQ(anim->GetLastFrame(), 10);
  MAKeyObj mid;
  anim->Track(1)->ValueAt(5, &mid);
  EXPECT_NEAR(mid.matrix.m[3][0], 5, 1e-9);
  EXPECT_EQ(in.BytesLeft(), 0);

  // Written back, the block is the same bytes.
  const std::string again = dir_.File("again.bin");
  {
    QFile out(again, platform::File::Mode::kCreateWrite);
    anim->WriteTracks(out, 2, nullptr);
    out.FlushAndClose();
  }
  EXPECT_EQ(testsupport::ReadText(again).substr(4), testsupport::ReadText(Path()).substr(4));
}

TEST_F(AnimRecordTest, DamagedRecordsFailAsLoadFailuresWithoutOverReading) {
  struct Case {
    const char* what;
    void (*write)(QFile&);
  } cases[] = {
      {"trailing count past the record",
       [](QFile& f) {
         KeyHead(f, 88, 0, 0);
         CameraBody(f, 1);
         f.WriteInt(1 << 30);
       }},
      {"record size past the file",
       [](QFile& f) {
         KeyHead(f, 100000, 0, 0);
         CameraBody(f, 1);
         f.WriteInt(0);
       }},
      {"further header bytes past the record",
       [](QFile& f) {
         f.WriteInt(88);
         f.WriteInt(16);
         f.WriteInt(0);
         f.WriteInt(0);
         f.WriteInt(5000);
       }},
      {"cut short", [](QFile& f) { KeyHead(f, 88, 0, 0); }},
  };
  for (const Case& c : cases) {
    WriteFile(c.write);
    EngContext().ClearFailure();
    QFile in(Path(), platform::File::Mode::kRead);
    MAKeyView key;
    EXPECT_EQ(key.ReadFrom(in), 0) << c.what;
    EXPECT_EQ(EngContext().failReason, kEngReasonCorruptFile) << c.what;
  }
  EngContext().ClearFailure();
}

TEST_F(AnimRecordTest, PackedTrackHeaders) {
  EXPECT_EQ(AnimPackTrackHeader(3, 2), 2 * 65536 + 3);
  int count = 0, unit = 0;
  AnimUnpackTrackHeader(AnimPackTrackHeader(3, 2) | (0x7F << 20), count, unit);
  EXPECT_EQ(count, 3);
  EXPECT_EQ(unit, 2);
}

// ---- morph keys ------------------------------------------------------------------------------

TEST_F(AnimTrackTest, MorphKeysBlendByNameAndMatchNumberedCopies) {
  MAKeyMorph a, b;
  a.SetObjectPath("/face");
  b.SetObjectPath("/face");
  ASSERT_TRUE(a.AddEntry("A", 1.0));
  ASSERT_TRUE(b.AddEntry("B", 1.0));
  ASSERT_TRUE(b.AddEntry("A", 0.4));
  MAKeyInfo* keys[] = {&a, &b};
  const double w[] = {0.25, 0.75};
  MAKeyMorph out;
  out.Interpolate(2, keys, w);
  ASSERT_EQ(out.entries.count, 2);
  EXPECT_STREQ(out.Entry(0)->name, "A");
  EXPECT_DOUBLE_EQ(out.Entry(0)->weight, 0.25 + 0.75 * 0.4);
  EXPECT_STREQ(out.Entry(1)->name, "B");
  EXPECT_DOUBLE_EQ(out.Entry(1)->weight, 0.75);

  EXPECT_EQ(AnimMatchObjectPath("/x/tamarik/human/face0001", "/x/tamarik/human/face0002"), 2);
  EXPECT_EQ(AnimMatchObjectPath("/x/tamarik/human/face001", "/x/tamarik/human/face002"), 0);
  EXPECT_EQ(AnimMatchObjectPath("/plain", "/plain"), 1);
  EXPECT_EQ(AnimMatchObjectPath("/plain0001", "/plain0002"), 0);
}

TEST_F(AnimTrackTest, MergingAFaceKeepsItsExpressionAroundEyeMovements) {
  MAKeyMorph face, eyes;
  face.SetObjectPath("/a/tamarik/human/face/f");
  ASSERT_TRUE(face.AddEntry("skinbase_1", 0.1));
  ASSERT_TRUE(face.AddEntry("smile", 0.2));
  ASSERT_TRUE(face.AddEntry("eyeball_1", 0.3));
  ASSERT_TRUE(eyes.AddEntry("eyemove_left", 0.4));
  face.MergeInto(&eyes);
  const char* order[] = {"skinbase_1", "eyeball_1", "eyemove_left", "smile"};
  ASSERT_EQ(eyes.entries.count, 4);
  for (int i = 0; i < 4; ++i) EXPECT_STREQ(eyes.Entry(i)->name, order[i]);

  MAKeyMorph other;
  ASSERT_TRUE(other.AddEntry("frown", 1));
  face.MergeInto(&other);
  EXPECT_EQ(other.entries.count, 1);
}

TEST_F(AnimRecordTest, MorphKeysAndWholeTracksRoundTrip) {
  MAnimKeys track;
  track.Setup(2, kTrackMorph, "/face");
  for (int frame : {0, 12}) {
    auto* key = static_cast<MAKeyMorph*>(track.NewKey());
    key->SetObjectPath("/face");
    key->AddEntry("smile", frame / 12.0);
    key->SetInterpolation(4);
    ASSERT_TRUE(track.InsertKey(frame, key));
  }
  int size = 0;
  track.WriteTo(nullptr, &size, 0, nullptr);
  EXPECT_EQ(size, 272 + 2 * (284 + 264) + 4);
  WriteFile([&](QFile& f) { track.WriteTo(&f, nullptr, size, nullptr); });
  QFile in(Path(), platform::File::Mode::kRead);
  MAnimKeys read;
  EXPECT_EQ(read.ReadFrom(in), size);
  ASSERT_EQ(FailState(), 0) << EngContext().failText;
  ASSERT_EQ(read.keys.count, 2);
  EXPECT_EQ(read.kind, kTrackMorph);
  EXPECT_EQ(read.trackNumber, 2);
  auto* last = static_cast<MAKeyMorph*>(read.KeyAt(1));
  EXPECT_STREQ(last->path, "/face");
  EXPECT_EQ(last->Entry(0)->weight, 1.0);
  EXPECT_EQ(last->GetInterpolation(), 4);
  EXPECT_EQ(read.Matches(&track), 1);
}

}  // namespace
