// The wire format and the operations' encoders and decoders: round trips,
// truncations, over-long and out-of-range fields, frame headers, and
// ReadFrame's deadlines on a real socket pair.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "protocol/account_ops.h"
#include "protocol/event_ops.h"
#include "protocol/operations.h"
#include "protocol/run_list_ops.h"
#include "util/socket_io.h"

namespace tav::protocol {
namespace {

// A valid request of every operation, with the decoder of its kind: the
// decoder's result re-encoded must give the same payload again.
struct Sample {
  std::string name;
  std::string payload;
  std::function<StoreStatus(MessageReader&, std::string*)> decode_and_encode;
};

template <typename Request, typename Encode>
Sample MakeSample(std::string name, const MessageWriter& writer, Encode encode) {
  Sample sample;
  sample.name = std::move(name);
  sample.payload = writer.payload();
  sample.decode_and_encode = [encode](MessageReader& r, std::string* again) {
    Request request;
    StoreStatus status = DecodeRequest(r, &request);
    if (status.ok()) *again = encode(request).payload();
    return status;
  };
  return sample;
}

std::vector<Sample> Samples() {
  AuthenticateRequest auth{AuthPurpose::kSignature, "alice", "LAB", "pa\x01ss\xffword"};
  LogonRequest logon{"bob", "", "secret", AuthPurpose::kLogin};
  std::vector<Sample> samples;
  samples.push_back(MakeSample<HelloRequest>("hello", EncodeRequest(HelloRequest{}),
                                             [](const HelloRequest& r) { return EncodeRequest(r); }));
  samples.push_back(MakeSample<AuthenticateRequest>(
      "authenticate", EncodeRequest(auth),
      [](const AuthenticateRequest& r) { return EncodeRequest(r); }));
  samples.push_back(MakeSample<LogonRequest>("logon", EncodeRequest(logon),
                                             [](const LogonRequest& r) { return EncodeRequest(r); }));
  samples.push_back(MakeSample<TokenRequest>(
      "close token", EncodeTokenRequest(kOpCloseToken, TokenRequest{INT64_MAX}),
      [](const TokenRequest& r) { return EncodeTokenRequest(kOpCloseToken, r); }));
  samples.push_back(MakeSample<NameRequest>(
      "recorded user name", EncodeNameRequest(NameRequest{std::string("x\0y", 3)}),
      [](const NameRequest& r) { return EncodeNameRequest(r); }));
  const Actor actor{42, true};
  samples.push_back(MakeSample<RunListDeleteRequest>(
      "run list delete", EncodeRequest(RunListDeleteRequest{actor, "/r/a.tav", true}),
      [](const RunListDeleteRequest& r) { return EncodeRequest(r); }));
  samples.push_back(MakeSample<RunListMoveRequest>(
      "run list move", EncodeRequest(RunListMoveRequest{actor, "/r/b.tav", "/r/a.tav", true}),
      [](const RunListMoveRequest& r) { return EncodeRequest(r); }));
  samples.push_back(MakeSample<RunListImportRequest>(
      "run list import", EncodeRequest(RunListImportRequest{{kStaleLogon, false}, "C:\\r.tav"}),
      [](const RunListImportRequest& r) { return EncodeRequest(r); }));
  samples.push_back(MakeSample<RunListRecordRequest>(
      "run list record", EncodeRequest(RunListRecordRequest{actor, -7, "/r/c.tav", "/r/a.tav"}),
      [](const RunListRecordRequest& r) { return EncodeRequest(r); }));
  samples.push_back(MakeSample<RunListPageRequest>(
      "run history page", EncodePageRequest(kOpRunHistoryPage, RunListPageRequest{INT64_MAX}),
      [](const RunListPageRequest& r) { return EncodePageRequest(kOpRunHistoryPage, r); }));
  samples.push_back(MakeSample<ListAccountsRequest>(
      "list accounts", EncodeRequest(ListAccountsRequest{actor, true}),
      [](const ListAccountsRequest& r) { return EncodeRequest(r); }));
  samples.push_back(MakeSample<ListChangedUidsRequest>(
      "list changed uids", EncodeRequest(ListChangedUidsRequest{actor}),
      [](const ListChangedUidsRequest& r) { return EncodeRequest(r); }));
  ChangeAccountRequest confirm;
  confirm.actor = actor;
  confirm.change = AccountChange::kConfirmUid;
  confirm.account.name = "erin";
  samples.push_back(MakeSample<ChangeAccountRequest>(
      "confirm uid", EncodeRequest(confirm, ""),
      [](const ChangeAccountRequest& r) { return EncodeRequest(r, r.password); }));
  samples.push_back(MakeSample<ChangePasswordRequest>(
      "change password",
      EncodeRequest(ChangePasswordRequest{"frank", "LAB", "", ""}, "old\x01", "new\xff"),
      [](const ChangePasswordRequest& r) {
        return EncodeRequest(r, r.old_password, r.new_password);
      }));
  ChangeAccountRequest add{actor, AccountChange::kAdd,
                           WireAccount{"dana", "Dana D", "QA", {"g1", "g2"}, true, false}, ""};
  samples.push_back(MakeSample<ChangeAccountRequest>(
      "change account", EncodeRequest(add, "New-Pass-1"),
      [](const ChangeAccountRequest& r) { return EncodeRequest(r, r.password); }));
  samples.push_back(MakeSample<SignExportRequest>(
      "sign export", EncodeRequest(SignExportRequest{1, 1, INT64_MAX, std::string(32, '\xff')}),
      [](const SignExportRequest& r) { return EncodeRequest(r); }));
  samples.push_back(MakeSample<LogWritersRequest>(
      "log writers", EncodeRequest(LogWritersRequest{3, 17}),
      [](const LogWritersRequest& r) { return EncodeRequest(r); }));
  return samples;
}

TEST(ProtocolRequests, DecodeAndEncodeAgainGivesTheSameBytes) {
  for (const Sample& sample : Samples()) {
    SCOPED_TRACE(sample.name);
    MessageReader reader(sample.payload);
    std::string again;
    ASSERT_TRUE(sample.decode_and_encode(reader, &again).ok()) << reader.status().message();
    EXPECT_EQ(again, sample.payload);
  }
}

TEST(ProtocolRequests, EveryTruncationAndEveryExtraByteFails) {
  for (const Sample& sample : Samples()) {
    SCOPED_TRACE(sample.name);
    for (size_t n = 0; n < sample.payload.size(); ++n) {
      MessageReader reader(std::string_view(sample.payload).substr(0, n));
      std::string again;
      EXPECT_FALSE(sample.decode_and_encode(reader, &again).ok()) << "prefix of " << n;
    }
    std::string longer = sample.payload + '\0';
    MessageReader reader(longer);
    std::string again;
    EXPECT_FALSE(sample.decode_and_encode(reader, &again).ok());
  }
}

TEST(ProtocolRequests, FieldsOutOfTheirLimitsFail) {
  auto auth_with = [](std::function<void(MessageWriter&)> fields) {
    MessageWriter w(kOpAuthenticate);
    fields(w);
    MessageReader reader(w.payload());
    AuthenticateRequest request;
    return DecodeRequest(reader, &request);
  };
  const std::string longest(kMaxTextField, 'a');
  EXPECT_TRUE(auth_with([&](MessageWriter& w) { w.Int(1).Bytes(longest).Bytes("").Bytes("p"); }).ok());
  EXPECT_FALSE(
      auth_with([&](MessageWriter& w) { w.Int(1).Bytes(longest + "a").Bytes("").Bytes("p"); }).ok());
  // Purposes beyond the known ones, and a field of the wrong type.
  EXPECT_FALSE(auth_with([](MessageWriter& w) { w.Int(3).Bytes("a").Bytes("").Bytes("p"); }).ok());
  EXPECT_FALSE(auth_with([](MessageWriter& w) { w.Int(-1).Bytes("a").Bytes("").Bytes("p"); }).ok());
  EXPECT_FALSE(auth_with([](MessageWriter& w) { w.Bytes("1").Bytes("a").Bytes("").Bytes("p"); }).ok());

  // A SHA-256 of another length, an unknown log.
  for (const SignExportRequest& bad : {SignExportRequest{0, 0, 1, std::string(31, 'x')},
                                       SignExportRequest{2, 0, 1, std::string(32, 'x')}}) {
    MessageWriter writer = EncodeRequest(bad);
    MessageReader reader(writer.payload());
    SignExportRequest request;
    EXPECT_FALSE(DecodeRequest(reader, &request).ok());
  }

  // Account changes beyond the known ones.
  for (int64_t change : {0, 9}) {
    MessageWriter w(kOpChangeAccount);
    EncodeActor(w, Actor{});
    w.Int(change).Bytes("bob").Bytes("").Bytes("").Int(0).Int(0).Int(0).Int(0).Int(0).Int(0);
    w.Bytes("");
    MessageReader reader(w.payload());
    ChangeAccountRequest request;
    EXPECT_FALSE(DecodeRequest(reader, &request).ok()) << change;
  }

  // A negative token number.
  // (The writer must outlive its reader: it wipes its payload when it ends.)
  MessageWriter negative_writer = EncodeTokenRequest(kOpCloseToken, TokenRequest{-1});
  MessageReader negative(negative_writer.payload());
  TokenRequest token;
  EXPECT_FALSE(DecodeRequest(negative, &token).ok());
}

TEST(ProtocolRequests, ALengthBeyondThePayloadIsNotTrusted) {
  // A bytes field announcing 4 GiB - 1 in a payload of a few bytes.
  std::string payload = EncodeNameRequest(NameRequest{"abc"}).payload();
  payload[5] = payload[6] = payload[7] = payload[8] = '\xff';
  MessageReader reader(payload);
  NameRequest request;
  EXPECT_FALSE(DecodeRequest(reader, &request).ok());

  // A list announcing more entries than allowed fails before reading them.
  MessageWriter w(kOpHello);
  w.Int(kMaxListEntries + 1);
  MessageReader list_reader(w.payload());
  EXPECT_TRUE(list_reader.StringList().empty());
  EXPECT_FALSE(list_reader.ok());
}

TEST(ProtocolReplies, RoundTripsAndErrors) {
  AuthenticateReply reply;
  reply.code = 1909;
  reply.locked_now = true;
  reply.recorded_name = "alice";
  reply.detail = "d";
  reply.event_status = -5;
  reply.event_message = "disk full";
  reply.user = WireUser{"alice", "LAB", "host", "Alice A", "QA", true, {"g1", "g2"}};
  const std::string payload = EncodeReply(kOpAuthenticate, reply).payload();
  MessageReader reader(payload);
  ASSERT_TRUE(ReadReplyStatus(reader, kOpAuthenticate).ok());
  AuthenticateReply decoded;
  ASSERT_TRUE(DecodeReply(reader, &decoded).ok()) << reader.status().message();
  EXPECT_EQ(EncodeReply(kOpAuthenticate, decoded).payload(), payload);

  LogonReply logon;
  logon.code = 1909;
  logon.locked_now = true;
  logon.recorded_name = "bob";
  logon.event_status = -5;
  logon.event_message = "disk full";
  const std::string logon_payload = EncodeReply(kOpLogon, logon).payload();
  MessageReader logon_reader(logon_payload);
  ASSERT_TRUE(ReadReplyStatus(logon_reader, kOpLogon).ok());
  LogonReply logon_decoded;
  ASSERT_TRUE(DecodeReply(logon_reader, &logon_decoded).ok());
  EXPECT_EQ(EncodeReply(kOpLogon, logon_decoded).payload(), logon_payload);

  ListAccountsReply list;
  list.message = "note";
  list.accounts = {{"ann", "Ann A", "", {"g"}, false, true, 1772366400, false, 1700000000},
                   {"bob", "", "d", {}, true, false, 0, true, 0}};
  const std::string list_payload = EncodeReply(list).payload();
  MessageReader list_reader(list_payload);
  ASSERT_TRUE(ReadReplyStatus(list_reader, kOpListAccounts).ok());
  ListAccountsReply list_decoded;
  ASSERT_TRUE(DecodeReply(list_reader, &list_decoded).ok());
  EXPECT_EQ(EncodeReply(list_decoded).payload(), list_payload);

  ListChangedUidsReply uids;
  uids.uids = {{"bob", 1999, 2002}, {"", 0, UINT32_MAX}};
  const std::string uids_payload = EncodeReply(uids).payload();
  MessageReader uids_reader(uids_payload);
  ASSERT_TRUE(ReadReplyStatus(uids_reader, kOpListChangedUids).ok());
  ListChangedUidsReply uids_decoded;
  ASSERT_TRUE(DecodeReply(uids_reader, &uids_decoded).ok());
  EXPECT_EQ(EncodeReply(uids_decoded).payload(), uids_payload);
  // A uid beyond what the system has is no uid.
  uids.uids = {{"bob", 1999, int64_t{UINT32_MAX} + 1}};
  const std::string too_big = EncodeReply(uids).payload();
  MessageReader too_big_reader(too_big);
  ASSERT_TRUE(ReadReplyStatus(too_big_reader, kOpListChangedUids).ok());
  EXPECT_FALSE(DecodeReply(too_big_reader, &uids_decoded).ok());

  ChangePasswordReply change;
  change.code = 1325;
  change.reason = "the password is shorter than 12 characters";
  change.recorded_name = "frank";
  const std::string change_payload = EncodeReply(change).payload();
  MessageReader change_reader(change_payload);
  ASSERT_TRUE(ReadReplyStatus(change_reader, kOpChangePassword).ok());
  ChangePasswordReply change_decoded;
  ASSERT_TRUE(DecodeReply(change_reader, &change_decoded).ok());
  EXPECT_EQ(change_decoded.reason, change.reason);
  EXPECT_EQ(EncodeReply(change_decoded).payload(), change_payload);

  // A reply to another operation is refused before its fields are read.
  MessageReader other(payload);
  EXPECT_FALSE(ReadReplyStatus(other, kOpLogon).ok());

  MessageWriter error_writer = ErrorReply(kOpLogon, kReplyUnknown, "no such thing");
  MessageReader error(error_writer.payload());
  StoreStatus status = ReadReplyStatus(error, kOpLogon);
  EXPECT_EQ(status.code(), StoreStatus::kInvalid);
  EXPECT_EQ(status.message(), "no such thing");
}

// The writers of a log come in order and apart, so that a client that goes
// on after the last run cannot be kept asking; a role name is bounded.
TEST(ProtocolReplies, LogWritersComeInOrderAndBounded) {
  LogWritersReply good;
  good.runs = {{1, 4, "tav_ws_a"}, {5, 5, "tav_ws_b"}, {9, 12, "tav_ws_a"}};
  good.more = true;
  const std::string payload = EncodeReply(kOpLogWriters, good).payload();
  MessageReader reader(payload);
  ASSERT_TRUE(ReadReplyStatus(reader, kOpLogWriters).ok());
  LogWritersReply decoded;
  ASSERT_TRUE(DecodeReply(reader, &decoded).ok()) << reader.status().message();
  EXPECT_EQ(EncodeReply(kOpLogWriters, decoded).payload(), payload);

  const auto decodes = [](const LogWritersReply& reply) {
    MessageWriter writer = EncodeReply(kOpLogWriters, reply);
    MessageReader r(writer.payload());
    LogWritersReply out;
    return ReadReplyStatus(r, kOpLogWriters).ok() && DecodeReply(r, &out).ok();
  };
  LogWritersReply overlapping;
  overlapping.runs = {{1, 4, "a"}, {4, 6, "b"}};
  EXPECT_FALSE(decodes(overlapping));
  LogWritersReply backwards;
  backwards.runs = {{7, 6, "a"}};
  EXPECT_FALSE(decodes(backwards));
  LogWritersReply endless;
  endless.more = true;
  EXPECT_FALSE(decodes(endless));
  // A name longer than any role is cut by the encoder, never sent whole.
  LogWritersReply long_name;
  long_name.runs = {{1, 1, std::string(5000, 'x')}};
  MessageWriter writer = EncodeReply(kOpLogWriters, long_name);
  MessageReader r(writer.payload());
  LogWritersReply out;
  ASSERT_TRUE(ReadReplyStatus(r, kOpLogWriters).ok());
  ASSERT_TRUE(DecodeReply(r, &out).ok());
  EXPECT_EQ(out.runs[0].writer.size(), kMaxWriterBytes);

  for (const LogWritersRequest& bad : {LogWritersRequest{0, 1}, LogWritersRequest{4, 1},
                                       LogWritersRequest{1, 0}}) {
    MessageWriter w = EncodeRequest(bad);
    MessageReader br(w.payload());
    LogWritersRequest request;
    EXPECT_FALSE(DecodeRequest(br, &request).ok());
  }
}

TEST(ProtocolReplies, ARunListPageHoldsNoMoreThanItAnnounces) {
  RunListPageReply page;
  page.total = 3;
  page.next = 17;
  page.more = true;
  page.records = {"a", std::string(kMaxRunRecordBytes, 'r'), ""};
  const std::string payload = EncodeReply(kOpRunListPage, page).payload();
  MessageReader reader(payload);
  ASSERT_TRUE(ReadReplyStatus(reader, kOpRunListPage).ok());
  RunListPageReply decoded;
  ASSERT_TRUE(DecodeReply(reader, &decoded).ok()) << reader.status().message();
  EXPECT_EQ(decoded.records, page.records);
  EXPECT_EQ(decoded.next, 17);

  // A service that announces more records than follow, or more than a page
  // may hold, or a record beyond its limit, is not believed.
  auto decodes = [](int64_t count, size_t sent, size_t length) {
    MessageWriter w(kOpRunListPage);
    w.Int(kReplyOk).Int(0).Int(0).Int(0).Int(count);
    for (size_t i = 0; i < sent; ++i) w.Bytes(std::string(length, 'r'));
    MessageReader r(w.payload());
    RunListPageReply reply;
    return ReadReplyStatus(r, kOpRunListPage).ok() && DecodeReply(r, &reply).ok();
  };
  EXPECT_TRUE(decodes(2, 2, 1));
  EXPECT_FALSE(decodes(3, 2, 1));
  EXPECT_FALSE(decodes(static_cast<int64_t>(kRunListPageRecords) + 1, 0, 1));
  EXPECT_FALSE(decodes(-1, 0, 1));
  EXPECT_FALSE(decodes(1, 1, kMaxRunRecordBytes + 1));
}

TEST(ProtocolFrames, HeaderLimits) {
  uint32_t length = 0;
  const uint8_t at_limit[4] = {0x00, 0x10, 0x00, 0x00};
  ASSERT_TRUE(DecodeFrameHeader(at_limit, &length).ok());
  EXPECT_EQ(length, kMaxPayloadBytes);
  const uint8_t above[4] = {0x00, 0x10, 0x00, 0x01};
  EXPECT_EQ(DecodeFrameHeader(above, &length).code(), StoreStatus::kInvalid);
  const uint8_t huge[4] = {0xff, 0xff, 0xff, 0xff};
  EXPECT_FALSE(DecodeFrameHeader(huge, &length).ok());
  const uint8_t too_short[4] = {0, 0, 0, 3};
  EXPECT_FALSE(DecodeFrameHeader(too_short, &length).ok());

  MessageWriter big(kOpHello);
  big.Bytes(std::string(kMaxPayloadBytes, 'x'));
  std::string frame;
  EXPECT_FALSE(big.Frame(&frame).ok());
}

class SocketPair : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, fds_), 0); }
  void TearDown() override {
    close(fds_[0]);
    close(fds_[1]);
  }
  int fds_[2] = {-1, -1};
};

