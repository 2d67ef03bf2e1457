// The figure record and the pose record: written and read back, read from
// bytes built by hand, and damaged records refused as load failures.
#include <cstring>

#include "FigureTestSupport.h"
#include "engine/core/EngMath.h"
#include "engine/core/QFile.h"
#include "support/TempDir.h"

namespace figuretest {
namespace {

using namespace engine;
using objecttest::Bytes;

class FigureRecordTest : public FigureTest {
 protected:
  template <class Write>
  std::vector<unsigned char> Written(Write write) {
    const std::string path = dir_.File("written.bin");
    {
      QFile out(path, platform::File::Mode::kCreateWrite);
      write(out);
      out.FlushAndClose();
    }
    return testsupport::TempDir::ReadAll(path);
  }
  std::vector<unsigned char> WriteFigure(MBoneObj& figure) {
    int counter = 0;
    figure.AssignIndex(counter);
    auto bytes = Written([&](QFile& out) { figure.WriteTo(out); });
    figure.SetIndex(0);
    return bytes;
  }
  // The figure the object factory reads from the bytes; the whole file
  // must be read.
  std::unique_ptr<MBoneObj> ReadFigure(const std::vector<unsigned char>& bytes) {
    QFile in(dir_.Write("image.bin", bytes), platform::File::Mode::kRead);
    MObject* object = ReadObject(in);
    if (object == nullptr) return nullptr;
    EXPECT_TRUE(object->IsBoneObject());
    EXPECT_EQ(object->GetType(), kObjectMesh);
    EXPECT_EQ(in.BytesLeft(), 0) << "bytes left unread";
    return std::unique_ptr<MBoneObj>(static_cast<MBoneObj*>(object));
  }
  testsupport::TempDir dir_;
};

// The chain's figure with pose additions and a carried block.
void Decorate(MBoneObj& f) {
  f.addPose.AddEntry(-1, 1, 0);   // a bone pin
  f.addPose.AddEntry(-1, -1, 2);  // a world pin
  f.addPose.AddEntry(2, -1, 0);   // a pair pin
  f.addPose.SetEntry(1, -1, -1, 2, {1, 2, 3}, 0.75);
  f.addPose.ResizeRatioList(2);
  f.addPose.ratios[1] = 1.5;
  f.addPose.SetEnabled(true);
  f.addPose.skeletonKind = 1;
  f.addPose.extraIndex = 4;
  f.extraByteCount = 3;
  f.extraBytes = static_cast<unsigned char*>(EngAlloc(3));
  std::memcpy(f.extraBytes, "abc", 3);
  MatrixRecord m;
  MUtilIdentity(m);
  m.m[3][0] = 7;
  f.extraMatrices.Add(m);
  f.extraMatrixB.m[2][1] = 0.5;
  (*f.skinRecords)[3].locked = 1;
  (*f.bones)[1].excluded = 1;
  (*f.bones)[0].twist = 0.25;
}

TEST_F(FigureRecordTest, ACloneWorksOnItsOwnSkeleton) {
  Chain chain = MakeChain();
  (*chain.figure->undoRestPositions)[0] = {9, 9, 9};
  std::unique_ptr<MBoneObj> clone(static_cast<MBoneObj*>(chain.figure->Clone()));
  ASSERT_NE(clone, nullptr);
  int i = 0;
  for (MLine* line : clone->lines) EXPECT_EQ((*clone->bones)[i++].line, line);
  EXPECT_EQ(i, clone->bones->count);
  for (int k = 0; k < clone->restPositions->count; ++k)
    EXPECT_EQ(MUtilDistance((*clone->restPositions)[k], (*clone->undoRestPositions)[k]), 0.0);
  EXPECT_EQ(DumpFigureData(*clone).substr(0, 40), DumpFigureData(*chain.figure).substr(0, 40));
  EXPECT_TRUE(clone->IsBoneObject());
  EXPECT_EQ(clone->GetType(), kObjectMesh);
}

TEST_F(FigureRecordTest, FindsTheFirstFigureInATree) {
  Chain chain = MakeChain();
  MGroupObj outer;
  outer.AddChild(new MMeshObj());
  EXPECT_EQ(FindBoneObj(&outer), nullptr);
  EXPECT_EQ(FindBoneObj(chain.group.get()), chain.figure);
}

TEST_F(FigureRecordTest, AFigureReadsBackAsItWasWritten) {
  Chain chain = MakeChain();
  Decorate(*chain.figure);
  const auto bytes = WriteFigure(*chain.figure);
  std::unique_ptr<MBoneObj> read = ReadFigure(bytes);
  ASSERT_NE(read, nullptr) << EngContext().failText;
  // The deform matrices are rebuilt from the joints, as they were.
  EXPECT_EQ(DumpFigureData(*read), DumpFigureData(*chain.figure));
  EXPECT_EQ(read->addPose.GetEntryCount(), 3);
  EXPECT_EQ(read->addPose.skeletonKind, 1);
  EXPECT_EQ(read->addPose.extraIndex, 4);
  ASSERT_EQ(read->addPose.ratios.count, 2);
  EXPECT_EQ(read->addPose.ratios[1], 1.5);
  ASSERT_EQ(read->extraByteCount, 3);
  EXPECT_EQ(std::memcmp(read->extraBytes, "abc", 3), 0);
  ASSERT_EQ(read->extraMatrices.count, 1);
  EXPECT_EQ(read->extraMatrices[0].m[3][0], 7);
  EXPECT_EQ(read->extraMatrixB.m[2][1], 0.5);
  for (int i = 0; i < read->bones->count; ++i) {
    EXPECT_EQ((*read->bones)[i].changed, 1);
    EXPECT_TRUE(MUtilMatrixEqual((*read->bones)[i].undoPosedMatrix, (*read->bones)[i].posedMatrix));
    EXPECT_EQ((*read->bones)[i].undoTwist, (*read->bones)[i].twist);
  }
  // Writing the figure read gives the same figure block after its mesh
  // record (the mesh reader may complete the mesh part, with a default
  // material for instance).
  auto meshSize = [&](MBoneObj& f) {
    int c = 0;
    f.AssignIndex(c);
    return Written([&](QFile& out) { f.MMeshObj::WriteTo(out); }).size();
  };
  const auto again = WriteFigure(*read);
  const std::vector<unsigned char> tail0(bytes.begin() + meshSize(*chain.figure), bytes.end());
  const std::vector<unsigned char> tail1(again.begin() + meshSize(*read), again.end());
  EXPECT_EQ(tail1, tail0);
}

TEST_F(FigureRecordTest, WritingPutsPinsOfTheKeptKindsFirst) {
  Chain chain = MakeChain();
  Decorate(*chain.figure);
  std::unique_ptr<MBoneObj> read = ReadFigure(WriteFigure(*chain.figure));
  ASSERT_NE(read, nullptr);
  // In memory: bone pin, world pin, pair pin; on disk the world pin last.
  EXPECT_GE(read->addPose.entryKeys[0], 0);
  EXPECT_GE(read->addPose.entryKeys[1], 0);
  EXPECT_LT(read->addPose.entryKeys[2], 0);
}

TEST_F(FigureRecordTest, AHandBuiltFigureRecordReadsAsLaidOut) {
  Chain chain = MakeChain();
  int counter = 0;
  chain.figure->AssignIndex(counter);
  Bytes image;
  image.data = Written([&](QFile& out) { chain.figure->MMeshObj::WriteTo(out); });
  MatrixRecord posed;
  MUtilIdentity(posed);
  posed.m[3][1] = 0.5;
  image.Int(0).Int(2);                                  // rig kind, skin bound (2 reads as set)
  image.Int(1).Int(2);                                  // one skin record of two influences
  image.Int(0).Double(0.25).Double(0.5).Int(1).Double(0.75).Double(0.125).Int(3);  // locked 3: set
  image.Int(1).Double(1).Double(2).Double(3);           // one rest position
  image.Int(2);                                         // two bones
  for (int b = 0; b < 2; ++b) {
    image.Double(0).Double(b).Double(0).Double(0).Double(b + 1).Double(0);
    image.Double(0.1).Double(0.9).Double(0.3 + b).Double(0.01 * b).Matrix(posed).Int(b == 0 ? 2 : -1);
  }
  Bytes additions;
  additions.Int(0).Int(1).Int(1).Int(-1).Double(0).Double(0).Double(0);  // leading int set below
  additions.Int(1).Int(5).Int(2).Double(1).Double(0).Double(0).Double(1.0);  // one bone pin
  additions.Int(16 + 8 * 2).Int(2).Double(1.0).Double(2.0).Int(1).Int(7).Int(0);
  const int a = static_cast<int>(additions.data.size());
  additions.data[3] = static_cast<unsigned char>(a);
  Bytes carried;
  MatrixRecord identity;
  MUtilIdentity(identity);
  carried.Int(3).Fill(3, 'x').Int(1).Matrix(identity).Matrix(identity).Matrix(identity);
  const int b = static_cast<int>(carried.data.size());
  ASSERT_EQ(b, 264 + 3 + 128);
  image.Int(a + b + 8).Append(additions).Append(carried).Fill(8, 0xEE);  // 8 bytes of a newer writer

  std::unique_ptr<MBoneObj> read = ReadFigure(image.data);
  ASSERT_NE(read, nullptr) << EngContext().failText;
  EXPECT_EQ(read->rigKind, 0);
  EXPECT_EQ(read->skinBound, 1);
  ASSERT_EQ(read->skinRecords->count, 1);
  const SkinRecord& r = (*read->skinRecords)[0];
  EXPECT_EQ(r.count, 2);
  EXPECT_EQ(r.bones[1], 1);
  EXPECT_EQ(r.weights[1], 0.75);
  EXPECT_EQ(r.params[1], 0.125);
  EXPECT_EQ(r.locked, 1);
  ASSERT_EQ(read->restPositions->count, 1);
  EXPECT_EQ((*read->undoRestPositions)[0].z, 3);
  EXPECT_EQ((*read->bones)[0].excluded, 0) << "2 is even";
  EXPECT_EQ((*read->bones)[1].excluded, 0) << "-1 is negative";
  EXPECT_EQ((*read->bones)[1].radius, 1.3);
  EXPECT_EQ((*read->bones)[1].posedMatrix.m[3][1], 0.5);
  EXPECT_EQ(read->addPose.GetEntryCount(), 1);
  EXPECT_EQ(read->addPose.skeletonKind, 1);
  EXPECT_EQ(read->addPose.extraIndex, 7);
  EXPECT_EQ(read->extraByteCount, 3);
}

TEST_F(FigureRecordTest, DamagedFigureRecordsAreLoadFailures) {
  Chain chain = MakeChain();
  int counter = 0;
  chain.figure->AssignIndex(counter);
  const std::vector<unsigned char> mesh = Written([&](QFile& out) { chain.figure->MMeshObj::WriteTo(out); });
  struct Case {
    const char* what;
    Bytes tail;
  };
  std::vector<Case> cases;
  cases.push_back({"five influences", Bytes().Int(1).Int(0).Int(1).Int(5)});
  cases.push_back({"a negative count", Bytes().Int(1).Int(0).Int(-3)});
  cases.push_back({"a count beyond the file", Bytes().Int(1).Int(0).Int(1000000)});
  cases.push_back({"a bone the figure lacks", Bytes().Int(1).Int(0).Int(1).Int(1).Int(9).Double(1).Double(0).Int(0)
                                                  .Int(0).Int(0).Int(0)});
  cases.push_back({"one bone for two lines", [] {
                     Bytes b;
                     b.Int(1).Int(0).Int(0).Int(0).Int(1).Fill(212, 0).Int(0);
                     return b;
                   }()});
  cases.push_back({"a negative carried size", Bytes().Int(1).Int(0).Int(0).Int(0).Int(0).Int(300)
                                                  .Int(64).Int(1).Int(0).Int(-1).Fill(24, 0).Int(0).Int(16).Int(0)
                                                  .Int(-1).Int(-1).Int(0).Int(-5).Fill(232, 0)});
  for (const Case& c : cases) {
    EngContext().ClearFailure();
    Bytes image;
    image.data = mesh;
    image.Append(c.tail);
    std::unique_ptr<MBoneObj> read = ReadFigure(image.data);
    EXPECT_EQ(read, nullptr) << c.what;
    EXPECT_EQ(FailReason(), kEngReasonCorruptFile) << c.what;
  }
}

TEST_F(FigureRecordTest, APoseReadsBackAndAHandBuiltOneReadsAsLaidOut) {
  Chain chain = MakeChain();
  Decorate(*chain.figure);
  MPose pose;
  chain.figure->GetPose(pose);
  int size = 0;
  pose.WriteTo(nullptr, &size, 0, nullptr);
  const auto bytes = Written([&](QFile& out) { pose.WriteTo(&out, nullptr, size, nullptr); });
  EXPECT_EQ(static_cast<int>(bytes.size()), size);
  MPose read;
  {
    QFile in(dir_.Write("pose.bin", bytes), platform::File::Mode::kRead);
    EXPECT_EQ(read.ReadFrom(in), size);
    EXPECT_EQ(in.BytesLeft(), 0);
  }
  EXPECT_TRUE(PoseHeaderEqual(read.header, pose.header));
  ASSERT_EQ(read.BoneCount(), 2);
  EXPECT_EQ(read.bones[1].end.y, 2);
  EXPECT_EQ(read.addPose.GetEntryCount(), 3);

  // Version 1: no size word and no additions.
  Bytes v1;
  v1.Int(1).Int(3);
  v1.Int(1);
  for (int i = 1; i < 16; ++i) v1.Int(i == 11 ? 0 : i);
  v1.Double(0).Double(0).Double(0).Double(0).Double(1).Double(0).Int(0).Int(0).Int(0);
  v1.Double(0.5).Double(-0.25).Double(1.0);
  MPose old;
  {
    QFile in(dir_.Write("v1.bin", v1.data), platform::File::Mode::kRead);
    EXPECT_EQ(old.ReadFrom(in), 0);
    EXPECT_EQ(in.BytesLeft(), 0);
  }
  ASSERT_EQ(old.BoneCount(), 1);
  EXPECT_EQ(old.bones[0].angles[1], -0.25);
  EXPECT_EQ(old.addPose.skeletonKind, -1);
  EXPECT_EQ(old.header.values[5], 5);
  EXPECT_EQ(FailState(), 0);
}

TEST_F(FigureRecordTest, AdditionBlocksOfOlderAndDamagedWritersRead) {
  // A block size of 0 ends the record after the first entries.
  Bytes old;
  old.Int(48).Int(1).Int(0).Int(-1).Double(0).Double(0).Double(0).Int(0).Int(0);
  MAddPose a;
  a.Reset(true);
  {
    QFile in(dir_.Write("old.bin", old.data), platform::File::Mode::kRead);
    EXPECT_EQ(a.ReadFrom(in), 48);
    EXPECT_EQ(in.BytesLeft(), 0);
  }
  EXPECT_EQ(a.ratios.count, 0);
  EXPECT_EQ(a.skeletonKind, -1);
  // A block too short for its ratio count is refused, not over-read.
  Bytes bad;
  bad.Int(48).Int(1).Int(0).Int(-1).Double(0).Double(0).Double(0).Int(0).Int(12).Int(3).Double(1).Double(1);
  MAddPose b;
  b.Reset(true);
  {
    QFile in(dir_.Write("bad.bin", bad.data), platform::File::Mode::kRead);
    b.ReadFrom(in);
  }
  EXPECT_EQ(FailReason(), kEngReasonCorruptFile);
}

}  // namespace
}  // namespace figuretest
