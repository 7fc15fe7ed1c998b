// The service's dispatch: one request payload in, one reply frame out.
// No I/O here (service/listener.h reads and writes the frames), so that the
// handlers can be driven directly by tests and by the fuzzer.
//
// Each operation of protocol/operations.h has one handler, in a file of its
// own (op_*.cc), and one entry in the table of dispatch.cc. A handler reads
// its request, does the work for the session's peer and returns its reply.
//
// A request that does not decode (a field missing, of the wrong type, out of
// its range or left over) gets no reply: the connection is ended, since a
// client that sends one is broken or hostile. An unknown operation or
// protocol version gets a kReplyUnknown reply and the connection goes on.
//
// Thread safety: HandleRequest runs on the session's thread; handlers of
// different sessions run at once.
#ifndef TAV_SERVICE_DISPATCH_H_
#define TAV_SERVICE_DISPATCH_H_

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "protocol/operations.h"
#include "service/session.h"

namespace tav::service {

// Reads the request's fields from `request` (version and operation are
// read already) and returns the reply; std::nullopt when the request does
// not decode.
using Handler = std::optional<protocol::MessageWriter> (*)(Session& session,
                                                           protocol::MessageReader& request);

struct OperationEntry {
  uint16_t operation;
  Handler handler;
};

// The service's operations.
std::span<const OperationEntry> ServiceOperations();

struct DispatchResult {
  std::string frame;   // the reply, header included; empty when close is set
  bool close = false;  // the request did not decode: end the connection
};

// Handles one request payload (a frame without its header) for `session`.
DispatchResult HandleRequest(Session& session, std::string_view payload);
// As above with another table of operations (tests, the fuzzer).
DispatchResult HandleRequest(std::span<const OperationEntry> operations, Session& session,
                             std::string_view payload);

}  // namespace tav::service

#endif  // TAV_SERVICE_DISPATCH_H_