TEST_F(SocketPair, ReadFrameRefusesAnOversizedHeaderWithoutWaiting) {
  ASSERT_EQ(write(fds_[1], "\xff\xff\xff\xff", 4), 4);
  std::string payload;
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(ReadFrame(fds_[0], kMaxPayloadBytes, FrameTimeouts{-1, 10000}, &payload).code(),
            StoreStatus::kInvalid);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  EXPECT_TRUE(payload.empty());
}

TEST_F(SocketPair, ReadFrameGivesUpOnAStalledFrameButWaitsForAnIdlePeer) {
  std::string payload;
  // An idle peer: the first-byte wait applies.
  EXPECT_EQ(ReadFrame(fds_[0], kMaxPayloadBytes, FrameTimeouts{100, 100}, &payload).code(),
            StoreStatus::kBusy);
  // Half a header, then nothing: the rest must come within rest_ms even
  // when the first byte may be waited for without limit.
  ASSERT_EQ(write(fds_[1], "\x00\x00", 2), 2);
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(ReadFrame(fds_[0], kMaxPayloadBytes, FrameTimeouts{-1, 200}, &payload).code(),
            StoreStatus::kBusy);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

TEST_F(SocketPair, ReadFrameTellsACleanEndFromACutFrame) {
  std::string payload;
  ASSERT_EQ(write(fds_[1], "\x00\x00\x00\x08" "abc", 7), 7);
  shutdown(fds_[1], SHUT_WR);
  EXPECT_EQ(ReadFrame(fds_[0], kMaxPayloadBytes, FrameTimeouts{1000, 1000}, &payload).code(),
            StoreStatus::kIOError);

  int clean[2];
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, clean), 0);
  close(clean[1]);
  EXPECT_EQ(ReadFrame(clean[0], kMaxPayloadBytes, FrameTimeouts{1000, 1000}, &payload).code(),
            StoreStatus::kNotFound);
  close(clean[0]);
}

