// CSystemConfiguration: the suite's compliance settings (the 21 CFR Part 11
// switch, the idle timeout and other named numbers, the rights of the user
// groups, auditing per data type, e-signature settings per data type) and
// their audit trail. theSystemConfig is the process's object.
//
// Storage: each kind of setting is one record in the settings table of the
// compliance database (settings_records.h, docs/configuration.md); a kind
// never written holds its default. Nothing is cached between calls, so a
// change made by another process is seen by the next read.
//
// Writes: each write is one transaction that reads what is stored, applies
// the caller's change, stores the result and appends one audit event (the
// user the calling thread acts for, the time, the optional reason for
// change, and one entry per changed record) to the configuration audit
// trail. An array write applies what the caller changed since it last read
// that kind through this object (settings_merge.h), so a change made by
// another process in between is kept; without an earlier read it replaces
// the stored kind. That base belongs to the object, and every array read
// through it replaces it, also one made only to answer a question. So a
// reader that will write back what it read while others read through the
// same object (the configuration dialog, beside a host's queries on
// theSystemConfig) works through an object of its own: NewEditor.
// After a failed read of a kind its writes are refused
// until a read succeeds, since the caller then holds an empty array rather
// than its edit of the settings. A write that changes nothing stores nothing. Switching
// the features on or off also writes system event 8 or 9 in the same
// transaction.
//
// Batches: between BeginBatch and CommitBatch the writes that the calling
// thread makes through this object are checked and queued (and answer 0)
// instead of being stored; CommitBatch stores them all in one transaction,
// each with its audit event, or none of them when one fails. A write
// refused while queued (an invalid value, a kind whose read failed) makes
// the whole batch fail. AbortBatch drops what is queued.
//
// Integrity: the settings are sealed with each write (settings_seal.h).
// Settings that fail their seal (a row changed, added or removed behind the
// service) are refused: the queries fail closed as below, ignoring values
// read before, the array reads and every write are refused, and it is
// reported, until an administrator accepts them (AcceptStoredSettings).
//
// Failures: results are TamberTAV2ErrorCodes (0 on success). When a kind
// cannot be read (damaged or unreadable database) it is reported to the log
// output once per distinct message, and the queries answer from the last
// value read successfully in this process, or else fail closed: the
// features count as on, no group holds a right, every data type is audited
// without a reason, and no signature reason is offered.
//
// The object is also the configuration as a document (TAV2FileManager): its
// path is the database's, its components are the setting records, and its
// audit trail is the configuration audit trail.
//
// Through the compliance service: the object of the data directory (the
// default constructor) asks the service whenever the process must
// (settings_remote.h): its reads return the stored records, and the
// queries above answer from them here, failing closed the same way; its
// writes and batches send the base and the edit of each row, which the
// service checks, merges and stores with the same code (StoreEdits),
// naming the acting user itself and refusing a user without the right
// with kConfigAccessDenied.
//
// Thread safety: all members may be called from any thread. Pointers that
// FindComponent and GetAuditTrail return stay valid until the same call is
// made again (on any thread) or the object ends.
#ifndef TAV_SERVICES_CONFIG_SYSTEM_CONFIGURATION_H_
#define TAV_SERVICES_CONFIG_SYSTEM_CONFIGURATION_H_

#include <functional>
#include <initializer_list>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "records/esig_config_types.h"
#include "services/config/audit_settings.h"
#include "services/config/group_rights.h"
#include "services/config/settings_remote.h"
#include "services/config/system_ids.h"
#include "services/filelib/file_manager.h"
#include "services/filelib/store_status.h"
#include "services/filelib/loaded_lists.h"

namespace tav {

class ComplianceDb;

inline constexpr char kAcceptedSettingsReason[] =
    "Stored settings that did not match their seal were accepted as they are: ";

class CSystemConfiguration : public TAV2FileManager {
 public:
  // The settings of the data directory's database.
  CSystemConfiguration();
  // The settings of the compliance database at `database_path`.
  explicit CSystemConfiguration(std::string database_path);
  ~CSystemConfiguration() override;

