// A pseudo-locale: every text that goes through Qt's translation comes
// back longer by about 40% and between two marks, in accented letters, as
// pseudo-localisation tools do ("‹Ûšéŕ Ļöĝîñ·ŵéñ›"). Screens shown under it
// tell at a glance, and the text check (text_check.h) by machine, which
// texts were cut by a longer language and which never went through
// translation (no marks).
//
// What must still work is kept: "%1", "%n", "%L1", printf conversions
// ("%s", "%ld", "%%"), the mnemonic after "&" (and "&&"), rich-text tags
// and entities, and line breaks (each line is lengthened by itself, as
// each is laid out by itself). Key names (the context "QShortcut") are
// left alone: shortcuts must still parse.
//
// Threads: any (PseudoText); the translator on the GUI thread.
#ifndef TAV_APPS_TAV_HOST_PSEUDO_LOCALE_H_
#define TAV_APPS_TAV_HOST_PSEUDO_LOCALE_H_

#include <QString>
#include <QTranslator>

namespace tav::host {

inline constexpr QChar kPseudoOpen = QChar(0x2039);   // ‹
inline constexpr QChar kPseudoClose = QChar(0x203A);  // ›

// The pseudo form of `text`; an empty text stays empty.
QString PseudoText(const QString& text);

// True when `text` holds a pseudo-translated text (both marks, in order).
bool HasPseudoMarks(const QString& text);

// Translates every text of every context into its pseudo form.
class PseudoTranslator : public QTranslator {
 public:
  using QTranslator::QTranslator;
  bool isEmpty() const override { return false; }
  QString translate(const char* context, const char* source, const char* disambiguation,
                    int n) const override;
};

}  // namespace tav::host

#endif  // TAV_APPS_TAV_HOST_PSEUDO_LOCALE_H_
