#include "audit/audit_report.h"

#include <unistd.h>

#include <climits>

namespace tav {

std::vector<std::pair<std::string, std::string>> ReportHeaderLines(const ReportContext& context) {
  return {
      {"Site", context.machine},
      {"Store", context.store},
      {"Filter", context.filter},
      {"Time range", context.time_range},
      {"Integrity", context.integrity},
      {"Printed by", context.printed_by + " on " + context.printed_at},
  };
}

std::string MachineName() {
  char name[HOST_NAME_MAX + 1] = {};
  if (::gethostname(name, sizeof name - 1) != 0) return {};
  return name;
}

}  // namespace tav
