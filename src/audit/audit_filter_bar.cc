#include "audit/audit_filter_bar.h"

#include <QDateTime>

#include <algorithm>
#include <set>
#include <string_view>
#include <unordered_set>
#include <utility>

#include "audit/audit_list_ctrl.h"
#include "controls/sort_list_model.h"
#include "ui_audit_filter_bar.h"

namespace tav {
namespace {

// A log of a million events may name many users; the choice lists stay
// short enough to scroll (the text field finds the others).
constexpr size_t kMaxChoices = 500;

std::optional<DATE> OleDateOf(const QDateTime& when) {
  const QDate d = when.date();
  const QTime t = when.time();
  return MakeOleDate(d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second());
}

std::string ChoiceOf(const QComboBox* combo) {
  // Entry 0 is "every user" / "every kind", which has no data.
  return combo->currentIndex() <= 0 ? std::string()
                                    : combo->currentData().toString().toStdString();
}

}  // namespace

AuditFilterBar::AuditFilterBar(QWidget* parent)
    : QWidget(parent), ui_(std::make_unique<Ui::AuditFilterBar>()) {
  ui_->setupUi(this);
  const QDateTime now = QDateTime::currentDateTime();
  ui_->edtFilterFrom->setDateTime(QDateTime(now.date(), QTime(0, 0, 0)));
  ui_->edtFilterTo->setDateTime(QDateTime(now.date(), QTime(23, 59, 59)));
  connect(ui_->chkFilterFrom, &QCheckBox::toggled, ui_->edtFilterFrom, &QWidget::setEnabled);
  connect(ui_->chkFilterTo, &QCheckBox::toggled, ui_->edtFilterTo, &QWidget::setEnabled);
  for (QCheckBox* box : {ui_->chkFilterFrom, ui_->chkFilterTo, ui_->chkUnreviewed}) {
    connect(box, &QCheckBox::toggled, this, &AuditFilterBar::Apply);
  }
  for (QDateTimeEdit* edit : {ui_->edtFilterFrom, ui_->edtFilterTo}) {
    connect(edit, &QDateTimeEdit::dateTimeChanged, this, &AuditFilterBar::Apply);
  }
  for (QComboBox* combo : {ui_->cmbFilterUser, ui_->cmbFilterKind}) {
    connect(combo, &QComboBox::currentIndexChanged, this, &AuditFilterBar::Apply);
  }
  connect(ui_->edtFilterText, &QLineEdit::textChanged, this, &AuditFilterBar::Apply);
  connect(ui_->btnMarkReviewed, &QPushButton::clicked, this,
          &AuditFilterBar::markReviewedRequested);
  connect(ui_->btnPrint, &QPushButton::clicked, this, &AuditFilterBar::printRequested);
  connect(ui_->btnSavePdf, &QPushButton::clicked, this, &AuditFilterBar::savePdfRequested);
}

AuditFilterBar::~AuditFilterBar() = default;

void AuditFilterBar::Attach(CAuditListCtrl* list, const AuditColumns& columns, Noun noun,
                            std::vector<AuditRowFacts> facts,
                            const std::vector<std::string>& kinds) {
  list_ = list;
  columns_ = columns;
  noun_ = noun;
  facts_ = std::move(facts);
  ui_->lblFilterKind->setText(noun == Noun::kEvents ? tr("&Event:") : tr("&Change:"));
  FillChoices(kinds);
  applied_.reset();
  Apply();
}

void AuditFilterBar::SetFacts(std::vector<AuditRowFacts> facts) {
  facts_ = std::move(facts);
  applied_.reset();  // the rows' facts changed: ask every row again
  Apply();
}

void AuditFilterBar::SetReviewable(bool on) {
  ui_->chkUnreviewed->setVisible(on);
  ui_->btnMarkReviewed->setVisible(on);
}

void AuditFilterBar::FillChoices(const std::vector<std::string>& kinds) {
  const QSignalBlocker block_user(ui_->cmbFilterUser);
  const QSignalBlocker block_kind(ui_->cmbFilterKind);
  std::set<std::string_view> users;
  std::set<std::string_view> names;
  if (list_ != nullptr) {
    const SortListModel* model = list_->GetModel();
    // Only the distinct texts are kept: a hash set first, as a million rows
    // hold a few dozen names.
    std::unordered_set<std::string_view> seen_users;
    std::unordered_set<std::string_view> seen_names;
    for (int row = 0; row < model->RowCount(); ++row) {
      if (seen_users.size() < kMaxChoices) seen_users.insert(model->Text(row, columns_.user));
      if (kinds.empty() && seen_names.size() < kMaxChoices) {
        seen_names.insert(model->Text(row, columns_.kind));
      }
    }
    users.insert(seen_users.begin(), seen_users.end());
    names.insert(seen_names.begin(), seen_names.end());
  }
  for (const std::string& kind : kinds) names.insert(kind);
  auto fill = [](QComboBox* combo, const QString& every, const std::set<std::string_view>& all) {
    combo->clear();
    combo->addItem(every);
    for (std::string_view text : all) {
      if (text.empty()) continue;
      const QString shown = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
      combo->addItem(shown, shown);
    }
  };
  fill(ui_->cmbFilterUser, tr("(all users)"), users);
  fill(ui_->cmbFilterKind, noun_ == Noun::kEvents ? tr("(all events)") : tr("(all changes)"),
       names);
}

AuditFilter AuditFilterBar::Filter() const {
  AuditFilter filter;
  if (ui_->chkFilterFrom->isChecked()) filter.from = OleDateOf(ui_->edtFilterFrom->dateTime());
  if (ui_->chkFilterTo->isChecked()) filter.to = OleDateOf(ui_->edtFilterTo->dateTime());
  filter.user = ChoiceOf(ui_->cmbFilterUser);
  filter.kind = ChoiceOf(ui_->cmbFilterKind);
  filter.text = ui_->edtFilterText->text().toStdString();
  filter.unreviewed_only = !ui_->chkUnreviewed->isHidden() && ui_->chkUnreviewed->isChecked();
  return filter;
}

void AuditFilterBar::Apply() {
  if (list_ == nullptr) return;
  SortListModel* model = list_->GetModel();
  const AuditFilter filter = Filter();
  if (filter.Empty()) {
    if (model->HasRowFilter()) model->SetRowFilter(nullptr);
  } else {
    std::vector<int> shown;
    for (int column = 0; column < model->ColumnCount(); ++column) {
      if (!list_->isColumnHidden(column)) shown.push_back(column);
    }
    auto matcher = std::make_shared<const AuditRowMatcher>(filter, columns_, std::move(shown),
                                                           facts_);
    const bool narrows = applied_ && FilterNarrows(filter, *applied_);
    model->SetRowFilter(
        [matcher](const SortListModel::RowRef& row) {
          return matcher->Keeps(row.ItemData(), [&](int column) { return row.Cell(column); });
        },
        narrows);
  }
  applied_ = filter;
  ShowCount();
}

void AuditFilterBar::ShowCount() {
  const SortListModel* model = list_->GetModel();
  const int shown = model->RowCount();
  const int total = model->TotalRowCount();
  ui_->lblFilterCount->setText(noun_ == Noun::kEvents ? tr("%1 of %2 events").arg(shown).arg(total)
                                                      : tr("%1 of %2 changes").arg(shown).arg(total));
}

}  // namespace tav
