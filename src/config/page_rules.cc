#include "config/page_rules.h"

#include <algorithm>

#include "config/setting_tables.h"

namespace tav {

ColumnWidths PermissionColumnWidths(int client_width, int group_count) {
  ColumnWidths widths;
  widths.first = client_width / 4;
  widths.check = group_count > 0 ? widths.first * 3 / group_count : 0;
  return widths;
}

ColumnWidths AuditColumnWidths(int client_width) {
  ColumnWidths widths;
  widths.first = static_cast<int>(client_width * 0.2857142857142857);
  widths.check = (client_width - widths.first) / 3 - 8;
  return widths;
}

std::vector<int> ShareColumns(int room, int preferred, const std::vector<int>& needed) {
  std::vector<int> widths;
  if (needed.empty()) return widths;
  long wanted = 0;
  long least = 0;
  for (int need : needed) {
    wanted += std::max(preferred, need);
    least += need;
  }
  const bool roomy = wanted <= room;
  const int extra =
      roomy ? 0 : static_cast<int>(std::max(0L, room - least) / static_cast<long>(needed.size()));
  for (int need : needed) widths.push_back(roomy ? std::max(preferred, need) : need + extra);
  return widths;
}

AuditTicks TicksForRecording(int data_type, int recording_type) {
  if (IsFixedAuditType(data_type)) return {true, false, false};
  switch (recording_type) {
    case 0: return {false, false, false};
    case 2: return {true, true, false};
    case 3: return {true, false, true};
    default: return {true, false, false};
  }
}

int RecordingForTicks(int data_type, const AuditTicks& ticks) {
  if (IsFixedAuditType(data_type)) return 1;
  if (ticks.required) return 3;
  if (ticks.optional) return 2;
  return ticks.audited ? 1 : 0;
}

AuditTicks AfterAuditTick(int data_type, AuditTicks row, int column, bool ticked,
                          bool* clear_signatures) {
  *clear_signatures = false;
  if (IsFixedAuditType(data_type)) return {true, false, false};
  switch (column) {
    case 1:
      row.audited = ticked;
      if (!ticked) {
        row.optional = false;
        row.required = false;
        *clear_signatures = true;
      }
      break;
    case 2:
      row.optional = ticked;
      if (ticked) {
        row.audited = true;
        row.required = false;
      }
      break;
    case 3:
      row.required = ticked;
      if (ticked) {
        row.audited = true;
        row.optional = false;
      }
      break;
    default:
      break;
  }
  return row;
}

ESigTicks TicksForESigSetting(int setting) { return {setting == 1, setting == 2}; }

int ESigSettingForTicks(const ESigTicks& ticks) {
  if (ticks.required) return 2;
  return ticks.optional ? 1 : 0;
}

ESigTicks AfterESigTick(ESigTicks row, int column, bool ticked, bool* audit_type) {
  *audit_type = false;
  if (column == 1) {
    row.optional = ticked;
    if (ticked) row.required = false;
  } else if (column == 2) {
    row.required = ticked;
    if (ticked) row.optional = false;
  }
  *audit_type = ticked && (column == 1 || column == 2);
  return row;
}

}  // namespace tav
