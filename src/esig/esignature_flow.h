// The signature: the operations behind TAVSecurityUI_BeginESignature and
// TAVSecurityUI_EndESignature, on a LogonState.
//
// Begin saves the logon token and runs the dialog under the process's own
// identity, then makes the accepted signer the current user (impersonated
// on this thread). Its results are those of signature_rules.h: 0 signed, -1
// cancelled, -3 to -7 refused after the dialog, -8 no reason to offer (no
// dialog shown). On every result but 0 the logon that was in force is
// restored: its token impersonated again and the current user refreshed
// from it. End gives the logon back to the user of the saved token.
//
// Threads: the GUI thread, which is also the thread that impersonates; End
// on the thread that called Begin.
// Ownership: the state owns its token throughout. On 0 the saved token is
// handed to the caller through *previous (to be given to End); with no
// place for it, it is closed, since nobody could use it any more.
#ifndef TAV_ESIG_ESIGNATURE_FLOW_H_
#define TAV_ESIG_ESIGNATURE_FLOW_H_

#include <cstdint>
#include <string>

#include "esig/esig_registry.h"
#include "esig/signature_backend.h"
#include "esig/signature_rules.h"
#include "logon/user_record.h"

class QWidget;

namespace tav {

class TAV2FileManager;

struct SignatureRequest {
  QWidget* parent = nullptr;
  const TAV2FileManager* document = nullptr;  // null: no content check
  std::string document_name;
  bool show_comment = true;
  bool allow_subfolder = false;
  std::string subfolder;
  int32_t data_type = -1;
};

// A signature as the host receives it.
struct SignatureResult {
  UserRecord signer;      // name and domain as typed; logon server from the service
  int32_t reason = -1;    // the chosen registry entry's number
  std::string comment;    // empty when the comment box was hidden
  DATE sign_time = 0.0;   // the last click on OK
  std::string folder;     // root folder and sub-folder composed
};

// REQUIRES: `result` is not null.
int BeginESignature(LogonState& state, SignatureBackend& backend, const ESigRegistry& registry,
                    const SignatureRequest& request, SignatureResult* result,
                    HANDLE* previous);

// Makes the owner of `previous` the current user again, as SetLoginUser
// does (1, or 0 for a null or unusable token).
int EndESignature(LogonState& state, LogonBackend& backend, HANDLE previous);

}  // namespace tav

#endif  // TAV_ESIG_ESIGNATURE_FLOW_H_
