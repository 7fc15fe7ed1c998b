#include "esig/signature_rules.h"

#include "services/config/system_table.h"
#include "util/shown_text.h"
#include "util/strings.h"

namespace tav {

std::vector<OfferedReason> BuildOfferedReasons(int data_type,
                                               const std::vector<ESigReasonEntry>& registered,
                                               const CTAVESigConfiguration& config) {
  std::vector<OfferedReason> offered;
  const int count = SystemTable::GetNumPredefinedESigReasons(data_type);
  for (int i = 0; i < count; ++i) {
    ESigReason reason;
    if (!SystemTable::GetESigReason(i, reason, data_type)) continue;
    const int32_t setting = config.GetSetting(reason);
    if (setting != kESigSettingOptional && setting != kESigSettingRequired) continue;
    const std::string name = SystemTable::GetESigReasonName(reason);
    for (const ESigReasonEntry& entry : registered) {
      if (entry.name == name) {
        offered.push_back(OfferedReason{entry, std::move(reason)});
        break;
      }
    }
  }
  return offered;
}

std::string ComposeSignatureFolder(std::string_view root, std::string_view subfolder) {
  std::string folder(root);
  if (subfolder.empty()) return folder;
  if (folder.empty()) {
    folder = "./";
  } else if (folder.back() != '/') {
    folder += '/';
  }
  folder += subfolder;
  return folder;
}

std::string_view PathExtension(std::string_view path) {
  const size_t slash = path.rfind('/');
  const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  const size_t dot = name.rfind('.');
  return dot == std::string_view::npos ? std::string_view() : name.substr(dot + 1);
}

const char kReasonMissingText[] =
    "You have not selected a entry for the \"Reason\" field.\n\n"
    "Per FDA 21 CFR Part 11 Regulation, 11.50(a)(3) :\n"
    "  \"Signed electronic records shall contain information...that clearly indicates...\n"
    "  The meaning...associated with the signature\"\n\n"
    "For compliance, E-signatures can only be accepted with non-blank reasons defined.";

const char kContentMissingFormat[] = TAV_TR_NOOP(
    "tav::ESignature",
    "The requested electronic signature%n    %1%ncannot be applied because the file contains "
    "no%n    %2%nto sign.");

namespace {

// The regulation is quoted as it is written, in every language; the
// sentences around a quotation are translated.
constexpr char kMeaningQuotation[] =
    "  \"Signed electronic records shall contain information...that clearly indicates...\n"
    "  The meaning...associated with the signature\"\n\n";
constexpr char kAuthorityQuotation[] =
    "  \"Use of authority checks to ensure that only authorized individuals can use the "
    "system, electronically\n"
    "  sign a record...or perform the operation at hand.\"\n\n";

std::string Tr(const char* source) { return TranslateText("tav::ESignature", source); }

std::string AuthorityCheck() {
  return Tr(TAV_TR_NOOP("tav::ESignature", "Per FDA 21 CFR Part 11 Regulation, 11.10(g) :")) +
         "\n" + kAuthorityQuotation;
}

std::string ContactAdministrator() {
  return Tr(
      TAV_TR_NOOP("tav::ESignature",
                  "Please contact your Administrator to correct the Windows User definition for "
                  "this user."));
}

}  // namespace

std::string ReasonMissingText() {
  return Tr(TAV_TR_NOOP("tav::ESignature",
                        "You have not selected a entry for the \"Reason\" field.")) +
         "\n\n" +
         Tr(TAV_TR_NOOP("tav::ESignature", "Per FDA 21 CFR Part 11 Regulation, 11.50(a)(3) :")) +
         "\n" + kMeaningQuotation +
         Tr(TAV_TR_NOOP(
             "tav::ESignature",
             "For compliance, E-signatures can only be accepted with non-blank reasons defined."));
}

std::string NotInSignerGroupText(const std::vector<std::string>& signer_groups) {
  if (signer_groups.size() == 1) {
    const std::string& group = signer_groups.front();
    // Group names are account groups: never translated.
    return StrFormat(Tr(TAV_TR_NOOP(
                            "tav::ESignature",
                            "The user specified is not a member of the \"%s\" Windows User Group."))
                         .c_str(),
                     group.c_str()) +
           "\n\n" + AuthorityCheck() +
           StrFormat(
               Tr(TAV_TR_NOOP("tav::ESignature",
                              "For compliance, E-signatures are only allowed for users that are "
                              "authorized by membership in the \"%s\" user group."))
                   .c_str(),
               group.c_str()) +
           "\n" + ContactAdministrator();
  }
  return Tr(TAV_TR_NOOP(
             "tav::ESignature",
             "The user specified is not a member of a valid E-signature Windows User Group.")) +
         "\n\n" + AuthorityCheck() +
         Tr(TAV_TR_NOOP(
             "tav::ESignature",
             "For compliance, E-signatures are only allowed for users that are authorized by "
             "membership in a valid group.")) +
         "\n" + ContactAdministrator();
}

int CheckAcceptedSigner(const AcceptedSigner& signer,
                        const std::vector<std::string>& signer_groups) {
  if (signer.user_name.empty()) return kSignatureNoUserName;
  if (signer.full_name.empty()) return kSignatureNoFullName;
  if (signer.password_empty) return kSignatureNoPassword;
  if (!IsSignerGroupMember(signer.groups, signer_groups)) return kSignatureNotSigner;
  return kSignatureOk;
}

}  // namespace tav
