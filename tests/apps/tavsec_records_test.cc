#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "testing/bytes.h"
#include "testing/run_command.h"
#include "util/file.h"

namespace tav {
namespace {

using testing::Bytes;
using testing::Chunk;
using testing::ListChunk;
using testing::RunCommand;

class TavsecRecords : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/tavsec_records.XXXXXX";
    dir_ = ::mkdtemp(tmpl);
  }
  void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }

  std::string Write(const std::string& name, const std::string& bytes) {
    const std::string path = dir_ + "/" + name;
    WriteFileAtomically(path, bytes);
    return path;
  }
  static testing::CommandResult Tavsec(const std::string& args) {
    return RunCommand(std::string(TAVSEC_PATH) + " " + args);
  }

  std::string dir_;
};

TEST_F(TavsecRecords, DumpPrintsTheTreeWithUnixLineEnds) {
  const std::string path =
      Write("a.tav", Chunk("VERS", Bytes({0, 0, 0, 3})) +
                         ListChunk("HFRL", {Chunk("UsNa", "alice"), Chunk("QQQQ", "\x01")}));
  auto r = Tavsec("records dump " + path);
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.out,
            "Tag = VERS\nSize = 4\n--------------\nValue = 3\nVersion = 3\n"
            "Tag = HFRL\nSize = 24\n--------------\nItem Count = 2\n--------------\n"
            "User Name = alice\n!~Invalid Component~! = 01\n");
}

TEST_F(TavsecRecords, DiffDescribesChangesAndIsSilentOnIdenticalFiles) {
  const std::string a = Write("a.tav", Chunk("FFPa", "first") + Chunk("VERS", Bytes({0, 0, 0, 3})));
  const std::string b = Write("b.tav", Chunk("FFPa", "second") + Chunk("VERS", Bytes({0, 0, 0, 3})) +
                                           Chunk("UsNa", "bob"));
  auto same = Tavsec("records diff " + a + " " + a);
  EXPECT_EQ(same.exit_code, 0);
  EXPECT_EQ(same.out, "");
  auto r = Tavsec("records diff " + a + " " + b);
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.out,
            "[Changed] Size [From] 5 [To] 6\n"
            "[Changed] Value [From] first [To] second\n"
            "[Changed] File Path [From] first [To] second\n"
            "[Added] Tag = UsNa\n[Added] Size = 3\n[Added] --------------\n"
            "[Added] Value = bob\n[Added] User Name = bob\n");
}

TEST_F(TavsecRecords, RewriteKeepsBytesIncludingUnknownTags) {
  const std::string bytes = Chunk("QQQQ", "opaque") +
                            ListChunk("ESIG", {Chunk("ZZZZ", "x"), Chunk("ROWN", Bytes({0, 9}))}) +
                            Chunk("EOF ", Bytes({0, 0, 0, 0}));
  const std::string in = Write("in.tav", bytes);
  auto r = Tavsec("records rewrite " + in + " " + dir_ + "/out.tav");
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(ReadWholeFile(dir_ + "/out.tav"), bytes);
}

