// Tour: runs tav-host through its dialogs by itself and saves a picture of
// each (`tav-host --tour DIR`), on a display or offscreen.
//
// The tour acts as a user would: it types into the User Login dialog,
// presses its buttons and answers the message boxes, and takes each picture
// when the window is up. Steps run one after another from a runner timer;
// a step that calls into the library runs the library's modal loop, inside
// which the tour's handlers answer what shows.
//
// Threads: the GUI thread. Ownership: a QObject beside the host window.
#ifndef TAV_APPS_TAV_HOST_TOUR_H_
#define TAV_APPS_TAV_HOST_TOUR_H_

#include <QObject>
#include <QStringList>
#include <QTimer>

#include <deque>
#include <functional>
#include <string>

class QWidget;

namespace tav::host {

class HostWindow;

class Tour : public QObject {
  Q_OBJECT

 public:
  // Without a user name the tour shows the login dialog and the error of a
  // wrong password, then cancels. With an administrator (an account allowed
  // to configure the compliance settings) the tour logs on as that account
  // to show the configuration dialog; the user is refused it first when it
  // may not configure them.
  Tour(HostWindow& window, QString directory, QString user, std::string password,
       QString admin = {}, std::string admin_password = {});
  ~Tour() override;

  // The user's password must be changed at the first logon: the tour shows
  // the Change Password dialog and changes it to `password`.
  void SetNewPassword(std::string password) { new_password_ = std::move(password); }

  // Before the host's login at start: arms the answers to the first dialogs.
  void BeforeLogin();
  // After the login: runs the remaining steps, then quits the application.
  void AfterLogin();

  // Checks the texts of each window before its picture (text_check.h):
  // cut texts fail the tour, and with `require_marks` (the pseudo-locale)
  // texts that did not go through translation.
  void CheckTexts(bool require_marks) {
    check_texts_ = true;
    require_marks_ = require_marks;
  }

  const QStringList& saved() const { return saved_; }
  bool failed() const { return failed_; }

 private:
  using Action = std::function<void(QWidget*)>;

  // Runs `action` on the modal widget named `name` once it is up and
  // active; `missing` runs instead when none shows within `timeout_ms`.
  void When(const QString& name, Action action, int timeout_ms = 15000,
            std::function<void()> missing = {});
  // Saves a picture of `widget` (framed with its caption) as DIR/file.
  void Save(QWidget* widget, const QString& file);
  void Fail(const QString& why);
  void AddStep(std::function<void()> step) { steps_.push_back(std::move(step)); }
  void RunNextStep();
  void TypeCredentials(QWidget* dialog, bool right_password);
  // Answers the refusal of a password that must change and changes it.
  void ExpectPasswordChange();
  void TypeCredentials(QWidget* dialog, const QString& name, const std::string& password);
  // Signing a document and listing its signatures (sign_document_tour.cc).
  void AddSignatureSteps();
  void AddConfigSteps();
  // The Run List Manager and a run file open in the host (run_list_tour.cc).
  void AddRunListSteps();

  HostWindow& window_;
  QString directory_;
  QString user_;
  std::string password_;
  QString admin_;
  std::string admin_password_;
  std::string new_password_;
  QStringList saved_;
  bool failed_ = false;
  bool check_texts_ = false;
  bool require_marks_ = false;
  std::deque<std::function<void()>> steps_;
  QTimer runner_;
  // The step that is waiting for something the library will show.
  bool waiting_ = false;
};

}  // namespace tav::host

#endif  // TAV_APPS_TAV_HOST_TOUR_H_
