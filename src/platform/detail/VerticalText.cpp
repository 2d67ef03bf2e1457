// Vertical Japanese text: which characters stand upright, their vertical
// forms (the font's 'vert' glyphs, found by shaping with HarfBuzz top to
// bottom) and their slots along the column.
#include <hb-ot.h>
#include <hb.h>

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QHash>
#include <QTransform>
#include <algorithm>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/Cp932.h"
#include "platform/detail/TextDraw.h"

namespace platform::detail {
namespace {

// ---- which characters stand upright ----------------------------------------

// Code points below 0x10000 that the Japanese code page stores in two bytes:
// the full-width characters, which stand upright in a vertical column.
const std::vector<bool>& DoubleByteCharacters() {
  static const std::vector<bool> table = [] {
    std::vector<bool> t(0x10000, false);
    const auto isLead = [](int b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); };
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
      if (!isLead(lead)) continue;
      for (int trail = 0x40; trail <= 0xFC; ++trail) {
        if (trail == 0x7F) continue;
        const char bytes[2] = {static_cast<char>(lead), static_cast<char>(trail)};
        const auto utf8 = Cp932ToUtf8(std::string_view(bytes, 2));
        if (!utf8) continue;
        const QString text = QString::fromUtf8(utf8->data(), static_cast<qsizetype>(utf8->size()));
        const auto codes = text.toUcs4();
        if (codes.size() == 1 && codes[0] < 0x10000) t[codes[0]] = true;
      }
    }
    return t;
  }();
  return table;
}

// Wide characters outside the code page (more ideographs, Hangul...).
bool IsWideRange(char32_t c) {
  return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF && c != 0x303F) ||
         (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE10 && c <= 0xFE19) ||
         (c >= 0xFE30 && c <= 0xFE6F) || (c >= 0xFF00 && c <= 0xFF60) || (c >= 0xFFE0 && c <= 0xFFE6) ||
         (c >= 0x20000 && c <= 0x3FFFD);
}

// Brackets, dashes and the like: upright characters whose vertical form is
// the horizontal glyph turned. When the font has no vertical glyph of its
// own for one, the character turns with the column instead.
bool TurnsWithoutVerticalForm(char32_t c) {
  static constexpr char32_t kList[] = {0x2010, 0x2013, 0x2014, 0x2015, 0x2025, 0x2026, 0x3008, 0x3009, 0x300A,
                                       0x300B, 0x300C, 0x300D, 0x300E, 0x300F, 0x3010, 0x3011, 0x3014, 0x3015,
                                       0x3016, 0x3017, 0x3018, 0x3019, 0x301A, 0x301B, 0x301C, 0x30FC, 0xFF08,
                                       0xFF09, 0xFF0D, 0xFF1A, 0xFF1B, 0xFF1C, 0xFF1D, 0xFF1E, 0xFF3B, 0xFF3D,
                                       0xFF3F, 0xFF5B, 0xFF5C, 0xFF5D, 0xFF5E, 0xFF5F, 0xFF60};
  return std::find(std::begin(kList), std::end(kList), c) != std::end(kList);
}

// ---- shaping -----------------------------------------------------------------

// One character shaped in font units.
struct ShapedGlyph {
  quint32 glyph = 0;
  double x = 0, y = 0;  // offset of the glyph's origin (font units, y up)
};
struct ShapedCharacter {
  bool upright = true;
  bool missing = false;  // the font has no glyph for it
  std::vector<ShapedGlyph> glyphs;
  double advance = 0;  // along the column, font units
};

// A HarfBuzz font over the tables of a Qt font, and the characters shaped
// with it so far.
class ShapingFace {
 public:
  explicit ShapingFace(const QRawFont& raw) : raw_(raw) {
    face_ = hb_face_create_for_tables(&ShapingFace::ReferenceTable, new QRawFont(raw_),
                                      [](void* p) { delete static_cast<QRawFont*>(p); });
    font_ = hb_font_create(face_);
    buffer_ = hb_buffer_create();
  }
  ~ShapingFace() {
    hb_buffer_destroy(buffer_);
    hb_font_destroy(font_);
    hb_face_destroy(face_);
  }
  ShapingFace(const ShapingFace&) = delete;
  ShapingFace& operator=(const ShapingFace&) = delete;

  int UnitsPerEm() const { return static_cast<int>(hb_face_get_upem(face_)); }

  const ShapedCharacter& Shape(char32_t c) {
    if (const auto found = shaped_.constFind(c); found != shaped_.constEnd()) return *found;
    ShapedCharacter shaped;
    shaped.upright = IsUprightInVertical(c);
    if (shaped.upright) {
      shaped = Run(c, HB_DIRECTION_TTB);
      hb_codepoint_t nominal = 0;
      if (TurnsWithoutVerticalForm(c) && hb_font_get_nominal_glyph(font_, c, &nominal) &&
          shaped.glyphs.size() == 1 && shaped.glyphs[0].glyph == nominal)
        shaped = Run(c, HB_DIRECTION_LTR);
    } else {
      shaped = Run(c, HB_DIRECTION_LTR);
    }
    return *shaped_.insert(c, shaped);
  }

