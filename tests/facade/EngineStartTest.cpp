// Starting and stopping the engine for the page, and the renderer switch.
#include "FacadeTestSupport.h"
#include "engine/core/CrPrefs.h"

namespace {

using facadetest::FacadeTest;

class EngineStartTest : public FacadeTest {};

TEST_F(EngineStartTest, StartAndStopMayEachComeTwice) {
  engine::EngGlobalContext& context = engine::EngContext();
  ASSERT_NE(context.prefs, nullptr);
  ASSERT_NE(context.reserve, nullptr);
  engine::CrPrefs* prefs = context.prefs;
  EXPECT_EQ(facade::KxLibInitEngine(), facade::kFacadeOk);
  EXPECT_EQ(context.prefs, prefs) << "a second start keeps what the first made";
  facade::KxLibExitEngine();
  EXPECT_EQ(context.prefs, nullptr);
  EXPECT_EQ(context.reserve, nullptr);
  facade::KxLibExitEngine();
  EXPECT_EQ(context.prefs, nullptr);
  EXPECT_EQ(facade::KxLibInitEngine(), facade::kFacadeOk);
  EXPECT_NE(context.prefs, nullptr);
}

// Settings files of other copies may hold the other renderer's number; a
// figure is still made, with the one renderer there is.
TEST_F(EngineStartTest, AStoredRendererOneFallsBackToTheOpenGlRenderer) {
  for (int mode : {1, 7, -1, 0}) {
    facade::KxLibSetRendererMode(mode);
    EXPECT_EQ(facade::KxLibRendererMode(), 0) << mode;
    auto figure = facadetest::StandardFigure(40, 40);
    ASSERT_NE(figure, nullptr);
    EXPECT_NE(figure->GetView().GetImage(false), nullptr);
  }
}

TEST_F(EngineStartTest, ANewFacadeHasNoSceneAndTheDefaults) {
  facade::KxLibR figure;
  EXPECT_EQ(figure.GetScene(), nullptr);
  EXPECT_TRUE(figure.HasTransparentMaterial());
  EXPECT_FALSE(figure.IsTempHumanApplied());
  EXPECT_TRUE(figure.GetLibraryFolder().empty());
  EXPECT_FALSE(figure.IsFigureIndex(0));
  EXPECT_EQ(figure.GetView().GetImage(false), nullptr) << "nothing to render";
  EXPECT_EQ(figure.SaveWithOptions(Path("nothing.Z4T"), 0, nullptr, {}), facade::kFacadeCannotWrite);
  figure.SetLibraryFolder("/data/Kordex_Lib");
  EXPECT_EQ(figure.GetLibraryFolder(), "/data/Kordex_Lib");
}

}  // namespace
