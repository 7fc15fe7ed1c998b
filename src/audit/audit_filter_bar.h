// AuditFilterBar: the bar above each list of the System Audit viewer. It
// narrows the list as the user types or picks (a date and time range, a
// user, an event or change kind, text in any shown column, and on the
// event log only what no review covers yet), says how many rows are shown
// ("12 of 250 events"), and offers "Mark Reviewed...", "Print..." and
// "Save as PDF...", which the page carries out.
//
// The filter is the list model's own (SortListModel::SetRowFilter): the
// sort stays as it was, and a filter that only narrows the one before (one
// more character typed) asks only the rows still shown.
//
// Threads: the GUI thread. Ownership: a Qt widget; it borrows the list.
#ifndef TAV_AUDIT_AUDIT_FILTER_BAR_H_
#define TAV_AUDIT_AUDIT_FILTER_BAR_H_

#include <QWidget>

#include <memory>
#include <optional>
#include <vector>

#include "audit/audit_filter.h"

namespace Ui {
class AuditFilterBar;
}

namespace tav {

class CAuditListCtrl;

class AuditFilterBar : public QWidget {
  Q_OBJECT

 public:
  enum class Noun { kEvents, kChanges };

  explicit AuditFilterBar(QWidget* parent = nullptr);
  ~AuditFilterBar() override;

  // Binds the bar to `list`, whose rows have been filled: `facts` is
  // indexed by their item data. The user and kind choices are taken from
  // the rows (for the trail, `kinds` names the entry kinds to offer).
  void Attach(CAuditListCtrl* list, const AuditColumns& columns, Noun noun,
              std::vector<AuditRowFacts> facts, const std::vector<std::string>& kinds = {});
  // New facts for the same rows (after a review); the filter is applied
  // again.
  void SetFacts(std::vector<AuditRowFacts> facts);
  const std::vector<AuditRowFacts>& Facts() const { return facts_; }

  // The filter as the fields give it now.
  AuditFilter Filter() const;
  // Puts the filter as the fields give it on the list.
  void Apply();

  // "Only unreviewed" and "Mark Reviewed..." are for the logs that are
  // reviewed.
  void SetReviewable(bool on);

 signals:
  void markReviewedRequested();
  void printRequested();
  void savePdfRequested();

 private:
  void FillChoices(const std::vector<std::string>& kinds);
  void ShowCount();

  std::unique_ptr<Ui::AuditFilterBar> ui_;
  CAuditListCtrl* list_ = nullptr;
  AuditColumns columns_;
  Noun noun_ = Noun::kEvents;
  std::vector<AuditRowFacts> facts_;
  std::optional<AuditFilter> applied_;
};

}  // namespace tav

#endif  // TAV_AUDIT_AUDIT_FILTER_BAR_H_
