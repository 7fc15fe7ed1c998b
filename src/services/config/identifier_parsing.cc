#include "services/config/identifier_parsing.h"

#include <functional>
#include <vector>

#include "services/config/system_ids.h"
#include "services/config/system_table.h"
#include "util/strings.h"

namespace tav {

namespace {

struct Candidate {
  int id;
  std::string name;
};

// A number in [0, count), an exact name, or the one name that begins with
// the text.
int Parse(std::string_view text, int count, const std::vector<Candidate>& names,
          const char* what, std::string* error) {
  const std::string_view trimmed = TrimWhitespace(text);
  long long number = 0;
  if (ParseInt64(trimmed, &number)) {
    if (number >= 0 && number < count) return static_cast<int>(number);
    *error = std::string(what) + " " + std::string(trimmed) + " is out of range 0 to " +
             std::to_string(count - 1);
    return -1;
  }
  for (const Candidate& c : names) {
    if (EqualsNoCase(c.name, trimmed)) return c.id;
  }
  // Then the one name that begins with the text, else the one that holds
  // it ("analysts" for "tav-analysts").
  bool ambiguous = false;
  for (bool anywhere : {false, true}) {
    int found = -1;
    for (const Candidate& c : names) {
      if (trimmed.empty() || c.name.size() <= trimmed.size()) continue;
      const std::string name = ToLowerAscii(c.name);
      const size_t at = name.find(ToLowerAscii(trimmed));
      if (at == std::string::npos || (!anywhere && at != 0)) continue;
      if (found >= 0 && found != c.id) {
        found = -2;
        break;
      }
      found = c.id;
    }
    if (found >= 0) return found;
    if (found == -2) {
      ambiguous = true;
      break;
    }
  }
  *error = std::string(ambiguous ? "ambiguous " : "unknown ") + what + " '" +
           std::string(trimmed) + "'; one of:";
  int last = -1;
  for (const Candidate& c : names) {
    if (c.id == last) continue;
    last = c.id;
    *error += "\n  " + std::to_string(c.id) + "  " + c.name;
  }
  return -1;
}

std::vector<Candidate> Table(int count, const std::function<std::string(int)>& name) {
  std::vector<Candidate> out;
  for (int id = 0; id < count; ++id) out.push_back({id, name(id)});
  return out;
}

}  // namespace

int ParseActivity(std::string_view text, std::string* error) {
  return Parse(text, kActivityCount, Table(kActivityCount, SystemTable::GetActivityName),
               "activity", error);
}

int ParseGroup(std::string_view text, std::string* error) {
  return Parse(text, kGroupCount, Table(kGroupCount, SystemTable::GetGroupName), "group", error);
}

int ParseDataType(std::string_view text, std::string* error) {
  std::string_view t = TrimWhitespace(text);
  const int by_ext = SystemTable::GetAuditableDataTypeFromExt(std::string(t).c_str());
  if (by_ext >= 0) return by_ext;
  std::vector<Candidate> names;
  for (int type = 0; type < kDataTypeCount; ++type) {
    names.push_back({type, SystemTable::GetAuditTypeName(type, false)});
    names.push_back({type, SystemTable::GetAuditTypeName(type, true)});
  }
  return Parse(t, kDataTypeCount, names, "data type", error);
}

int ParseRecordingType(std::string_view text, std::string* error) {
  std::vector<Candidate> names = Table(kRecordingTypeCount, SystemTable::GetAuditRecordingTypeName);
  names.insert(names.begin(), {{kRecordingNone, "none"},
                               {kRecordingAudited, "audited"},
                               {kRecordingReasonOptional, "optional"},
                               {kRecordingReasonRequired, "required"}});
  return Parse(text, kRecordingTypeCount, names, "recording type", error);
}

int ParseESigSetting(std::string_view text, std::string* error) {
  return Parse(text, kESigSettingCount, Table(kESigSettingCount, SystemTable::GetESigSettingName),
               "e-signature setting", error);
}

int ParseESigReason(int data_type, std::string_view text, std::string* error) {
  const int count = SystemTable::GetNumPredefinedESigReasons(data_type);
  if (count == 0) {
    *error = SystemTable::GetAuditTypeName(data_type, false) + " has no e-signature reasons";
    return -1;
  }
  std::vector<Candidate> names;
  for (int i = 0; i < count; ++i) {
    ESigReason reason;
    SystemTable::GetESigReason(i, reason, data_type);
    names.push_back({i, SystemTable::GetESigReasonName(reason)});
  }
  return Parse(text, count, names, "e-signature reason", error);
}

}  // namespace tav
