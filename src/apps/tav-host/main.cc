// tav-host: a sample host program of the instrument suite. It logs the user
// on through libTAVSecurityUI, shows who is logged on, asks for the
// password again after the configured idle time and offers every export of
// the library from its menus.
//
//   tav-host [--idle-seconds N]
//   tav-host --tour DIR [--tour-user NAME [--tour-admin NAME]]
//            [--pseudo-locale] [--check-texts]
//                                        (passwords on standard input)
//   tav-host --help | --version
#include <unistd.h>

#include <QApplication>
#include <QIcon>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

#include "TAVSecurityUI.h"
#include "apps/tav-host/host_window.h"
#include "apps/tav-host/pseudo_locale.h"
#include "apps/tav-host/tour.h"

namespace {

void Usage(std::FILE* out) {
  std::fprintf(out,
               "usage: tav-host [--idle-seconds N]\n"
               "       tav-host --tour DIR [--tour-user NAME [--tour-admin NAME]]\n"
               "                [--tour-new-password] [--pseudo-locale] [--check-texts]\n"
               "       tav-host --help | --version\n"
               "  --idle-seconds N  ask for the password again after N idle seconds\n"
               "                    (instead of the configured idle timeout)\n"
               "  --tour DIR        go through the dialogs alone and save a picture of each\n"
               "                    to DIR; without a display it runs offscreen\n"
               "  --tour-user NAME  the account the tour logs on with; its password is read\n"
               "                    from standard input\n"
               "  --tour-admin NAME an account allowed to configure the compliance settings,\n"
               "                    for the configuration dialog; its password is the second\n"
               "                    line of standard input\n"
               "  --tour-new-password the user's password must be changed at the first logon:\n"
               "                    the tour changes it to the next line of standard input\n"
               "  --pseudo-locale   show every translated text longer and between marks\n"
               "                    (to find texts cut by a longer language)\n"
               "  --check-texts     the tour fails on any text its widget cuts, on a dialog\n"
               "                    that must scroll sideways and, with --pseudo-locale,\n"
               "                    on any text not translated\n"
               "Exit status: 0 success, 1 failure, 2 usage error (bad arguments).\n");
}

bool HasDisplay() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && value[0] != '\0') return true;
  }
  return false;
}

// The offscreen platform warns about every fixed-size dialog; nothing a
// user of the tour can act on.
QtMessageHandler g_default_handler = nullptr;

void QuietOffscreenHandler(QtMsgType type, const QMessageLogContext& context,
                           const QString& message) {
  if (message.contains("does not support propagateSizeHints")) return;
  if (g_default_handler != nullptr) g_default_handler(type, context, message);
}

}  // namespace

int main(int argc, char** argv) {
  QString tour_dir;
  QString tour_user;
  QString tour_admin;
  bool tour_new_password = false;
  bool pseudo_locale = false;
  bool check_texts = false;
  long idle_seconds = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool has_value = i + 1 < argc;
    if (arg == "--tour" && has_value) {
      tour_dir = QString::fromLocal8Bit(argv[++i]);
    } else if (arg == "--tour-user" && has_value) {
      tour_user = QString::fromLocal8Bit(argv[++i]);
    } else if (arg == "--tour-admin" && has_value) {
      tour_admin = QString::fromLocal8Bit(argv[++i]);
    } else if (arg == "--tour-new-password") {
      tour_new_password = true;
    } else if (arg == "--pseudo-locale") {
      pseudo_locale = true;
    } else if (arg == "--check-texts") {
      check_texts = true;
    } else if (arg == "--idle-seconds" && has_value) {
      char* end = nullptr;
      idle_seconds = std::strtol(argv[++i], &end, 10);
      if (*end != '\0' || idle_seconds < 0) {
        Usage(stderr);
        return 2;
      }
    } else if (arg == "--version") {
      std::printf("tav-host %s\n", TAV_VERSION);
      return 0;
    } else if (arg == "-h" || arg == "--help") {
      Usage(stdout);
      return 0;
    } else {
      Usage(stderr);
      return 2;
    }
  }

  std::string password;
  std::string admin_password;
  if (!tour_dir.isEmpty() && !tour_user.isEmpty()) {
    std::getline(std::cin, password);
    if (!tour_admin.isEmpty()) std::getline(std::cin, admin_password);
  }
  std::string new_password;
  if (tour_new_password) std::getline(std::cin, new_password);
  // The tour needs no screen: pictures are drawn offscreen.
  if (!tour_dir.isEmpty() && !HasDisplay()) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    g_default_handler = qInstallMessageHandler(QuietOffscreenHandler);
  }

  QApplication app(argc, argv);
  QApplication::setApplicationName("tav-host");
  QApplication::setApplicationDisplayName("TAV Host");
  // The library's icon: its resources are registered while it loads.
  QApplication::setWindowIcon(QIcon(":/tavsecurityui/icon.png"));
  tav::host::PseudoTranslator pseudo;
  if (pseudo_locale) QCoreApplication::installTranslator(&pseudo);

  tav::host::HostWindow window(idle_seconds * 1000);
  std::unique_ptr<tav::host::Tour> tour;
  if (!tour_dir.isEmpty()) {
    tour = std::make_unique<tav::host::Tour>(window, tour_dir, tour_user, std::move(password),
                                             tour_admin, std::move(admin_password));
    tour->SetNewPassword(std::move(new_password));
    if (check_texts) tour->CheckTexts(pseudo_locale);
    tour->BeforeLogin();
  }
  if (!window.LogInAtStart()) {
    if (tour == nullptr) return 0;
    for (const QString& file : tour->saved()) std::printf("%s\n", qPrintable(file));
    return tour->failed() ? 1 : 0;
  }
  window.show();
  if (tour == nullptr) return app.exec();

  tour->AfterLogin();
  int result = app.exec();
  window.close();
  for (const QString& file : tour->saved()) std::printf("%s\n", qPrintable(file));
  return result != 0 || tour->failed() ? 1 : 0;
}
