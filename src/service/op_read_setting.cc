// kOpReadSetting: the stored record of one settings row, read as the
// configuration reads it (the seal checked first), or the read's failure.
// Anyone connected may read the settings: every program asks them.
#include "protocol/settings_ops.h"
#include "service/handlers.h"
#include "services/config/settings_checks.h"
#include "services/config/settings_records.h"
#include "services/config/settings_store.h"
#include "services/config/system_configuration.h"
#include "services/filelib/compliance_db.h"
#include "services/filelib/settings_seal.h"

namespace tav::service {

HandlerReply HandleReadSetting(Session&, protocol::MessageReader& request) {
  protocol::SettingRowRequest row;
  if (!protocol::DecodeRequest(request, &row).ok()) return std::nullopt;
  protocol::SettingRowReply reply;
  StoreStatus status;
  if (!IsSettingRow(row.row)) {
    status = StoreStatus(StoreStatus::kInvalid, "'" + row.row + "' is not a setting");
  } else {
    LoadConfigurationService();
    std::unique_ptr<CComponent> record;
    std::shared_ptr<ComplianceDb> db;
    status = ComplianceDb::Get(&db);
    if (status.ok()) {
      status = db->Read([&](SqlDb& c) {
        StoreStatus s = CheckSettingsSeal(c);
        return s.ok() ? LoadSetting(c, row.row, &record) : s;
      });
    }
    if (status.ok()) reply.record = SettingRecordBytes(*record);
  }
  protocol::SetWireStatus(status, &reply.status, &reply.message);
  return protocol::EncodeReply(protocol::kOpReadSetting, reply);
}

}  // namespace tav::service
