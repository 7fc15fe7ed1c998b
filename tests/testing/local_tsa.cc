#include "testing/local_tsa.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace tav::testing {
namespace {

constexpr size_t kMaxRequestBytes = 1 << 20;

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

bool WriteFile(const std::string& path, std::string_view data) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(data.data(), static_cast<std::streamsize>(data.size()));
  return static_cast<bool>(out);
}

// A socket listening on 127.0.0.1 at an ephemeral port; -1 on failure.
int ListenLoopback(int* port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(fd, 16) != 0 ||
      getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
    close(fd);
    return -1;
  }
  *port = ntohs(address.sin_port);
  return fd;
}

std::string LoopbackUrl(int port, const std::string& path) {
  return "http://127.0.0.1:" + std::to_string(port) + path;
}

// Reads one request's body. False for a request that breaks off or is too
// large: it gets no answer (the test that sent it is failing anyway).
bool ReadRequestBody(int fd, std::string* body) {
  std::string in;
  size_t head_end = std::string::npos;
  size_t length = 0;
  for (;;) {
    if (head_end == std::string::npos && (head_end = in.find("\r\n\r\n")) != std::string::npos) {
      head_end += 4;
      std::string head = in.substr(0, head_end);
      for (char& c : head) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      const size_t at = head.find("\ncontent-length:");
      if (at != std::string::npos) length = std::strtoul(head.c_str() + at + 16, nullptr, 10);
      if (length > kMaxRequestBytes) return false;
    }
    if (head_end != std::string::npos && in.size() - head_end >= length) break;
    if (in.size() > kMaxRequestBytes) return false;
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 5000) <= 0) return false;
    char buffer[16384];
    const ssize_t got = recv(fd, buffer, sizeof buffer, 0);
    if (got <= 0) return false;
    in.append(buffer, static_cast<size_t>(got));
  }
  *body = in.substr(head_end, length);
  return true;
}

}  // namespace

// --- LocalHttpServer

LocalHttpServer::LocalHttpServer(Responder respond) : respond_(std::move(respond)) {
  listen_fd_ = ListenLoopback(&port_);
  if (listen_fd_ < 0) return;
  if (pipe2(wake_fds_, O_CLOEXEC) != 0) {
    close(listen_fd_);
    listen_fd_ = -1;
    return;
  }
  thread_ = std::thread(&LocalHttpServer::Serve, this);
}

LocalHttpServer::~LocalHttpServer() {
  if (thread_.joinable()) {
    const char stop = 's';
    (void)!write(wake_fds_[1], &stop, 1);
    thread_.join();
  }
  for (int fd : {listen_fd_, wake_fds_[0], wake_fds_[1]}) {
    if (fd >= 0) close(fd);
  }
}

std::string LocalHttpServer::url(const std::string& path) const { return LoopbackUrl(port_, path); }

std::string LocalHttpServer::Answer(int status, const std::string& content_type,
                                    std::string_view body) {
  std::string answer = "HTTP/1.1 " + std::to_string(status) + (status == 200 ? " OK" : " Failed") +
                       "\r\nContent-Type: " + content_type +
                       "\r\nContent-Length: " + std::to_string(body.size()) +
                       "\r\nConnection: close\r\n\r\n";
  answer.append(body);
  return answer;
}

void LocalHttpServer::Serve() {
  for (;;) {
    pollfd p[2] = {{listen_fd_, POLLIN, 0}, {wake_fds_[0], POLLIN, 0}};
    if (poll(p, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (p[1].revents != 0) return;
    const int fd = accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    HandleConnection(fd);
    close(fd);
  }
}

void LocalHttpServer::HandleConnection(int fd) {
  // A client that stops reading must not hold the server (and the test's
  // teardown) for ever.
  timeval wait{5, 0};
  setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &wait, sizeof wait);
  std::string body;
  if (!ReadRequestBody(fd, &body)) return;
  const std::string answer = respond_(body);
  ++requests_;
  size_t done = 0;
  while (done < answer.size()) {
    const ssize_t sent = send(fd, answer.data() + done, answer.size() - done, MSG_NOSIGNAL);
    if (sent <= 0) return;  // the client went away: nothing to do
    done += static_cast<size_t>(sent);
  }
  shutdown(fd, SHUT_WR);
}

// --- SilentServer

SilentServer::SilentServer() { fd_ = ListenLoopback(&port_); }

SilentServer::~SilentServer() {
  if (fd_ >= 0) close(fd_);
}

std::string SilentServer::url(const std::string& path) const { return LoopbackUrl(port_, path); }

// --- LocalTsa

namespace {

// One file for every openssl run (OPENSSL_CONF): the machine's own
// configuration stays out of the tests.
constexpr const char* kConfig = R"([ req ]
distinguished_name = req_dn
prompt = no
[ req_dn ]
CN = unused
[ root_ext ]
basicConstraints = critical, CA:TRUE
keyUsage = critical, keyCertSign, cRLSign
subjectKeyIdentifier = hash
[ tsa_ext ]
basicConstraints = critical, CA:FALSE
keyUsage = critical, digitalSignature
extendedKeyUsage = critical, timeStamping
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
[ tsa ]
default_tsa = tsa_config
[ tsa_config ]
dir = .
serial = $dir/serial
signer_cert = $dir/tsa.pem
signer_key = $dir/tsa.key
signer_digest = sha256
default_policy = 1.2.3.4.1
other_policies = 1.2.3.4.2
digests = sha256, sha384, sha512
accuracy = secs:1
clock_precision_digits = 3
ordering = no
tsa_name = yes
ess_cert_id_chain = no
ess_cert_id_alg = sha256
)";

}  // namespace

