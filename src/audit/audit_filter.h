// The filter of the System Audit viewer's lists: a date and time range, a
// user, an event (or change) kind, free text over the shown columns, and
// "only what no review covers yet". No Qt: the viewer's filter bar and
// `tavsec events report` share it.
//
// Dates are compared as the list shows and sorts them: the event's local
// date and time, to the second, both ends of the range included. Text is
// found in any shown column without regard to the case of ASCII letters
// (audit/text_match.h). The user must be the row's user exactly; the kind is
// the event's name exactly, or for the configuration trail one of the entry
// kinds ("Changed Record") that the change holds.
//
// Threads: a matcher is immutable once made; it reads the facts it was
// given, which must outlive it and not change while it is used.
#ifndef TAV_AUDIT_AUDIT_FILTER_H_
#define TAV_AUDIT_AUDIT_FILTER_H_

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "audit/text_match.h"
#include "util/ole_date.h"

namespace tav {

struct AuditFilter {
  std::optional<DATE> from;  // local, inclusive
  std::optional<DATE> to;    // local, inclusive
  std::string user;          // empty: every user
  std::string kind;          // empty: every kind
  std::string text;          // empty: no text asked for
  bool unreviewed_only = false;

  // True when the filter lets every row through.
  bool Empty() const {
    return !from && !to && user.empty() && kind.empty() && text.empty() && !unreviewed_only;
  }
  // "from 2026-12-06 10:00:00 to ...; user alice; ..." for a report's
  // header; "(none)" for an empty filter.
  std::string Describe() const;
};

// True when every row that `now` keeps is kept by `before` too (the user
// typed one more character), so that only the rows shown need asking.
bool FilterNarrows(const AuditFilter& now, const AuditFilter& before);

// What the list does not show as text: per row (by the row's item data),
// its date and whether a review covers it.
struct AuditRowFacts {
  DATE date = 0.0;
  bool reviewed = false;
};

// Where the filter's fields are in a list's cells.
struct AuditColumns {
  int date = 0;
  int user = 1;
  int kind = 2;
  bool kind_in_entries = false;  // the trail: the kind is one of the change's entries
};

class AuditRowMatcher {
 public:
  // `shown` lists the columns the text is looked for in; `facts` is indexed
  // by the rows' item data (a row whose item data is out of range has no
  // date and is kept only without a range or review condition).
  AuditRowMatcher(const AuditFilter& filter, const AuditColumns& columns,
                  std::vector<int> shown, std::span<const AuditRowFacts> facts);

  // `cell(column)` gives the row's texts.
  template <typename CellOf>
  bool Keeps(uintptr_t item_data, const CellOf& cell) const {
    if (need_facts_) {
      if (item_data >= facts_.size()) return false;
      const AuditRowFacts& facts = facts_[item_data];
      if (filter_.unreviewed_only && facts.reviewed) return false;
      if (from_ || to_) {
        const int64_t second = Second(facts.date);
        if (from_ && second < *from_) return false;
        if (to_ && second > *to_) return false;
      }
    }
    if (!filter_.user.empty() && cell(columns_.user) != filter_.user) return false;
    if (!filter_.kind.empty() && !KindMatches(cell(columns_.kind))) return false;
    if (text_.Empty()) return true;
    for (int column : shown_) {
      if (text_.FoundIn(cell(column))) return true;
    }
    return false;
  }

 private:
  bool KindMatches(std::string_view cell) const;
  // The whole second of a date as the list shows it.
  static int64_t Second(DATE date);

  AuditFilter filter_;
  AuditColumns columns_;
  std::vector<int> shown_;
  std::span<const AuditRowFacts> facts_;
  TextMatch text_;
  // The range's ends in whole seconds, as the list shows dates.
  std::optional<int64_t> from_;
  std::optional<int64_t> to_;
  bool need_facts_ = false;
};

}  // namespace tav

#endif  // TAV_AUDIT_AUDIT_FILTER_H_
