#include "logon/unrecorded_event.h"

#include "ui/message_box.h"
#include "util/shown_text.h"
#include "util/strings.h"

namespace tav {

std::string UnrecordedEventText(RecordedWork work, const StoreStatus& status) {
  const char* format = kUnrecordedLogonFormat;
  if (work == RecordedWork::kIdentityCheck) format = kUnrecordedCheckFormat;
  if (work == RecordedWork::kSignature) format = kUnrecordedSignatureFormat;
  return StrFormat(TranslateText("tav::Logon", format).c_str(), status.ToString().c_str());
}

void ShowUnrecordedEvent(QWidget* owner, RecordedWork work, const StoreStatus& status) {
  const std::string text = UnrecordedEventText(work, status);
  StealthMessageBox(IDOK, owner, text.c_str(),
                    TranslateText("tav::Logon", kUnrecordedEventCaption).c_str(),
                    MB_ICONERROR | MB_OK | MB_TASKMODAL);
}

}  // namespace tav
