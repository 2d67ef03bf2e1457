// The text of a Dc: fonts, extents and output, horizontal or in vertical
// columns, turned by the font's escapement.
#include <QFontMetricsF>
#include <cmath>

#include "platform/Dc.h"
#include "platform/Fonts.h"
#include "platform/detail/DcImpl.h"
#include "platform/detail/QtBridge.h"
#include "platform/detail/TextDraw.h"

namespace platform {
namespace {

bool IsVerticalFace(const std::string& face) { return !face.empty() && face.front() == '@'; }

// Characters as the text counts them for the character extra.
qsizetype CharacterCount(const QString& text) { return static_cast<qsizetype>(text.toUcs4().size()); }

}  // namespace

void Dc::Impl::UpdateFont() {
  vertical = IsVerticalFace(font.face);
  QFont q;
  if (const std::string family = ResolveFontFace(font.face); !family.empty())
    q.setFamilies({detail::ToQString(family)});
  q.setPixelSize(std::max(1, Dc::PointSize10ToPixels(font.pointSize10)));
  q.setBold(font.bold);
  q.setItalic(font.italic);
  // A vertical column draws its own lines and spacing.
  if (!vertical) {
    q.setUnderline(font.underline);
    q.setStrikeOut(font.strikeOut);
    q.setLetterSpacing(QFont::AbsoluteSpacing, charExtra);
  }
  q.setStyleStrategy(QFont::NoAntialias);
  qfont = q;
}

Font Dc::SelectFont(const Font& font) {
  Font previous = std::exchange(impl_->font, font);
  impl_->UpdateFont();
  return previous;
}

int Dc::SetTextCharacterExtra(int extra) {
  const int previous = std::exchange(impl_->charExtra, extra);
  impl_->UpdateFont();
  return previous;
}

int Dc::GetTextCharacterExtra() const { return impl_->charExtra; }

void Dc::TextOut(int x, int y, std::string_view text) {
  if (!IsValid() || text.empty()) return;
  QPainter& painter = impl_->painter;
  const QString string = detail::ToQString(text);
  const QColor colour = ToQColor(impl_->textColor);
  painter.save();
  painter.translate(x, y);
  if (impl_->font.escapement != 0) painter.rotate(-impl_->font.escapement / 10.0);
  painter.setPen(QPen(colour));
  painter.setFont(impl_->qfont);
  const QFontMetricsF metrics(impl_->qfont);
  if (!impl_->vertical) {
    painter.drawText(QPointF(0, metrics.ascent()), string);
  } else {
    const detail::VerticalRun run = detail::LayOutVertical(impl_->qfont, string, impl_->charExtra);
    detail::DrawVerticalRun(painter, run, impl_->qfont, metrics.ascent() + metrics.descent(), metrics.ascent());
    // The lines run along the column on the side the text's underside faces.
    const qreal line = std::max<qreal>(1, metrics.lineWidth());
    if (impl_->font.underline)
      painter.fillRect(QRectF(0, metrics.ascent() + metrics.underlinePos(), run.length, line), colour);
    if (impl_->font.strikeOut)
      painter.fillRect(QRectF(0, metrics.ascent() - metrics.strikeOutPos(), run.length, line), colour);
  }
  painter.restore();
}

SIZE Dc::GetTextExtent(std::string_view text) const {
  const QString string = detail::ToQString(text);
  QFont plain = impl_->qfont;
  plain.setLetterSpacing(QFont::AbsoluteSpacing, 0);
  const QFontMetrics metrics(plain);
  const int height = metrics.ascent() + metrics.descent();
  if (impl_->vertical) {
    const detail::VerticalRun run = detail::LayOutVertical(plain, string, impl_->charExtra);
    return SIZE{static_cast<int>(std::lround(run.length)), height};
  }
  const qsizetype extra = CharacterCount(string) * impl_->charExtra;
  return SIZE{metrics.horizontalAdvance(string) + static_cast<int>(extra), height};
}

TextMetrics Dc::GetTextMetrics() const {
  QFontMetrics metrics = impl_->Metrics();
  return TextMetrics{metrics.ascent() + metrics.descent(), metrics.ascent(), metrics.descent(),
                     metrics.averageCharWidth()};
}

int Dc::PointSize10ToPixels(int pointSize10) {
  // Rounded half away from zero, like the platform's MulDiv.
  const long long scaled = static_cast<long long>(pointSize10) * kScreenDpi;
  const long long half = 360;
  return static_cast<int>(scaled >= 0 ? (scaled + half) / 720 : (scaled - half) / 720);
}

}  // namespace platform
