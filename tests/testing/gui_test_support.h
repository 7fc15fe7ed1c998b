// Helpers of the tests that drive the library's dialogs as a user would:
// a QApplication on the offscreen platform, acting on a modal dialog once it
// shows, recording message boxes, and local accounts in the test's data
// directory.
#ifndef TAV_TESTS_TESTING_GUI_TEST_SUPPORT_H_
#define TAV_TESTS_TESTING_GUI_TEST_SUPPORT_H_

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "services/security/account_store.h"
#include "services/security/security_config.h"
#include "ui/message_box.h"
#include "util/data_dir.h"

namespace tav::testing {

// Runs `action` on the modal widget named `name` as soon as it is shown and
// active, from the event loop of whatever modal run is waiting for it. When it does
// not show within `timeout_ms` the test fails and the modal widget that is
// up, if any, is closed, so that a broken test ends instead of hanging. So
// does a modal that the action left waiting (a logon that failed keeps its
// dialog open, or shows a box nobody answers): while the dialog acted on is
// still up `timeout_ms` after the action, the active modal is closed and the
// test fails.
inline void WhenModalShows(const QString& name, std::function<void(QWidget*)> action,
                           int timeout_ms = 15000) {
  auto* timer = new QTimer();
  auto clock = std::make_shared<QElapsedTimer>();
  clock->start();
  timer->setInterval(5);
  QObject::connect(timer, &QTimer::timeout, [timer, clock, name, action, timeout_ms] {
    QWidget* modal = QApplication::activeModalWidget();
    // A user acts once the window is up and has the keyboard.
    if (modal != nullptr && modal->isVisible() && modal->isActiveWindow() &&
        modal->objectName() == name) {
      timer->stop();
      timer->deleteLater();
      // The action may itself wait in a modal run, during which this
      // timer's slot cannot run again: a timer of its own watches. It
      // belongs to the dialog, so that it goes with it even when no event
      // loop runs after the dialog has closed.
      auto* watch = new QTimer(modal);
      QPointer<QWidget> acted_on(modal);
      clock->restart();
      watch->setInterval(50);
      QObject::connect(watch, &QTimer::timeout, [watch, clock, acted_on, name, timeout_ms] {
        if (acted_on.isNull() || !acted_on->isVisible()) {
          watch->stop();
          watch->deleteLater();
          return;
        }
        if (clock->elapsed() <= timeout_ms) return;
        QWidget* up = QApplication::activeModalWidget();
        ADD_FAILURE() << "the modal " << name.toStdString() << " stayed up after the test acted; up: "
                      << (up != nullptr ? up->objectName().toStdString() : "nothing");
        if (auto* dialog = qobject_cast<QDialog*>(up)) dialog->reject();
        clock->restart();
      });
      watch->start();
      action(modal);
      return;
    }
    if (clock->elapsed() > timeout_ms) {
      timer->stop();
      timer->deleteLater();
      ADD_FAILURE() << "no modal " << name.toStdString() << " showed; up: "
                    << (modal != nullptr ? modal->objectName().toStdString() : "nothing");
      if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
    }
  });
  timer->start();
}

// Records every message box that would be shown, answering `answer`.
class BoxRecorder {
 public:
  explicit BoxRecorder(int answer = IDOK)
      : handler_([this, answer](const MessageBoxRequest& request) {
          boxes_.push_back(request);
          return answer;
        }) {}

  const std::vector<MessageBoxRequest>& boxes() const { return boxes_; }
  void Clear() { boxes_.clear(); }

 private:
  std::vector<MessageBoxRequest> boxes_;
  ScopedMessageBoxHandler handler_;
};

// Adds an account to the local account database of the data directory,
// its password set at `password_set_at` (0: now).
inline void AddLocalAccount(const std::string& name, const std::string& password,
                            std::vector<std::string> groups = {},
                            const std::string& full_name = "", bool admin = false,
                            const std::string& description = "", int64_t password_set_at = 0) {
  DataDirChoice choice;
  StoreStatus status = EnsureDataDir(&choice);
  ASSERT_TRUE(status.ok()) << status.message();
  const std::string& dir = choice.path;
  std::string error;
  std::unique_ptr<AccountStore> store;
  ASSERT_EQ(AccountStore::Open(dir + "/" + kAccountsDbFile, AccountStore::Mode::kCreate, &store,
                               &error),
            AccountStore::Status::kOk)
      << error;
  Account account;
  account.name = name;
  account.full_name = full_name;
  account.description = description;
  account.groups = std::move(groups);
  account.is_admin = admin;
  PasswordSet how;
  how.now = password_set_at;
  ASSERT_EQ(store->Add(account, password, how, &error), AccountStore::Status::kOk) << error;
}

// Gives the machine of the data directory a domain.
inline void SetDomain(const std::string& domain) {
  DataDirChoice choice;
  StoreStatus status = EnsureDataDir(&choice);
  ASSERT_TRUE(status.ok()) << status.message();
  const std::string& dir = choice.path;
  std::string error;
  FILE* f = std::fopen((dir + "/" + kSecurityConfigFile).c_str(), "w");
  ASSERT_NE(f, nullptr);
  std::fprintf(f, "domain = %s\n", domain.c_str());
  std::fclose(f);
}

}  // namespace tav::testing

#endif  // TAV_TESTS_TESTING_GUI_TEST_SUPPORT_H_
