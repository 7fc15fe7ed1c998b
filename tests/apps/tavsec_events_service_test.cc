// tavsec events ... and user check against a real compliance service: the
// listing and the chain check come from the service, and a failed check
// is recorded by the service, not by tavsec.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>

#include "testing/run_command.h"
#include "testing/service_process.h"
#include "testing/temp_data_dir.h"

namespace tav {
namespace {

using testing::CommandResult;

using testing::Has;

CommandResult Tavsec(const std::string& args, const std::string& input = "") {
  return testing::RunCommand(std::string(TAVSEC_PATH) + " " + args, input);
}

TEST(TavsecEventsServiceTest, ListAndVerifyGoThroughTheService) {
  TAV_SKIP_ON_LAB_STORE("edits the embedded store's file");
  testing::TempDataDir dir;
  dir.AllowPlainPasswords();
  ASSERT_EQ(Tavsec("user add carol", "Carol-Pass-1\n").exit_code, 0);
  testing::ServiceProcess service(dir.path());
  ASSERT_TRUE(service.ready());

  CommandResult r = Tavsec("user check carol", "wrong\n");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_TRUE(Has(r.out, "result: 1326")) << r.out;
  r = Tavsec("user check carol", "Carol-Pass-1\n");
  EXPECT_EQ(r.exit_code, 0) << r.err;
  r = Tavsec("events list");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_TRUE(Has(r.out, "2  ")) << r.out;
  EXPECT_TRUE(Has(r.out, ", carol, Failed Login\n")) << r.out;
  EXPECT_TRUE(Has(r.out, ", carol, Successful Login\n")) << r.out;

  r = Tavsec("events verify");
  EXPECT_EQ(r.exit_code, 0) << r.out << r.err;
  EXPECT_TRUE(Has(r.out, "system event log: 3 records, chain intact")) << r.out;
  EXPECT_TRUE(Has(r.out, "checked by the compliance service")) << r.out;
  // The whole store, as tavsec checks it itself: every log, the settings'
  // seal and the file.
  EXPECT_TRUE(Has(r.out, "configuration audit trail: 0 records, chain intact")) << r.out;
  EXPECT_TRUE(Has(r.out, "run file history: 0 records, chain intact")) << r.out;
  EXPECT_TRUE(Has(r.out, "\ndatabase: ok\n")) << r.out;
  ASSERT_EQ(Tavsec("config set part11 on --reason SOP-1").exit_code, 0);

  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open((dir.path() + "/compliance.db").c_str(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db,
                         "UPDATE system_events SET record = x'00' WHERE seq = 2; "
                         "DELETE FROM settings",
                         nullptr, nullptr, nullptr),
            SQLITE_OK);
  sqlite3_close(db);
  r = Tavsec("events verify");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_TRUE(Has(r.out, "system event log: event 2")) << r.out;
  EXPECT_TRUE(Has(r.out, "settings: ")) << r.out;
  EXPECT_FALSE(Has(r.out, "settings: match their seal")) << r.out;
  EXPECT_TRUE(Has(r.out, "VERIFICATION FAILED")) << r.out;

  // Without the service there is no listing from the folder behind it.
  service.Stop();
  r = Tavsec("events list");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_TRUE(Has(r.err, "not running")) << r.err;
}

}  // namespace
}  // namespace tav
