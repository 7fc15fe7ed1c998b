#include "ui/translations.h"

#include <dlfcn.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QPointer>
#include <QTranslator>

#include "util/shown_text.h"

namespace tav {

namespace {

constexpr char kCatalogue[] = "tavsecurityui";

// The application object the translators were installed into.
QPointer<QCoreApplication> g_installed_for;

std::string QtTranslate(const char* context, const char* source, const char* disambiguation,
                        int n) {
  return QCoreApplication::translate(context, source, disambiguation, n).toStdString();
}

// The folder of the shared object (or program) that holds this code.
QString OwnFolder() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&OwnFolder), &info) == 0 || info.dli_fname == nullptr) {
    return {};
  }
  return QFileInfo(QString::fromLocal8Bit(info.dli_fname)).absolutePath();
}

}  // namespace

QStringList TranslationFolders() {
  QStringList folders;
  // The build tree keeps the catalogues beside the library; an installed
  // library finds them in its data folder.
  const QString own = OwnFolder();
  if (!own.isEmpty()) folders << own + "/translations";
  folders << QStringLiteral(TAV_TRANSLATIONS_DIR);
  return folders;
}

bool LoadCatalogue(QTranslator& translator, const QLocale& locale, const QStringList& folders) {
  for (const QString& folder : folders) {
    if (translator.load(locale, kCatalogue, "_", folder)) return true;
  }
  return false;
}

void InstallTranslations() {
  QCoreApplication* app = QCoreApplication::instance();
  if (app == nullptr || g_installed_for == app) return;
  g_installed_for = app;
  SetTextTranslator(&QtTranslate);

  const QLocale locale = QLocale::system();
  auto* own = new QTranslator(app);
  if (!LoadCatalogue(*own, locale)) {
    delete own;
    return;
  }
  // Qt's standard buttons (OK, Cancel, Yes, No) in the same language.
  auto* qt = new QTranslator(app);
  if (qt->load(locale, "qtbase", "_", QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QCoreApplication::installTranslator(qt);
  } else {
    delete qt;
  }
  QCoreApplication::installTranslator(own);
}

}  // namespace tav
