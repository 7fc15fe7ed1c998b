#include "runlist/run_list_page.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QKeyEvent>
#include <QSettings>
#include <QTimer>
#include <algorithm>

#include "controls/sort_list_ctrl.h"
#include "records/file_record_comp.h"
#include "runlist/run_file_ops.h"
#include "runlist/run_list_manager_dlg.h"
#include "runlist/run_list_operations.h"
#include "runlist/run_list_rows.h"
#include "services/filelib/run_list_manager.h"
#include "ui_run_list_page.h"
#include "util/shown_text.h"

namespace tav {

CRunListPage::CRunListPage(CRunListManagerDlg* dialog, QWidget* parent)
    : QWidget(parent),
      ui_(std::make_unique<Ui::RunListPage>()),
      dialog_(dialog),
      choose_folder_(&ChooseDestinationFolder),
      choose_files_(&ChooseImportFiles) {
  ui_->setupUi(this);
  if (QCoreApplication::instance() != nullptr) {
    QSettings settings;
    settings.beginGroup(kRunListSettingsSection);
    move_folder_ = settings.value(kFileMovePathEntry, QString()).toString().toStdString();
  }
  CSortListCtrl* list = ui_->ctl1031;
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  list->SetFullRowSelect(true);
  for (size_t i = 0; i < kRunListColumns.size(); ++i) {
    list->InsertColumn(static_cast<int>(i), kRunListColumns[i], Qt::AlignLeft, -1, "tav::RunList");
  }
  list->SetDimmedRowNote(TranslateText("tav::RunList", kMissingFileNote));
  list->installEventFilter(this);
  connect(list, &QAbstractItemView::doubleClicked, this, [this] { dialog_->OnOpen(); });
  list->setFocus();
}

CRunListPage::~CRunListPage() = default;

CSortListCtrl* CRunListPage::List() const { return ui_->ctl1031; }

void CRunListPage::Activate() {
  if (!loaded_) Load();
  show();
  List()->setFocus();
}

void CRunListPage::Load() {
  loaded_ = true;
  CSortListCtrl* list = List();
  CRunListManager manager;
  if (CFileRecordListComp* files = manager.LoadCurrentFileList()) {
    std::vector<const CFileRecordComp*> records;
    records.reserve(files->GetChildCount());
    POSITION pos = files->GetFirstChildPosition();
    while (pos != nullptr) {
      const auto* record = dynamic_cast<const CFileRecordComp*>(files->GetNextChild(pos));
      if (record != nullptr) records.push_back(record);
    }
    // The list may name files that are gone (deleted by another program, or
    // by an operation whose report to the library failed): shown dimmed.
    std::vector<RowStyle> styles(records.size(), RowStyle::kNormal);
    RunListRowBuilder rows;
    std::string path;
    const int first =
        list->AddItems(records.size(), [&](size_t i, std::span<std::string_view> cells) {
          const RowViews row = rows.Cells(*records[i]);
          std::copy(row.begin(), row.end(), cells.begin());
          path.assign(row[0]).append("/").append(row[1]);  // as GetSelectedPath joins them
          if (RunFileMissing(path)) styles[i] = RowStyle::kDimmed;
        });
    list->SetRowStyles(first, styles);
  }
  list->resizeColumnToContents(2);
  list->resizeColumnToContents(3);
  list->Sort(0, true);
  list->SelectItem(0);
  // The dialog loads this page while it is built, before it is laid out:
  // the list's width is known once the page has been shown.
  if (isVisible()) SizeColumnsSoon();
}

void CRunListPage::SizeColumnsSoon() {
  if (columns_sized_) return;
  columns_sized_ = true;
  // A page is shown before its tab control, which lays it out when it is
  // shown itself, and a dialog that fits itself to the screen does so after
  // that: the sizes are final when the event loop runs next.
  QTimer::singleShot(0, this, [this] { FitColumns(true); });
  // Rows added later (an import, a move) widen their columns as needed.
  connect(List()->model(), &QAbstractItemModel::rowsInserted, this, [this] { FitColumns(false); });
}

void CRunListPage::FitColumns(bool first_time) {
  CSortListCtrl* list = List();
  const int width = list->viewport()->width();
  // Folder and name show whole, also on a small or scaled screen: a column
  // wider than its share makes the list scroll sideways. Every row's text
  // counts, not only those laid out so far.
  const QAbstractItemView* view = list;
  const int shares[] = {width / 3, width / 4};
  for (int column = 0; column < 2; ++column) {
    const int at_least = first_time ? shares[column] : list->columnWidth(column);
    list->setColumnWidth(column,
                         std::max(at_least, view->QAbstractItemView::sizeHintForColumn(column)));
  }
  // The date and the user fit their contents, also those of rows added
  // after the list was filled (a date in a longer locale form).
  if (!first_time) {
    for (int column = 2; column < 4; ++column) {
      list->setColumnWidth(column, std::max(list->columnWidth(column),
                                            view->QAbstractItemView::sizeHintForColumn(column)));
    }
  }
}

void CRunListPage::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (loaded_) SizeColumnsSoon();
}

