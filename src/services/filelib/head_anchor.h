// Anchors of the hash-chained logs outside the database: every commit that
// appends to a log sends the log's new head (last sequence number and hash)
// to the system log with facility LOG_AUTHPRIV, as one line
//
//     log head <table> <seq> <64 hex digits>
//
// A copy of the system log's lines (journalctl output, a file kept
// elsewhere) then shows a cut tail, an emptied table or a lost write-ahead
// log: `tavsec events verify --against FILE` (CheckAnchors).
//
// Thread safety: heads are noted per thread (a write transaction runs on
// one thread) and sent by that thread once its transaction committed.
#ifndef TAV_SERVICES_FILELIB_HEAD_ANCHOR_H_
#define TAV_SERVICES_FILELIB_HEAD_ANCHOR_H_

#include <cstdint>
#include <istream>
#include <map>
#include <string>
#include <vector>

#include "services/filelib/record_chain.h"
#include "util/sql_db.h"
#include "services/filelib/store_status.h"

namespace tav {

// Notes the new head of `log` (called by AppendChained).
void NoteChainHead(ChainedLog log, uint64_t seq, const ChainHash& hash);
// Sends the heads noted on this thread, after their commit.
void SendNotedChainHeads();
// Forgets them, after a rollback.
void DropNotedChainHeads();

// "log head system_events 12 ab01..." for one head.
std::string FormatChainHead(ChainedLog log, uint64_t seq, const ChainHash& hash);

// Sends one line to the system log with LOG_AUTHPRIV, as a warning when
// `warning` (a verification that failed), else as information.
void SendAuthLog(bool warning, const std::string& line);

// Also appends every head line to `path` (empty: stop). For tests, which
// cannot read the system log.
void SetChainHeadCopyForTesting(const std::string& path);

// The heads found in a copy of the system log, per log: sequence number to
// hash. Lines without a head are skipped, so whole journal exports may be
// given. `lines` counts the heads read.
struct ChainAnchors {
  std::map<ChainedLog, std::map<uint64_t, ChainHash>> heads;
  uint64_t lines = 0;
};
void ReadChainAnchors(std::istream& in, ChainAnchors* anchors);

struct AnchorProblem {
  uint64_t seq;      // the first record concerned
  std::string text;  // one line for a person
};

// Checks that the log still holds every anchored head: the record with that
// number and that hash. Reports the first record that differs or is gone.
// `describe` names a record. REQUIRES: inside a transaction.
StoreStatus CheckAnchors(SqlDb& db, ChainedLog log, const std::map<uint64_t, ChainHash>& heads,
                         std::vector<AnchorProblem>* problems,
                         const std::function<std::string(uint64_t, std::string_view)>& describe);

}  // namespace tav

#endif  // TAV_SERVICES_FILELIB_HEAD_ANCHOR_H_
