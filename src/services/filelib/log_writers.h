// Who stored each record of a log: on the lab store every row keeps the
// login role that wrote it (one role per workstation), beside the user name
// the workstation's service vouches for inside the record. Listings and the
// viewer show it as the record's workstation. The embedded store keeps no
// writer; its records, and those moved from one, have none.
//
// Threads: any.
#ifndef TAV_SERVICES_FILELIB_LOG_WRITERS_H_
#define TAV_SERVICES_FILELIB_LOG_WRITERS_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "services/filelib/record_chain.h"
#include "util/sql_db.h"
#include "util/store_status.h"

namespace tav {

// Records first..last in a row, all written by `writer`.
struct WriterRun {
  uint64_t first = 0;
  uint64_t last = 0;
  std::string writer;
};

// The writers of the records of `log` numbered from `from` on, as runs in
// order, at most `max_runs` of them; *more says whether records with a
// writer follow the last run. Records without a writer are left out.
// REQUIRES: inside a transaction.
StoreStatus ReadLogWriters(SqlDb& db, ChainedLog log, uint64_t from, size_t max_runs,
                           std::vector<WriterRun>* runs, bool* more);

// Every writer of `log` in the data directory's store, from the store or
// through the compliance service, as the process must.
StoreStatus LoadLogWriters(ChainedLog log, std::vector<WriterRun>* runs);

// The writer of record `seq` in `runs` (in order), or empty.
std::string_view WriterOf(const std::vector<WriterRun>& runs, uint64_t seq);

}  // namespace tav

#endif  // TAV_SERVICES_FILELIB_LOG_WRITERS_H_
