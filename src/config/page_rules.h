// The rules of the two configuration pages that need no window: column
// widths, and how the check boxes of the auditing page follow each other.
//
// Upper grid of the auditing page, one row per file type: column 1
// "Enable Auditing", 2 "Reason For Change Optional", 3 "Reason For Change
// Required". Lower grid, one row per signature activity: column 1
// "Optional", 2 "Required".
//
// Threads: any. No Qt.
#ifndef TAV_CONFIG_PAGE_RULES_H_
#define TAV_CONFIG_PAGE_RULES_H_

#include <vector>

namespace tav {

struct ColumnWidths {
  int first = 0;  // the name column
  int check = 0;  // each check-box column
};

// Permissions page: "Activity" a quarter of the client width, the groups
// sharing the other three quarters (each value truncated).
ColumnWidths PermissionColumnWidths(int client_width, int group_count);
// Auditing page: "File Type" two sevenths of the client width, each of the
// three check columns a third of the rest less 8 (each value truncated).
ColumnWidths AuditColumnWidths(int client_width);

// The widths of columns that share `room` pixels, each wanting `preferred`
// and needing needed[i] to show its texts whole (a longer language): each
// gets max(preferred, needed[i]) while they fit in the room together; when
// they do not, each gets what it needs and an equal part of what is left
// (none when even the needs do not fit: the list then scrolls).
std::vector<int> ShareColumns(int room, int preferred, const std::vector<int>& needed);

struct AuditTicks {
  bool audited = false;
  bool optional = false;
  bool required = false;
  bool operator==(const AuditTicks&) const = default;
};

// The ticks that show a recording type; fixed types (0, 1, 5) show audited
// only, as does a recording type outside 0 to 3.
AuditTicks TicksForRecording(int data_type, int recording_type);
// The recording type the ticks stand for: the rightmost ticked column, 0
// for none; fixed types are 1 whatever is ticked.
int RecordingForTicks(int data_type, const AuditTicks& ticks);
// The row after the user set `column` to `ticked`. `clear_signatures` is
// set when every signature tick of the type must go (auditing switched
// off).
AuditTicks AfterAuditTick(int data_type, AuditTicks row, int column, bool ticked,
                          bool* clear_signatures);

struct ESigTicks {
  bool optional = false;
  bool required = false;
  bool operator==(const ESigTicks&) const = default;
};

ESigTicks TicksForESigSetting(int setting);
// 2 when "Required" is ticked, else 1 when "Optional" is, else 0.
int ESigSettingForTicks(const ESigTicks& ticks);
// The row after the user set `column` to `ticked`; `audit_type` is set when
// the selected file type must be audited (a signature was asked for).
ESigTicks AfterESigTick(ESigTicks row, int column, bool ticked, bool* audit_type);

}  // namespace tav

#endif  // TAV_CONFIG_PAGE_RULES_H_
