#include "util/http_post.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <poll.h>
#include <pthread.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

#include "util/socket_io.h"
#include "util/strings.h"

namespace tav {
namespace {

constexpr size_t kMaxHeaderBytes = 64 * 1024;

int64_t NowMs() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

class Deadline {
 public:
  explicit Deadline(int timeout_ms) : end_ms_(NowMs() + std::max(timeout_ms, 0)) {}
  int LeftMs() const { return static_cast<int>(std::max<int64_t>(end_ms_ - NowMs(), 0)); }

 private:
  int64_t end_ms_;
};

class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) close(fd_);
  }
  Fd(Fd&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  Fd& operator=(Fd&& other) noexcept {
    std::swap(fd_, other.fd_);
    return *this;
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

struct AddrInfoDeleter {
  void operator()(addrinfo* list) const { freeaddrinfo(list); }
};
using AddrInfoPtr = std::unique_ptr<addrinfo, AddrInfoDeleter>;

StoreStatus TimedOut(const std::string& where, int timeout_ms) {
  return StoreStatus(StoreStatus::kBusy,
                     where + ": no answer within " + std::to_string(timeout_ms) + " ms");
}

bool IsHostNameChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '.' || c == '_';
}

bool AllDigits(std::string_view s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A name lookup on a thread of its own: getaddrinfo() has no timeout, and a
// resolver that does not answer holds it for far longer than the caller's
// deadline. The caller stops waiting at the deadline; the thread frees what
// it found whenever it ends.
struct Lookup {
  std::string host;
  std::string port;
  addrinfo hints{};
  std::mutex mu;
  std::condition_variable done_cv;
  bool done = false;
  int rc = 0;
  AddrInfoPtr result;
};

void* RunLookup(void* arg) {
  std::unique_ptr<std::shared_ptr<Lookup>> owned(static_cast<std::shared_ptr<Lookup>*>(arg));
  Lookup& lookup = **owned;
  addrinfo* found = nullptr;
  const int rc = getaddrinfo(lookup.host.c_str(), lookup.port.c_str(), &lookup.hints, &found);
  std::lock_guard<std::mutex> lock(lookup.mu);
  lookup.rc = rc;
  lookup.result.reset(found);
  lookup.done = true;
  lookup.done_cv.notify_all();
  return nullptr;
}

StoreStatus Resolve(const HttpUrl& url, const std::string& where, const Deadline& deadline,
                    int timeout_ms, AddrInfoPtr* out) {
  auto lookup = std::make_shared<Lookup>();
  lookup->host = url.host;
  lookup->port = std::to_string(url.port);
  lookup->hints.ai_family = AF_UNSPEC;
  lookup->hints.ai_socktype = SOCK_STREAM;
  in6_addr address;
  const bool numeric = inet_pton(AF_INET, url.host.c_str(), &address) == 1 ||
                       inet_pton(AF_INET6, url.host.c_str(), &address) == 1;
  if (numeric) {
    lookup->hints.ai_flags = AI_NUMERICHOST;
    RunLookup(std::make_unique<std::shared_ptr<Lookup>>(lookup).release());
  } else {
    auto arg = std::make_unique<std::shared_ptr<Lookup>>(lookup);
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
    pthread_t thread;
    const int rc = pthread_create(&thread, &attr, RunLookup, arg.get());
    pthread_attr_destroy(&attr);
    if (rc != 0) {
      return StoreStatus(StoreStatus::kIOError,
                         where + ": cannot look up the host: " + std::strerror(rc));
    }
    arg.release();  // the thread owns it now
  }
  std::unique_lock<std::mutex> lock(lookup->mu);
  if (!lookup->done_cv.wait_for(lock, std::chrono::milliseconds(deadline.LeftMs()),
                                [&lookup] { return lookup->done; })) {
    return TimedOut(where, timeout_ms);
  }
  if (lookup->rc != 0 || lookup->result == nullptr) {
    return StoreStatus(StoreStatus::kIOError, where + ": cannot look up the host \"" + url.host +
                                                  "\": " + gai_strerror(lookup->rc));
  }
  *out = std::move(lookup->result);
  return StoreStatus::Ok();
}

// Ok once fd is ready for `events`; kBusy at the deadline.
StoreStatus WaitFor(int fd, short events, const Deadline& deadline, const std::string& where,
                    int timeout_ms) {
  for (;;) {
    const int left = deadline.LeftMs();
    if (left == 0) return TimedOut(where, timeout_ms);
    pollfd p{fd, events, 0};
    const int n = poll(&p, 1, left);
    if (n > 0) return StoreStatus::Ok();
    if (n < 0 && errno != EINTR) {
      return StoreStatus(StoreStatus::kIOError, where + ": poll: " + std::strerror(errno));
    }
  }
}

StoreStatus Connect(const addrinfo* list, const std::string& where, const Deadline& deadline,
                    int timeout_ms, Fd* out) {
  std::string last_error = "no address";
  for (const addrinfo* ai = list; ai != nullptr; ai = ai->ai_next) {
    Fd fd(socket(ai->ai_family, ai->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, ai->ai_protocol));
    if (fd.get() < 0) {
      last_error = std::strerror(errno);
      continue;
    }
    if (connect(fd.get(), ai->ai_addr, ai->ai_addrlen) != 0) {
      if (errno != EINPROGRESS && errno != EINTR) {
        last_error = std::strerror(errno);
        continue;
      }
      StoreStatus ready = WaitFor(fd.get(), POLLOUT, deadline, where, timeout_ms);
      if (!ready.ok()) return ready;
      int error = 0;
      socklen_t size = sizeof error;
      if (getsockopt(fd.get(), SOL_SOCKET, SO_ERROR, &error, &size) != 0) error = errno;
      if (error != 0) {
        last_error = std::strerror(error);
        continue;
      }
    }
    *out = std::move(fd);
    return StoreStatus::Ok();
  }
  return StoreStatus(StoreStatus::kIOError, where + ": cannot connect: " + last_error);
}

// What the status line and the headers say.
struct Head {
  int status = 0;
  std::string reason;
  std::string content_type;
  bool has_length = false;
  uint64_t length = 0;  // capped: anything above the limit reads as limit + 1
};

StoreStatus ParseHead(std::string_view text, const std::string& where, size_t max_body,
                      Head* head) {
  auto bad = [&where](const std::string& why) {
    return StoreStatus(StoreStatus::kIOError, where + ": " + why);
  };
  std::vector<std::string> lines = SplitString(text, '\n');
  for (std::string& line : lines) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
  }
  // "HTTP/1.x 200 Reason"
  const std::string& first = lines.front();
  if (first.size() < 12 || first.compare(0, 7, "HTTP/1.") != 0 || first[8] != ' ' ||
      !AllDigits(std::string_view(first).substr(9, 3)) || (first.size() > 12 && first[12] != ' ')) {
    return bad("the answer is not HTTP");
  }
  head->status = std::stoi(first.substr(9, 3));
  if (first.size() > 13) head->reason = EscapeControlChars(Utf8Prefix(first.substr(13), 100));
  for (size_t i = 1; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    const size_t colon = line.find(':');
    if (line.empty() || colon == std::string::npos) continue;
    const std::string name = ToLowerAscii(TrimWhitespace(std::string_view(line).substr(0, colon)));
    const std::string_view value = TrimWhitespace(std::string_view(line).substr(colon + 1));
    if (name == "content-length") {
      if (!AllDigits(value)) return bad("the answer has a bad Content-Length");
      uint64_t length = 0;
      for (char c : value) {
        length = length * 10 + static_cast<uint64_t>(c - '0');
        if (length > max_body) {
          length = uint64_t{max_body} + 1;
          break;
        }
      }
      if (head->has_length && head->length != length) {
        return bad("the answer has two different Content-Lengths");
      }
      head->has_length = true;
      head->length = length;
    } else if (name == "transfer-encoding") {
      if (ToLowerAscii(value) != "identity") {
        return bad("the answer uses the transfer coding \"" +
                   EscapeControlChars(Utf8Prefix(value, 40)) +
                   "\", which this client does not read");
      }
    } else if (name == "content-type") {
      head->content_type = std::string(value);
    }
  }
  return StoreStatus::Ok();
}

// The end of the head, blank line included; npos while it is incomplete.
// Lone LFs are accepted as line ends, as many servers send them.
size_t HeadEnd(const std::string& in) {
  const size_t crlf = in.find("\r\n\r\n");
  const size_t lf = in.find("\n\n");
  if (crlf == std::string::npos && lf == std::string::npos) return std::string::npos;
  if (lf == std::string::npos || (crlf != std::string::npos && crlf < lf)) return crlf + 4;
  return lf + 2;
}

StoreStatus ReadResponse(int fd, const std::string& where, const Deadline& deadline,
                         const HttpPostOptions& options, HttpResponse* response) {
  const std::string too_large = where + ": the answer is larger than the limit of " +
                                std::to_string(options.max_body_bytes) + " bytes";
  std::string in;
  size_t head_end = std::string::npos;
  Head head;
  bool closed = false;
  for (;;) {
    if (head_end == std::string::npos) {
      head_end = HeadEnd(in);
      if (head_end != std::string::npos) {
        StoreStatus parsed = ParseHead(std::string_view(in).substr(0, head_end), where,
                                       options.max_body_bytes, &head);
        if (!parsed.ok()) return parsed;
        if (head.has_length && head.length > options.max_body_bytes) {
          return StoreStatus(StoreStatus::kIOError, too_large);
        }
      } else if (in.size() > kMaxHeaderBytes) {
        return StoreStatus(StoreStatus::kIOError, where + ": the answer's headers are too long");
      }
    }
    if (head_end != std::string::npos) {
      const size_t have = in.size() - head_end;
      if (head.has_length && have >= head.length) break;
      if (!head.has_length && have > options.max_body_bytes) {
        return StoreStatus(StoreStatus::kIOError, too_large);
      }
    }
    if (closed) break;
    StoreStatus ready = WaitFor(fd, POLLIN, deadline, where, options.timeout_ms);
    if (!ready.ok()) return ready;
    char buffer[16384];
    const ssize_t got = recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
    if (got < 0) {
      if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) continue;
      return StoreStatus(StoreStatus::kIOError, where + ": recv: " + std::strerror(errno));
    }
    if (got == 0) closed = true;
    in.append(buffer, static_cast<size_t>(got));
  }
  if (head_end == std::string::npos) {
    return StoreStatus(StoreStatus::kIOError,
                       where + (in.empty() ? ": the server closed the connection without answering"
                                           : ": the answer ends inside its headers"));
  }
  const size_t have = in.size() - head_end;
  if (head.has_length && have < head.length) {
    return StoreStatus(StoreStatus::kIOError, where + ": the answer ends after " +
                                                  std::to_string(have) + " of its " +
                                                  std::to_string(head.length) + " bytes");
  }
  response->status = head.status;
  response->content_type = head.content_type;
  response->body = in.substr(head_end, head.has_length ? head.length : std::string::npos);
  if (head.status < 200 || head.status > 299) {
    return StoreStatus(StoreStatus::kUnavailable,
                       where + ": the server answered " + std::to_string(head.status) +
                           (head.reason.empty() ? "" : " " + head.reason));
  }
  return StoreStatus::Ok();
}

}  // namespace

