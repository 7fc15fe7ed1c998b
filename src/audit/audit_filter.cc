#include "audit/audit_filter.h"

#include <cmath>
#include <utility>

namespace tav {

std::string AuditFilter::Describe() const {
  std::string described;
  auto add = [&](const std::string& part) {
    if (!described.empty()) described += "; ";
    described += part;
  };
  if (from) add("from " + FormatOleDate(*from, "%Y-%m-%d %H:%M:%S"));
  if (to) add("to " + FormatOleDate(*to, "%Y-%m-%d %H:%M:%S"));
  if (!user.empty()) add("user " + user);
  if (!kind.empty()) add("kind " + kind);
  if (!text.empty()) add("text \"" + text + "\"");
  if (unreviewed_only) add("not yet reviewed");
  return described.empty() ? "(none)" : described;
}

bool FilterNarrows(const AuditFilter& now, const AuditFilter& before) {
  if (now.from != before.from || now.to != before.to || now.user != before.user ||
      now.kind != before.kind || now.unreviewed_only != before.unreviewed_only) {
    return false;
  }
  // A text that holds the one before is found only where that one is.
  return TextMatch::Fold(now.text).find(TextMatch::Fold(before.text)) != std::string::npos;
}

AuditRowMatcher::AuditRowMatcher(const AuditFilter& filter, const AuditColumns& columns,
                                 std::vector<int> shown, std::span<const AuditRowFacts> facts)
    : filter_(filter),
      columns_(columns),
      shown_(std::move(shown)),
      facts_(facts),
      text_(filter.text) {
  if (filter.from) from_ = Second(*filter.from);
  if (filter.to) to_ = Second(*filter.to);
  need_facts_ = from_ || to_ || filter.unreviewed_only;
}

int64_t AuditRowMatcher::Second(DATE date) { return std::llround(date * 86400.0); }

bool AuditRowMatcher::KindMatches(std::string_view cell) const {
  if (!columns_.kind_in_entries) return cell == filter_.kind;
  // "Changed Record: Access Control Settings > x; Added Record: ...": the
  // kind opens the cell or an entry after "; ".
  const std::string_view kind = filter_.kind;
  for (size_t at = 0; at <= cell.size();) {
    const std::string_view entry = cell.substr(at);
    if (entry.substr(0, kind.size()) == kind &&
        (entry.size() == kind.size() || entry[kind.size()] == ':')) {
      return true;
    }
    const size_t next = cell.find("; ", at);
    if (next == std::string_view::npos) break;
    at = next + 2;
  }
  return false;
}

}  // namespace tav