  // A new object on the same store, whose merge bases are its own: reads
  // through this object no longer move the base of its writes.
  std::unique_ptr<CSystemConfiguration> NewEditor() const;

  // Nonzero while the 21 CFR Part 11 features are on.
  int Is21CFREnabled();
  int Set21CFREnabled(int enabled, std::string_view reason = {});

  // A named number; `default_value` when it was never set. "Idle Timeout"
  // is the idle timeout in minutes (0: never).
  int GetConfigInt(const char* name, int default_value);
  // Sets a named number. "Idle Timeout" takes 0 to 600; any other value
  // gives kConfigInvalidValue and stores nothing.
  int SetConfigInt(const char* name, int value, std::string_view reason = {});

  // Nonzero when one of `groups` (account group names, letter case ignored)
  // holds the right for `activity`. Stores the result code in *error when
  // error is not null.
  int IsActivityAllowed(const std::list<std::string>& groups, int activity,
                        TamberTAV2ErrorCodes* error);

  // 1 when the features are off (*features_on false) or one of `groups`
  // holds the right for `activity`: IsActivityAllowed and Is21CFREnabled
  // in one read of the store (the service's access answer).
  int MayPerform(const std::list<std::string>& groups, int activity, bool* features_on,
                 TamberTAV2ErrorCodes* error);

  // The reason-for-change flags of a data type: `ask` when a reason is
  // asked for (recording types 2 and 3), `required` when it must be given
  // (type 3). Both false while the features are off. kConfigInvalidId for a
  // type outside 0 to 5 (the flags are then untouched).
  int GetAuditCommentSetting(int data_type, bool& ask, bool& required);

  int ReadActivityGroupArray(CTAVGroupRightsArray& rights);
  int WriteActivityGroupArray(const CTAVGroupRightsArray& rights, std::string_view reason = {});
  int ReadAuditTypeSettingArray(CTAVAuditDataTypeSettingArray& settings);
  int WriteAuditTypeSettingArray(const CTAVAuditDataTypeSettingArray& settings,
                                 std::string_view reason = {});
  // kConfigInvalidId for a data type outside 0 to 5.
  int ReadESigConfiguration(int data_type, CTAVESigConfiguration& config);
  int WriteESigConfiguration(int data_type, const CTAVESigConfiguration& config,
                             std::string_view reason = {});

  // Starts a batch on the calling thread; a batch already open is dropped.
  void BeginBatch();
  // Stores the queued writes in one transaction: 0, or the result of the
  // first refused or failed write (nothing stored). Ends the batch.
  int CommitBatch();
  // Drops the calling thread's batch; nothing happens without one.
  void AbortBatch();

  // Whether the stored settings match their seal (settings_seal.h): 0, or
  // kConfigStorageError with LastErrorMessage saying what does not match
  // or what failed.
  int VerifySettings();
  // After settings failed their seal and an administrator has checked
  // them: takes them as they are stored now, with an audit event of the
  // acting user whose reason for change is kAcceptedSettingsReason
  // followed by `reason`, and seals them. 0 also when they matched.
  int AcceptStoredSettings(std::string_view reason);

  // The service's side of a client's writes (settings_remote.h): reads
  // and checks each record (settings_checks.h), merges each edit with its
  // base into what is stored inside the transaction, and stores every
  // write with its audit event (and the switch's system event) under
  // `user`, or none of them.
  RemoteWriteResult StoreEdits(const std::vector<RemoteSettingWrite>& writes,
                               const std::string& user);
  // AcceptStoredSettings with `user` as the acting user.
  int AcceptStoredSettingsAs(std::string_view reason, const std::string& user);

  // TAV2FileManager: the configuration as a document.
  std::string GetFilePath() const override;
  // The first segment names a setting record (ACss, AUSa, ESiC, CFCp,
  // 21EN), the rest a component inside it.
  CComponent* FindComponent(std::string_view path) const override;
  // The configuration audit trail (AUDT); null when it cannot be read.
  CListComp* GetAuditTrail() override;

  // What the calling thread's last failed call of this object said.
  static std::string LastErrorMessage();

