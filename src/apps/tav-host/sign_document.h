// Signing documents in tav-host, as the suite's programs store signatures:
// the library collects the signature, the host appends it as a signature
// event (ESev) to the document's signature list (ESIG) and saves the file
// safely, then gives the logon back to the user who was logged on.
//
// The file work (which parts of the document a signature covers, appending
// to the file, listing its signatures) needs no window and is tested on its
// own; SignDocument and ShowSignatures add the library's dialog and the
// host's.
//
// Threads: the GUI thread for everything that shows a window; the file
// functions on any thread, one at a time per file.
#ifndef TAV_APPS_TAV_HOST_SIGN_DOCUMENT_H_
#define TAV_APPS_TAV_HOST_SIGN_DOCUMENT_H_

#include <QString>
#include <QStringList>

#include <cstdint>
#include <string>
#include <vector>

#include "TAVSecurityUI.h"

class QWidget;

namespace tav::host {

// A signature as the document keeps it.
struct DocumentSignature {
  std::string user_name;
  DATE sign_time = 0.0;
  int32_t reason_id = -1;
  int32_t item_code = -1;
  std::vector<std::string> tag_paths;  // the parts of the document it covers
  std::string full_name;
  std::string comment;
};

// The signature of `info` for a document of `data_type`: the meaning of
// the chosen reason (its reason id and item) and those of its component
// paths that `document` holds. A reason number the configuration does not
// know gives reason and item -1.
DocumentSignature SignatureFor(const ESigInfo& info, int32_t data_type,
                               const TAV2FileManager& document);

// Appends the signature to the document's first top-level signature list
// (a new one at the end when it has none) and replaces the file: a new file
// is written beside it and renamed over it. The file is read again first,
// so that nothing written to it since it was opened is lost. False with
// *error when the file cannot be read completely (it is then not
// rewritten) or cannot be written (the old file stays).
bool AppendSignatureToDocument(const std::string& path, const DocumentSignature& signature,
                               std::string* error);

// One line per signature of the document, in the order they were made:
// time, signer, full name, meaning, covered parts and comment. False with
// *error when the file cannot be read.
bool ListSignatures(const std::string& path, std::vector<std::string>* lines,
                    std::string* error);

// Writes a small run document with a plate setup and nothing else, for the
// demo and the tour to sign.
bool WriteExampleDocument(const std::string& path, std::string* error);

// The path of the document to sign or show: the one set by
// SetNextDocumentPath (once), else the user's choice in a file dialog
// ("" when cancelled).
QString ChooseDocument(QWidget* parent, const QString& caption);
void SetNextDocumentPath(const QString& path);

// Signs the document at `path` (parent: the host window) and returns what
// happened, a line for the host's log per step.
QStringList SignDocument(QWidget* parent, const QString& path);

// Shows the document's signatures in a box (dlgSignatures).
void ShowSignatures(QWidget* parent, const QString& path);

}  // namespace tav::host

#endif  // TAV_APPS_TAV_HOST_SIGN_DOCUMENT_H_
