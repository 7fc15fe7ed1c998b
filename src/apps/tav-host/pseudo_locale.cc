#include "apps/tav-host/pseudo_locale.h"

#include <cstring>

namespace tav::host {

namespace {

// Accented forms of the ASCII letters: about as wide as the letters, so
// that the length alone makes the text longer.
QChar Accented(QChar c) {
  static const char16_t kLower[] = u"àƀçđéƒĝĥîĵķĺɱñöþǫŕšţûṽŵẋýž";
  static const char16_t kUpper[] = u"ÀƁÇĐÉƑĜĤÎĴĶĹṀÑÖÞǪŔŠŢÛṼŴẊÝŽ";
  if (c >= 'a' && c <= 'z') return QChar(kLower[c.unicode() - 'a']);
  if (c >= 'A' && c <= 'Z') return QChar(kUpper[c.unicode() - 'A']);
  return c;
}

// The padding that lengthens a line of `letters` characters by about 40%.
QString Padding(int letters) {
  static const QString kPad = QStringLiteral("·ŵéñţýšîẋ");
  const int count = letters == 0 ? 0 : std::max(2, (letters * 2 + 4) / 5);
  QString pad;
  for (int i = 0; i < count; ++i) pad += kPad[i % kPad.size()];
  return pad;
}

// Length of the placeholder at `i` ("%1", "%L12", "%n", "%s", "%ld",
// "%%"), or 0 when none starts there.
int PlaceholderLength(const QString& text, int i) {
  if (text[i] != '%' || i + 1 >= text.size()) return 0;
  int j = i + 1;
  if (text[j] == '%') return 2;
  if (text[j] == 'L') ++j;
  if (j < text.size() && text[j].isDigit()) {
    while (j < text.size() && text[j].isDigit()) ++j;
    return j - i;
  }
  if (j < text.size() && text[j] == 'n') return j + 1 - i;
  // printf: flags, width, precision, length, then the conversion.
  j = i + 1;
  while (j < text.size() && QStringLiteral("-+ #0123456789.lhzjt").contains(text[j])) ++j;
  if (j < text.size() && QStringLiteral("sdiuxXcfgeEp").contains(text[j])) return j + 1 - i;
  return 0;
}

}  // namespace

QString PseudoText(const QString& text) {
  if (text.isEmpty()) return text;
  QString out;
  out += kPseudoOpen;
  int letters = 0;
  const bool rich = text.contains('<') && text.contains('>');
  for (int i = 0; i < text.size();) {
    const QChar c = text[i];
    if (const int length = PlaceholderLength(text, i)) {
      out += text.mid(i, length);
      i += length;
      continue;
    }
    if (c == '&' && i + 1 < text.size()) {
      // A mnemonic keeps its letter, "&&" stays a literal ampersand, and an
      // entity of rich text stays as written.
      const int semicolon = rich ? text.indexOf(';', i) : -1;
      const int length = semicolon > i && semicolon - i < 10 ? semicolon - i + 1 : 2;
      out += text.mid(i, length);
      i += length;
      ++letters;
      continue;
    }
    if (rich && c == '<') {
      const int end = text.indexOf('>', i);
      const int length = end < 0 ? text.size() - i : end - i + 1;
      out += text.mid(i, length);
      i += length;
      continue;
    }
    if (c == '\n') {
      out += Padding(letters);
      letters = 0;
      out += c;
      ++i;
      continue;
    }
    ++letters;
    out += Accented(c);
    ++i;
  }
  out += Padding(letters);
  out += kPseudoClose;
  return out;
}

bool HasPseudoMarks(const QString& text) {
  const int open = text.indexOf(kPseudoOpen);
  return open >= 0 && text.indexOf(kPseudoClose, open + 1) > open;
}

QString PseudoTranslator::translate(const char* context, const char* source,
                                    const char* /*disambiguation*/, int /*n*/) const {
  if (source == nullptr || *source == '\0') return {};
  // Key names must parse back into shortcuts.
  if (context != nullptr && std::strcmp(context, "QShortcut") == 0) return {};
  return PseudoText(QString::fromUtf8(source));
}

}  // namespace tav::host
