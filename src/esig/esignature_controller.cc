#include "esig/esignature_controller.h"

#include <syslog.h>

#include <utility>

#include "logon/auth_error.h"
#include "logon/unrecorded_event.h"
#include "records/audit_code.h"
#include "services/config/system_table.h"
#include "services/filelib/file_manager.h"
#include "services/security/korwinsec.h"
#include "ui/message_prompter.h"
#include "ui/show_message.h"
#include "util/auth_syslog.h"
#include "util/shown_text.h"
#include "util/strings.h"

namespace tav {

namespace {

SignatureEnterAction Focus(SignatureField field) {
  return {SignatureEnterAction::kFocus, field};
}

}  // namespace

ESignatureController::ESignatureController(SignatureBackend& backend, SignatureDialogSetup setup)
    : backend_(backend), setup_(std::move(setup)) {}

void ESignatureController::Initialize() { domain_shown_ = backend_.HasDomain(); }

const char* ESignatureController::heading() const {
  return setup_.document_name.empty() ? kNoDocumentLabel : kDocumentLabel;
}

SignatureEnterAction ESignatureController::OnEnter(SignatureField focus) const {
  switch (focus) {
    case SignatureField::kUserName:
      return Focus(domain_shown_ ? SignatureField::kDomain : SignatureField::kPassword);
    case SignatureField::kDomain:
      return Focus(SignatureField::kPassword);
    case SignatureField::kPassword:
      return Focus(reason_shown() ? SignatureField::kReason : SignatureField::kComment);
    case SignatureField::kReason:
      if (comment_shown()) return Focus(SignatureField::kComment);
      [[fallthrough]];
    case SignatureField::kComment:
      return Focus(subfolder_shown() ? SignatureField::kSubfolder
                                     : SignatureField::kAcceptButton);
    case SignatureField::kAcceptButton:
      return {SignatureEnterAction::kAccept, SignatureField::kAcceptButton};
    case SignatureField::kSubfolder:
    case SignatureField::kOther:
      break;
  }
  return {};
}

AcceptResult ESignatureController::Accept(const SignatureInput& input, QWidget* owner) {
  // Every click dates the signature anew: the one that is accepted is the
  // signing time.
  sign_time_ = backend_.Now();
  signer_.user_name = input.user_name;
  signer_.domain = domain_shown_ ? input.domain : std::string();
  comment_ = comment_shown() ? input.comment : std::string();
  subfolder_ = input.subfolder;

  if (input.reason_items > 0 && !input.chosen_reason.has_value()) {
    StealthMessageBox(IDOK, owner, ReasonMissingText().c_str(),
                      TranslateText("tav::ESignature", kSignatureErrorCaption).c_str(),
                      MB_OK | MB_ICONWARNING);
    return AcceptResult::kStayOpen;
  }
  reason_number_ = input.chosen_reason.value_or(-1);

  in_signer_group_ = false;
  const RecordedAttempt attempt = backend_.AuthenticateAndRecord(
      AttemptPurpose::kSignature, signer_.user_name.c_str(), signer_.domain.c_str(),
      input.password);
  const int code = attempt.code;
  if (code != 0) {
    AuthSyslog(LOG_WARNING,
               "signature refused; user=" + attempt.recorded + " code=" + std::to_string(code));
    const StoreStatus& event = attempt.event;
    if (event.ok()) {
      ShowAuthenticationError(owner, code);
    } else {
      ShowUnrecordedEvent(owner, RecordedWork::kSignature, event);
    }
    return AcceptResult::kRetryFromUserName;
  }

  signer_.full_name = backend_.AuthenticFullName();
  signer_.description = backend_.AuthenticDescription();
  signer_.logon_server = backend_.AuthenticLogonServer();
  signer_.is_admin = backend_.AuthenticIsAdmin() ? 1 : 0;
  signer_.groups.clear();
  for (std::string& group : backend_.AuthenticGroups()) signer_.groups.push_back(std::move(group));
  in_signer_group_ = IsSignerGroupMember(signer_.groups, setup_.signer_groups);

  if (!in_signer_group_) {
    const std::string text = NotInSignerGroupText(setup_.signer_groups);
    if (StealthMessageBox(IDOK, owner, text.c_str(),
                          TranslateText("tav::ESignature", kSignatureErrorCaption).c_str(),
                          MB_OKCANCEL | MB_ICONWARNING | MB_TASKMODAL) == IDCANCEL) {
      return AcceptResult::kCancelled;
    }
    signer_.user_name.clear();
    signer_.domain.clear();
    comment_.clear();
    return AcceptResult::kClearAndRetry;
  }

  return DocumentHasContent() ? AcceptResult::kAccepted : AcceptResult::kStayOpen;
}

const OfferedReason* ESignatureController::Offered(int32_t number) const {
  for (const OfferedReason& offered : setup_.reasons) {
    if (offered.entry.number == number) return &offered;
  }
  return nullptr;
}

bool ESignatureController::DocumentHasContent() {
  if (setup_.document == nullptr) return true;
  // The reason is looked up for the kind of document the file is. A file
  // whose extension names no kind is taken to be of the kind the signature
  // was asked for, so that renaming a file does not skip the check.
  const std::string path = setup_.document->GetFilePath();
  const std::string extension(PathExtension(path));
  int data_type = SystemTable::GetAuditableDataTypeFromExt(extension.c_str());
  if (data_type == kDataTypeUnknown) data_type = setup_.data_type;
  ESigReason reason;
  if (!SystemTable::GetESigReason(reason_number_, reason, data_type)) {
    // A number the configuration does not know (a host's own numbering):
    // the predefined reason the entry was offered for says what it covers.
    const OfferedReason* offered = Offered(reason_number_);
    if (offered == nullptr) return true;
    reason = offered->predefined;
  }

  size_t listed = 0;
  for (const std::string& tag_path : reason.tag_paths) {
    if (listed == kMaxESigTagPaths || tag_path.empty()) break;
    ++listed;
    if (setup_.document->FindComponent(tag_path) != nullptr) return true;
  }
  if (listed == 0) return true;

  const std::string name = SystemTable::GetESigReasonName(reason.reason_id, reason.item_code);
  const std::string item = SystemTable::GetESigItemLabel(reason.item_code);
  ShowMessage(
      kMessageWarning, TranslateText("tav::ESignature", kContentMissingFormat),
      {TranslateText("tav::Names", name.c_str()), TranslateText("tav::Names", item.c_str())});
  return false;
}

}  // namespace tav
