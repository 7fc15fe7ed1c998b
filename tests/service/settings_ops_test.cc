// The settings operations' encoders and decoders: round trips, the limits a
// hostile request or reply runs into, and the fuzz corpus's seeds of these
// operations, which must stay valid requests.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "protocol/account_ops.h"
#include "protocol/event_ops.h"
#include "protocol/settings_ops.h"

namespace tav::protocol {
namespace {

// The payload after version and operation, as a decoder sees it.
template <typename Message>
StoreStatus DecodeRequestPayload(const MessageWriter& writer, Message* out) {
  MessageReader reader(writer.payload());
  return DecodeRequest(reader, out);
}

TEST(SettingsOps, AWriteRequestRoundTrips) {
  WriteSettingsRequest request;
  request.actor = {3, true};
  request.writes.push_back({"ACss", true, std::string("base\0x", 6), "edit", "SOP 12"});
  request.writes.push_back({"21EN", false, "", "on", ""});
  WriteSettingsRequest decoded;
  ASSERT_TRUE(DecodeRequestPayload(EncodeRequest(request), &decoded).ok());
  EXPECT_EQ(decoded.actor.logon, 3);
  EXPECT_TRUE(decoded.actor.show_system_user);
  ASSERT_EQ(decoded.writes.size(), 2u);
  EXPECT_EQ(decoded.writes[0].base, std::string("base\0x", 6));
  EXPECT_TRUE(decoded.writes[0].has_base);
  EXPECT_EQ(decoded.writes[0].reason, "SOP 12");
  EXPECT_FALSE(decoded.writes[1].has_base);
  EXPECT_EQ(decoded.writes[1].edit, "on");
}

TEST(SettingsOps, HostileRequestsDoNotDecode) {
  WriteSettingsRequest none;
  WriteSettingsRequest decoded;
  EXPECT_FALSE(DecodeRequestPayload(EncodeRequest(none), &decoded).ok()) << "no writes";

  WriteSettingsRequest many;
  many.writes.assign(kMaxSettingWrites + 1, SettingWrite{"CFCp", false, "", "x", ""});
  EXPECT_FALSE(DecodeRequestPayload(EncodeRequest(many), &decoded).ok());

  // A count far beyond what follows: the decoder stops at the end.
  MessageWriter lying(kOpWriteSettings);
  lying.Int(0).Int(0).Int(kMaxSettingWrites);
  EXPECT_FALSE(DecodeRequestPayload(lying, &decoded).ok());

  WriteSettingsRequest long_row;
  long_row.writes.push_back({std::string(kMaxRowName + 1, 'A'), false, "", "x", ""});
  EXPECT_FALSE(DecodeRequestPayload(EncodeRequest(long_row), &decoded).ok());

  SettingRowRequest row;
  EXPECT_FALSE(
      DecodeRequestPayload(EncodeRequest(SettingRowRequest{std::string(100, 'x')}), &row).ok());

  TrailPageRequest page;
  EXPECT_FALSE(DecodeRequestPayload(EncodeRequest(TrailPageRequest{-5}), &page).ok());

  MayPerformRequest may;
  EXPECT_FALSE(
      DecodeRequestPayload(EncodeRequest(MayPerformRequest{1, int64_t{1} << 40}), &may).ok());
  EXPECT_FALSE(DecodeRequestPayload(EncodeRequest(MayPerformRequest{-7, 0}), &may).ok());
}

TEST(SettingsOps, RepliesRoundTripAndRefuseWhatNoServiceSends) {
  TrailPageReply page;
  page.numbers = {4, 5};
  page.events = {"a", "bb"};
  page.next = 6;
  page.more = true;
  MessageWriter writer = EncodeReply(kOpReadConfigTrail, page);
  MessageReader reader(writer.payload());
  ASSERT_TRUE(ReadReplyStatus(reader, kOpReadConfigTrail).ok());
  TrailPageReply decoded;
  ASSERT_TRUE(DecodeReply(reader, &decoded).ok());
  EXPECT_EQ(decoded.numbers, page.numbers);
  EXPECT_EQ(decoded.events, page.events);
  EXPECT_EQ(decoded.next, 6);
  EXPECT_TRUE(decoded.more);

  // A store status beyond the known codes is not a reply.
  SettingRowReply row;
  row.status = 99;
  MessageWriter bad = EncodeReply(kOpReadSetting, row);
  MessageReader bad_reader(bad.payload());
  ASSERT_TRUE(ReadReplyStatus(bad_reader, kOpReadSetting).ok());
  SettingRowReply out;
  EXPECT_FALSE(DecodeReply(bad_reader, &out).ok());

  // A store failure comes back as the same StoreStatus.
  int64_t code = 0;
  std::string message;
  SetWireStatus(StoreStatus(StoreStatus::kTampered, "seal"), &code, &message);
  const StoreStatus back = WireStatus(code, message);
  EXPECT_EQ(back.code(), StoreStatus::kTampered);
  EXPECT_EQ(back.message(), "seal");
}

TEST(SettingsOps, TheFuzzSeedsAreValidRequests) {
  const std::string dir = std::string(TAV_SOURCE_DIR) + "/fuzz/corpus/service_request/";
  auto read = [&](const char* name) {
    std::ifstream file(dir + name, std::ios::binary);
    std::stringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
  };
  auto decodes = [&](const char* name, uint16_t op, auto request) {
    const std::string payload = read(name);
    MessageReader reader(payload);
    EXPECT_EQ(reader.operation(), op) << name;
    EXPECT_TRUE(DecodeRequest(reader, &request).ok()) << name;
  };
  decodes("read_setting", kOpReadSetting, SettingRowRequest{});
  decodes("read_config_trail", kOpReadConfigTrail, TrailPageRequest{});
  decodes("write_settings", kOpWriteSettings, WriteSettingsRequest{});
  decodes("accept_settings", kOpAcceptSettings, AcceptSettingsRequest{});
  decodes("may_perform", kOpMayPerform, MayPerformRequest{});
  decodes("list_accounts", kOpListAccounts, ListAccountsRequest{});
  decodes("change_account_add", kOpChangeAccount, ChangeAccountRequest{});
  decodes("change_account_unlock", kOpChangeAccount, ChangeAccountRequest{});
  decodes("change_account_expire", kOpChangeAccount, ChangeAccountRequest{});
  decodes("change_password", kOpChangePassword, ChangePasswordRequest{});
  decodes("list_changed_uids", kOpListChangedUids, ListChangedUidsRequest{});
  decodes("record_review", kOpRecordReview, RecordReviewRequest{});
  const std::string verify = read("verify_settings");
  MessageReader reader(verify);
  EXPECT_EQ(reader.operation(), kOpVerifySettings);
  EXPECT_TRUE(reader.Finish().ok());
}

}  // namespace
}  // namespace tav::protocol
