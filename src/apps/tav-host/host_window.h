// HostWindow: the main window of the sample host. It logs the user on at
// start, shows who is logged on, watches the idle time and offers every
// export of the library from its menus, logging each call and its result.
// A menu item that is a controlled activity (the configuration, the audit
// viewers, the Run List Manager) asks TAVSecurityUI_IsUserAllowedAccess
// first and does nothing more when the user may not; the library tells
// the user why.
//
// Threads: the GUI thread. Ownership: an ordinary QMainWindow.
#ifndef TAV_APPS_TAV_HOST_HOST_WINDOW_H_
#define TAV_APPS_TAV_HOST_HOST_WINDOW_H_

#include <QMainWindow>

#include <memory>

#include "TAVSecurityUI.h"
#include "apps/tav-host/idle_watch.h"
#include "apps/tav-host/run_documents.h"

namespace Ui {
class HostWindow;
}

namespace tav::host {

class HostWindow : public QMainWindow {
  Q_OBJECT

 public:
  // idle_override_ms > 0 replaces the configured idle timeout (demos).
  explicit HostWindow(qint64 idle_override_ms = 0, QWidget* parent = nullptr);
  ~HostWindow() override;

  // Asks for a login until a user who may run the software logs on (true)
  // or the user cancels (false).
  bool LogInAtStart();

  IdleWatch& idle_watch() { return idle_; }
  // Runs the idle re-authentication now, as when the idle time ran out.
  void ReauthenticateAfterIdle();

  void Log(const QString& line);
  void RefreshUser();

  // The run files open in document windows.
  RunDocuments& documents() { return documents_; }

  // The menu actions, for the tour.
  Ui::HostWindow& ui() { return *ui_; }

 signals:
  // The re-authentication after the idle time is over, whatever its end.
  void IdleReauthenticationDone();

 protected:
  void closeEvent(QCloseEvent* event) override;
  // Answers the Run List Manager's messages.
  bool event(QEvent* event) override;
  // The library installs its translations at its first call, after this
  // window was built: the window takes the language then.
  void changeEvent(QEvent* event) override;

 private:
  HWND Hwnd() { return static_cast<HWND>(static_cast<QWidget*>(this)); }
  void BuildQueryMenus();
  // The texts of the query menus' entries in the current language.
  void NameQueryMenus();
  void ConnectActions();
  void ConnectOptionalActions();
  void StartIdleWatch();
  // TAVSecurityUI_IsUserAllowedAccess(activity), logged: true when allowed.
  bool MayPerform(int activity);

  void LogIn();
  void IdleLogIn();
  // The idle login and, after a logon, TAVSecurityUI_IsUserAllowed: true
  // when the user now logged on may go on.
  bool IdleLoginMayGoOn();
  void AuthCheck();
  void SetLoginUserFromOwnToken();
  void LogOut();
  void SignDocument();
  void SetUpSignatures();

  std::unique_ptr<Ui::HostWindow> ui_;
  IdleWatch idle_;
  qint64 idle_override_ms_ = 0;
  UserInfo info_;
  RunDocuments documents_{this};
};

}  // namespace tav::host

#endif  // TAV_APPS_TAV_HOST_HOST_WINDOW_H_
