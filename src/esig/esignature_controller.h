// ESignatureController: what the Electronic Signature dialog does, without
// the window.
//
// The dialog (esignature_dialog.h) shows the fields and forwards Enter and
// the accept button; this class decides which rows are shown, where Enter
// moves the focus, and runs the acceptance checks: a reason chosen when
// reasons are offered, the typed credentials (a failure writes a "Failed
// E-Signature Attempt" system event; when that cannot be stored the
// attempt is refused with the event log's message), membership of a signer group, and
// that the document holds something the chosen reason can sign. Each check
// that fails shows its message (owned by the dialog) and tells the dialog
// how to go on.
//
// Threads: the GUI thread. Ownership: the backend and the document must
// outlive the controller; the setup is copied.
#ifndef TAV_ESIG_ESIGNATURE_CONTROLLER_H_
#define TAV_ESIG_ESIGNATURE_CONTROLLER_H_

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "esig/signature_backend.h"
#include "esig/signature_rules.h"
#include "logon/user_record.h"
#include "services/config/system_ids.h"

class QWidget;

namespace tav {

class TAV2FileManager;

// What the dialog is opened with.
struct SignatureDialogSetup {
  const TAV2FileManager* document = nullptr;  // null: no content check
  std::string document_name;                  // empty: no "for :" in the heading
  bool show_comment = true;
  bool allow_subfolder = false;  // the sub-folder row needs a root folder too
  std::string root_folder;       // empty: no folder rows
  std::string subfolder;         // the sub-folder box's initial text
  int data_type = kDataTypeUnknown;
  std::vector<OfferedReason> reasons;       // empty: no Reason row
  std::vector<std::string> signer_groups;  // empty: nobody may sign
};

// The controls of the dialog, as far as Enter cares.
enum class SignatureField {
  kUserName,
  kDomain,
  kPassword,
  kReason,
  kComment,
  kSubfolder,
  kAcceptButton,
  kOther,
};

struct SignatureEnterAction {
  enum Kind { kFocus, kAccept, kNothing };
  Kind kind = kNothing;
  SignatureField field = SignatureField::kOther;  // where kFocus moves to

  bool operator==(const SignatureEnterAction&) const = default;
};

// The fields as the person left them at a click of the accept button.
struct SignatureInput {
  std::string user_name;
  std::string domain;
  const char* password = "";
  int reason_items = 0;                   // how many reasons the box holds
  std::optional<int32_t> chosen_reason;  // the number of the chosen one
  std::string comment;
  std::string subfolder;
};

// How the dialog goes on after the acceptance checks.
enum class AcceptResult {
  kAccepted,            // close as accepted
  kStayOpen,            // stay open, everything as typed
  kRetryFromUserName,   // the credentials failed: focus the user name
  kClearAndRetry,       // not a signer: user name, domain, password and
                        // comment emptied, focus the user name
  kCancelled,           // not a signer, and the person chose Cancel
};

class ESignatureController {
 public:
  ESignatureController(SignatureBackend& backend, SignatureDialogSetup setup);
  ESignatureController(const ESignatureController&) = delete;
  ESignatureController& operator=(const ESignatureController&) = delete;

  // Asks the service whether the machine has a domain.
  void Initialize();

  const SignatureDialogSetup& setup() const { return setup_; }
  bool domain_shown() const { return domain_shown_; }
  bool reason_shown() const { return !setup_.reasons.empty(); }
  // Without reasons the comment is the only thing to say, so it is shown.
  bool comment_shown() const { return setup_.show_comment || !reason_shown(); }
  bool root_shown() const { return !setup_.root_folder.empty(); }
  bool subfolder_shown() const { return root_shown() && setup_.allow_subfolder; }
  const char* heading() const;

  SignatureEnterAction OnEnter(SignatureField focus) const;

  // The checks of a click on the accept button. Messages are owned by
  // `owner` (the dialog; may be null).
  AcceptResult Accept(const SignatureInput& input, QWidget* owner);

  // After an accepted run: the signer (name and domain as typed, the rest
  // from the service), and what was signed.
  const UserRecord& signer() const { return signer_; }
  bool in_signer_group() const { return in_signer_group_; }
  int32_t reason_number() const { return reason_number_; }
  const std::string& comment() const { return comment_; }
  const std::string& subfolder() const { return subfolder_; }
  // The time of the last click on the accept button; 0 before the first.
  DATE sign_time() const { return sign_time_; }

 private:
  // True when the document holds a component the chosen reason covers, or
  // the reason covers no particular component; else shows why.
  bool DocumentHasContent();
  const OfferedReason* Offered(int32_t number) const;

  SignatureBackend& backend_;
  SignatureDialogSetup setup_;
  bool domain_shown_ = false;

  UserRecord signer_;
  bool in_signer_group_ = false;
  int32_t reason_number_ = -1;
  std::string comment_;
  std::string subfolder_;
  DATE sign_time_ = 0.0;
};

}  // namespace tav

#endif  // TAV_ESIG_ESIGNATURE_CONTROLLER_H_