StoreStatus ParseHttpUrl(std::string_view url, HttpUrl* out) {
  auto invalid = [url](const std::string& why) {
    return StoreStatus(StoreStatus::kInvalid,
                       "the address \"" + EscapeControlChars(Utf8Prefix(url, 200)) + "\" " + why);
  };
  constexpr std::string_view kScheme = "http://";
  if (url.size() < kScheme.size() || !EqualsNoCase(url.substr(0, kScheme.size()), kScheme)) {
    return invalid("is not an http:// address");
  }
  for (char c : url) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (u <= 0x20 || u >= 0x7f) return invalid("holds spaces, control characters or non-ASCII");
  }
  const std::string_view rest = url.substr(kScheme.size());
  const size_t authority_end = rest.find_first_of("/?#");
  const std::string_view authority = rest.substr(0, authority_end);
  std::string_view tail = authority_end == std::string_view::npos ? "" : rest.substr(authority_end);
  if (authority.find('@') != std::string_view::npos) {
    return invalid("holds a user name, which is not supported");
  }
  std::string_view host;
  std::string_view port_text;
  bool has_port = false;
  const bool bracketed = !authority.empty() && authority.front() == '[';
  if (bracketed) {
    const size_t close = authority.find(']');
    if (close == std::string_view::npos) return invalid("has an unclosed '['");
    host = authority.substr(1, close - 1);
    const std::string_view after = authority.substr(close + 1);
    if (!after.empty()) {
      if (after.front() != ':') return invalid("has text after its IPv6 address");
      has_port = true;
      port_text = after.substr(1);
    }
    in6_addr address;
    if (inet_pton(AF_INET6, std::string(host).c_str(), &address) != 1) {
      return invalid("has a bad IPv6 address");
    }
  } else {
    const size_t colon = authority.find(':');
    host = authority.substr(0, colon);
    if (colon != std::string_view::npos) {
      has_port = true;
      port_text = authority.substr(colon + 1);
    }
    if (!std::all_of(host.begin(), host.end(), IsHostNameChar)) {
      return invalid("has a bad host name");
    }
  }
  if (host.empty()) return invalid("has no host");
  int port = 80;
  if (has_port) {
    if (!AllDigits(port_text) || port_text.size() > 5) return invalid("has a bad port");
    port = std::stoi(std::string(port_text));
    if (port < 1 || port > 65535) return invalid("has a port outside 1 to 65535");
  }
  tail = tail.substr(0, tail.find('#'));
  out->host = std::string(host);
  out->port = port;
  out->path = (tail.empty() || tail.front() != '/') ? "/" + std::string(tail) : std::string(tail);
  out->host_header = bracketed ? "[" + out->host + "]" : out->host;
  if (port != 80) out->host_header += ":" + std::to_string(port);
  return StoreStatus::Ok();
}

