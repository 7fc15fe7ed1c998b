// The connection to the compliance service (tavsecd), shared by every
// thread of the process.
//
// Where the service listens: /run/tavsecurity/socket under the machine root
// (util/data_dir.h), or $TAV_SOCKET, honoured on the same terms as
// $TAV_DATA_DIR. The library asks the service whenever the store it would
// use is the machine-wide one or $TAV_SOCKET names a service; only a
// private data directory without a service (a test, a demo run by hand)
// is used in process, and such a directory is one its user owns anyway.
//
// Calls: one request and its reply at a time per process (a mutex), with a
// bounded wait for each step: connecting, writing, and the reply. A broken
// connection is dropped and the next call connects again; tokens handed
// out on the old connection are then worthless (client/security_proxy.h).
// A request that failed while it was being written to a connection that the
// service had closed (a restart) is sent once more on a new connection;
// one that failed after it was written is not, since the service may have
// acted on it.
//
// Thread safety: all functions may be called from any thread. After fork()
// the child makes a connection of its own.
#ifndef TAV_CLIENT_SERVICE_CLIENT_H_
#define TAV_CLIENT_SERVICE_CLIENT_H_

#include <cstdint>
#include <string>

#include "protocol/operations.h"
#include "protocol/wire.h"
#include "util/store_status.h"

namespace tav {

// The socket of the machine-wide service.
inline constexpr char kServiceSocketPath[] = "/run/tavsecurity/socket";
// How long a reply may take: a password check with PAM's delay after a
// failure included.
inline constexpr int kServiceReplyTimeoutMs = 30000;

// The socket to use, as described above.
std::string ComplianceServiceSocket();

// True when this process must ask the service rather than open a store.
bool UsesComplianceService();

// The message for a person when the service cannot be reached: that it is
// not running, and who starts it.
std::string ServiceNotRunningText(const std::string& socket_path, const std::string& cause);

// Sends `request` and reads the reply's payload into *reply. kUnavailable
// with ServiceNotRunningText when the service cannot be reached or went
// away; kBusy when it did not answer in time; kInvalid when the reply does
// not decode. *generation receives the number of the connection used
// (it grows with each new connection), so that tokens can tell whether they
// are still valid.
StoreStatus CallService(const protocol::MessageWriter& request, std::string* reply,
                        uint64_t* generation = nullptr);

// The number of the current connection (0 before the first).
uint64_t ServiceConnectionGeneration();

// Closes the connection (tests, and the library's unload).
void DisconnectFromService();

// One call of operation `op`: sends `request`, reads the reply's status and
// decodes its fields into *reply (protocol::DecodeReply for its type). A
// failed call, a negative status or a reply that does not decode is the
// failed StoreStatus; *reply is then not to be used.
template <typename Reply>
StoreStatus CallForReply(const protocol::MessageWriter& request, uint16_t op, Reply* reply,
                         uint64_t* generation = nullptr) {
  std::string payload;
  StoreStatus status = CallService(request, &payload, generation);
  if (!status.ok()) return status;
  protocol::MessageReader reader(payload);
  status = protocol::ReadReplyStatus(reader, op);
  if (!status.ok()) return status;
  // Unqualified: the decoder of each reply type is found by its namespace
  // where the call is made (protocol/*_ops.h).
  return DecodeReply(reader, reply);
}

}  // namespace tav

#endif  // TAV_CLIENT_SERVICE_CLIENT_H_
