// The rules of a signature that need no window: which reasons are offered,
// where the signature is filed, the texts of the dialog's refusals, and the
// checks made after the dialog was accepted.
//
// Threads: any; plain functions on values.
#ifndef TAV_ESIG_SIGNATURE_RULES_H_
#define TAV_ESIG_SIGNATURE_RULES_H_

#include <cstdint>
#include <list>
#include <string>
#include <string_view>
#include <vector>

#include "esig/esig_registry.h"
#include "records/esig_config_types.h"
#include "util/shown_text.h"

namespace tav {

// Result codes of a signature. -2 is not used.
inline constexpr int kSignatureOk = 0;
inline constexpr int kSignatureCancelled = -1;
inline constexpr int kSignatureNoUserName = -3;
inline constexpr int kSignatureNoFullName = -4;
inline constexpr int kSignatureNoPassword = -5;
inline constexpr int kSignatureNotSigner = -6;
inline constexpr int kSignatureLogonFailed = -7;
inline constexpr int kSignatureNoReasons = -8;

// A reason the dialog offers: the host's registry entry, and the predefined
// reason whose name it carries.
struct OfferedReason {
  ESigReasonEntry entry;
  ESigReason predefined;
};

// The reasons offered for `data_type`, in the order of its predefined
// reasons: each predefined reason whose setting in `config` is optional or
// required, represented by the first entry of `registered` with exactly its
// name. A predefined reason that no entry names is not offered.
std::vector<OfferedReason> BuildOfferedReasons(int data_type,
                                               const std::vector<ESigReasonEntry>& registered,
                                               const CTAVESigConfiguration& config);

// Where a signature is filed: the root folder, with the sub-folder below it
// when the sub-folder is not empty ("./sub" under an empty root; a "/" put
// between them unless the root ends in one).
std::string ComposeSignatureFolder(std::string_view root, std::string_view subfolder);

// The extension of a file path (without the dot): what follows the last
// "." of its last component; "" when that component has none.
std::string_view PathExtension(std::string_view path);

inline constexpr char kSignatureErrorCaption[] =
    TAV_TR_NOOP("tav::ESignature", "Electronic Signature error");
inline constexpr char kNoDocumentLabel[] = TAV_TR_NOOP("tav::ESignature", "Electronic Signature");
inline constexpr char kDocumentLabel[] =
    TAV_TR_NOOP("tav::ESignature", "Electronic Signature for :");

// The refusal of a signature without a reason: the English text, and the
// text in the user's language (the regulation's words quoted as written).
extern const char kReasonMissingText[];
std::string ReasonMissingText();
// Shown through ShowMessage: %1 the reason's name, %2 what its item is.
extern const char kContentMissingFormat[];

// The refusal of a signer in no signer group: with exactly one signer group
// it names that group; otherwise it speaks of a valid group.
std::string NotInSignerGroupText(const std::vector<std::string>& signer_groups);

// What the dialog accepted, as the checks after it see it.
struct AcceptedSigner {
  std::string user_name;
  std::string full_name;
  bool password_empty = true;
  std::list<std::string> groups;
};

// The checks after the dialog, in order: a user name (-3), a full name (-4),
// a password (-5), membership of a signer group (-6). 0 when all pass; the
// logon of the signer (-7) comes next.
int CheckAcceptedSigner(const AcceptedSigner& signer,
                        const std::vector<std::string>& signer_groups);

}  // namespace tav

#endif  // TAV_ESIG_SIGNATURE_RULES_H_
