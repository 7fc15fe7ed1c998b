// A Qt host that may log a user on and then ends, with its own QApplication
// or with the one the library makes.
//
//   qt_exit_host [--own-app] [--login USER PASSWORD] [return|exit|dlclose]
//
// --login answers the User Login dialog as a user would. The host prints
// "host done" (buffered) just before it ends; exit status 0 when every step
// did what it should.
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <cstring>
#include <memory>
#include <string>

extern "C" {
#include "host_calls.h"
}

namespace {

struct Options {
  bool own_app = false;
  std::string user, password;
  std::string how = "return";
};

Options ParseOptions(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--own-app") == 0) {
      options.own_app = true;
    } else if (std::strcmp(argv[i], "--login") == 0 && i + 2 < argc) {
      options.user = argv[++i];
      options.password = argv[++i];
    } else {
      options.how = argv[i];
    }
  }
  return options;
}

// Types the credentials into the login dialog once it is up.
void AnswerLoginDialog(const Options& options) {
  auto* timer = new QTimer();
  timer->setInterval(5);
  QObject::connect(timer, &QTimer::timeout, [timer, options] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || modal->objectName() != "dlg130" || !modal->isVisible()) return;
    timer->stop();
    timer->deleteLater();
    modal->findChild<QLineEdit*>("ctl1002")->setText(QString::fromStdString(options.user));
    modal->findChild<QLineEdit*>("ctl1003")->setText(QString::fromStdString(options.password));
    modal->findChild<QPushButton*>("ctl1001")->click();
  });
  timer->start();
}

int Run(const Options& options, HostCalls& calls) {
  std::printf("allowed %d\n", static_cast<int>(calls.is_user_allowed_access(3)));
  if (!options.user.empty()) {
    AnswerLoginDialog(options);
    if (calls.do_login(nullptr, 0, nullptr, nullptr) != 0) return 5;
    if (calls.get_login_user(nullptr, nullptr) != 1) return 6;
    std::printf("logged on\n");
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const Options options = ParseOptions(argc, argv);
  HostCalls calls = LoadHostCalls();
  int result;
  {
    std::unique_ptr<QApplication> app;
    if (options.own_app) app = std::make_unique<QApplication>(argc, argv);
    result = Run(options, calls);
  }
  if (result != 0) return result;
  if (options.how == "dlclose" && UnloadHostCalls(&calls) != 0) return 4;
  std::printf("host done\n");
  if (options.how == "exit") std::exit(0);
  return 0;
}
