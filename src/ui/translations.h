// The library's texts in the user's language.
//
// Every text of the dialogs is written in English and goes through Qt's
// translation: the forms' texts (uic), tr() in the widgets, and the texts
// that the logic below the widgets builds (util/shown_text.h). The catalogues,
// tavsecurityui_<language>.qm, lie beside the library in `translations/`
// (the build tree) or in the installed data folder; Qt's own catalogue for
// its standard buttons comes from Qt's translations folder. They are chosen
// for QLocale::system(), the language of the user's environment (LANGUAGE,
// LC_ALL, LC_MESSAGES, LANG); a language without a catalogue, or a text
// without a translation, stays English.
//
// Threads: the GUI thread. Ownership: the translators are children of the
// application object and go with it.
#ifndef TAV_UI_TRANSLATIONS_H_
#define TAV_UI_TRANSLATIONS_H_

#include <QString>
#include <QStringList>

class QLocale;
class QTranslator;

namespace tav {

// Installs the library's translators into the running QApplication once
// (again for a new application object) and routes util/shown_text.h through
// Qt. Without an application it does nothing.
void InstallTranslations();

// The folders searched for the library's catalogues, in order.
QStringList TranslationFolders();

// Loads the library's catalogue for `locale` into `translator` from the
// first of `folders` that has one: false when there is none (English).
bool LoadCatalogue(QTranslator& translator, const QLocale& locale,
                   const QStringList& folders = TranslationFolders());

}  // namespace tav

#endif  // TAV_UI_TRANSLATIONS_H_