std::string FrameOfBytes(const std::string& payload) {
  const uint32_t n = static_cast<uint32_t>(payload.size());
  std::string frame{static_cast<char>(n >> 24), static_cast<char>(n >> 16),
                    static_cast<char>(n >> 8), static_cast<char>(n)};
  return frame + payload;
}

TEST_F(SocketPair, AFrameReaderKeepsWhatCameWithAFrameForTheNext) {
  // Three frames in one write, the last one long and cut: the reader hands
  // them out one by one, whole, and waits for the rest of the long one.
  const std::string long_payload(100000, 'L');
  const std::string all =
      FrameOfBytes("first") + FrameOfBytes("") + FrameOfBytes(long_payload) + FrameOfBytes("x");
  const size_t cut = all.size() - 50000;
  ASSERT_EQ(write(fds_[1], all.data(), cut), static_cast<ssize_t>(cut));
  std::thread rest([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_EQ(write(fds_[1], all.data() + cut, all.size() - cut),
              static_cast<ssize_t>(all.size() - cut));
  });
  FrameReader reader;
  std::string payload;
  for (const std::string& expected : {std::string("first"), std::string(), long_payload,
                                      std::string("x")}) {
    ASSERT_TRUE(reader.Read(fds_[0], kMaxPayloadBytes, FrameTimeouts{1000, 1000}, &payload).ok());
    EXPECT_EQ(payload, expected);
  }
  rest.join();
  // Nothing is left: the next read waits for the peer, and a header split
  // over two writes still makes one frame.
  EXPECT_EQ(reader.Read(fds_[0], kMaxPayloadBytes, FrameTimeouts{50, 50}, &payload).code(),
            StoreStatus::kBusy);
  const std::string split = FrameOfBytes("split");
  ASSERT_EQ(write(fds_[1], split.data(), 2), 2);
  std::thread second([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    ASSERT_EQ(write(fds_[1], split.data() + 2, split.size() - 2),
              static_cast<ssize_t>(split.size() - 2));
  });
  EXPECT_TRUE(reader.Read(fds_[0], kMaxPayloadBytes, FrameTimeouts{1000, 1000}, &payload).ok());
  second.join();
  EXPECT_EQ(payload, "split");
}

