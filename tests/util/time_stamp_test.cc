#include "util/time_stamp.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include "testing/local_tsa.h"
#include "util/http_post.h"

namespace tav {
namespace {

using testing::LocalHttpServer;
using testing::LocalTsa;
using testing::SilentServer;

bool Has(const StoreStatus& s, const std::string& part) {
  return s.message().find(part) != std::string::npos;
}

int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

class TimeStampTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { tsa_ = std::make_unique<LocalTsa>(); }
  static void TearDownTestSuite() { tsa_.reset(); }
  void SetUp() override { ASSERT_TRUE(tsa_->ok()) << tsa_->error(); }

  static std::unique_ptr<LocalTsa> tsa_;
};
std::unique_ptr<LocalTsa> TimeStampTest::tsa_;

TEST_F(TimeStampTest, RequestedTokenVerifiesOverItsBytes) {
  const int64_t before = NowMs();
  std::string token;
  TimeStampInfo asked;
  StoreStatus s = RequestTimeStamp(tsa_->authority(), "export bytes", &token, &asked);
  ASSERT_TRUE(s.ok()) << s.ToString();
  EXPECT_GE(asked.gen_time_utc_ms, before - 2000);  // the TSA rounds to its accuracy
  EXPECT_LE(asked.gen_time_utc_ms, NowMs() + 2000);
  EXPECT_EQ(asked.hash_algorithm, "sha256");
  EXPECT_EQ(asked.policy_oid, LocalTsa::kDefaultPolicy);
  EXPECT_NE(asked.tsa_name.find("CN=Test TSA"), std::string::npos) << asked.tsa_name;
  EXPECT_FALSE(asked.serial_hex.empty());

  TimeStampInfo verified, read;
  s = VerifyTimeStamp(token, "export bytes", tsa_->ca_file(), &verified);
  ASSERT_TRUE(s.ok()) << s.ToString();
  ASSERT_TRUE(ReadTimeStamp(token, &read).ok());
  for (const TimeStampInfo* info : {&verified, &read}) {
    EXPECT_EQ(info->gen_time_utc_ms, asked.gen_time_utc_ms);
    EXPECT_EQ(info->serial_hex, asked.serial_hex);
    EXPECT_EQ(info->tsa_name, asked.tsa_name);
  }
  // A second token is a new one.
  std::string second;
  TimeStampInfo next;
  ASSERT_TRUE(RequestTimeStamp(tsa_->authority(), "export bytes", &second, &next).ok());
  EXPECT_NE(next.serial_hex, asked.serial_hex);
}

TEST_F(TimeStampTest, DigestVerifiesLikeTheData) {
  const std::string token = tsa_->MakeToken("abc");
  ASSERT_FALSE(token.empty());
  std::string sha256_abc;
  for (const char* hex = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"; *hex;
       hex += 2) {
    sha256_abc.push_back(static_cast<char>(std::strtol(std::string(hex, 2).c_str(), nullptr, 16)));
  }
  EXPECT_TRUE(VerifyTimeStampDigest(token, sha256_abc, tsa_->ca_file(), nullptr).ok());
  sha256_abc[31] ^= 1;
  EXPECT_EQ(VerifyTimeStampDigest(token, sha256_abc, tsa_->ca_file(), nullptr).code(),
            StoreStatus::kTampered);
  EXPECT_EQ(VerifyTimeStampDigest(token, "short", tsa_->ca_file(), nullptr).code(),
            StoreStatus::kInvalid);
  // Nothing at all is data too.
  EXPECT_TRUE(VerifyTimeStamp(tsa_->MakeToken(""), "", tsa_->ca_file(), nullptr).ok());
}

TEST_F(TimeStampTest, PolicyIsAskedForAndRefusalsAreReported) {
  TimeStampAuthority authority = tsa_->authority();
  authority.policy_oid = LocalTsa::kOtherPolicy;
  std::string token;
  TimeStampInfo info;
  ASSERT_TRUE(RequestTimeStamp(authority, "x", &token, &info).ok());
  EXPECT_EQ(info.policy_oid, LocalTsa::kOtherPolicy);

  authority.policy_oid = "1.2.3.4.99";
  StoreStatus s = RequestTimeStamp(authority, "x", &token, &info);
  EXPECT_EQ(s.code(), StoreStatus::kUnavailable);
  EXPECT_TRUE(Has(s, "rejection (unaccepted policy)")) << s.ToString();
  EXPECT_TRUE(token.empty());

  authority.policy_oid = "not an oid";
  EXPECT_EQ(RequestTimeStamp(authority, "x", &token, &info).code(), StoreStatus::kInvalid);
}

TEST_F(TimeStampTest, TokenOverOtherBytesIsTampered) {
  const std::string token = tsa_->MakeToken("the export");
  ASSERT_TRUE(VerifyTimeStamp(token, "the export", tsa_->ca_file(), nullptr).ok());
  StoreStatus s = VerifyTimeStamp(token, "the export!", tsa_->ca_file(), nullptr);
  EXPECT_EQ(s.code(), StoreStatus::kTampered);
  EXPECT_EQ(s.message(), "the time stamp does not match the data");
}

TEST_F(TimeStampTest, NoChangedByteVerifies) {
  const std::string token = tsa_->MakeToken("log head");
  ASSERT_FALSE(token.empty());
  for (size_t i = 0; i < token.size(); ++i) {
    std::string changed = token;
    changed[i] ^= 0x01;
    StoreStatus s = VerifyTimeStamp(changed, "log head", tsa_->ca_file(), nullptr);
    ASSERT_TRUE(s.code() == StoreStatus::kTampered || s.code() == StoreStatus::kCorrupt)
        << "byte " << i << ": " << s.ToString();
  }
  // A signed field that still reads: the last digit of genTime's seconds
  // (a GeneralizedTime "YYYYMMDDhhmmss[.fff]Z", tag 0x18).
  size_t at = 0;
  while (at + 4 < token.size() &&
         !(token[at] == 0x18 && token[at + 1] >= 15 && token.compare(at + 2, 2, "20") == 0)) {
    ++at;
  }
  ASSERT_LT(at + 4, token.size());
  std::string later = token;
  later[at + 2 + 13] = later[at + 2 + 13] == '0' ? '1' : '0';
  StoreStatus s = VerifyTimeStamp(later, "log head", tsa_->ca_file(), nullptr);
  EXPECT_EQ(s.code(), StoreStatus::kTampered);
  EXPECT_TRUE(ReadTimeStamp(later, nullptr).ok());  // still a token, just not a signed one
}

TEST_F(TimeStampTest, SignerFromAnotherRootIsNotTrusted) {
  LocalTsa rogue;
  ASSERT_TRUE(rogue.ok()) << rogue.error();
  StoreStatus s = VerifyTimeStamp(rogue.MakeToken("data"), "data", tsa_->ca_file(), nullptr);
  EXPECT_EQ(s.code(), StoreStatus::kTampered);
  EXPECT_TRUE(Has(s, "the time stamp's signer is not trusted: ")) << s.ToString();

  // Asking the wrong TSA fails at once, not when the token is checked.
  TimeStampAuthority wrong = rogue.authority();
  wrong.ca_file = tsa_->ca_file();
  std::string token = "stale";
  s = RequestTimeStamp(wrong, "data", &token, nullptr);
  EXPECT_EQ(s.code(), StoreStatus::kTampered);
  EXPECT_TRUE(Has(s, "not trusted")) << s.ToString();
  EXPECT_TRUE(token.empty());
}

TEST_F(TimeStampTest, MalformedTokensAreCorrupt) {
  const std::string token = tsa_->MakeToken("data");
  ASSERT_FALSE(token.empty());
  std::string root_pem;
  std::getline(std::ifstream(tsa_->ca_file()), root_pem, '\0');
  const std::string cases[] = {
      "",
      "garbage that is no DER",
      std::string("\x30\x84\x7f\xff\xff\xff\x02\x01\x00", 9),  // a huge length
      token + '\0',                                            // bytes after the end
      root_pem,
  };
  for (const std::string& bad : cases) {
    EXPECT_EQ(VerifyTimeStamp(bad, "data", tsa_->ca_file(), nullptr).code(), StoreStatus::kCorrupt);
    EXPECT_EQ(ReadTimeStamp(bad, nullptr).code(), StoreStatus::kCorrupt);
  }
  for (size_t size = 0; size < token.size(); ++size) {
    ASSERT_EQ(ReadTimeStamp(token.substr(0, size), nullptr).code(), StoreStatus::kCorrupt) << size;
  }
}

TEST_F(TimeStampTest, RootsFileMustHoldCertificates) {
  const std::string token = tsa_->MakeToken("data");
  EXPECT_EQ(VerifyTimeStamp(token, "data", "/nonexistent/roots.pem", nullptr).code(),
            StoreStatus::kNotFound);
  const std::string junk = tsa_->ca_file() + ".junk";
  std::ofstream(junk) << "not a certificate\n";
  EXPECT_EQ(VerifyTimeStamp(token, "data", junk, nullptr).code(), StoreStatus::kInvalid);
  std::remove(junk.c_str());
}

// A TSA (or someone between) that answers with an old reply: over other data
// the imprint gives it away, over the same data the nonce does.
TEST_F(TimeStampTest, ReplayedAnswerIsRefused) {
  std::string first_reply;
  LocalHttpServer replayer([&first_reply](const std::string& query) {
    if (first_reply.empty()) first_reply = tsa_->Reply(query);
    return LocalHttpServer::Answer(200, "application/timestamp-reply", first_reply);
  });
  TimeStampAuthority authority = tsa_->authority();
  authority.url = replayer.url("/tsa");
  std::string token;
  ASSERT_TRUE(RequestTimeStamp(authority, "one", &token, nullptr).ok());
  StoreStatus s = RequestTimeStamp(authority, "two", &token, nullptr);
  EXPECT_EQ(s.code(), StoreStatus::kTampered);
  EXPECT_TRUE(Has(s, "does not match the data")) << s.ToString();
  s = RequestTimeStamp(authority, "one", &token, nullptr);
  EXPECT_EQ(s.code(), StoreStatus::kTampered);
  EXPECT_TRUE(Has(s, "nonce")) << s.ToString();
}

TEST_F(TimeStampTest, AnswerThatIsNoReplyIsCorrupt) {
  LocalHttpServer server([](const std::string&) {
    return LocalHttpServer::Answer(200, "application/timestamp-reply", "<html>hello</html>");
  });
  TimeStampAuthority authority = tsa_->authority();
  authority.url = server.url();
  std::string token;
  EXPECT_EQ(RequestTimeStamp(authority, "x", &token, nullptr).code(), StoreStatus::kCorrupt);
}

// --- the HTTP client

TEST(HttpUrl, PartsAndRefusals) {
  HttpUrl url;
  ASSERT_TRUE(ParseHttpUrl("HTTP://tsa.example.com", &url).ok());
  EXPECT_EQ(url.host, "tsa.example.com");
  EXPECT_EQ(url.port, 80);
  EXPECT_EQ(url.path, "/");
  EXPECT_EQ(url.host_header, "tsa.example.com");
  ASSERT_TRUE(ParseHttpUrl("http://[::1]:8080?a=b#frag", &url).ok());
  EXPECT_EQ(url.host, "::1");
  EXPECT_EQ(url.port, 8080);
  EXPECT_EQ(url.path, "/?a=b");
  EXPECT_EQ(url.host_header, "[::1]:8080");
  for (const char* bad : {"https://tsa.example.com/", "ftp://x/", "tsa.example.com", "http://",
                          "http://:80/", "http://user@host/", "http://host:0/",
                          "http://host:65536/", "http://host:8o/", "http://[::1/", "http://[nope]/",
                          "http://host/a b", "http://host\r\nX: y/", "http://ho$t/"}) {
    StoreStatus s = ParseHttpUrl(bad, &url);
    EXPECT_EQ(s.code(), StoreStatus::kInvalid) << bad;
  }
}

TEST(HttpPost, SendsTheBodyAndReadsTheAnswer) {
  std::string received;
  LocalHttpServer server([&received](const std::string& body) {
    received = body;
    // No Content-Length: the body runs to the close.
    return std::string("HTTP/1.0 200 OK\nContent-Type: text/plain\n\nanswer");
  });
  HttpResponse response;
  StoreStatus s = HttpPost(server.url("/p"), "application/octet-stream", std::string("a\0b", 3),
                           HttpPostOptions(), &response);
  ASSERT_TRUE(s.ok()) << s.ToString();
  EXPECT_EQ(received, std::string("a\0b", 3));
  EXPECT_EQ(response.status, 200);
  EXPECT_EQ(response.content_type, "text/plain");
  EXPECT_EQ(response.body, "answer");
}

TEST(HttpPost, ServerThatNeverAnswersTimesOut) {
  SilentServer silent;
  ASSERT_TRUE(silent.ok());
  HttpPostOptions options;
  options.timeout_ms = 300;
  HttpResponse response;
  const auto start = std::chrono::steady_clock::now();
  StoreStatus s = HttpPost(silent.url(), "text/plain", "hello", options, &response);
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(s.code(), StoreStatus::kBusy);
  EXPECT_TRUE(Has(s, "no answer within 300 ms")) << s.ToString();
  EXPECT_GE(took, std::chrono::milliseconds(250));
  EXPECT_LT(took, std::chrono::milliseconds(2000));
}

TEST(HttpPost, BadAnswersAreErrors) {
  const std::string big(2 << 20, 'x');
  struct Case {
    std::string answer;
    StoreStatus::Code code;
    std::string message;
  } cases[] = {
      {LocalHttpServer::Answer(503, "text/plain", "busy"), StoreStatus::kUnavailable,
       "the server answered 503 Failed"},
      {LocalHttpServer::Answer(200, "text/plain", big), StoreStatus::kIOError,
       "larger than the limit of 1048576 bytes"},
      {"HTTP/1.0 200 OK\r\n\r\n" + big, StoreStatus::kIOError, "larger than the limit"},
      {"HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nonly ten..", StoreStatus::kIOError,
       "ends after 10 of its 100 bytes"},
      {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n0\r\n\r\n",
       StoreStatus::kIOError, "transfer coding \"chunked\""},
      {"SSH-2.0-OpenSSH\r\n\r\n", StoreStatus::kIOError, "not HTTP"},
      {"", StoreStatus::kIOError, "closed the connection without answering"},
  };
  for (const Case& c : cases) {
    LocalHttpServer server([&c](const std::string&) { return c.answer; });
    HttpResponse response;
    StoreStatus s = HttpPost(server.url(), "text/plain", "q", HttpPostOptions(), &response);
    EXPECT_EQ(s.code(), c.code) << s.ToString();
    EXPECT_TRUE(Has(s, c.message)) << s.ToString();
  }
}

TEST(HttpPost, RefusedConnectionIsAnError) {
  // A port that was just free: nothing listens there.
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size), 0);
  close(fd);
  HttpResponse response;
  StoreStatus s = HttpPost("http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/",
                           "text/plain", "q", HttpPostOptions(), &response);
  EXPECT_EQ(s.code(), StoreStatus::kIOError);
  EXPECT_TRUE(Has(s, "cannot connect: Connection refused")) << s.ToString();
  EXPECT_EQ(HttpPost("https://127.0.0.1/", "text/plain", "q", HttpPostOptions(), &response).code(),
            StoreStatus::kInvalid);
}

}  // namespace
}  // namespace tav