int CRunListPage::AddRow(const CFileRecordComp& record, bool select, int row) {
  const RowTexts texts = RunListRow(record);
  CSortListCtrl* list = List();
  if (row < 0) {
    const std::array<std::string_view, 4> cells = {texts[0], texts[1], texts[2], texts[3]};
    row = list->AddItem(list->GetItemCount(), cells);
  } else {
    for (int column = 0; column < static_cast<int>(texts.size()); ++column) {
      list->SetItemText(row, column, texts[column]);
    }
  }
  MarkRow(row);
  if (select) list->SelectItem(row);
  return row;
}

void CRunListPage::MarkRow(int row) {
  CSortListCtrl* list = List();
  const std::string path = JoinRunFilePath(std::string(list->GetItemText(row, 0)),
                                           std::string(list->GetItemText(row, 1)));
  list->SetRowStyle(row, RunFileMissing(path) ? RowStyle::kDimmed : RowStyle::kNormal);
}

namespace {

// The selected row, or -1 after telling the user that none is selected.
int SelectedRowOrTell(CSortListCtrl* list, RunListOperations& operations) {
  const std::vector<int> rows = list->GetSelectedRows();
  if (rows.empty()) {
    operations.Tell(TranslateText("tav::RunList", kNoSelectionText));
    return -1;
  }
  return rows.front();
}

}  // namespace

std::string CRunListPage::GetSelectedPath() const {
  const std::vector<int> rows = List()->GetSelectedRows();
  if (rows.empty()) return {};
  return JoinRunFilePath(std::string(List()->GetItemText(rows.front(), 0)),
                         std::string(List()->GetItemText(rows.front(), 1)));
}

void CRunListPage::Delete() {
  CSortListCtrl* list = List();
  RunListOperations operations(this);
  const int row = SelectedRowOrTell(list, operations);
  if (row < 0) return;
  RunListOperations::DeleteResult result = operations.Delete(GetSelectedPath());
  if (!result.row_removed) return;
  list->DeleteItem(row, true);
  if (result.record) dialog_->UpdateHistory(*result.record);
}

void CRunListPage::Move() {
  CSortListCtrl* list = List();
  RunListOperations operations(this);
  const int row = SelectedRowOrTell(list, operations);
  if (row < 0) return;
  const std::string location(list->GetItemText(row, 0));
  const std::string name(list->GetItemText(row, 1));
  if (!operations.CheckMoveSource(JoinRunFilePath(location, name))) return;
  const std::optional<std::string> chosen = choose_folder_(this, move_folder_);
  if (!chosen) return;
  std::string folder;
  const StoreStatus valid = NormaliseDestinationFolder(*chosen, &folder);
  if (!valid.ok()) {
    operations.Tell(valid.message());
    return;
  }
  RunListOperations::MoveResult result = operations.MoveTo(location, name, folder);
  if (result.folder_accepted) SaveMoveFolder(folder.empty() ? "/" : folder);
  if (!result.moved) return;
  if (result.record) {
    AddRow(*result.record, true, row);
    dialog_->UpdateHistory(*result.record);
  } else {
    // The file has moved although the library failed: the row follows it.
    list->SetItemText(row, 0, folder);
    MarkRow(row);
    list->SelectItem(row);
  }
  list->Resort();
}

void CRunListPage::Import() {
  const std::vector<std::string> paths = choose_files_(this);
  RunListOperations operations(this);
  CSortListCtrl* list = List();
  for (const std::string& path : paths) {
    std::unique_ptr<CFileRecordComp> record = operations.Import(path);
    if (!record) continue;
    AddRow(*record, true, -1);
    list->Resort();
    dialog_->UpdateHistory(*record);
  }
}

void CRunListPage::SaveMoveFolder(const std::string& folder) {
  move_folder_ = folder;
  if (QCoreApplication::instance() == nullptr) return;
  QSettings settings;
  settings.beginGroup(kRunListSettingsSection);
  settings.setValue(kFileMovePathEntry, QString::fromStdString(folder));
}

bool CRunListPage::eventFilter(QObject* watched, QEvent* event) {
  if (watched == List() && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    // The keypad's Delete is Delete too (it comes with the keypad modifier).
    if (key->key() == Qt::Key_Delete &&
        (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
      dialog_->OnDelete();
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

std::optional<std::string> ChooseDestinationFolder(QWidget* owner, const std::string& start) {
  QFileDialog dialog(owner, QCoreApplication::translate("tav::RunList", kFolderChooserTitle),
                     QString::fromStdString(start));
  dialog.setObjectName("dlgFolderChooser");
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly, true);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList chosen = dialog.selectedFiles();
  return chosen.isEmpty() ? std::string() : chosen.front().toStdString();
}

std::vector<std::string> ChooseImportFiles(QWidget* owner) {
  QFileDialog dialog(owner, QCoreApplication::translate("tav::RunList", kImportTitle));
  dialog.setObjectName("dlgFileImport");
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  dialog.setNameFilter(QCoreApplication::translate("tav::RunList", kImportFilter));
  dialog.setFileMode(QFileDialog::ExistingFiles);
  dialog.setLabelText(QFileDialog::Accept,
                      QCoreApplication::translate("tav::RunList", kImportButton));
  std::vector<std::string> paths;
  if (dialog.exec() != QDialog::Accepted) return paths;
  for (const QString& file : dialog.selectedFiles()) paths.push_back(file.toStdString());
  return paths;
}

}  // namespace tav
