#include "platform/Fonts.h"

#include <QFontDatabase>
#include <QRegularExpression>
#include <QStringList>
#include <array>
#include <map>
#include <mutex>

#include "platform/detail/QtBridge.h"

namespace platform {
namespace {

std::string_view WithoutVerticalMark(std::string_view face) {
  return !face.empty() && face.front() == '@' ? face.substr(1) : face;
}

// The installed family of that name, case ignored; empty when none.
QString InstalledFamily(const QString& name) {
  detail::EnsureGuiApplication();
  for (const QString& family : QFontDatabase::families())
    if (family.compare(name, Qt::CaseInsensitive) == 0) return family;
  return {};
}

// Japanese families by kind, in order of preference. The IPA fonts are the
// project's own dependency; the others are what desktops often have.
const std::array<std::vector<const char*>, 4>& Candidates() {
  static const std::array<std::vector<const char*>, 4> lists = {{
      {"IPAGothic", "Noto Sans Mono CJK JP", "VL Gothic", "TakaoGothic"},                  // gothic, fixed
      {"IPAPGothic", "IPAexGothic", "Noto Sans CJK JP", "VL PGothic", "TakaoPGothic"},     // gothic, proportional
      {"IPAMincho", "Noto Serif CJK JP", "TakaoMincho"},                                   // mincho, fixed
      {"IPAPMincho", "IPAexMincho", "Noto Serif CJK JP", "TakaoPMincho"},                 // mincho, proportional
  }};
  return lists;
}

int KindIndex(FontKind kind) { return (kind.mincho ? 2 : 0) + (kind.proportional ? 1 : 0); }

std::string ResolveUncached(const std::string& face) {
  if (face.empty()) return {};
  if (const QString installed = InstalledFamily(detail::ToQString(face)); !installed.isEmpty())
    return installed.toStdString();
  // The same kind first, then the same style with the other widths, then the rest.
  const int wanted = KindIndex(GuessFontKind(face));
  const std::array<int, 4> order = {wanted, wanted ^ 1, wanted ^ 2, wanted ^ 3};
  for (const int kind : order)
    for (const char* name : Candidates()[static_cast<std::size_t>(kind)])
      if (const QString installed = InstalledFamily(name); !installed.isEmpty()) return installed.toStdString();
  for (const QString& family : QFontDatabase::families(QFontDatabase::Japanese)) return family.toStdString();
  return {};
}

bool Contains(const QString& text, const char* part) { return text.contains(QString::fromUtf8(part), Qt::CaseInsensitive); }

}  // namespace

std::vector<std::string> EnumFontFamilies() {
  detail::EnsureGuiApplication();
  std::vector<std::string> out;
  for (const QString& family : QFontDatabase::families()) {
    if (QFontDatabase::isPrivateFamily(family)) continue;
    out.push_back(family.toStdString());
    if (QFontDatabase::writingSystems(family).contains(QFontDatabase::Japanese)) out.push_back("@" + out.back());
  }
  return out;
}

bool IsFontFamilyInstalled(std::string_view family) {
  return !InstalledFamily(detail::ToQString(WithoutVerticalMark(family))).isEmpty();
}

FontKind GuessFontKind(std::string_view face) {
  const QString name = detail::ToQString(WithoutVerticalMark(face));
  FontKind kind;
  kind.mincho = Contains(name, "明朝") || Contains(name, "mincho") || (Contains(name, "serif") && !Contains(name, "sans"));
  const bool namesKind = kind.mincho || Contains(name, "ゴシック") || Contains(name, "gothic");
  // "Ｐ" (full width) anywhere, or "P" right before the kind's name or
  // standing alone as a word.
  bool marked = name.contains(QChar(0xFF30));
  for (const char* kindName : {"Pゴシック", "P明朝", "PGothic", "PMincho", "P Gothic", "P Mincho"})
    marked = marked || name.contains(QString::fromUtf8(kindName));
  const QStringList words = name.split(QRegularExpression(QStringLiteral("[\\s\\x{3000}]+")), Qt::SkipEmptyParts);
  marked = marked || words.contains(QStringLiteral("P"));
  kind.proportional = marked || !namesKind;
  return kind;
}

std::string ResolveFontFace(std::string_view face) {
  static std::mutex mutex;
  static std::map<std::string, std::string, std::less<>> resolved;
  const std::string key(WithoutVerticalMark(face));
  std::lock_guard lock(mutex);
  if (const auto found = resolved.find(key); found != resolved.end()) return found->second;
  return resolved.emplace(key, ResolveUncached(key)).first->second;
}

}  // namespace platform
