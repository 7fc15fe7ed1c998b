// Signed exports of the system event log and the configuration audit trail:
// the CSV or JSON listing that tavsec prints, with a detached signature of
// the compliance service (services/filelib/export_signature.h).
//
// The process that writes the file renders the document from the records
// it reads; the process that holds the signing key (the compliance service,
// or root and the owner of a private store in their own process) renders it
// again from its store, up to the same record, and signs it only when both
// are the same bytes. The key thus signs nothing but what the store holds:
// a member cannot have a document of his own signed.
//
// Thread safety: one export per thread; the store does its own locking.
#ifndef TAV_AUDIT_SIGNED_EXPORT_H_
#define TAV_AUDIT_SIGNED_EXPORT_H_

#include <cstdint>
#include <string>

#include "audit/listing.h"
#include "audit/table_export.h"
#include "services/filelib/export_signature.h"

namespace tav {

enum class ExportedLog : int { kSystemEvents = 0, kConfigTrail = 1 };

struct ExportDocument {
  std::string bytes;
  ListingRange range;
};

// Renders the listing of `log` as this process reads it, up to record
// `through` (kWholeLog: every record).
StoreStatus RenderLogExport(ExportedLog log, TableFormat format, uint64_t through,
                            ExportDocument* out);

// Signs the export of `log` up to `through` whose SHA-256 the writer
// computed as `sha256`, with the service's keys beside the store; when the
// store names a time-stamping authority, the signature is time-stamped too
// (when the authority fails, the export is signed without, and *note says
// why). kNotFound when the store has no signing key; kTampered when the
// store's records do not render to the same document.
StoreStatus SignLogExport(ExportedLog log, TableFormat format, uint64_t through,
                          const Sha256& sha256, std::string* signature_file, std::string* note);

// Renders the listing of `log`, has it signed where the keys are (by the
// compliance service when this process reaches the store through it) and
// writes it to `path` and the signature to `path`.sig, each whole or not at
// all. A store without a signing key gets the listing alone: *is_signed is
// then false and *warning says why; *warning also says when the signature
// is not time-stamped. Nothing is written when the listing cannot be read
// or the signer refuses it.
struct WrittenExport {
  uint64_t count = 0;
  bool is_signed = false;
  std::string warning;
};
StoreStatus WriteSignedExport(ExportedLog log, TableFormat format, const std::string& path,
                              WrittenExport* out);

// "system event log" or "configuration audit trail".
const char* ExportedLogName(ExportedLog log);

}  // namespace tav

#endif  // TAV_AUDIT_SIGNED_EXPORT_H_
