// Anchors of the hash-chained logs outside the database: every commit that
// appends to a log sends the log's new head (last sequence number and hash)
// to the system log with facility LOG_AUTHPRIV, as one line
//
//     log head <table> <seq> <64 hex digits> store <store id>
//
// The store id is a random name each store gets once (store_identity), so
// that heads of one store never stand for another's. A copy of the system
// log then shows a cut tail, an emptied table or a lost write-ahead log:
// `tavsec events verify --against FILE` (CheckAnchors). Only lines the
// system log itself attributes to the store's writer count: journald's
// _UID, read from `journalctl -o json` (one object per line). Anyone may
// send a line that looks like a head; nobody but the service's account can
// make journald record it under that account's uid.
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
// Sends the heads noted on this thread, after their commit, naming the
// store `store_id` ("" for none).
void SendNotedChainHeads(const std::string& store_id);
// Forgets them, after a rollback.
void DropNotedChainHeads();

// "log head system_events 12 ab01... store 5f3c..." for one head.
std::string FormatChainHead(ChainedLog log, uint64_t seq, const ChainHash& hash,
                            const std::string& store_id);

// The store's id, made on first need (a write transaction is then
// REQUIRED). ReadStoreId gives "" for a store that has none yet.
StoreStatus StoreIdForWriting(SqlDb& db, std::string* id);
StoreStatus ReadStoreId(SqlDb& db, std::string* id);

// Sends one line to the system log with LOG_AUTHPRIV, as a warning when
// `warning` (a verification that failed), else as information.
void SendAuthLog(bool warning, const std::string& line);

// Also appends every head line to `path` (empty: stop), as `journalctl -o
// json` shows it, with this process's uid. For tests, which cannot read
// the system log.
void SetChainHeadCopyForTesting(const std::string& path);

// Whose heads count: those of the store `store_id` that the system log
// recorded as sent by `sender_uid`.
struct AnchorSource {
  std::string store_id;
  uint32_t sender_uid = 0;
};

// The heads found in a journal export (`journalctl -o json`: one object
// per line, with MESSAGE and _UID), per log: sequence number to hash. Lines
// without a head are skipped, so a whole journal may be given; heads of
// other stores, heads sent by another uid and lines the journal did not
// attribute (plain text) are counted, never taken. Two different hashes
// for one sequence number are kept as a conflict.
struct ChainAnchors {
  std::map<ChainedLog, std::map<uint64_t, ChainHash>> heads;
  std::map<ChainedLog, std::vector<uint64_t>> conflicts;
  uint64_t lines = 0;         // heads taken
  uint64_t other_store = 0;   // heads of another store
  uint64_t other_sender = 0;  // heads sent by another uid
  uint64_t unattributed = 0;  // heads without a sender (plain text)
};
void ReadChainAnchors(std::istream& in, const AnchorSource& source, ChainAnchors* anchors);

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
