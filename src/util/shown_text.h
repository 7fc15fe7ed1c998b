// Texts a person reads on screen, in the user's language.
//
// Code below the Qt layers builds many of the texts the dialogs show
// (message box texts, captions, list headings). Such a text is written in
// English, the source language, and passed through TranslateText where it
// is shown; the Qt layer installs the translator (ui/translations.h), and
// without one every text stays English. Texts that are stored or exported
// (event records, audit trail descriptions, listings, log lines) never go
// through here: what is kept must read the same in every language.
//
// lupdate extracts the texts: TranslateText is read as Qt's translate() and
// TAV_TR_NOOP as QT_TRANSLATE_NOOP (the aliases are given in the build's
// extraction step), so a context and a source must be string literals at
// the call, or the text marked with TAV_TR_NOOP where it is defined.
//
// Threads: SetTextTranslator on the GUI thread before texts are shown;
// TranslateText from the thread that shows the text.
#ifndef TAV_UTIL_SHOWN_TEXT_H_
#define TAV_UTIL_SHOWN_TEXT_H_

#include <string>

// Marks `text` as a text to translate in `context` where it is defined;
// the text itself is unchanged. Translate it where it is shown.
#define TAV_TR_NOOP(context, text) text

namespace tav {

// Returns `source` translated in `context` (UTF-8), `disambiguation` telling
// apart equal sources with different meanings. With `n` >= 0 the text has a
// plural form chosen by `n`, and "%n" in it is replaced by `n`.
using TextTranslator = std::string (*)(const char* context, const char* source,
                                       const char* disambiguation, int n);

// Installs the translator (null: every text stays English).
void SetTextTranslator(TextTranslator translator);

// `source` in the user's language, or `source` itself (with "%n" replaced
// when `n` >= 0) when there is no translator or no translation.
std::string TranslateText(const char* context, const char* source,
                          const char* disambiguation = nullptr, int n = -1);

// "%n" in `text` replaced by `n` (a "%%n" is left alone).
std::string ReplacePercentN(std::string text, int n);

}  // namespace tav

#endif  // TAV_UTIL_SHOWN_TEXT_H_
