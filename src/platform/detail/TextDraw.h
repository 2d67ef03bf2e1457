#pragma once
// Private to src/platform: measuring and drawing the text of a Dc, written
// horizontally or in vertical columns.
//
// Coordinates are the text's own ("text space"): x runs along the text from
// its reference point, y runs down across the cell (0 at the cell's top,
// ascent + descent at its bottom). The Dc turns text space by the font's
// escapement about the reference point. Vertical writing is text running at
// an escapement of 270 degrees whose Japanese characters are turned back
// upright in their slots (in their vertical forms, from the font's 'vert'
// glyphs), while Latin letters and digits turn with the text.
#include <QFont>
#include <QPainter>
#include <QRawFont>
#include <QString>
#include <vector>

namespace platform::detail {

// One character's slot in a vertical run.
struct VerticalGlyph {
  bool upright = true;
  // Glyphs of `VerticalRun::font`, with their origins (text space for
  // turned characters; for upright ones relative to the slot's top centre,
  // x right and y down as the character is seen upright). Empty when the
  // font has no glyph for the character: Qt's text drawing (which falls
  // back to another family) draws `text` instead.
  std::vector<quint32> glyphs;
  std::vector<QPointF> origins;
  QString text;
  qreal along = 0;    // where the slot starts along the text
  qreal advance = 0;  // the slot's length, without the character extra
};

struct VerticalRun {
  QRawFont font;
  std::vector<VerticalGlyph> glyphs;
  qreal length = 0;  // along the text, character extras included
};

// True when a character stands upright in a vertical column: full-width
// (double-byte) characters do; Latin letters, digits and half-width kana
// turn with the column.
bool IsUprightInVertical(char32_t c);

// Lays out `text` for a vertical column in `font`, each character followed
// by `extra` pixels.
VerticalRun LayOutVertical(const QFont& font, const QString& text, int extra);

// Draws a laid-out run; the painter is in text space, its pen the text
// colour. `cellHeight` and `ascent` are the font's.
void DrawVerticalRun(QPainter& painter, const VerticalRun& run, const QFont& font, qreal cellHeight, qreal ascent);

}  // namespace platform::detail
