// Reading and writing setting rows of the compliance database, each write
// audited: the configuration's audit trail (table config_audit, a hash
// chain like the event log) receives one audit event per change, holding
// the entries that comparing the old record with the new one gives.
//
// Thread safety: the functions run on a connection the caller holds, inside
// ComplianceDb::Read or Write.
#ifndef TAV_SERVICES_CONFIG_SETTINGS_STORE_H_
#define TAV_SERVICES_CONFIG_SETTINGS_STORE_H_

#include <memory>
#include <string>
#include <string_view>

#include "records/audit_event_comp.h"
#include "records/component.h"
#include "util/sql_db.h"
#include "services/filelib/store_status.h"
#include "services/filelib/loaded_lists.h"

namespace tav {


// The record of row `row`: the stored one, or the default when none is
// stored. kCorrupt (naming the row) when the stored record does not read.
StoreStatus LoadSetting(SqlDb& db, std::string_view row, std::unique_ptr<CComponent>* out);

struct ChangeAuthor {
  std::string user;
  std::string reason;  // the reason for change; may be empty
};

// Stores `record` as row `row` when its contents differ from what the row
// holds now, and appends the audit event of the change (made by `author`,
// dated now) to the configuration audit trail. *changed says whether
// anything was written. REQUIRES: inside a write transaction.
StoreStatus SaveSettingAudited(SqlDb& db, std::string_view row, const CComponent& record,
                               const ChangeAuthor& author, bool* changed);

// Appends `event` to the configuration audit trail. REQUIRES: inside a
// write transaction.
StoreStatus AppendConfigAuditEvent(SqlDb& db, CAuditEventComp& event);

// The configuration audit trail (AUDT) with every event in order; its
// sequence number is that of its first event. A record that does not read
// is left out and reported to the log output.
StoreStatus LoadConfigAuditTrail(SqlDb& db, std::unique_ptr<CLoadedAuditCollection>* out);

}  // namespace tav

#endif  // TAV_SERVICES_CONFIG_SETTINGS_STORE_H_
