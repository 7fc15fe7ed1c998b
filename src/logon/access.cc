#include "logon/access.h"

#include "client/service_client.h"
#include "client/settings_proxy.h"
#include "services/config/system_configuration.h"
#include "services/config/system_table.h"
#include "ui/message_prompter.h"
#include "util/shown_text.h"
#include "util/strings.h"

namespace tav {

namespace {

void ShowRefusal(const std::string& text, const std::string& caption) {
  StealthMessageBox(IDOK, nullptr, text.c_str(), caption.c_str(),
                    MB_ICONINFORMATION | MB_OK | MB_TASKMODAL);
}

}  // namespace

int IsUserSecurityEnabled() { return theSystemConfig.Is21CFREnabled() != 0 ? 1 : 0; }

int IsUserAllowed(const UserRecord& user) {
  if (theSystemConfig.Is21CFREnabled() == 0) return 1;
  if (!user.user_name.empty()) {
    for (int group = 0; group < kGroupCount; ++group) {
      const std::string name = SystemTable::GetGroupName(group);
      for (const std::string& member_of : user.groups) {
        if (EqualsNoCase(member_of, name)) return 1;
      }
    }
  }
  ShowRefusal(TranslateText("tav::Logon", kNotAllowedText),
              TranslateText("tav::Logon", kNotAllowedCaption));
  return 0;
}

int IsActivityAllowed(const UserRecord& user, int activity) {
  if (theSystemConfig.Is21CFREnabled() == 0) return 1;
  if (user.user_name.empty()) return 0;
  return theSystemConfig.IsActivityAllowed(user.groups, activity, nullptr) != 0 ? 1 : 0;
}

int IsActivityAllowed(const LogonState& logon, int activity) {
  if (logon.token != nullptr && UsesComplianceService()) {
    return client::MayPerform(logon.token, activity);
  }
  return IsActivityAllowed(logon.current_user, activity);
}

int IsActivityAllowedWithMessage(const LogonState& logon, int activity) {
  int allowed = IsActivityAllowed(logon, activity);
  if (allowed != 1)
    ShowRefusal(ActivityRefusedText(activity),
                TranslateText("tav::Logon", kActivityRefusedCaption));
  return allowed;
}

std::string ActivityRefusedText(int activity) {
  std::string name = SystemTable::GetActivityName(activity);
  name = name.empty() ? std::to_string(activity) : TranslateText("tav::Names", name.c_str());
  return StrFormat(TranslateText("tav::Logon", kActivityRefusedFormat).c_str(), name.c_str());
}

int IsActivityAllowedWithMessage(const UserRecord& user, int activity) {
  int allowed = IsActivityAllowed(user, activity);
  if (allowed != 1)
    ShowRefusal(ActivityRefusedText(activity),
                TranslateText("tav::Logon", kActivityRefusedCaption));
  return allowed;
}

int IsAuditRecordingForDataType(int data_type) {
  if (theSystemConfig.Is21CFREnabled() == 0) return 0;
  if (!IsValidDataType(data_type)) return 0;
  CTAVAuditDataTypeSettingArray settings;
  theSystemConfig.ReadAuditTypeSettingArray(settings);
  int recording_type = settings.GetRecordingType(data_type);  // -1 when none is stored
  if (recording_type < kRecordingAudited) {
    recording_type = IsAlwaysAuditedType(data_type) ? kRecordingAudited : kRecordingNone;
  }
  return recording_type >= kRecordingAudited && recording_type <= kRecordingReasonRequired ? 1 : 0;
}

int GetAuditCommentSetting(int data_type, int* first, int* second) {
  bool one = false;
  bool two = false;
  int result = theSystemConfig.GetAuditCommentSetting(data_type, one, two);
  if (result == 0) {
    if (first != nullptr) *first = one ? 1 : 0;
    if (second != nullptr) *second = two ? 1 : 0;
  }
  return result;
}

int GetIdleTimeout() { return theSystemConfig.GetConfigInt(kIdleTimeoutName, 0); }

}  // namespace tav
