// The event log's operations at the dispatch table: pages of stored
// records, the chain check, and requests and replies that do not decode.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "protocol/event_ops.h"
#include "service/dispatch.h"
#include "service_test_support.h"
#include "services/filelib/system_event_manager.h"
#include "testing/temp_data_dir.h"

namespace tav::service {
namespace {

using namespace protocol;

class EventLogDispatchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CSystemEventManager log;
    for (int i = 1; i <= 5; ++i) {
      const std::string user = "user" + std::to_string(i);
      ASSERT_TRUE(log.RecordSystemEvent(kAuditSuccessfulLogin, user.c_str()).ok());
    }
  }

  static PeerCredentials Peer() {
    PeerCredentials peer;
    peer.pid = 1;
    peer.uid = 1000;
    peer.gid = 1000;
    return peer;
  }

  template <typename Reply>
  Reply Call(const std::string& payload, uint16_t op) {
    Session session(Peer(), events_);
    return testing::DispatchForReply<Reply>(session, payload, op);
  }

  bool Closes(const std::string& payload) {
    Session session(Peer(), events_);
    DispatchResult result = HandleRequest(session, payload);
    return result.close && result.frame.empty();
  }

  testing::TempDataDir data_;
  StoreEventSink events_;
};

TEST_F(EventLogDispatchTest, PagesCoverTheLogOnceInOrder) {
  std::vector<int64_t> seqs;
  ListEventsRequest request{1, 2};
  for (int pages = 1;; ++pages) {
    ASSERT_LE(pages, 3);
    ListEventsReply page = Call<ListEventsReply>(EncodeRequest(request).payload(), kOpListEvents);
    EXPECT_EQ(page.last_seq, 5);
    for (const StoredEvent& event : page.events) seqs.push_back(event.seq);
    if (!page.more) break;
    EXPECT_EQ(page.events.size(), 2u);
    request.from = page.events.back().seq + 1;
  }
  EXPECT_EQ(seqs, (std::vector<int64_t>{1, 2, 3, 4, 5}));

  // Past the end: an empty last page.
  ListEventsReply after =
      Call<ListEventsReply>(EncodeRequest(ListEventsRequest{6, 100}).payload(), kOpListEvents);
  EXPECT_TRUE(after.events.empty());
  EXPECT_FALSE(after.more);
}

TEST_F(EventLogDispatchTest, VerifyReportsTheChain) {
  VerifyEventsReply reply =
      Call<VerifyEventsReply>(EncodeEmptyRequest(kOpVerifyEvents).payload(), kOpVerifyEvents);
  EXPECT_EQ(reply.result, 0);
  EXPECT_EQ(reply.count, 5);
  EXPECT_EQ(reply.last_seq, 5);
  EXPECT_EQ(reply.head.size(), 32u);
  EXPECT_TRUE(reply.problems.empty());
}

TEST_F(EventLogDispatchTest, AMalformedRequestEndsTheConnection) {
  auto list = [](auto... fields) {
    MessageWriter w(kOpListEvents);
    (w.Int(fields), ...);
    return w.payload();
  };
  EXPECT_TRUE(Closes(list(0, 10)));                      // no event 0
  EXPECT_TRUE(Closes(list(-5, 10)));
  EXPECT_TRUE(Closes(list(1, 0)));                       // an empty page
  EXPECT_TRUE(Closes(list(1, kMaxEventsPerPage + 1)));   // more than a page holds
  EXPECT_TRUE(Closes(list(1)));                          // a field missing
  EXPECT_TRUE(Closes(list(1, 10, 7)));                   // one left over
  MessageWriter bytes(kOpListEvents);
  bytes.Bytes("1").Int(10);                              // of the wrong type
  EXPECT_TRUE(Closes(bytes.payload()));
  MessageWriter verify(kOpVerifyEvents);
  verify.Int(1);
  EXPECT_TRUE(Closes(verify.payload()));
}

// What a client accepts from a service, broken or not its own.
TEST(EventOpsReplyTest, AClientRefusesPagesItCouldLoopOn) {
  auto decode = [](const ListEventsReply& reply) {
    MessageWriter w = EncodeReply(kOpListEvents, reply);
    MessageReader r(w.payload());
    ListEventsReply out;
    StoreStatus status = ReadReplyStatus(r, kOpListEvents);
    return status.ok() ? DecodeReply(r, &out) : status;
  };
  ListEventsReply ok;
  ok.events = {{1, "a"}, {2, "b"}};
  ok.more = true;
  EXPECT_TRUE(decode(ok).ok());
  ListEventsReply backwards = ok;
  backwards.events = {{2, "a"}, {2, "b"}};
  EXPECT_FALSE(decode(backwards).ok());
  ListEventsReply empty_more;
  empty_more.more = true;
  EXPECT_FALSE(decode(empty_more).ok());

  VerifyEventsReply verify;
  verify.head = "short";
  MessageWriter w = EncodeReply(kOpVerifyEvents, verify);
  MessageReader r(w.payload());
  VerifyEventsReply out;
  ASSERT_TRUE(ReadReplyStatus(r, kOpVerifyEvents).ok());
  EXPECT_FALSE(DecodeReply(r, &out).ok());
}

}  // namespace
}  // namespace tav::service