StoreStatus HttpPost(const std::string& url, std::string_view content_type, std::string_view body,
                     const HttpPostOptions& options, HttpResponse* response) {
  *response = HttpResponse();
  HttpUrl parts;
  StoreStatus status = ParseHttpUrl(url, &parts);
  if (!status.ok()) return status;
  if (HasControlChar(content_type)) {
    return StoreStatus(StoreStatus::kInvalid, "the content type holds control characters");
  }
  const Deadline deadline(options.timeout_ms);
  const std::string& where = url;

  AddrInfoPtr addresses;
  status = Resolve(parts, where, deadline, options.timeout_ms, &addresses);
  if (!status.ok()) return status;
  Fd fd;
  status = Connect(addresses.get(), where, deadline, options.timeout_ms, &fd);
  if (!status.ok()) return status;

  std::string request = "POST " + parts.path + " HTTP/1.0\r\nHost: " + parts.host_header +
                        "\r\nContent-Type: " + std::string(content_type) +
                        "\r\nContent-Length: " + std::to_string(body.size()) +
                        "\r\nConnection: close\r\n\r\n";
  request.append(body);
  status = WriteAll(fd.get(), request, deadline.LeftMs());
  if (status.code() == StoreStatus::kBusy) return TimedOut(where, options.timeout_ms);
  if (!status.ok()) {
    return StoreStatus(status.code(), where + ": sending the request: " + status.message());
  }
  return ReadResponse(fd.get(), where, deadline, options, response);
}

}  // namespace tav
