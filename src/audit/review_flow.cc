#include "audit/review_flow.h"

#include <QCoreApplication>
#include <QDialog>
#include <QWidget>
#include <ctime>
#include <string>
#include <utility>

#include "esig/esig_registry.h"
#include "esig/esignature_dialog.h"
#include "esig/review_signature.h"
#include "esig/signature_backend.h"
#include "logon/user_record.h"
#include "services/security/secret.h"
#include "ui/message_prompter.h"
#include "util/ole_date.h"

namespace tav {

std::optional<RecordedReview> SignReviewWithDialog(QWidget* parent, AuditReview review) {
  review.meaning = kReviewMeaning;
  // The signature dialog names the range: the review covers every record
  // between its ends, those a filter hides among them too.
  SignatureDialogSetup setup;
  setup.document_name = ReviewRangeText(review);
  setup.show_comment = true;
  OfferedReason meaning;
  meaning.entry = ESigReasonEntry{kReviewMeaning, 1};
  setup.reasons = {meaning};
  setup.signer_groups = TheESigRegistry().groups();
  SignatureBackend& backend = SignatureBackend::Default();
  ESignatureDialog dialog(parent, backend, std::move(setup));
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  SecretString password = dialog.TakePassword();
  const UserRecord& signer = dialog.controller().signer();
  review.comment = dialog.controller().comment();
  const ReviewSignature signature =
      SignAuditReview(backend, signer.user_name, signer.domain, password.c_str(), &review);
  password.Clear();
  if (!signature.recorded_review()) {
    const std::string why = signature.code != 0
                                ? QCoreApplication::translate(
                                      "tav::ReviewFlow", "The signature was refused (error %1).")
                                      .arg(signature.code)
                                      .toStdString()
                                : signature.status.message();
    const std::string text =
        QCoreApplication::translate("tav::ReviewFlow", "The review was not recorded.")
            .toStdString() +
        "\n" + why;
    StealthMessageBox(
        IDOK, parent, text.c_str(),
        QCoreApplication::translate("tav::ReviewFlow", "Mark Reviewed").toStdString().c_str(),
        MB_OK | MB_ICONERROR);
    return std::nullopt;
  }
  RecordedReview recorded;
  recorded.date = OleDateFromTimeT(::time(nullptr)).value_or(0.0);
  recorded.reviewer = signature.recorded;
  recorded.review = std::move(review);
  return recorded;
}

}  // namespace tav
