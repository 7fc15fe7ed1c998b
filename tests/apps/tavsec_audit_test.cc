// tavsec records on audit, signature and file records: audit, rewrite and
// check as a user runs them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "records/audit_collection_comp.h"
#include "records/audit_event_comp.h"
#include "records/chunk_file.h"
#include "records/esig_config_comp.h"
#include "records/esig_event_comp.h"
#include "records/event_comp.h"
#include "records/file_record_comp.h"
#include "records/value_comps.h"
#include "testing/bytes.h"
#include "testing/run_command.h"
#include "util/file.h"

namespace tav {
namespace {

using testing::Bytes;
using testing::Chunk;
using testing::RunCommand;

class TavsecAudit : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/tavsec_audit.XXXXXX";
    dir_ = ::mkdtemp(tmpl);
  }
  void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }

  std::string Write(const std::string& name, const std::string& bytes) {
    const std::string path = dir_ + "/" + name;
    WriteFileAtomically(path, bytes);
    return path;
  }
  std::string Write(const std::string& name, std::vector<std::unique_ptr<CComponent>> chunks) {
    CMemFile file;
    EXPECT_EQ(WriteChunkFile(&file, chunks), kRecordOk);
    return Write(name, std::string(file.view()));
  }
  static testing::CommandResult Tavsec(const std::string& args) {
    return RunCommand(std::string(TAVSEC_PATH) + " " + args);
  }

  std::string dir_;
};

std::unique_ptr<CComponent> Reasons(std::initializer_list<std::array<int, 3>> reasons) {
  auto list = std::make_unique<CESigReasonConfigListComp>();
  for (const auto& r : reasons) {
    list->AddComponent(std::make_unique<CESigReasonConfigComp>(ESigReason{r[0], r[1], {}}, r[2]));
  }
  return list;
}

std::vector<std::unique_ptr<CComponent>> One(std::unique_ptr<CComponent> c) {
  std::vector<std::unique_ptr<CComponent>> v;
  v.push_back(std::move(c));
  return v;
}

TEST_F(TavsecAudit, PrintsOneLinePerEntry) {
  const std::string before = Write("old.tav", One(Reasons({{1, 0, 1}, {2, 0, 1}})));
  const std::string after = Write("new.tav", One(Reasons({{1, 0, 2}, {3, 0, 1}})));
  auto r = Tavsec("records audit " + before + " " + after);
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.out,
            "Changed Record\tEScc\tESig Reason Configuration\n"
            "Added Record\tEScc\\EScf\n"
            "Deleted Record\tEScc\tESig Reason Configuration\n");
  EXPECT_EQ(Tavsec("records audit " + before + " " + before).out, "");

  std::vector<std::unique_ptr<CComponent>> two = One(Reasons({}));
  two.push_back(Reasons({}));
  const auto refused = Tavsec("records audit " + before + " " + Write("two.tav", std::move(two)));
  EXPECT_NE(refused.exit_code, 0);
  EXPECT_NE(refused.err.find("2 top-level chunks"), std::string::npos) << refused.err;
}

TEST_F(TavsecAudit, RewriteKeepsEveryKindAndUpgradesObsoleteEntries) {
  std::vector<std::unique_ptr<CComponent>> all;
  auto event = std::make_unique<CEventComp>();
  event->Set("amy", 46000.25);
  all.push_back(std::move(event));
  auto trail = std::make_unique<CAuditCollectionComp>("AUDT", 7);
  auto audit_event = std::make_unique<CAuditEventComp>();
  audit_event->SetEvent("amy", 46000.5);
  audit_event->SetReasonForChange("calibration");
  CComponentPathComp path;
  CListComp("EScc").AppendToPath(&path);
  audit_event->AddAuditEntry(kAuditChangedRecord, std::make_unique<CTextComp>("COMT", "old"), &path);
  trail->AddComponent(std::move(audit_event));
  all.push_back(std::move(trail));
  auto signatures = std::make_unique<CESigListComp>();
  signatures->AddSignature("amy", 46000.5, 3, 1, {"GLBL\\AUDT"}, "Amy Smith", "approved");
  all.push_back(std::move(signatures));
  auto target = std::make_unique<CESigTargetConfigComp>("Runs");
  target->AddComponent(Reasons({{3, 1, 2}}));
  auto targets = std::make_unique<CESigConfigurationsComp>();
  targets->AddComponent(std::move(target));
  all.push_back(std::move(targets));
  auto files = std::make_unique<CFileRecordListComp>("HFRL");
  auto record = std::make_unique<CFileRecordComp>();
  record->SetDate(46000.5);
  record->SetType(kFileRecordMoved);
  record->SetFilePath("/runs/b.tav");
  record->SetSourcePath("/runs/a.tav");
  files->AddOrReplace(record);
  all.push_back(std::move(files));
  CMemFile bytes;
  ASSERT_EQ(WriteChunkFile(&bytes, all), kRecordOk);
  const std::string in = Write("all.tav", std::string(bytes.view()));
  auto r = Tavsec("records rewrite " + in + " " + dir_ + "/out.tav");
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(ReadWholeFile(dir_ + "/out.tav"), bytes.view());
  EXPECT_EQ(Tavsec("records check " + in).exit_code, 0);

  // An obsolete entry in a trail comes out as an audit event.
  const std::string date = Bytes({0, 0, 0, 0, 0, 0, 0xf8, 0x3f});
  const std::string old_trail = Chunk(
      "AUDT", Bytes({0, 1, 0, 0, 0, 0, 0}) + Chunk("AUev", date + Bytes({0, 1, 0, 0}) + Chunk("COMT", "x")));
  const std::string upgraded =
      Chunk("AUDT", Bytes({0, 1, 0, 0, 0, 0, 0}) +
                        Chunk("AEvt", date + Bytes({0, 0, 0, 0, 1}) +
                                          Chunk("AEnx", Bytes({1, 0, 0}) + Chunk("COMT", "x"))));
  r = Tavsec("records rewrite " + Write("old.tav", old_trail) + " " + dir_ + "/new.tav");
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(ReadWholeFile(dir_ + "/new.tav"), upgraded);
  // Not silently: the other bytes are told.
  EXPECT_NE(r.err.find("note: "), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("obsolete audit entry: written as an audit event"), std::string::npos);
}

TEST_F(TavsecAudit, CheckReportsCountsTheFileCannotHold) {
  // A signature claiming 30000 paths with none after the count: a short
  // read, found without reserving room for 30000 paths.
  const std::string date = Bytes({0, 0, 0, 0, 0, 0, 0xf8, 0x3f});
  const std::string path = Write(
      "bad.tav", Chunk("COMT", "ok") + Chunk("ESev", date + Bytes({0, 1, 0, 1, 0, 0, 0x30, 0x75})));
  auto r = Tavsec("records check " + path);
  EXPECT_NE(r.exit_code, 0);
  EXPECT_NE(r.err.find("offset 10: chunk 'ESev' (16 body bytes"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("short read"), std::string::npos) << r.err;

  // A negative count is read as no paths, as older files need; check
  // still names it.
  const std::string negative = Write(
      "neg.tav", Chunk("ESev", date + Bytes({0, 1, 0, 1, 0, 0, 0xfe, 0xff, 0, 0})));
  r = Tavsec("records check " + negative);
  EXPECT_NE(r.exit_code, 0);
  EXPECT_NE(r.err.find("offset 22: signature: tag path count -2 is negative"), std::string::npos)
      << r.err;
  EXPECT_EQ(Tavsec("records dump " + negative).exit_code, 0);
}

}  // namespace
}  // namespace tav
