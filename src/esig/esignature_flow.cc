#include "esig/esignature_flow.h"

#include <cstdio>
#include <utility>

#include "esig/esignature_dialog.h"
#include "esig/signature_rules.h"
#include "logon/login_flow.h"
#include "ui/gui_app.h"
#include "ui/screen_fit.h"

namespace tav {

namespace {

// Puts the saved logon back in force: the thread impersonates its token
// again and the current user is refreshed from it. With no saved token the
// thread stays under the process's identity.
int Restore(LogonState& state, LogonBackend& backend, HANDLE saved, int result) {
  state.token = saved;
  backend.RevertToSelf();
  SetLoginUser(state, backend, saved);
  return result;
}

// Begin after the thread has stopped impersonating; `saved` is the logon
// token that was in force.
int RunSignature(LogonState& state, SignatureBackend& backend, const ESigRegistry& registry,
                 const SignatureRequest& request, SignatureResult* result, HANDLE* previous,
                 HANDLE saved) {
  CTAVESigConfiguration config;
  backend.ReadESigConfiguration(request.data_type, config);
  SignatureDialogSetup setup;
  setup.reasons =
      BuildOfferedReasons(request.data_type, registry.Reasons(request.data_type), config);
  if (setup.reasons.empty()) return Restore(state, backend, saved, kSignatureNoReasons);

  if (!CanShowWidgets()) {
    std::fprintf(stderr, "TAVSecurityUI: the Electronic Signature dialog cannot be shown "
                         "(no display, or not the GUI thread); treated as cancelled\n");
    return Restore(state, backend, saved, kSignatureCancelled);
  }
  setup.document = request.document;
  setup.document_name = request.document_name;
  setup.show_comment = request.show_comment;
  setup.allow_subfolder = request.allow_subfolder;
  setup.root_folder = registry.root_path();
  setup.subfolder = request.subfolder;
  setup.data_type = request.data_type;
  // A copy: what the dialog checked is what is checked after it, even if
  // the host refills the groups meanwhile.
  setup.signer_groups = registry.groups();

  ESignatureDialog dialog(request.parent, backend, std::move(setup));
  KeepOnScreen(&dialog);
  if (dialog.exec() != QDialog::Accepted) return Restore(state, backend, saved, kSignatureCancelled);

  const ESignatureController& signed_by = dialog.controller();
  const UserRecord& signer = signed_by.signer();
  SecretString password = dialog.TakePassword();
  const int check = CheckAcceptedSigner(
      AcceptedSigner{signer.user_name, signer.full_name, password.empty(), signer.groups},
      signed_by.setup().signer_groups);
  if (check != kSignatureOk) return Restore(state, backend, saved, check);

  // Everything that can fail for want of memory is done before the logon
  // changes hands, so that an exception leaves the saved logon to restore.
  UserRecord new_user = signer;
  new_user.logon_server.clear();
  SignatureResult signature;
  signature.signer = signer;
  signature.reason = signed_by.reason_number();
  signature.comment = signed_by.comment();
  signature.sign_time = signed_by.sign_time();
  signature.folder =
      ComposeSignatureFolder(signed_by.setup().root_folder, signed_by.subfolder());

  HANDLE token = nullptr;
  if (backend.ImpersonateUser(signer.user_name.c_str(), signer.domain.c_str(), password.c_str(),
                              &token) != 0 ||
      token == nullptr) {
    return Restore(state, backend, saved, kSignatureLogonFailed);
  }

  // The signer is logged on as through the User Login dialog.
  state.token = token;
  state.current_user = std::move(new_user);
  *result = std::move(signature);

  if (previous != nullptr) {
    *previous = saved;
  } else if (saved != nullptr) {
    backend.CloseToken(saved);
  }
  return kSignatureOk;
}

}  // namespace

int BeginESignature(LogonState& state, SignatureBackend& backend, const ESigRegistry& registry,
                    const SignatureRequest& request, SignatureResult* result,
                    HANDLE* previous) {
  // The dialog and the authentication run under the process's identity.
  const HANDLE saved = state.token;
  backend.RevertToSelf();
  try {
    return RunSignature(state, backend, registry, request, result, previous, saved);
  } catch (...) {
    // Nothing has changed hands yet (RunSignature allocates before the
    // switch): the saved logon is put back before the failure goes on.
    Restore(state, backend, saved, kSignatureCancelled);
    throw;
  }
}

int EndESignature(LogonState& state, LogonBackend& backend, HANDLE previous) {
  return SetLoginUser(state, backend, previous);
}

}  // namespace tav
