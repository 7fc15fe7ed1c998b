// The whole check of a compliance database: the hash chain and record times
// of each of its three logs (with the options' key and anchors, their seals
// and heads too), the seal of the current settings, and, for the embedded
// store, the file's own pages. It gives the lines a person reads, in order,
// so that `tavsec events verify` prints the same report whether it checks
// the store itself or the compliance service checks it.
//
// Thread safety: runs on a connection the caller holds (inside
// ComplianceDb::Read).
#ifndef TAV_SERVICES_FILELIB_STORE_VERIFICATION_H_
#define TAV_SERVICES_FILELIB_STORE_VERIFICATION_H_

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "services/filelib/log_integrity.h"

namespace tav {

struct StoreVerification {
  bool intact = true;
  std::vector<std::string> lines;  // the report, one line each, without newlines
  std::string first_finding;       // "<log>: <finding>", for the system log
};

// Lines to add after a log's own (how far its seals reach, with a key).
using AfterLogLines = std::function<void(ChainedLog log, const LogIntegrity& integrity,
                                         std::vector<std::string>* lines)>;

// Checks everything above into *out. A failure to read the database is the
// returned status; the lines gathered until then stay in *out.
StoreStatus VerifyStore(SqlDb& db, IntegrityOptions options, const AfterLogLines& after_log,
                        StoreVerification* out);

// Tells the site's monitoring (the system log's auth facility) that `who`
// found the store damaged, with the first finding.
void TellSystemLogOfDamage(const std::string& who, const StoreVerification& verification);

// How a report names record `seq` of `log`: "event 12 (...)", and
// "(unreadable)" for a record that does not decode.
std::string DescribeChainedRecord(ChainedLog log, uint64_t seq, std::string_view bytes);

// Whether `bytes` read as a record of `log` (an event, or a run file
// record).
bool ReadsAsChainedRecord(ChainedLog log, std::string_view bytes);

// A record's own local date as wall-clock milliseconds since 1970, if it
// has one.
std::optional<int64_t> ChainedRecordLocalTime(std::string_view bytes);

}  // namespace tav

#endif  // TAV_SERVICES_FILELIB_STORE_VERIFICATION_H_
