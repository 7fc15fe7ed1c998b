#include "audit/audit_list_ctrl.h"

#include <pwd.h>
#include <unistd.h>

#include <ctime>

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QFileDialog>
#include <QMenu>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>

#include "audit/event_report.h"
#include "audit/report_pdf.h"
#include "logon/user_record.h"
#include "util/ole_date.h"
#include "controls/report_list_ctrl.h"
#include "ui/message_prompter.h"
#include "util/file.h"

namespace tav {
namespace {

QString AskForFile(QWidget* parent) {
  return QFileDialog::getSaveFileName(parent, CAuditListCtrl::tr("Export"), QString(),
                                      CAuditListCtrl::tr("CSV files (*.csv);;All files (*)"));
}

CAuditListCtrl::SaveFileChooser& Chooser() {
  static CAuditListCtrl::SaveFileChooser chooser = &AskForFile;
  return chooser;
}

// A chooser given by a test answers for the PDF too.
bool& ChooserReplaced() {
  static bool replaced = false;
  return replaced;
}

}  // namespace

ReportContext ViewerReportContext() {
  ReportContext context;
  context.machine = MachineName();
  context.store = StoreIdentityText();
  const std::string& user = TheLogonState().current_user.user_name;
  const passwd* pw = ::getpwuid(::getuid());
  const std::string system_user = pw != nullptr ? pw->pw_name : std::to_string(::getuid());
  context.printed_by = (user.empty() ? std::string("(nobody logged on)") : user) +
                       " (system user " + system_user + ")";
  context.printed_at =
      FormatOleDate(OleDateFromTimeT(::time(nullptr)).value_or(0.0), "%Y-%m-%d %H:%M:%S");
  return context;
}

CAuditListCtrl::CAuditListCtrl(QWidget* parent) : CSortListCtrl(parent) {}

CAuditListCtrl::~CAuditListCtrl() = default;

void CAuditListCtrl::SetSaveFileChooser(SaveFileChooser chooser) {
  ChooserReplaced() = static_cast<bool>(chooser);
  Chooser() = chooser ? std::move(chooser) : SaveFileChooser(&AskForFile);
}

void CAuditListCtrl::SaveReportAsk(const AuditReport& report) {
  const QString path =
      ChooserReplaced()
          ? Chooser()(this)
          : QFileDialog::getSaveFileName(this, tr("Save as PDF"), QString(),
                                         tr("PDF files (*.pdf);;All files (*)"));
  if (path.isEmpty()) return;
  std::string error;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const bool written = WriteReportPdf(report, path.toStdString(), &error);
  QApplication::restoreOverrideCursor();
  if (!written) {
    const std::string text =
        tr("The report could not be saved to %1:").arg(path).toStdString() + "\n" + error;
    StealthMessageBox(IDOK, window(), text.c_str(), tr("Save as PDF").toStdString().c_str(),
                      MB_OK | MB_ICONERROR);
  }
}

void CAuditListCtrl::PrintReportAsk(const AuditReport& report) {
  QPrinter printer(QPrinter::HighResolution);
  printer.setDocName(QString::fromStdString(report.title));
  QPrintDialog dialog(&printer, this);
  dialog.setObjectName(QStringLiteral("dlgPrint"));
  if (dialog.exec() != QDialog::Accepted) return;
  std::string error;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const int pages = PaintReport(report, &printer, &error);
  QApplication::restoreOverrideCursor();
  if (pages == 0) {
    const std::string text = tr("The report could not be printed:").toStdString() + "\n" + error;
    StealthMessageBox(IDOK, window(), text.c_str(), tr("Print").toStdString().c_str(),
                      MB_OK | MB_ICONERROR);
  }
}

TableView CAuditListCtrl::View() const {
  headings_.clear();
  heading_ptrs_.clear();
  for (int column = 0; column < GetColumnCount(); ++column) {
    headings_.push_back(
        // Exports and copies keep the English headings, as listings do.
        GetModel()
            ->headerData(column, Qt::Horizontal, SortListModel::kSourceHeadingRole)
            .toString()
            .toStdString());
  }
  for (const std::string& heading : headings_) heading_ptrs_.push_back(heading.c_str());
  TableView view;
  view.headings = heading_ptrs_;
  view.rows = static_cast<size_t>(GetItemCount());
  view.cell = [this](size_t row, size_t column) {
    return GetItemText(static_cast<int>(row), static_cast<int>(column));
  };
  return view;
}

void CAuditListCtrl::CopySelectedRows() {
  const std::vector<int> rows = GetSelectedRows();
  if (rows.empty()) return;
  std::string text;
  AppendTextLines(View(), rows, &text);
  QApplication::clipboard()->setText(QString::fromStdString(text));
}

bool CAuditListCtrl::ExportCsv(const std::string& path, std::string* error) const {
  std::string csv;
  AppendCsv(View(), &csv);
  try {
    // An export of audited events is for their owner and inspectors only.
    WriteFileAtomically(path, csv, 0600);
  } catch (const CFileException& e) {
    *error = e.what();
    return false;
  }
  return true;
}

void CAuditListCtrl::ExportCsvAsk() {
  const QString path = Chooser()(this);
  if (path.isEmpty()) return;
  std::string error;
  if (!ExportCsv(path.toStdString(), &error)) {
    const std::string text = tr("The list could not be exported to %1:\n%2")
                                 .arg(path, QString::fromStdString(error))
                                 .toStdString();
    StealthMessageBox(IDOK, window(), text.c_str(), tr("Export").toStdString().c_str(),
                      MB_OK | MB_ICONERROR);
  }
}

bool CAuditListCtrl::ExportSigned(const std::string& path, std::string* message) const {
  message->clear();
  if (!signed_log_) return false;
  WrittenExport written;
  const StoreStatus status = WriteSignedExport(*signed_log_, TableFormat::kCsv, path, &written);
  if (!status.ok()) {
    *message = status.message();
    return false;
  }
  *message = written.warning;
  return true;
}

void CAuditListCtrl::ExportSignedAsk() {
  const QString path = Chooser()(this);
  if (path.isEmpty()) return;
  std::string message;
  if (!ExportSigned(path.toStdString(), &message)) {
    const std::string text = tr("The listing could not be exported to %1:\n%2")
                                 .arg(path, QString::fromStdString(message))
                                 .toStdString();
    StealthMessageBox(IDOK, window(), text.c_str(), tr("Export").toStdString().c_str(),
                      MB_OK | MB_ICONERROR);
  } else if (!message.empty()) {
    const std::string text = tr("The listing was exported to %1, but %2")
                                 .arg(path, QString::fromStdString(message))
                                 .toStdString();
    StealthMessageBox(IDOK, window(), text.c_str(), tr("Export").toStdString().c_str(),
                      MB_OK | MB_ICONWARNING);
  }
}

void CAuditListCtrl::paintEvent(QPaintEvent* event) {
  CSortListCtrl::paintEvent(event);
  if (GetItemCount() != 0) return;
  QPainter painter(viewport());
  QRect rect = viewport()->rect().adjusted(0, 10, 0, 0);
  painter.drawText(rect, Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap,
                   QCoreApplication::translate("tav::Lists", kEmptyListText));
}

void CAuditListCtrl::contextMenuEvent(QContextMenuEvent* event) {
  QMenu menu(this);
  QAction* copy = menu.addAction(QCoreApplication::translate("tav::SystemAudit", kCopyRowsText));
  copy->setEnabled(!GetSelectedRows().empty());
  connect(copy, &QAction::triggered, this, &CAuditListCtrl::CopySelectedRows);
  QAction* save = menu.addAction(QCoreApplication::translate("tav::SystemAudit", kExportCsvText));
  connect(save, &QAction::triggered, this, &CAuditListCtrl::ExportCsvAsk);
  if (signed_log_) {
    QAction* sign =
        menu.addAction(QCoreApplication::translate("tav::SystemAudit", kExportSignedText));
    connect(sign, &QAction::triggered, this, &CAuditListCtrl::ExportSignedAsk);
  }
  menu.exec(event->globalPos());
}

}  // namespace tav
