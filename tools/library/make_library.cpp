// Makes the sample material library "Kordex_Lib" at build time from the
// program's own writers: speech balloons and panel layouts as page files
// (with their thumbnails), pictures drawn by the page renderer, the
// standard figure in its person styles, its poses and animations, props
// and scenery (LibraryFigures), and the library's text files (index,
// keyword and short-cut files, Shift-JIS with CR LF line ends).
// Usage: make_library <output folder>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "LibraryFigures.h"
#include "facade/KxLibEngine.h"

#include "page/PageFile.h"
#include "page/PageProperties.h"
#include "page/SDoc.h"
#include "page/SFigOval.h"
#include "page/SFigPoly.h"
#include "page/SFigRect.h"
#include "page/SFigText.h"
#include "page/SObj.h"
#include "page/SView.h"
#include "platform/Cp932.h"
#include "platform/TempFiles.h"

namespace {

namespace fs = std::filesystem;

struct Shape {
  std::unique_ptr<page::SFig> fig;
  double x, y, w, h;
  platform::COLORREF fill = 0xFFFFFF;
  int lineWidth = 2;
  unsigned flags = 0;
};

page::SObj& Add(page::SDoc& doc, Shape shape, int parentId = -1) {
  auto object = std::make_unique<page::SObj>();
  object->SetFig(std::move(shape.fig), false);
  object->parentId = parentId;
  page::PropSCVal place;
  // Placed by its top-left corner; the placement holds the centre.
  place.x = shape.x + shape.w / 2, place.y = shape.y + shape.h / 2, place.width = shape.w, place.height = shape.h;
  object->ApplyPropSC(place, false);
  page::Prop2DVal look;
  look.fillColor = shape.fill;
  look.lineWidth = shape.lineWidth;
  look.mask = page::Prop2DVal::kFillColor | page::Prop2DVal::kLineWidth;
  object->ApplyProp2D(look, true);
  if (shape.flags != 0) object->SetFlagsAll(shape.flags);
  page::SObj& added = *object;
  doc.AddObject(std::move(object), -1, -1);
  return added;
}

std::unique_ptr<page::SFig> Polygon(std::vector<page::SPoint> points) {
  auto poly = std::make_unique<page::SFigPoly>();
  poly->SetNormalizedPoints(points);
  return poly;
}

std::unique_ptr<page::SFig> Text(const std::string& text) {
  auto fig = std::make_unique<page::SFigText>();
  page::STextSettings settings = fig->GetSettings();
  settings.text = text;
  settings.size = 14;
  fig->ApplySettings(settings);
  return fig;
}

std::unique_ptr<page::SDoc> NewPage(int width, int height) {
  auto doc = std::make_unique<page::SDoc>();
  doc->SetPageSize(width, height);
  return doc;
}

bool SavePage(page::SDoc& doc, const fs::path& path, const std::string& title) {
  page::SView view;
  platform::Image thumbnail;
  if (page::MakePageThumbnail(view, doc, thumbnail) == 0) doc.thumbImage = std::move(thumbnail);
  doc.thumbText1 = title;
  const int rc = page::SaveSDoc(doc, path.string());
  if (rc < 0) std::fprintf(stderr, "make_library: cannot write %s (%d)\n", path.c_str(), rc);
  return rc >= 0;
}

bool SavePicture(page::SDoc& doc, const fs::path& path) {
  page::SView view;
  const int rc = view.ExportPageImage(doc, 140, 140, 72, path.string());
  if (rc < 0) std::fprintf(stderr, "make_library: cannot draw %s (%d)\n", path.c_str(), rc);
  return rc >= 0;
}

bool WriteSjis(const fs::path& path, const std::vector<std::string>& lines) {
  std::string bytes;
  for (const std::string& line : lines) {
    const std::optional<std::string> encoded = platform::Utf8ToCp932(line);
    if (!encoded) return false;
    bytes += *encoded + "\r\n";
  }
  return platform::WriteFileSafely(path.string(), bytes);
}

// ---- the materials ---------------------------------------------------------------

bool MakeBalloons(const fs::path& folder) {
  bool ok = true;
  {
    auto doc = NewPage(300, 220);
    Add(*doc, {Polygon({{0, 0}, {30, 0}, {0, 50}}), 70, 140, 40, 60});
    Add(*doc, {std::make_unique<page::SFigOval>(), 20, 20, 260, 150});
    Add(*doc, {Text("セリフ"), 110, 80, 90, 30, 0xFFFFFF, 0});
    ok &= SavePage(*doc, folder / "丸い吹き出し.z4g", "丸い吹き出し");
  }
  {
    auto doc = NewPage(300, 220);
    Add(*doc, {Polygon({{0, 0}, {26, 0}, {40, 50}}), 180, 150, 40, 50});
    Add(*doc, {std::make_unique<page::SFigRect>(), 20, 20, 260, 140});
    Add(*doc, {Text("セリフ"), 110, 75, 90, 30, 0xFFFFFF, 0});
    ok &= SavePage(*doc, folder / "四角い吹き出し.z4g", "四角い吹き出し");
  }
  {
    auto doc = NewPage(300, 240);
    Add(*doc, {std::make_unique<page::SFigOval>(), 60, 200, 18, 14});
    Add(*doc, {std::make_unique<page::SFigOval>(), 80, 175, 28, 22});
    Add(*doc, {std::make_unique<page::SFigOval>(), 20, 20, 260, 150});
    Add(*doc, {Text("うーん"), 110, 80, 90, 30, 0xFFFFFF, 0});
    ok &= SavePage(*doc, folder / "考える吹き出し.z4g", "考える吹き出し");
  }
  {
    // The shout: a star-shaped outline.
    std::vector<page::SPoint> star;
    for (int i = 0; i < 24; ++i) {
      const double angle = i * 3.14159265358979 / 12;
      const double r = i % 2 == 0 ? 1.0 : 0.72;
      star.push_back({130 + 130 * r * std::cos(angle), 90 + 90 * r * std::sin(angle)});
    }
    auto doc = NewPage(300, 220);
    Add(*doc, {Polygon(star), 20, 20, 260, 180});
    Add(*doc, {Text("ドーン！"), 105, 95, 100, 30, 0xFFFFFF, 0});
    ok &= SavePage(*doc, folder / "叫びの吹き出し.z4g", "叫びの吹き出し");
  }
  return ok;
}

bool MakePanelLayouts(const fs::path& folder) {
  constexpr unsigned kFrame = page::kObjContainer | page::kObjFrame;
  bool ok = true;
  const struct {
    const char* name;
    int rows;
    int columns;
  } layouts[] = {{"2コマ", 2, 1}, {"4コマ", 4, 1}, {"6コマ", 3, 2}};
  for (const auto& layout : layouts) {
    auto doc = NewPage(420, 594);
    const double gap = 12, margin = 24;
    const double w = (420 - 2 * margin - (layout.columns - 1) * gap) / layout.columns;
    const double h = (594 - 2 * margin - (layout.rows - 1) * gap) / layout.rows;
    for (int r = 0; r < layout.rows; ++r)
      for (int c = 0; c < layout.columns; ++c)
        Add(*doc, {std::make_unique<page::SFigRect>(), margin + c * (w + gap), margin + r * (h + gap), w, h,
                   0xFFFFFF, 3, kFrame});
    ok &= SavePage(*doc, folder / (std::string(layout.name) + ".z4g"), layout.name);
  }
  return ok;
}

bool MakePictures(const fs::path& folder) {
  bool ok = true;
  {
    std::vector<page::SPoint> star;
    for (int i = 0; i < 10; ++i) {
      const double angle = -3.14159265358979 / 2 + i * 3.14159265358979 / 5;
      const double r = i % 2 == 0 ? 60.0 : 24.0;
      star.push_back({60 + r * std::cos(angle), 60 + r * std::sin(angle)});
    }
    auto doc = NewPage(140, 140);
    Add(*doc, {Polygon(star), 10, 10, 120, 120, 0x00D0FF});
    ok &= SavePicture(*doc, folder / "星.png");
  }
  {
    auto doc = NewPage(140, 140);
    Add(*doc, {std::make_unique<page::SFigOval>(), 15, 15, 110, 110, 0x2020E0});
    Add(*doc, {std::make_unique<page::SFigOval>(), 40, 40, 60, 60, 0xFFFFFF});
    ok &= SavePicture(*doc, folder / "的.png");
  }
  {
    auto doc = NewPage(140, 140);
    Add(*doc, {Polygon({{0, 30}, {70, 30}, {70, 0}, {120, 50}, {70, 100}, {70, 70}, {0, 70}}), 10, 20, 120, 100,
               0x40A040});
    ok &= SavePicture(*doc, folder / "矢印.png");
  }
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_library <output folder>\n");
    return 2;
  }
  const fs::path root = argv[1];
  const fs::path balloons = root / "Object" / "吹き出し";
  const fs::path panels = root / "Object" / "コマ割り";
  const fs::path pictures = root / "Object" / "イラスト";
  std::error_code error;
  for (const fs::path& folder : {balloons, panels, pictures, root / "NewWebObj"}) {
    fs::create_directories(folder, error);
    if (error) {
      std::fprintf(stderr, "make_library: cannot make %s\n", folder.c_str());
      return 1;
    }
  }
  bool ok = MakeBalloons(balloons) && MakePanelLayouts(panels) && MakePictures(pictures);
  std::vector<samplelibrary::Material> figures;
  facade::KxLibInitEngine();
  ok = ok && samplelibrary::MakeHumans(root, figures) && samplelibrary::MakePoses(root, figures) &&
       samplelibrary::MakeProps(root, figures) && samplelibrary::MakeBodyMix(root);
  facade::KxLibExitEngine();
  std::map<fs::path, std::vector<std::string>> figureIndexes;
  for (const samplelibrary::Material& material : figures) {
    figureIndexes[material.folder].push_back(material.title);
    figureIndexes[material.folder].push_back(material.file);
  }
  for (const auto& [folder, lines] : figureIndexes) ok = ok && WriteSjis(folder / "indexsozai.txt", lines);
  // The scenery shows the chair too.
  ok = ok && WriteSjis(root / "Object" / "情景" / "PennetShortCut.txt", {"Object\\小物\\椅子.z4t"});
  // Each folder's index: title and file name pairs.
  ok = ok && WriteSjis(balloons / "indexsozai.txt",
                       {"丸い吹き出し", "丸い吹き出し.z4g", "四角い吹き出し", "四角い吹き出し.z4g", "考える吹き出し",
                        "考える吹き出し.z4g", "叫びの吹き出し", "叫びの吹き出し.z4g"});
  ok = ok && WriteSjis(panels / "indexsozai.txt", {"2コマ", "2コマ.z4g", "4コマ", "4コマ.z4g", "6コマ", "6コマ.z4g"});
  ok = ok && WriteSjis(pictures / "indexsozai.txt", {"星", "星.png", "的", "的.png", "矢印", "矢印.png"});
  // The panel layouts show the round balloon too.
  ok = ok && WriteSjis(panels / "PennetShortCut.txt", {"Object\\吹き出し\\丸い吹き出し.z4g"});
  // The search's keywords: one block per material name.
  ok = ok && WriteSjis(root / "KeyWords_00.txt",
                       {"*丸い吹き出し", "ふきだし 吹き出し せりふ セリフ 会話", "", "*四角い吹き出し",
                        "ふきだし 吹き出し ナレーション", "", "*考える吹き出し", "ふきだし 吹き出し 考える 思う", "",
                        "*叫びの吹き出し", "ふきだし 吹き出し 叫ぶ 大声", "", "*コマ", "コマ割り 漫画 マンガ", "",
                        "*星", "ほし スター 夜", "", "*的", "まと ターゲット", "", "*矢印", "やじるし 方向", "",
                        "*標準人物", "人 人物 ひと 男性 基本", "", "*立つ", "ポーズ 立つ 立ち", "", "*座る",
                        "ポーズ 座る すわる 椅子", "", "*歩く", "ポーズ 歩く あるく 動き", "", "*両手を上げる",
                        "ポーズ 手 バンザイ", "", "*手を振る", "動き 手 あいさつ", "", "*椅子", "いす イス 家具",
                        "", "*机", "つくえ テーブル 家具", "", "*箱", "はこ 箱 荷物", "", "*壁",
                        "かべ 部屋 背景", "", "*床", "ゆか 部屋 背景", "", "*木", "き 植物 森 背景", ""});
  if (!ok) return 1;
  std::printf("make_library: the sample library is in %s\n", root.c_str());
  return 0;
}
