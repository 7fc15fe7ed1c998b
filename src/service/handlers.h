// The handlers of the service's operations (one file each, op_*.cc; see
// service/dispatch.h for their contract) and what they share.
#ifndef TAV_SERVICE_HANDLERS_H_
#define TAV_SERVICE_HANDLERS_H_

#include <optional>
#include <string>
#include <string_view>

#include "protocol/operations.h"
#include "service/session.h"

namespace tav::service {

using HandlerReply = std::optional<protocol::MessageWriter>;

HandlerReply HandleHello(Session& session, protocol::MessageReader& request);
HandlerReply HandleGetDomain(Session& session, protocol::MessageReader& request);
HandlerReply HandleAuthenticate(Session& session, protocol::MessageReader& request);
HandlerReply HandleLogon(Session& session, protocol::MessageReader& request);
HandlerReply HandleDuplicateToken(Session& session, protocol::MessageReader& request);
HandlerReply HandleCloseToken(Session& session, protocol::MessageReader& request);
HandlerReply HandleIsOsAdmin(Session& session, protocol::MessageReader& request);
HandlerReply HandleRecordLogoff(Session& session, protocol::MessageReader& request);
HandlerReply HandleRecordedUserName(Session& session, protocol::MessageReader& request);
HandlerReply HandleListEvents(Session& session, protocol::MessageReader& request);
HandlerReply HandleVerifyEvents(Session& session, protocol::MessageReader& request);
HandlerReply HandleVerifyStore(Session& session, protocol::MessageReader& request);
HandlerReply HandleSignExport(Session& session, protocol::MessageReader& request);
HandlerReply HandleLogWriters(Session& session, protocol::MessageReader& request);
HandlerReply HandleRecordReview(Session& session, protocol::MessageReader& request);
HandlerReply HandleRunListDelete(Session& session, protocol::MessageReader& request);
HandlerReply HandleRunListMove(Session& session, protocol::MessageReader& request);
HandlerReply HandleRunListImport(Session& session, protocol::MessageReader& request);
HandlerReply HandleRunListRecord(Session& session, protocol::MessageReader& request);
HandlerReply HandleRunListPage(Session& session, protocol::MessageReader& request);
HandlerReply HandleRunHistoryPage(Session& session, protocol::MessageReader& request);
HandlerReply HandleReadSetting(Session& session, protocol::MessageReader& request);
HandlerReply HandleVerifySettings(Session& session, protocol::MessageReader& request);
HandlerReply HandleReadConfigTrail(Session& session, protocol::MessageReader& request);
HandlerReply HandleWriteSettings(Session& session, protocol::MessageReader& request);
HandlerReply HandleAcceptSettings(Session& session, protocol::MessageReader& request);
HandlerReply HandleMayPerform(Session& session, protocol::MessageReader& request);
HandlerReply HandleListAccounts(Session& session, protocol::MessageReader& request);
HandlerReply HandleListChangedUids(Session& session, protocol::MessageReader& request);
HandlerReply HandleChangeAccount(Session& session, protocol::MessageReader& request);
HandlerReply HandleChangePassword(Session& session, protocol::MessageReader& request);

// Root, or a member of the configured admin group (op_is_os_admin.cc).
bool PeerIsOsAdmin(uid_t uid);

// Wipes a string that held a password when the scope ends.
class WipeOnExit {
 public:
  explicit WipeOnExit(std::string* secret) : secret_(secret) {}
  ~WipeOnExit();
  WipeOnExit(const WipeOnExit&) = delete;
  WipeOnExit& operator=(const WipeOnExit&) = delete;

 private:
  std::string* secret_;
};

// True when `text` holds a NUL byte, which would cut it short on its way to
// the security service's C strings ("alice\0x" must not log on as alice).
bool HasNul(std::string_view text);

// The events' part of a reply: 0, or the store's failure as the negative of
// its StoreStatus code with its message.
void SetEventStatus(const StoreStatus& status, int64_t* event_status, std::string* message);

// The events of a login attempt with the security service's result `code`:
// "Successful Login" for `user`, or "Failed Login" for `recorded`, then
// "Password Expired" when the password was too old (1330) and "Account
// Locked" when the attempt locked it.
StoreStatus RecordLoginAttempt(Session& session, int code, const std::string& user,
                               const std::string& recorded, bool locked_now);

// The security service's user records, cut to what a client's decoder
// accepts (protocol/wire.h limits).
protocol::WireUser AuthenticatedUser();
protocol::WireUser ImpersonatedUser();

}  // namespace tav::service

#endif  // TAV_SERVICE_HANDLERS_H_