  // Forgets what this process read of the settings: the bases of its edits
  // and the values kept for a failed read. For tests that give the process
  // a new data directory, whose settings those reads were never of.
  void ForgetReadsForTesting();

 private:
  enum class Access { kRead, kWrite };
  using BuildRecord = std::function<std::unique_ptr<CComponent>(CComponent& current)>;
  struct PendingWrite {
    std::string row;
    std::string base_key;
    BuildRecord build;
    std::string reason;
    int system_event = 0;
  };
  struct Batch {
    std::vector<PendingWrite> writes;
    // Writes for the compliance service, and the base key of each.
    std::vector<RemoteSettingWrite> remote;
    std::vector<std::string> remote_keys;
    int refused = 0;  // the result of the first write refused while queued
  };

  StoreStatus Db(std::shared_ptr<ComplianceDb>* db) const;
  // Loads the current record of a row; on failure the last good one or the
  // fail-closed record (and a report).
  std::unique_ptr<CComponent> LoadRow(std::string_view row, StoreStatus* status) const;
  // LoadRow for several rows in one transaction (one check of the seal).
  std::vector<std::unique_ptr<CComponent>> LoadRows(std::initializer_list<std::string_view> rows,
                                                    StoreStatus* status) const;
  // One audited write of a row. `build` makes the new record from the
  // current one inside the transaction.
  // `build` must own what it uses: in a batch it runs after the write
  // call has returned.
  int WriteRow(std::string_view row, std::string_view base_key, BuildRecord build,
               std::string_view reason, bool* changed = nullptr, int system_event = 0);
  // Stores `writes` in one transaction under `user`; 0 or the failure's
  // result code. *stored (optional) receives each write's new record.
  int StoreWrites(const std::vector<PendingWrite>& writes, const std::string& user,
                  bool* changed, std::vector<std::unique_ptr<CComponent>>* stored = nullptr);
  // A write of an array row through the service: the object's base of
  // `row` (none when it never read it) and `mine`.
  RemoteSettingWrite ArrayWrite(std::string_view row, const CComponent& mine,
                                std::string_view reason) const;
  // The service when this object must ask it; else null.
  SettingsRemote* Remote() const;
  // A write through the service: queued in the thread's batch, or sent.
  // `base_key` as for WriteRow.
  int WriteRemote(RemoteSettingWrite write, std::string_view base_key);
  int SendRemote(const std::vector<RemoteSettingWrite>& writes,
                 const std::vector<std::string>& base_keys);
  // True (and the batch marked refused) when the last read of `base_key`
  // failed. REQUIRES: mutex_ held.
  bool RefuseAfterFailedRead(std::string_view row, std::string_view base_key);
  // The calling thread's open batch, or null. REQUIRES: mutex_ held.
  Batch* ThreadBatch();
  void RememberBase(std::string_view key, const CComponent& record);
  // Notes a failed read of a kind (refusing its writes until a read
  // succeeds) and returns the result code.
  int ReadFailed(std::string_view key, const StoreStatus& status);
  std::unique_ptr<CComponent> Base(std::string_view key) const;

  std::string database_path_;  // empty: the data directory's database
  mutable std::mutex mutex_;
  // What this object last read of each kind: the base of its next write.
  std::map<std::string, std::unique_ptr<CComponent>, std::less<>> bases_;
  // Kinds whose last read failed.
  std::set<std::string, std::less<>> failed_reads_;
  // The last record read successfully of each row, for read failures.
  mutable std::map<std::string, std::unique_ptr<CComponent>, std::less<>> last_good_;
  mutable std::map<std::string, std::unique_ptr<CComponent>, std::less<>> documents_;
  std::unique_ptr<CLoadedAuditCollection> trail_;
  std::map<std::thread::id, Batch> batches_;
};

// The process's configuration object (the data directory's database).
extern CSystemConfiguration theSystemConfig;

// Registers the configuration's record kinds with the component factory and
// installs the activity names for "Controlled Activity" values. Every
// configuration call does it on first use; a program that reads setting
// records without calling the configuration first calls it itself.
void LoadConfigurationService();

}  // namespace tav

#endif  // TAV_SERVICES_CONFIG_SYSTEM_CONFIGURATION_H_