 private:
  static hb_blob_t* ReferenceTable(hb_face_t* /*face*/, hb_tag_t tag, void* user) {
    const auto* raw = static_cast<const QRawFont*>(user);
    const char name[5] = {static_cast<char>(tag >> 24), static_cast<char>(tag >> 16), static_cast<char>(tag >> 8),
                          static_cast<char>(tag), 0};
    auto* data = new QByteArray(raw->fontTable(name));
    if (data->isEmpty()) {
      delete data;
      return nullptr;
    }
    return hb_blob_create(data->constData(), static_cast<unsigned>(data->size()), HB_MEMORY_MODE_READONLY, data,
                          [](void* p) { delete static_cast<QByteArray*>(p); });
  }

  ShapedCharacter Run(char32_t c, hb_direction_t direction) {
    hb_buffer_clear_contents(buffer_);
    const auto code = static_cast<std::uint32_t>(c);
    hb_buffer_add_utf32(buffer_, &code, 1, 0, 1);
    hb_buffer_guess_segment_properties(buffer_);
    hb_buffer_set_direction(buffer_, direction);
    hb_buffer_set_language(buffer_, hb_language_from_string("ja", -1));
    hb_shape(font_, buffer_, nullptr, 0);
    unsigned count = 0;
    const hb_glyph_info_t* info = hb_buffer_get_glyph_infos(buffer_, &count);
    const hb_glyph_position_t* pos = hb_buffer_get_glyph_positions(buffer_, nullptr);
    ShapedCharacter out;
    out.upright = direction == HB_DIRECTION_TTB;
    double penX = 0, penY = 0;
    for (unsigned i = 0; i < count; ++i) {
      if (info[i].codepoint == 0) out.missing = true;
      out.glyphs.push_back({info[i].codepoint, penX + pos[i].x_offset, penY + pos[i].y_offset});
      penX += pos[i].x_advance;
      penY += pos[i].y_advance;
    }
    out.advance = out.upright ? -penY : penX;
    return out;
  }

  QRawFont raw_;
  hb_face_t* face_ = nullptr;
  hb_font_t* font_ = nullptr;
  hb_buffer_t* buffer_ = nullptr;
  QHash<char32_t, ShapedCharacter> shaped_;
};

// Faces are shared by every size of a family and style, for the life of
// the program (a page uses a handful). They are never destroyed: their Qt
// fonts must not outlive the application object at exit.
ShapingFace& FaceOf(const QRawFont& raw) {
  static std::mutex mutex;
  static auto& faces = *new std::map<QString, std::unique_ptr<ShapingFace>>;
  const QString key = raw.familyName() + QLatin1Char('|') + raw.styleName() + QLatin1Char('|') +
                      QString::number(raw.weight()) + QLatin1Char('|') + QString::number(raw.style());
  std::lock_guard lock(mutex);
  std::unique_ptr<ShapingFace>& face = faces[key];
  if (!face) face = std::make_unique<ShapingFace>(raw);
  return *face;
}

}  // namespace

bool IsUprightInVertical(char32_t c) {
  if (c < 0x10000 && DoubleByteCharacters()[c]) return true;
  return IsWideRange(c);
}

VerticalRun LayOutVertical(const QFont& font, const QString& text, int extra) {
  VerticalRun run;
  run.font = QRawFont::fromFont(font);
  const QFontMetricsF metrics(font);
  ShapingFace* face = run.font.isValid() ? &FaceOf(run.font) : nullptr;
  const double unit = face ? font.pixelSize() / static_cast<double>(face->UnitsPerEm()) : 0.0;
  qreal along = 0;
  for (const char32_t c : text.toUcs4()) {
    VerticalGlyph slot;
    slot.text = QString::fromUcs4(&c, 1);
    slot.along = along;
    const ShapedCharacter* shaped = face ? &face->Shape(c) : nullptr;
    if (shaped == nullptr || shaped->missing) {
      // Qt finds another family with the character; it stands as its class says.
      slot.upright = IsUprightInVertical(c);
      slot.advance = slot.upright ? metrics.height() : metrics.horizontalAdvance(slot.text);
    } else {
      slot.upright = shaped->upright;
      slot.advance = shaped->advance * unit;
      for (const ShapedGlyph& g : shaped->glyphs) {
        slot.glyphs.push_back(g.glyph);
        // Font units have y up; the slot's frames have y down.
        slot.origins.push_back(QPointF(g.x * unit, -g.y * unit));
      }
    }
    along += slot.advance + extra;
    run.glyphs.push_back(std::move(slot));
  }
  run.length = along;
  return run;
}

void DrawVerticalRun(QPainter& painter, const VerticalRun& run, const QFont& font, qreal cellHeight, qreal ascent) {
  const QFontMetricsF metrics(font);
  for (const VerticalGlyph& slot : run.glyphs) {
    painter.save();
    if (slot.upright) {
      // The slot's top centre, then a quarter turn back so the character
      // stands upright once the column is turned.
      painter.translate(slot.along, cellHeight / 2);
      painter.rotate(-90);
    } else {
      painter.translate(slot.along, ascent);
    }
    if (slot.glyphs.empty()) {
      painter.setFont(font);
      const qreal width = metrics.horizontalAdvance(slot.text);
      painter.drawText(slot.upright ? QPointF(-width / 2, metrics.ascent()) : QPointF(0, 0), slot.text);
    } else {
      QGlyphRun glyphs;
      glyphs.setRawFont(run.font);
      glyphs.setGlyphIndexes(QList<quint32>(slot.glyphs.begin(), slot.glyphs.end()));
      glyphs.setPositions(QList<QPointF>(slot.origins.begin(), slot.origins.end()));
      painter.drawGlyphRun(QPointF(0, 0), glyphs);
    }
    painter.restore();
  }
}

}  // namespace platform::detail
