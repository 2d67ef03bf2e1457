// Texture coordinates carried from a marked seam to the body behind it.
#include <cmath>

#include "FittingTestSupport.h"
#include "engine/core/EngMath.h"
#include "engine/mesh/MFace.h"

namespace figuretest {
// A name of its own: test files are compiled together in batches.
namespace body_uv_test {

using namespace engine;

using BodyUVTest = FigureTest;

void UV(const MVertex* v, double& u, double& w) { v->GetAnyFaceUV(u, w); }

TEST_F(BodyUVTest, TheBodyBehindTheSeamBlendsTheSeamsCoordinatesOnItsSide) {
  SeamSheet s = MakeSeamSheet();
  std::string why;
  ASSERT_TRUE(s.chain.figure->GenerateBodyUVs(nullptr, 0, &why)) << why;
  ASSERT_EQ(FailState(), 0);
  // The seam grows one row inwards (a small mesh): row 1 gives the
  // coordinates, rows 2 and beyond take them; rows 0 and 1 keep theirs.
  for (int i = 0; i <= SeamSheet::kColumns; ++i) {
    for (int j = 0; j <= SeamSheet::kRows; ++j) {
      double u, w;
      UV(s.At(i, j), u, w);
      if (j <= 1) {
        EXPECT_EQ(u, i);
        EXPECT_EQ(w, j);
        continue;
      }
      EXPECT_TRUE(std::isfinite(u) && std::isfinite(w));
      EXPECT_NEAR(w, 1.0, 1e-12) << i << "," << j;  // every seam vertex has v = 1
      // A blend of seam vertices on the target's side of the bone.
      if (i < 3) {
        EXPECT_GE(u, 0.0);
        EXPECT_LE(u, 3.0);
      } else if (i > 3) {
        EXPECT_GE(u, 3.0);
        EXPECT_LE(u, 6.0);
      }
    }
  }
}

TEST_F(BodyUVTest, ASeamOverTwoMeshesOrNoRedBoneIsRefused) {
  struct Case {
    const char* what;
    std::function<void(SeamSheet&)> spoil;
  };
  const Case cases[] = {
      {"no red bone", [](SeamSheet& s) { ColourLine(s.chain.lower, kBlue); }},
      {"no seam", [](SeamSheet& s) {
         for (MLine* line : s.mesh->lines) ColourLine(line, kBlue);
       }},
      {"a seam in two meshes", [](SeamSheet& s) {
         meshkit::MeshFixture other = meshkit::MakeGrid(1, 1);
         MLine* line = other.Line(0, 1);
         ColourLine(line, kGreen);
         line->flags = (line->flags & ~kLineWidthMask) | 3u << kLineWidthShift;
         s.chain.group->AddChild(other.mesh.release());
       }},
  };
  for (const Case& c : cases) {
    SeamSheet s = MakeSeamSheet();
    c.spoil(s);
    std::vector<double> before;
    for (MVertex* v : s.v) {
      double u, w;
      UV(v, u, w);
      before.push_back(u);
    }
    std::string why;
    EXPECT_FALSE(s.chain.figure->GenerateBodyUVs(nullptr, 0, &why)) << c.what;
    EXPECT_FALSE(why.empty()) << c.what;
    for (size_t k = 0; k < s.v.size(); ++k) {
      double u, w;
      UV(s.v[k], u, w);
      EXPECT_EQ(u, before[k]) << c.what;
    }
  }
}

}  // namespace body_uv_test
}  // namespace figuretest
