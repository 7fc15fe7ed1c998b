#include "config/config_help.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

#include <cstdlib>

namespace tav {

QString HelpPageName(int context) {
  switch (context) {
    case kHelpConfigDialog:
    case kHelpIdleTimeout:
    case kHelpAuditingTab:
    case kHelpPermissionsTab:
      return QString("config-%1.html").arg(context);
    default:
      return {};
  }
}

QString FindHelpPage(int context) {
  const QString name = HelpPageName(context);
  if (name.isEmpty()) return {};
  QStringList folders;
  if (const char* dir = std::getenv("TAV_HELP_DIR"); dir != nullptr && dir[0] != '\0') {
    folders << QString::fromLocal8Bit(dir);
  }
  folders << QCoreApplication::applicationDirPath() + "/help";
#ifdef TAV_INSTALLED_HELP_DIR
  folders << QStringLiteral(TAV_INSTALLED_HELP_DIR);
#endif
  for (const QString& folder : folders) {
    const QString path = folder + "/" + name;
    if (QFileInfo(path).isFile()) return path;
  }
  return {};
}

bool ShowHelp(int context) {
  const QString path = FindHelpPage(context);
  if (path.isEmpty()) return false;
  return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

}  // namespace tav
