#include "apps/tav-host/tour.h"

#include <string.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QTest>
#include <cstdio>
#include <memory>

#include "apps/tav-host/host_window.h"
#include "apps/tav-host/text_check.h"
#include "ui_host_window.h"

namespace tav::host {

namespace {

// A plain caption bar over the picture: offscreen windows have no frame, and
// the caption is part of what each dialog says.
QImage Framed(QWidget* widget) {
  const QImage body = widget->grab().toImage();
  const qreal dpr = body.devicePixelRatio();
  const int bar = qRound(30 * dpr);
  QImage framed(body.width() + 2, body.height() + bar + 1, QImage::Format_RGB32);
  framed.setDevicePixelRatio(dpr);
  framed.fill(QColor(0x8a, 0x93, 0x9c));
  QPainter painter(&framed);
  painter.setRenderHint(QPainter::Antialiasing);
  QLinearGradient gradient(0, 0, 0, bar / dpr);
  gradient.setColorAt(0, QColor(0xf4, 0xf6, 0xf8));
  gradient.setColorAt(1, QColor(0xdc, 0xe1, 0xe6));
  painter.fillRect(QRectF(1 / dpr, 1 / dpr, body.width() / dpr, (bar - 1) / dpr), gradient);
  QFont font = widget->font();
  font.setBold(true);
  painter.setFont(font);
  painter.setPen(QColor(0x22, 0x2b, 0x33));
  const QIcon icon = widget->windowIcon();
  int text_x = 10;
  if (!icon.isNull()) {
    icon.paint(&painter, QRect(8, 6, 18, 18));
    text_x = 34;
  }
  painter.drawText(QRectF(text_x, 0, body.width() / dpr - text_x - 8, bar / dpr),
                   Qt::AlignVCenter | Qt::AlignLeft, widget->windowTitle());
  painter.drawImage(QPointF(1 / dpr, bar / dpr), body);
  return framed;
}

}  // namespace

Tour::Tour(HostWindow& window, QString directory, QString user, std::string password,
           QString admin, std::string admin_password)
    : QObject(&window),
      window_(window),
      directory_(std::move(directory)),
      user_(std::move(user)),
      password_(std::move(password)),
      admin_(std::move(admin)),
      admin_password_(std::move(admin_password)) {
  runner_.setInterval(50);
  connect(&runner_, &QTimer::timeout, this, &Tour::RunNextStep);
  // However the library behaves, the tour ends.
  QTimer::singleShot(180000, this, [this] {
    Fail("the tour did not finish within three minutes");
    QApplication::exit(1);
  });
}

Tour::~Tour() {
  explicit_bzero(password_.data(), password_.size());
  explicit_bzero(admin_password_.data(), admin_password_.size());
}

void Tour::Fail(const QString& why) {
  failed_ = true;
  std::fprintf(stderr, "tav-host tour: %s\n", qPrintable(why));
}

void Tour::Save(QWidget* widget, const QString& file) {
  if (check_texts_) {
    for (const TextProblem& problem : host::CheckTexts(widget, require_marks_)) {
      Fail(file + ": " + problem.ToString());
    }
  }
  const QString path = QDir(directory_).filePath(file);
  if (!Framed(widget).save(path)) {
    Fail("cannot write " + path);
    return;
  }
  saved_ << path;
}

void Tour::When(const QString& name, Action action, int timeout_ms,
                std::function<void()> missing) {
  auto* timer = new QTimer(this);
  auto clock = std::make_shared<QElapsedTimer>();
  clock->start();
  timer->setInterval(20);
  connect(timer, &QTimer::timeout, this, [=, this] {
    QWidget* modal = QApplication::activeModalWidget();
    const bool up = modal != nullptr && modal->isVisible() && modal->objectName() == name;
    // A dialog that comes back after a message box may not get the keyboard
    // back by itself on every platform; a user would click it.
    if (up && !modal->isActiveWindow()) modal->activateWindow();
    // Give the window a moment to lay itself out and paint before the picture.
    if (up && clock->elapsed() > 150) {
      timer->stop();
      timer->deleteLater();
      action(modal);
      return;
    }
    if (clock->elapsed() > timeout_ms) {
      timer->stop();
      timer->deleteLater();
      if (missing) {
        missing();
        return;
      }
      Fail(name + " did not show");
      if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
    }
  });
  timer->start();
}

void Tour::TypeCredentials(QWidget* dialog, bool right_password) {
  TypeCredentials(dialog, user_, right_password ? password_ : std::string("not-the-password"));
}

void Tour::TypeCredentials(QWidget* dialog, const QString& user, const std::string& secret) {
  auto* name = dialog->findChild<QLineEdit*>("ctl1002");
  auto* password = dialog->findChild<QLineEdit*>("ctl1003");
  if (name->text() != user) {
    QTest::mouseClick(name, Qt::LeftButton);
    name->clear();
    QTest::keyClicks(name, user);
  }
  QTest::mouseClick(password, Qt::LeftButton);
  password->clear();
  QTest::keyClicks(password, QString::fromStdString(secret));
}

void Tour::ExpectPasswordChange() {
  // The logon's refusal (the password must be changed), then the dialog
  // that changes it; the logon goes on with the new password.
  When("StealthMessageBox", [this](QWidget* box) {
    QTest::mouseClick(qobject_cast<QMessageBox*>(box)->button(QMessageBox::Ok), Qt::LeftButton);
    When("dlg135", [this](QWidget* dialog) {
      const QString typed = QString::fromStdString(new_password_);
      QTest::keyClicks(dialog->findChild<QLineEdit*>("ctl1005"), typed);
      QTest::keyClicks(dialog->findChild<QLineEdit*>("ctl1006"), typed);
      Save(dialog, "20-change-password.png");
      password_ = new_password_;
      QTest::mouseClick(dialog->findChild<QPushButton*>("ctl1"), Qt::LeftButton);
    });
  });
}

void Tour::BeforeLogin() {
  QDir().mkpath(directory_);
  When("dlg130", [this](QWidget* dialog) {
    if (user_.isEmpty()) {
      Save(dialog, "01-user-login.png");
      QTest::keyClicks(dialog->findChild<QLineEdit*>("ctl1002"), "nobody");
      QTest::keyClicks(dialog->findChild<QLineEdit*>("ctl1003"), "wrong");
    } else {
      TypeCredentials(dialog, false);
      Save(dialog, "01-user-login.png");
    }
    When("StealthMessageBox", [this](QWidget* box) {
      Save(box, "02-authentication-error.png");
      QTest::mouseClick(qobject_cast<QMessageBox*>(box)->button(QMessageBox::Ok), Qt::LeftButton);
      When("dlg130", [this](QWidget* again) {
        if (user_.isEmpty()) {
          QTest::mouseClick(again->findChild<QPushButton*>("ctl2"), Qt::LeftButton);
          return;
        }
        TypeCredentials(again, true);
        if (!new_password_.empty()) ExpectPasswordChange();
        QTest::keyClick(again->findChild<QLineEdit*>("ctl1003"), Qt::Key_Return);
      });
    });
    QTest::mouseClick(dialog->findChild<QPushButton*>("ctl1001"), Qt::LeftButton);
  });
}

void Tour::AfterLogin() {
  Ui::HostWindow& ui = window_.ui();
  AddStep([this] { Save(&window_, "03-main-window.png"); });

  // A controlled activity the demo user has no right to.
  AddStep([this, &ui] {
    When("StealthMessageBox",
         [this](QWidget* box) {
           Save(box, "04-activity-refused.png");
           QTest::mouseClick(qobject_cast<QMessageBox*>(box)->button(QMessageBox::Ok),
                             Qt::LeftButton);
         },
         3000, [] {});
    ui.menuActivity->actions().at(0)->trigger();
  });

  // The idle watch runs out and asks for the password again.
  AddStep([this] {
    waiting_ = true;
    When("dlg130", [this](QWidget* dialog) {
      Save(dialog, "05-idle-reauthentication.png");
      TypeCredentials(dialog, true);
      QTest::mouseClick(dialog->findChild<QPushButton*>("ctl1001"), Qt::LeftButton);
    });
    // The next step waits until the host has finished with the idle login,
    // not only with its dialog.
    connect(&window_, &HostWindow::IdleReauthenticationDone, this, [this] { waiting_ = false; },
            Qt::SingleShotConnection);
    window_.idle_watch().SetTimeoutMs(1500);
    window_.idle_watch().Start();
  });

  // Confirming an identity without logging on; cancelled.
  AddStep([this, &ui] {
    When("dlg130", [this](QWidget* dialog) {
      TypeCredentials(dialog, false);
      Save(dialog, "06-identity-check.png");
      QTest::mouseClick(dialog->findChild<QPushButton*>("ctl2"), Qt::LeftButton);
    });
    ui.actionAuthCheck->trigger();
  });

  AddRunListSteps();
  AddSignatureSteps();

  // The System Audit viewer on each of its tabs. A user who may not view
  // audit trails is told so and sees the event log instead.
  AddStep([this, &ui] {
    When("dlg1012", [this](QWidget* dialog) {
      Save(dialog, "12-system-event-log.png");
      QTest::mouseClick(dialog->findChild<QPushButton*>("ctl2"), Qt::LeftButton);
    });
    ui.actionEventViewer->trigger();
  });
  AddStep([this, &ui] {
    // The next step waits until the refusal was answered or did not come,
    // so that this handler cannot answer a later step's message box.
    waiting_ = true;
    When("StealthMessageBox",
         [this](QWidget* box) {
           QTest::mouseClick(qobject_cast<QMessageBox*>(box)->button(QMessageBox::Ok),
                             Qt::LeftButton);
           waiting_ = false;
         },
         3000, [this] { waiting_ = false; });
    When("dlg1012", [this](QWidget* dialog) {
      Save(dialog, "13-configuration-audit-trail.png");
      QTest::mouseClick(dialog->findChild<QPushButton*>("ctl2"), Qt::LeftButton);
    });
    ui.actionAuditTrail->trigger();
  });

  // Last, as it may log the administrator on.
  AddConfigSteps();

  AddStep([this, &ui] {
    window_.idle_watch().Stop();
    ui.actionLogout->trigger();
    Save(&window_, "07-logged-out.png");
  });

  // With nobody logged on the software may not be run.
  AddStep([this, &ui] {
    When("StealthMessageBox",
         [this](QWidget* box) {
           Save(box, "08-not-allowed.png");
           QTest::mouseClick(qobject_cast<QMessageBox*>(box)->button(QMessageBox::Ok),
                             Qt::LeftButton);
         },
         3000, [] {});
    ui.actionUserAllowed->trigger();
  });

  AddStep([] { QApplication::exit(0); });
  runner_.start();
}

void Tour::RunNextStep() {
  if (waiting_ || QApplication::activeModalWidget() != nullptr || steps_.empty()) return;
  std::function<void()> step = std::move(steps_.front());
  steps_.pop_front();
  step();
}

}  // namespace tav::host
