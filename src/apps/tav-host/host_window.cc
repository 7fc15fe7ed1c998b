#include "apps/tav-host/host_window.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTime>

#include "apps/tav-host/idle_relogin.h"
#include "apps/tav-host/optional_exports.h"
#include "apps/tav-host/sign_document.h"
#include "services/config/system_ids.h"
#include "services/config/system_names.h"
#include "ui_host_window.h"

namespace tav::host {

namespace {

QString Text(BSTR s) { return s != nullptr ? QString::fromUtf8(s) : QString(); }

QString LoginResult(int result) {
  switch (result) {
    case 0:
      return "0 (logged on)";
    case -1:
      return "-1 (cancelled)";
    case -2:
      return "-2 (authenticated, but not logged on; the previous logon is back)";
    default:
      return QString::number(result);
  }
}

QString YesNo(int result) { return QString("%1 (%2)").arg(result).arg(result != 0 ? "yes" : "no"); }

}  // namespace

HostWindow::HostWindow(qint64 idle_override_ms, QWidget* parent)
    : QMainWindow(parent),
      ui_(std::make_unique<Ui::HostWindow>()),
      idle_(this),
      idle_override_ms_(idle_override_ms) {
  ui_->setupUi(this);
  TAVSecurityUI_initEmptyUserInfo(&info_);
  BuildQueryMenus();
  NameQueryMenus();
  ConnectActions();
  ConnectOptionalActions();
  connect(&idle_, &IdleWatch::TimedOut, this, &HostWindow::ReauthenticateAfterIdle);
  RefreshUser();
}

HostWindow::~HostWindow() { TAVSecurityUI_freeUserInfo(&info_); }

void HostWindow::Log(const QString& line) {
  ui_->logView->appendPlainText(QTime::currentTime().toString("HH:mm:ss  ") + line);
}

void HostWindow::RefreshUser() {
  HANDLE token = nullptr;
  int logged_on = TAVSecurityUI_GetLoginUser(&token, &info_);
  ui_->valueUserName->setText(logged_on != 0 ? Text(info_.userName) : tr("(nobody is logged on)"));
  ui_->valueFullName->setText(Text(info_.fullName));
  ui_->valueDomain->setText(Text(info_.domain).isEmpty() ? tr("(none)") : Text(info_.domain));
  ui_->valueGroups->setText(Text(info_.groups));
  ui_->valueAdmin->setText(logged_on != 0 ? (info_.isAdmin != 0 ? tr("yes") : tr("no")) : "");
  ui_->valueToken->setText(token != nullptr
                               ? QString("0x%1").arg(reinterpret_cast<quintptr>(token), 0, 16)
                               : tr("(none)"));
  setWindowTitle(logged_on != 0 ? tr("TAV Host - %1").arg(Text(info_.userName)) : tr("TAV Host"));
  const qint64 idle_ms = idle_.timeout_ms();
  statusBar()->showMessage(idle_ms > 0 ? tr("Idle re-authentication after %1 s").arg(idle_ms / 1000)
                                       : tr("No idle timeout"));
}

bool HostWindow::LogInAtStart() {
  BOOL use_previous = 0;
  for (;;) {
    int result = TAVSecurityUI_DoLogin(isVisible() ? Hwnd() : nullptr, use_previous, &info_, nullptr);
    Log("TAVSecurityUI_DoLogin -> " + LoginResult(result));
    if (result == -1) return false;
    use_previous = 1;
    if (result != 0) continue;
    int allowed = TAVSecurityUI_IsUserAllowed();
    Log("TAVSecurityUI_IsUserAllowed -> " + YesNo(allowed));
    if (allowed == 1) break;
  }
  RefreshUser();
  StartIdleWatch();
  return true;
}

void HostWindow::StartIdleWatch() {
  qint64 timeout_ms = idle_override_ms_;
  if (timeout_ms <= 0) timeout_ms = qint64{TAVSecurityUI_GetIdleTimeout()} * 60 * 1000;
  idle_.SetTimeoutMs(timeout_ms);
  if (timeout_ms > 0) idle_.Start();
  RefreshUser();
}

void HostWindow::ReauthenticateAfterIdle() {
  idle_.Stop();
  Log("Idle time ran out");
  if (!IdleLoginMayGoOn()) {
    // Nobody may go on working in the name of the user who left, nor as a
    // user who may not run the program.
    Log("TAVSecurityUI_DoLogout -> " + QString::number(TAVSecurityUI_DoLogout()));
    RefreshUser();
    if (!LogInAtStart()) {
      emit IdleReauthenticationDone();
      close();
      return;
    }
  }
  RefreshUser();
  StartIdleWatch();
  emit IdleReauthenticationDone();
}

bool HostWindow::IdleLoginMayGoOn() {
  // Any user may log on here: ask again whether the one who did may run
  // the program, as after TAVSecurityUI_DoLogin.
  int result = TAVSecurityUI_DoIdleLogin(Hwnd(), 1, &info_, nullptr);
  Log("TAVSecurityUI_DoIdleLogin -> " + LoginResult(result));
  return DecideAfterIdleLogin(result, [this] {
           int allowed = TAVSecurityUI_IsUserAllowed();
           Log("TAVSecurityUI_IsUserAllowed -> " + YesNo(allowed));
           return allowed;
         }) == AfterIdleLogin::kGoOn;
}

void HostWindow::LogIn() {
  idle_.Stop();
  HANDLE token = nullptr;
  int result = TAVSecurityUI_DoLogin(Hwnd(), 1, &info_, &token);
  Log("TAVSecurityUI_DoLogin -> " + LoginResult(result));
  // The token is ours; this host has no use for it.
  if (token != nullptr) TAVSecurityUI_CloseToken(token);
  if (result == 0) Log("TAVSecurityUI_IsUserAllowed -> " + YesNo(TAVSecurityUI_IsUserAllowed()));
  StartIdleWatch();
}

void HostWindow::IdleLogIn() {
  // The menu runs the same steps as a timeout.
  ReauthenticateAfterIdle();
}

void HostWindow::AuthCheck() {
  UserInfo checked;
  TAVSecurityUI_initEmptyUserInfo(&checked);
  int result = TAVSecurityUI_DoAuthCheck(Hwnd(), 1, &checked);
  Log("TAVSecurityUI_DoAuthCheck -> " +
      (result == 0 ? QString("0 (confirmed %1, groups %2)").arg(Text(checked.userName), Text(checked.groups))
                   : LoginResult(result)));
  TAVSecurityUI_freeUserInfo(&checked);
  RefreshUser();
}

void HostWindow::SetLoginUserFromOwnToken() {
  HANDLE token = TAVCurrentUser::GetInstance()->GetUserToken();
  Log(QString("TAVCurrentUser::GetUserToken -> %1").arg(token != nullptr ? "a new token" : "null"));
  int result = TAVSecurityUI_SetLoginUser(token, &info_);
  Log("TAVSecurityUI_SetLoginUser -> " + YesNo(result));
  // On 1 the library owns the token; on 0 it is still ours.
  if (result != 1 && token != nullptr) TAVSecurityUI_CloseToken(token);
  RefreshUser();
}

void HostWindow::LogOut() {
  idle_.Stop();
  Log("TAVSecurityUI_DoLogout -> " + QString::number(TAVSecurityUI_DoLogout()));
  RefreshUser();
}

void HostWindow::BuildQueryMenus() {
  for (int activity = 0; activity < kActivityCount; ++activity) {
    connect(ui_->menuActivity->addAction(QString()), &QAction::triggered, this, [this, activity] {
      Log(QString("TAVSecurityUI_IsUserAllowedAccess(%1) -> ").arg(activity) +
          YesNo(TAVSecurityUI_IsUserAllowedAccess(activity)));
    });
    connect(ui_->menuActivityStealth->addAction(QString()), &QAction::triggered, this,
            [this, activity] {
              Log(QString("TAVSecurityUI_IsUserAllowedAccessStealth(%1) -> ").arg(activity) +
                  YesNo(TAVSecurityUI_IsUserAllowedAccessStealth(activity)));
            });
  }
  for (int type = 0; type < kDataTypeCount; ++type) {
    connect(ui_->menuAudited->addAction(QString()), &QAction::triggered, this, [this, type] {
      Log(QString("TAVSecurityUI_IsAuditRecordingForDataType(%1) -> ").arg(type) +
          YesNo(TAVSecurityUI_IsAuditRecordingForDataType(type)));
    });
    connect(ui_->menuComment->addAction(QString()), &QAction::triggered, this, [this, type] {
      int32_t first = 0;
      int32_t second = 0;
      int result = TAVSecurityUI_GetAuditCommentSetting(type, &first, &second);
      Log(QString("TAVSecurityUI_GetAuditCommentSetting(%1) -> %2, flags %3 and %4")
              .arg(type)
              .arg(result)
              .arg(first)
              .arg(second));
    });
  }
}

void HostWindow::NameQueryMenus() {
  for (QMenu* menu : {ui_->menuActivity, ui_->menuActivityStealth}) {
    const QList<QAction*> actions = menu->actions();
    for (int activity = 0; activity < actions.size(); ++activity) {
      actions[activity]->setText(QString("%1  %2").arg(activity).arg(
          QCoreApplication::translate("tav::Names", names::Activity(activity))));
    }
  }
  for (QMenu* menu : {ui_->menuAudited, ui_->menuComment}) {
    const QList<QAction*> actions = menu->actions();
    for (int type = 0; type < actions.size(); ++type) {
      actions[type]->setText(QString("%1  %2").arg(type).arg(
          QCoreApplication::translate("tav::Names", names::DataType(type, true))));
    }
  }
}

void HostWindow::changeEvent(QEvent* event) {
  if (event->type() == QEvent::LanguageChange) {
    ui_->retranslateUi(this);
    NameQueryMenus();
    RefreshUser();
  }
  QMainWindow::changeEvent(event);
}

void HostWindow::ConnectActions() {
  connect(ui_->actionLogin, &QAction::triggered, this, &HostWindow::LogIn);
  connect(ui_->actionIdleLogin, &QAction::triggered, this, &HostWindow::IdleLogIn);
  connect(ui_->actionAuthCheck, &QAction::triggered, this, &HostWindow::AuthCheck);
  connect(ui_->actionSetLoginUser, &QAction::triggered, this, &HostWindow::SetLoginUserFromOwnToken);
  connect(ui_->actionLogout, &QAction::triggered, this, &HostWindow::LogOut);
  connect(ui_->actionExit, &QAction::triggered, this, &QWidget::close);
  connect(ui_->actionSecurityEnabled, &QAction::triggered, this, [this] {
    Log("TAVSecurityUI_IsUserSecurityEnabled -> " + YesNo(TAVSecurityUI_IsUserSecurityEnabled()));
  });
  connect(ui_->actionUserAllowed, &QAction::triggered, this, [this] {
    Log("TAVSecurityUI_IsUserAllowed -> " + YesNo(TAVSecurityUI_IsUserAllowed()));
  });
  connect(ui_->actionIdleTimeout, &QAction::triggered, this, [this] {
    Log(QString("TAVSecurityUI_GetIdleTimeout -> %1 minutes").arg(TAVSecurityUI_GetIdleTimeout()));
  });
  connect(ui_->actionWindowsAdmin, &QAction::triggered, this, [this] {
    Log("TAVSecurityUI_IsWindowsUserAdmin -> " + YesNo(TAVSecurityUI_IsWindowsUserAdmin()));
  });
  connect(ui_->actionCleanup, &QAction::triggered, this, [this] {
    TAVSecurityUI_Config21cfr11ArrayCleanup();
    Log("TAVSecurityUI_Config21cfr11ArrayCleanup");
  });
  connect(ui_->actionAbout, &QAction::triggered, this, [this] {
    QMessageBox::about(this, tr("About TAV Host"),
                       tr("TAV Host: a sample program of the instrument suite that uses "
                          "libTAVSecurityUI for logons, permissions and compliance dialogs."));
  });
}

void HostWindow::ConnectOptionalActions() {
  const OptionalExports& e = Optional();
  auto offer = [this](QAction* action, bool available, auto call) {
    action->setEnabled(available);
    if (!available) {
      action->setToolTip(tr("Not in this version of the library"));
      return;
    }
    connect(action, &QAction::triggered, this, call);
  };
  // The dialogs do not ask whether the user may use them: the host does.
  offer(ui_->actionConfigDialog, e.configuration_dialog != nullptr, [this] {
    if (!MayPerform(kActivityConfigureCompliance)) return;
    Log(QString("TAVSecurityUI_showModal21CFR11Dialog -> %1").arg(Optional().configuration_dialog()));
    StartIdleWatch();
  });
  offer(ui_->actionEventViewer, e.sys_event_viewer != nullptr, [this] {
    if (!MayPerform(kActivityViewAuditTrails)) return;
    Log(QString("TAVSecurityUI_DoSysEventViewer -> %1").arg(Optional().sys_event_viewer(Hwnd())));
  });
  offer(ui_->actionAuditTrail, e.sys_audit_trail != nullptr, [this] {
    if (!MayPerform(kActivityViewAuditTrails)) return;
    Log(QString("TAVSecurityUI_DoSysAuditTrail -> %1").arg(Optional().sys_audit_trail(Hwnd())));
  });
  offer(ui_->actionRunList, e.run_list_manager != nullptr, [this] {
    if (!MayPerform(kActivityManageRunList)) return;
    Log(QString("TAVSecurityUI_DoRunListManager -> %1").arg(Optional().run_list_manager(Hwnd())));
  });
  const bool signatures = e.reset_esig_groups != nullptr && e.add_esig_group != nullptr &&
                          e.reset_esig_reasons != nullptr && e.init_esig_reasons != nullptr &&
                          e.set_esig_root_path != nullptr;
  offer(ui_->actionSignerSetup, signatures, [this] { SetUpSignatures(); });
  offer(ui_->actionSign, e.begin_esignature != nullptr && e.end_esignature != nullptr,
        [this] { SignDocument(); });
  connect(ui_->actionShowSignatures, &QAction::triggered, this, [this] {
    const QString path = ChooseDocument(this, tr("Show Signatures"));
    if (!path.isEmpty()) ShowSignatures(this, path);
  });
}

bool HostWindow::MayPerform(int activity) {
  const int allowed = TAVSecurityUI_IsUserAllowedAccess(activity);
  Log(QString("TAVSecurityUI_IsUserAllowedAccess(%1) -> ").arg(activity) + YesNo(allowed));
  return allowed == 1;
}

void HostWindow::SetUpSignatures() {
  const OptionalExports& e = Optional();
  Log(QString("TAVSecurityUI_ResetESignatureGroups -> %1").arg(e.reset_esig_groups()));
  for (int group = 0; group < kGroupCount; ++group) {
    Log(QString("TAVSecurityUI_AddESignatureGroup(%1) -> %2")
            .arg(names::Group(group))
            .arg(e.add_esig_group(names::Group(group))));
  }
  Log(QString("TAVSecurityUI_ResetESignatureReasons -> %1").arg(e.reset_esig_reasons()));
  Log(QString("TAVSecurityUI_InitESignatureReasons -> %1").arg(e.init_esig_reasons()));
  Log(QString("TAVSecurityUI_SetESignatureRootPath(\"Signatures\") -> %1")
          .arg(e.set_esig_root_path("Signatures")));
}

void HostWindow::SignDocument() {
  idle_.Stop();
  const QString path = ChooseDocument(this, tr("Sign a Document"));
  if (!path.isEmpty()) {
    for (const QString& line : host::SignDocument(this, path)) Log(line);
  }
  RefreshUser();
  StartIdleWatch();
}

bool HostWindow::event(QEvent* event) {
  const int type = event->type();
  if (type == TAVSECURITYUI_EVENT_OPEN_FILE || type == TAVSECURITYUI_EVENT_IS_FILE_OPEN) {
    const TAVRunListFileMessage* message =
        Optional().run_list_file_message != nullptr ? Optional().run_list_file_message(event)
                                                    : nullptr;
    const QString path = message != nullptr ? QString::fromUtf8(message->path) : QString();
    if (documents_.HandleEvent(event)) {
      Log(type == TAVSECURITYUI_EVENT_OPEN_FILE
              ? "Run List Manager: open " + path
              : QString("Run List Manager: is %1 open? %2")
                    .arg(path, message->result != 0 ? "yes, deletion refused" : "no"));
      return true;
    }
  }
  return QMainWindow::event(event);
}

void HostWindow::closeEvent(QCloseEvent* event) {
  idle_.Stop();
  TAVSecurityUI_DoLogout();
  QMainWindow::closeEvent(event);
}

}  // namespace tav::host