LocalTsa::LocalTsa() {
  char dir_template[] = "/tmp/tav_tsa.XXXXXX";
  if (mkdtemp(dir_template) == nullptr) {
    error_ = std::string("mkdtemp: ") + std::strerror(errno);
    return;
  }
  dir_ = dir_template;
  ca_file_ = dir_ + "/root.pem";
  // Names of their own, so that two TSAs of one test never look alike.
  const std::string tag = dir_.substr(dir_.rfind('.') + 1);
  if (!WriteFile(dir_ + "/openssl.cnf", kConfig) || !WriteFile(dir_ + "/serial", "01\n")) {
    error_ = "cannot write into " + dir_;
    return;
  }
  const std::string new_key =
      "openssl genpkey -algorithm EC -pkeyopt ec_paramgen_curve:P-256 -out ";
  const std::string commands[] = {
      new_key + "root.key",
      "openssl req -new -x509 -key root.key -extensions root_ext -days 30 -sha256"
      " -subj '/O=TAV Test/CN=Test Time-Stamp Root " +
          tag + "' -out root.pem",
      new_key + "tsa.key",
      "openssl req -new -key tsa.key -subj '/O=TAV Test/CN=Test TSA " + tag + "' -out tsa.csr",
      "openssl x509 -req -in tsa.csr -CA root.pem -CAkey root.key -set_serial 2 -days 30"
      " -sha256 -extfile openssl.cnf -extensions tsa_ext -out tsa.pem",
  };
  for (const std::string& command : commands) {
    if (!Run(command, &error_)) return;
  }
  server_ = std::make_unique<LocalHttpServer>([this](const std::string& query) {
    const std::string reply = Reply(query);
    if (reply.empty())
      return LocalHttpServer::Answer(500, "text/plain", "openssl ts -reply failed");
    return LocalHttpServer::Answer(200, "application/timestamp-reply", reply);
  });
  if (!server_->ok()) error_ = "the TSA's HTTP server did not start";
}

LocalTsa::~LocalTsa() {
  server_.reset();  // before the folder its thread reads
  if (!dir_.empty()) {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }
}

std::string LocalTsa::url() const { return server_ ? server_->url("/tsa") : ""; }

TimeStampAuthority LocalTsa::authority(int timeout_ms) const {
  TimeStampAuthority tsa;
  tsa.url = url();
  tsa.ca_file = ca_file_;
  tsa.timeout_ms = timeout_ms;
  return tsa;
}

bool LocalTsa::Run(const std::string& command, std::string* error) const {
  const std::string err = Temp("err");
  const std::string line = "cd '" + dir_ + "' && OPENSSL_CONF='" + dir_ + "/openssl.cnf' " +
                           command + " >/dev/null 2>'" + err + "'";
  const int status = std::system(line.c_str());
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return true;
  *error = command + ": " + ReadFile(err);
  return false;
}

std::string LocalTsa::Temp(const std::string& name) const {
  return dir_ + "/" + name + "." + std::to_string(next_temp_++);
}

std::string LocalTsa::Reply(std::string_view query) const {
  std::lock_guard<std::mutex> lock(mu_);
  const std::string in = Temp("query"), out = Temp("reply");
  std::string error;
  if (!WriteFile(in, query) ||
      !Run("openssl ts -reply -queryfile '" + in + "' -out '" + out + "'", &error)) {
    std::fprintf(stderr, "LocalTsa::Reply: %s\n", error.c_str());
    return "";
  }
  return ReadFile(out);
}

std::string LocalTsa::MakeToken(std::string_view data) const {
  std::lock_guard<std::mutex> lock(mu_);
  const std::string in = Temp("data"), query = Temp("query"), out = Temp("token");
  std::string error;
  if (!WriteFile(in, data) ||
      !Run("openssl ts -query -data '" + in + "' -sha256 -cert -no_nonce -out '" + query + "'",
           &error) ||
      !Run("openssl ts -reply -queryfile '" + query + "' -token_out -out '" + out + "'", &error)) {
    std::fprintf(stderr, "LocalTsa::MakeToken: %s\n", error.c_str());
    return "";
  }
  return ReadFile(out);
}

}  // namespace tav::testing
