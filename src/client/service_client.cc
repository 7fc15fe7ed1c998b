#include "client/service_client.h"

#include <unistd.h>

#include <cstdlib>
#include <mutex>

#include "util/data_dir.h"
#include "util/library_lifetime.h"
#include "util/socket_io.h"

namespace tav {
namespace {

constexpr int kWriteTimeoutMs = 10000;

struct Connection {
  std::mutex mutex;
  int fd = -1;
  pid_t pid = 0;  // the process that opened fd
  uint64_t generation = 0;
  FrameReader reader;  // bytes of fd read ahead
};

Connection& TheConnection() {
  // Not destroyed at exit: a host may call during static destruction.
  static UntilUnload<Connection> connection;
  return connection.Get();
}

void CloseLocked(Connection& c) {
  if (c.fd >= 0 && c.pid == getpid()) close(c.fd);
  c.fd = -1;
  c.reader.Reset();
}

StoreStatus ConnectLocked(Connection& c, const std::string& path) {
  std::string error;
  int fd = ConnectUnixSocket(path, &error);
  if (fd < 0) {
    std::string text = ServiceNotRunningText(path, error);
    // On a machine that was never set up, that is the first thing to do.
    DataDirChoice choice;
    const StoreStatus located = LocateDataDir(&choice);
    if (!located.ok() && access(MachinePath(kSystemDataDir).c_str(), F_OK) != 0) {
      text += " Besides, " + located.message() + ".";
    }
    return StoreStatus(StoreStatus::kUnavailable, text);
  }
  c.fd = fd;
  c.pid = getpid();
  c.reader.Reset();
  ++c.generation;
  return StoreStatus::Ok();
}

}  // namespace

std::string ComplianceServiceSocket() {
  const char* named = std::getenv("TAV_SOCKET");
  if (named != nullptr && *named != '\0' && DataDirOverrideAllowed(MachineRoot())) return named;
  return MachinePath(kServiceSocketPath);
}

bool UsesComplianceService() {
  const char* named = std::getenv("TAV_SOCKET");
  if (named != nullptr && *named != '\0') return true;
  DataDirChoice choice;
  // A store that cannot be located is the machine's business: ask the
  // service, which fails closed with a reason when it is not there either.
  if (!LocateDataDir(&choice).ok()) return true;
  return choice.machine_wide;
}

std::string ServiceNotRunningText(const std::string& socket_path, const std::string& cause) {
  return "The compliance service is not running (" + cause + "), so nobody can log on or sign "
         "and every controlled activity is refused. An administrator starts it with "
         "\"sudo systemctl start tavsecurity.socket\" (or runs tavsecd --socket " +
         socket_path + ").";
}

StoreStatus CallService(const protocol::MessageWriter& request, std::string* reply,
                        uint64_t* generation) {
  std::string frame;
  StoreStatus status = request.Frame(&frame);
  if (!status.ok()) return status;
  Connection& c = TheConnection();
  std::lock_guard<std::mutex> lock(c.mutex);
  if (c.fd >= 0 && c.pid != getpid()) {
    // A forked child shares its parent's socket: never speak on it.
    c.fd = -1;
    c.reader.Reset();
  }
  const std::string path = ComplianceServiceSocket();
  bool fresh = false;
  if (c.fd < 0) {
    status = ConnectLocked(c, path);
    if (!status.ok()) return status;
    fresh = true;
  }
  status = WriteAll(c.fd, frame, kWriteTimeoutMs);
  if (!status.ok() && !fresh) {
    // The service closed an idle connection (it restarted): the request
    // never reached it, so a new connection may carry it.
    CloseLocked(c);
    status = ConnectLocked(c, path);
    if (status.ok()) status = WriteAll(c.fd, frame, kWriteTimeoutMs);
  }
  // The frame may hold a password.
  std::fill(frame.begin(), frame.end(), '\0');
  if (!status.ok()) {
    CloseLocked(c);
    if (status.code() == StoreStatus::kUnavailable) return status;
    return StoreStatus(StoreStatus::kUnavailable, ServiceNotRunningText(path, status.message()));
  }
  FrameTimeouts timeouts;
  timeouts.first_byte_ms = kServiceReplyTimeoutMs;
  timeouts.rest_ms = kWriteTimeoutMs;
  status = c.reader.Read(c.fd, protocol::kMaxPayloadBytes, timeouts, reply);
  if (!status.ok()) {
    CloseLocked(c);
    if (status.code() == StoreStatus::kBusy) {
      return StoreStatus(StoreStatus::kBusy, "the compliance service did not answer within " +
                                                 std::to_string(kServiceReplyTimeoutMs / 1000) +
                                                 " seconds");
    }
    return StoreStatus(StoreStatus::kUnavailable,
                       ServiceNotRunningText(path, "the connection broke: " + status.message()));
  }
  if (generation != nullptr) *generation = c.generation;
  return StoreStatus::Ok();
}

uint64_t ServiceConnectionGeneration() {
  Connection& c = TheConnection();
  std::lock_guard<std::mutex> lock(c.mutex);
  return c.fd >= 0 ? c.generation : 0;
}

void DisconnectFromService() {
  Connection& c = TheConnection();
  std::lock_guard<std::mutex> lock(c.mutex);
  CloseLocked(c);
}

}  // namespace tav