TEST_F(TavsecRecords, CheckNamesTheOffsetOfDamage) {
  const std::string good = Write("good.tav", Chunk("COMT", "ok"));
  EXPECT_EQ(Tavsec("records check " + good).exit_code, 0);

  struct Case {
    std::string bytes;
    std::string expect;
  } cases[] = {
      {Chunk("COMT", "ok") + "CO", "offset 10: incomplete chunk header"},
      {Chunk("COMT", "ok") + Chunk("COMT", "abcdef").substr(0, 11), "offset 10: chunk 'COMT'"},
      {ListChunk("ESIG", {Chunk("ROWN", Bytes({0, 1}))}, 3), "offset 20: list 'ESIG' ends after 1 of its 3"},
      {Chunk("ROWN", Bytes({0, 1, 'C'})) + "OMT" + Bytes({0, 0, 0, 0}), "offset 0: chunk 'ROWN' declares 3 body bytes"},
  };
  for (const auto& c : cases) {
    const std::string path = Write("bad.tav", c.bytes);
    auto r = Tavsec("records check " + path);
    EXPECT_NE(r.exit_code, 0) << c.expect;
    EXPECT_NE(r.err.find(c.expect), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << "one line: " << r.err;
  }
  EXPECT_NE(Tavsec("records check " + dir_ + "/missing.tav").exit_code, 0);
}

TEST_F(TavsecRecords, RewriteRefusesDamagedInput) {
  const std::string in = Write("bad.tav", Chunk("COMT", "abcdef").substr(0, 9));
  auto r = Tavsec("records rewrite " + in + " " + dir_ + "/out.tav");
  EXPECT_NE(r.exit_code, 0);
  EXPECT_NE(std::ifstream(dir_ + "/out.tav").good(), true);
}

// Damage that a read tolerates for older files (here a list that ends
// before its count) would be written back with other bytes: rewrite
// refuses it as check does, and writes it only when told to, with a warning.
TEST_F(TavsecRecords, RewriteOfWhatCheckRejectsNeedsForce) {
  const std::string damaged = ListChunk("ESIG", {Chunk("ROWN", Bytes({0, 1}))}, 3);
  const std::string in = Write("cut.tav", damaged);
  const std::string out = dir_ + "/out.tav";
  EXPECT_NE(Tavsec("records check " + in).exit_code, 0);

  auto refused = Tavsec("records rewrite " + in + " " + out);
  EXPECT_NE(refused.exit_code, 0);
  EXPECT_NE(refused.err.find("list 'ESIG' ends after 1 of its 3"), std::string::npos) << refused.err;
  EXPECT_NE(refused.err.find("not written"), std::string::npos) << refused.err;
  EXPECT_FALSE(std::ifstream(out).good());
  // An existing output is left as it was.
  Write("out.tav", "keep");
  EXPECT_NE(Tavsec("records rewrite " + in + " " + out).exit_code, 0);
  EXPECT_EQ(ReadWholeFile(out), "keep");

  auto forced = Tavsec("records rewrite --force " + in + " " + out);
  EXPECT_EQ(forced.exit_code, 0) << forced.err;
  EXPECT_NE(forced.err.find("warning: "), std::string::npos) << forced.err;
  EXPECT_EQ(ReadWholeFile(out), ListChunk("ESIG", {Chunk("ROWN", Bytes({0, 1}))}));
  EXPECT_EQ(Tavsec("records check " + out).exit_code, 0);

  // A file that cannot be read at all is never written, forced or not.
  EXPECT_NE(Tavsec("records rewrite --force " + dir_ + "/missing.tav " + dir_ + "/o2.tav").exit_code, 0);
  EXPECT_FALSE(std::ifstream(dir_ + "/o2.tav").good());
}

TEST_F(TavsecRecords, CheckReportsAnAuditTrailCutShortAndDumpShowsItsEvents) {
  const std::string event =
      Chunk("AEvt", Bytes({0, 0, 0, 0, 0, 0, 0xf8, 0x3f, 3}) + "amy" + Bytes({0, 0, 0, 1}) +
                        Chunk("AEnx", Bytes({6, 0, 0})));
  const std::string in = Write("trail.tav", Chunk("AUDT", Bytes({0x01, 0, 0, 0, 0, 1, 0}) + event));
  auto check = Tavsec("records check " + in);
  EXPECT_NE(check.exit_code, 0);
  EXPECT_NE(check.err.find("list 'AUDT' ends after 1 of its 256"), std::string::npos) << check.err;
  auto dump = Tavsec("records dump " + in);
  EXPECT_EQ(dump.exit_code, 0) << dump.err;
  EXPECT_NE(dump.out.find("User Name = amy"), std::string::npos) << dump.out;
}

}  // namespace
}  // namespace tav

namespace tav {
namespace {

TEST(TavsecError, PrintsTheDescriptionOrRefusesBadCodes) {
  auto r = testing::RunCommand(std::string(TAVSEC_PATH) + " error 201");
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.out, "201 (File Not Found)\n");
  r = testing::RunCommand(std::string(TAVSEC_PATH) + " error -1420");
  EXPECT_EQ(r.out, "-1420 (Unknown Error)\n");
  r = testing::RunCommand(std::string(TAVSEC_PATH) + " error 7");
  EXPECT_EQ(r.out, "7 (Unknown)\n");
  for (const char* bad : {"0x10", "abc", "99999999999"}) {
    r = testing::RunCommand(std::string(TAVSEC_PATH) + " error " + bad);
    EXPECT_EQ(r.exit_code, 2) << bad;
    EXPECT_EQ(r.out, "") << bad;
  }
}

}  // namespace
}  // namespace tav
