#include "config/audit_esig_page.h"

#include <QEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPalette>
#include <algorithm>

#include "config/page_rules.h"
#include "controls/report_list_ctrl.h"
#include "services/config/system_configuration.h"
#include "services/config/system_table.h"
#include "ui/config_page_ids.h"
#include "ui_audit_esig_page.h"
#include "util/shown_text.h"

namespace tav {
namespace {

// Turns a list's painting off for a scope.
class NoRedraw {
 public:
  explicit NoRedraw(QWidget* widget) : widget_(widget) { widget_->setUpdatesEnabled(false); }
  ~NoRedraw() { widget_->setUpdatesEnabled(true); }
  NoRedraw(const NoRedraw&) = delete;
  NoRedraw& operator=(const NoRedraw&) = delete;

 private:
  QWidget* widget_;
};

AuditTicks RowTicks(const CXListCtrl* grid, int row) {
  return {grid->GetCheckbox(row, 1) == 1, grid->GetCheckbox(row, 2) == 1,
          grid->GetCheckbox(row, 3) == 1};
}

void SetRowTicks(CXListCtrl* grid, int row, const AuditTicks& ticks) {
  grid->SetCheckbox(row, 1, ticks.audited ? 1 : 0);
  grid->SetCheckbox(row, 2, ticks.optional ? 1 : 0);
  grid->SetCheckbox(row, 3, ticks.required ? 1 : 0);
}

ESigTicks RowESigTicks(const CXListCtrl* grid, int row) {
  return {grid->GetCheckbox(row, 1) == 1, grid->GetCheckbox(row, 2) == 1};
}

void SetRowESigTicks(CXListCtrl* grid, int row, const ESigTicks& ticks) {
  grid->SetCheckbox(row, 1, ticks.optional ? 1 : 0);
  grid->SetCheckbox(row, 2, ticks.required ? 1 : 0);
}

}  // namespace

CAuditESigPage::CAuditESigPage(QWidget* parent)
    : CConfigPage(parent),
      ui_(std::make_unique<Ui::AuditESigPage>()),
      audit_(GetConfigPageIds().data_types, GetConfigPageIds().recording_types) {
  ui_->setupUi(this);
  connect(ui_->ctl1003, &CXListCtrl::checkboxClicked, this, [this](int row, int column) {
    OnUpperTick(row, column, ui_->ctl1003->GetCheckbox(row, column) == 1);
  });
  connect(ui_->ctl1004, &CXListCtrl::checkboxClicked, this, [this](int row, int column) {
    OnLowerTick(row, column, ui_->ctl1004->GetCheckbox(row, column) == 1);
  });
  connect(ui_->ctl1003->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          [this](const QItemSelection& selected, const QItemSelection&) {
            if (!selected.isEmpty()) OnSelectionChanged();
          });
}

CAuditESigPage::~CAuditESigPage() = default;

CXListCtrl* CAuditESigPage::UpperGrid() const { return ui_->ctl1003; }
CXListCtrl* CAuditESigPage::LowerGrid() const { return ui_->ctl1004; }

int CAuditESigPage::TypeOfRow(int row) const {
  const std::vector<int32_t>& types = audit_.data_types();
  return row >= 0 && row < static_cast<int>(types.size()) ? types[row] : -1;
}

void CAuditESigPage::FillControls() {
  CXListCtrl* upper = ui_->ctl1003;
  upper->SetFullRowSelect(true);
  upper->SetShowSelectionAlways(true);
  upper->setSelectionMode(QAbstractItemView::SingleSelection);
  upper->header()->setSectionsClickable(false);
  upper->InsertColumn(0, tr("File Type"));
  upper->InsertColumn(1, tr("Enable\nAuditing"));
  upper->InsertColumn(2, tr("Reason For Change\nOptional"));
  upper->InsertColumn(3, tr("Reason For Change\nRequired"));
  upper->SetHeaderFont(180);
  const std::vector<int32_t>& types = audit_.data_types();
  for (size_t row = 0; row < types.size(); ++row) {
    const int r = static_cast<int>(row);
    upper->InsertItem(r,
                      QString::fromStdString(TranslateText(
                          "tav::Names", SystemTable::GetAuditTypeName(types[row], true).c_str())));
    for (int column = 1; column <= 3; ++column) upper->SetCheckbox(r, column, 0);
    // Fixed rows look disabled but stay selectable (a disabled row could not
    // be selected, and its signature activities could not be set): their
    // boxes are fixed, and say why.
    if (IsFixedAuditType(types[row])) {
      const QRgb grey = upper->palette().color(QPalette::Disabled, QPalette::Text).rgb();
      for (int column = 0; column <= 3; ++column) {
        upper->SetItemColor(r, column, grey, upper->Model()->DefaultBackgroundColor());
        upper->SetItemToolTipText(
            r, column,
            QString::fromStdString(TranslateText("tav::Configuration", kAlwaysAuditedTip)));
        if (column > 0) upper->Model()->SetCheckboxEnabled(r, column, false);
      }
    }
  }

  CXListCtrl* lower = ui_->ctl1004;
  lower->SetFullRowSelect(true);
  lower->SetShowSelectionAlways(true);
  lower->setSelectionMode(QAbstractItemView::ExtendedSelection);
  lower->header()->setSectionsClickable(false);
  lower->InsertColumn(0, tr("E-Signature for Selected File Type"));
  lower->InsertColumn(1, tr("Optional"));
  lower->InsertColumn(2, tr("Required"));
  lower->SetHeaderFont(100);
  upper->KeepColumnsInView();
  lower->KeepColumnsInView();
  ApplyColumnWidths();
  upper->viewport()->installEventFilter(this);
}

void CAuditESigPage::ApplyColumnWidths() {
  CXListCtrl* upper = ui_->ctl1003;
  CXListCtrl* lower = ui_->ctl1004;
  const int client = upper->viewport()->width();
  ColumnWidths widths = AuditColumnWidths(client);
  // A longer language must not cut a file type, an activity or a heading:
  // a column grows to its texts and the others share what is left (the
  // lists scroll sideways when the texts need more than their width).
  if (const int first = upper->ColumnTextWidth(0); first > widths.first) {
    widths.first = first;
    widths.check = std::max(0, (client - first) / 3 - 8);
  }
  upper->setColumnWidth(0, widths.first);
  // The check columns' share of the rest leaves 8 pixels each unused.
  const std::vector<int> shared =
      ShareColumns(client - widths.first - 24, widths.check,
                   {upper->ColumnTextWidth(1), upper->ColumnTextWidth(2), upper->ColumnTextWidth(3)});
  for (int column = 1; column <= 3; ++column) {
    upper->setColumnWidth(column, shared[static_cast<size_t>(column - 1)]);
  }
  lower->setColumnWidth(0, std::max(widths.first + widths.check, lower->ColumnTextWidth(0)));
  lower->setColumnWidth(1, std::max(widths.check, lower->ColumnTextWidth(1)));
  lower->setColumnWidth(2, std::max(widths.check, lower->ColumnTextWidth(2)));
}

bool CAuditESigPage::eventFilter(QObject* watched, QEvent* event) {
  if (watched == ui_->ctl1003->viewport() && event->type() == QEvent::Resize) ApplyColumnWidths();
  return CConfigPage::eventFilter(watched, event);
}

void CAuditESigPage::Load(CSystemConfiguration& config) {
  audit_.Read(config);
  esig_.Load(config);
  ShowUpper();
  // A second load finds row 2 shown already: show its ticks from the table
  // read just now.
  if (SelectedUpperRow() == 2 && shown_type_ == TypeOfRow(2)) ShowLowerTicks();
  SelectUpperRow(2);
}

void CAuditESigPage::ShowUpper() {
  CXListCtrl* upper = ui_->ctl1003;
  NoRedraw quiet(upper);
  for (int row = 0; row < upper->GetItemCount(); ++row) {
    const int type = TypeOfRow(row);
    SetRowTicks(upper, row, TicksForRecording(type, audit_.GetRecordingType(type)));
  }
}

void CAuditESigPage::CollectUpper() {
  const CXListCtrl* upper = ui_->ctl1003;
  for (int row = 0; row < upper->GetItemCount(); ++row) {
    const int type = TypeOfRow(row);
    audit_.SetRecordingType(type, RecordingForTicks(type, RowTicks(upper, row)));
  }
}

void CAuditESigPage::OnUpperTick(int row, int column, bool ticked) {
  NoRedraw quiet_upper(ui_->ctl1003);
  NoRedraw quiet_lower(ui_->ctl1004);
  bool clear_signatures = false;
  const AuditTicks after = AfterAuditTick(TypeOfRow(row), RowTicks(ui_->ctl1003, row), column,
                                          ticked, &clear_signatures);
  SetRowTicks(ui_->ctl1003, row, after);
  // The lower grid shows the selected type, the one the user ticks in.
  if (clear_signatures) ClearLowerTicks();
}

void CAuditESigPage::OnLowerTick(int row, int column, bool ticked) {
  NoRedraw quiet_upper(ui_->ctl1003);
  NoRedraw quiet_lower(ui_->ctl1004);
  bool audit_type = false;
  const ESigTicks after = AfterESigTick(RowESigTicks(ui_->ctl1004, row), column, ticked,
                                        &audit_type);
  SetRowESigTicks(ui_->ctl1004, row, after);
  const int selected = SelectedUpperRow();
  if (audit_type && selected >= 0) ui_->ctl1003->SetCheckbox(selected, 1, 1);
}

void CAuditESigPage::ShowLowerRows(int data_type) {
  if (data_type == shown_type_) return;
  shown_type_ = data_type;
  ui_->ctl1004->DeleteAllItems();
  shown_keys_ = esig_.ItemKeys(data_type);
  for (size_t row = 0; row < shown_keys_.size(); ++row) {
    const int r = static_cast<int>(row);
    ui_->ctl1004->InsertItem(r, QString::fromStdString(TranslateText(
                                    "tav::Names", esig_.ItemName(shown_keys_[row]).c_str())));
    ui_->ctl1004->SetCheckbox(r, 1, 0);
    ui_->ctl1004->SetCheckbox(r, 2, 0);
  }
}

void CAuditESigPage::ShowLowerTicks() {
  for (size_t row = 0; row < shown_keys_.size(); ++row) {
    SetRowESigTicks(ui_->ctl1004, static_cast<int>(row),
                    TicksForESigSetting(esig_.GetSetting(shown_type_, shown_keys_[row])));
  }
}

void CAuditESigPage::CollectLower() {
  if (shown_type_ < 0) return;
  for (size_t row = 0; row < shown_keys_.size(); ++row) {
    esig_.SetSetting(shown_type_, shown_keys_[row],
                     ESigSettingForTicks(RowESigTicks(ui_->ctl1004, static_cast<int>(row))));
  }
}

void CAuditESigPage::ClearLowerTicks() {
  for (int row = 0; row < ui_->ctl1004->GetItemCount(); ++row) {
    SetRowESigTicks(ui_->ctl1004, row, ESigTicks{});
  }
}

void CAuditESigPage::SelectUpperRow(int row) {
  CXListCtrl* upper = ui_->ctl1003;
  const QModelIndex index = upper->model()->index(row, 0);
  upper->selectionModel()->setCurrentIndex(
      index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

int CAuditESigPage::SelectedUpperRow() const {
  const std::vector<int> rows = ui_->ctl1003->SelectedRows();
  return rows.empty() ? -1 : rows.front();
}

void CAuditESigPage::OnSelectionChanged() {
  NoRedraw quiet(ui_->ctl1004);
  const int row = SelectedUpperRow();
  if (row < 0) {
    SelectUpperRow(0);
    return;
  }
  const int type = TypeOfRow(row);
  if (type == shown_type_) return;
  CollectLower();
  ShowLowerRows(type);
  ShowLowerTicks();
}

int CAuditESigPage::Save(CSystemConfiguration& config) {
  CollectUpper();
  CollectLower();
  const int result = audit_.Write(config);
  if (result != 0) return result;
  return esig_.Save(config);
}

}  // namespace tav
