// SettingsRemote: the compliance settings as the compliance service keeps
// them, for a process that must ask the service instead of opening the
// store (services/filelib/remote_seam.h). CSystemConfiguration of the data
// directory forwards to it whenever theSettingsRemote.InUse() returns one;
// the client registers the implementation (client/settings_proxy.h).
//
// Records travel in their stored form (settings_checks.h). Writes carry
// the record the client based its edit on and the edited record; the
// service merges the edit into what is stored (settings_merge.h), inside
// its transaction, and decides who may write.
//
// Thread safety: implementations may be called from any thread.
#ifndef TAV_SERVICES_CONFIG_SETTINGS_REMOTE_H_
#define TAV_SERVICES_CONFIG_SETTINGS_REMOTE_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "services/filelib/remote_seam.h"
#include "services/filelib/store_status.h"

namespace tav {

// One write of a settings row.
struct RemoteSettingWrite {
  std::string row;
  bool has_base = false;  // false: the edit replaces what is stored
  std::string base;       // the record the edit started from
  std::string edit;       // the edited record
  std::string reason;     // the reason for change; may be empty
};

// The outcome of a write (or of accepting stored settings).
struct RemoteWriteResult {
  int code = 0;  // a TamberTAV2ErrorCodes value
  std::string message;
  bool changed = false;
  // What each write stored (or found stored, when it changed nothing), in
  // the order of the writes; empty on failure.
  std::vector<std::string> stored;
};

// One page of the configuration audit trail.
struct RemoteTrailPage {
  std::vector<uint64_t> numbers;   // each event's sequence number
  std::vector<std::string> events;  // each event's stored record
  uint64_t next = 0;                // where the next page starts
  bool more = false;
};

class SettingsRemote {
 public:
  virtual ~SettingsRemote() = default;

  // Whether this process must ask the service now.
  virtual bool InUse() = 0;

  // The stored record of `row` (its default when none is stored). The
  // failure as the service's read failed: kTampered for settings that fail
  // their seal.
  virtual StoreStatus ReadRow(std::string_view row, std::string* record) = 0;
  virtual StoreStatus VerifySettings() = 0;
  // The trail's events from sequence number `from` on (0: from the first).
  virtual StoreStatus ReadTrail(uint64_t from, RemoteTrailPage* page) = 0;
  // Stores every write, each with its audit event, in one transaction, or
  // none; the service names the acting user.
  virtual RemoteWriteResult Write(const std::vector<RemoteSettingWrite>& writes) = 0;
  virtual RemoteWriteResult AcceptStoredSettings(std::string_view reason) = 0;
};

// Where the client registers its implementation (one per process).
inline RemoteSeam<SettingsRemote> theSettingsRemote;

}  // namespace tav

#endif  // TAV_SERVICES_CONFIG_SETTINGS_REMOTE_H_