TEST_F(SocketPair, AFrameReaderFailsAsReadFrameDoes) {
  std::string payload;
  {
    // A header beyond the limit, with a valid frame behind it.
    FrameReader reader;
    const std::string bad = std::string("\xff\xff\xff\xff") + FrameOfBytes("ok");
    ASSERT_EQ(write(fds_[1], bad.data(), bad.size()), static_cast<ssize_t>(bad.size()));
    EXPECT_EQ(reader.Read(fds_[0], kMaxPayloadBytes, FrameTimeouts{-1, 1000}, &payload).code(),
              StoreStatus::kInvalid);
  }
  {
    // Half a header, then nothing: rest_ms applies.
    int pair[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
    FrameReader reader;
    ASSERT_EQ(write(pair[1], "\x00\x00", 2), 2);
    EXPECT_EQ(reader.Read(pair[0], kMaxPayloadBytes, FrameTimeouts{-1, 100}, &payload).code(),
              StoreStatus::kBusy);
    // A cut frame and then the end: an error, not a clean end.
    ASSERT_EQ(write(pair[1], "\x00\x08" "abc", 5), 5);
    shutdown(pair[1], SHUT_WR);
    EXPECT_EQ(reader.Read(pair[0], kMaxPayloadBytes, FrameTimeouts{1000, 1000}, &payload).code(),
              StoreStatus::kIOError);
    close(pair[0]);
    close(pair[1]);
  }
  int clean[2];
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, clean), 0);
  close(clean[1]);
  FrameReader reader;
  EXPECT_EQ(reader.Read(clean[0], kMaxPayloadBytes, FrameTimeouts{1000, 1000}, &payload).code(),
            StoreStatus::kNotFound);
  close(clean[0]);
}

}  // namespace
}  // namespace tav::protocol
