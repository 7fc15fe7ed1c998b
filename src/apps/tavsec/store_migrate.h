// Moving a workstation's embedded compliance database into the lab store
// (`tavsec store migrate`).
//
// The source is read whole first and must verify: each of its three logs
// has an intact chain and its settings match their seal. Then, in one write
// transaction of the lab store (as its owner), each log is either copied
// verbatim with its own chain and seals (the lab's log is empty: the first
// workstation migrated) or appended record by record through the lab's
// chaining (a later workstation: the record bytes stay, the chain is the
// lab's). Settings the lab lacks are added; where the lab has a setting
// with other bytes the lab's stays and the name is reported. Run-list paths
// the lab lacks are added. Before the commit every log's chain is verified
// and every source record is looked up at the place it was given; any
// failure rolls the whole transaction back.
//
// Thread safety: none; one migration per process.
#ifndef TAV_APPS_TAVSEC_STORE_MIGRATE_H_
#define TAV_APPS_TAVSEC_STORE_MIGRATE_H_

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "services/filelib/compliance_db.h"
#include "services/filelib/record_chain.h"
#include "util/store_status.h"

namespace tav::tavsec {

struct MigratedLog {
  ChainedLog log = ChainedLog::kSystemEvents;
  uint64_t source_count = 0;
  bool verbatim = false;    // copied with its own chain into an empty lab log
  uint64_t first_seq = 0;   // where the records went in the lab log
  uint64_t last_seq = 0;
  uint64_t lab_count = 0;   // records in the lab log afterwards
};

struct MigrationSummary {
  std::array<MigratedLog, 3> logs;
  int settings_added = 0;
  int settings_same = 0;
  std::vector<std::string> settings_kept;  // the lab's differ: kept as they are
  int runs_added = 0;
  int runs_listed = 0;  // the lab listed them already
};

// Reads and verifies the embedded database at `source_path`, then moves its
// data into `lab` as described above. On failure nothing was written to the
// lab; the status says which log and record refused the migration.
StoreStatus MigrateToLab(const std::string& source_path, ComplianceDb& lab,
                         MigrationSummary* summary);

}  // namespace tav::tavsec

#endif  // TAV_APPS_TAVSEC_STORE_MIGRATE_H_
