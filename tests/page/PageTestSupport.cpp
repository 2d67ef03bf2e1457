#include "PageTestSupport.h"

#include <cstdio>

#include "page/SFigPic.h"
#include "page/SFigPoly.h"
#include "page/SFig3D.h"
#include "page/SFigText.h"

namespace pagetest {
namespace {

std::string Exact(double v) {
  char text[40];
  std::snprintf(text, sizeof text, "%a", v);
  return text;
}

template <typename... Values>
std::string Join(const Values&... values) {
  std::string out;
  ((out += values, out += ' '), ...);
  return out;
}

std::string Num(long long v) { return std::to_string(v); }

}  // namespace

page::SObj& AddShape(page::SDoc& doc, std::unique_ptr<page::SFig> shape, int parentId, const page::PropSCVal& placement) {
  auto object = std::make_unique<page::SObj>();
  object->SetFig(std::move(shape), false);
  object->parentId = parentId;
  object->ApplyPropSC(placement, false);
  page::SObj& added = *object;
  doc.AddObject(std::move(object), -1, -1);
  return added;
}

std::string DumpObject(const page::SObj& o) {
  const page::Prop2DVal& a = o.props2D;
  const page::Prop3DVal& c = o.props3D;
  const page::PropLTVal& l = o.propsLT;
  const page::PropSCVal& p = o.placement;
  std::string out = Join("id", Num(o.id), "flags", Num(o.flags), "parent", Num(o.parentId), "label[" + o.label + "]",
                         "frame", Num(o.frame.isFrame));
  out += Join("2d", Num(a.lineWidth), Num(a.lineStyle), Num(a.lineColorMode), Num(a.lineColor), Num(a.arrow),
              Num(a.fillColorMode), Num(a.fillColor), Num(a.opacity), Num(a.effectColorMode), Num(a.effectColor),
              Num(a.effectX), Num(a.effectY), Num(a.effectBlur), Num(a.edgeBlur), Num(a.wholeBlur), Num(a.grayscale),
              Num(a.brightness), Num(a.effectReserved), Num(a.edgeQuality), Num(a.pathFlags), Num(a.effectSwitch));
  out += Join("3d", Num(c.verticalAngle), Num(c.horizontalAngle), Num(c.lens), Num(c.reserved), Num(c.distance),
              Exact(c.targetX), Exact(c.targetY), Exact(c.targetZ), Num(c.level));
  out += Join("lt", Num(l.lightVertical), Num(l.lightHorizontal), Num(l.brightness), Num(l.contrast), Num(l.shading));
  out += Join("sc", Exact(p.x), Exact(p.y), Exact(p.width), Exact(p.height), Exact(p.angle), Exact(p.margin));
  if (!o.fig) return out + "no-shape";
  out += Join("type", Num(o.fig->GetTypeId()));
  if (const auto* poly = dynamic_cast<const page::SFigPoly*>(o.fig.get()))
    for (const page::SPoint& pt : poly->Points()) out += Join("pt", Exact(pt.x), Exact(pt.y));
  if (const auto* pic = dynamic_cast<const page::SFigPic*>(o.fig.get())) {
    const platform::Image* image = pic->GetPicture();
    // The pixels' sum stands for the pixels.
    unsigned long long sum = 0;
    if (image)
      for (int y = 0; y < image->Height(); ++y)
        for (int i = 0; i < image->Width() * 4; ++i) sum = sum * 31 + image->Row(y)[i];
    out += Join("picture", Num(pic->IsJpeg()), Num(image ? image->Width() : 0), Num(image ? image->Height() : 0),
                std::to_string(sum));
  }
  if (const auto* text = dynamic_cast<const page::SFigText*>(o.fig.get())) {
    const page::STextSettings t = text->GetSettings();
    out += Join("text[" + t.text + "]", "face[" + text->GetFontFace() + "]", Num(text->GetSize()),
                Num(t.letterSpacing), Num(t.lineSpacing), Num(t.bold), Num(t.italic), Num(t.underline),
                Num(t.strikeOut), Num(t.alignment), Num(t.vertical));
  }
  if (const auto* figure = dynamic_cast<const page::SFig3D*>(o.fig.get()); figure && figure->IsKeptAsStored())
    out += Join("record", Num(static_cast<long long>(figure->KeptRecord().size())), "member",
                Num(static_cast<long long>(figure->KeptMember().size())));
  return out;
}

std::string DumpPage(const page::SDoc& doc) {
  const page::SGridInfo& g = doc.grid;
  std::string out = Join("page", Num(doc.GetPageWidth()), Num(doc.GetPageHeight()), Num(doc.resolution), "next",
                         Num(doc.nextId), "grid", Num(g.spacing), Num(g.divisions), Num(g.lineColor),
                         Num(g.secondColor), Num(g.flag1), Num(g.showGrid), Num(g.snapToGrid), Num(g.extra1),
                         Num(g.extra2), Num(g.extra3)) +
                    "\n";
  for (const auto& object : doc.Objects()) out += DumpObject(*object) + "\n";
  return out;
}

}  // namespace pagetest
