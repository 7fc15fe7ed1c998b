// Audit reports laid out on pages and read back as a person's PDF reader
// reads them (pdftotext): the header on every page with "Page N of M",
// every row once and whole, a long text wrapped within its column, the
// trail's detail under its change, the reviews on the first page; and
// tavsec's report of a known log with a filter.
#include "audit/report_pdf.h"

#include <gtest/gtest.h>

#include <array>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "TAVSecurityUI.h"
#include "audit/event_report.h"
#include "records/audit_code.h"
#include "services/filelib/compliance_db.h"
#include "services/filelib/system_event_manager.h"
#include "testing/log_records.h"
#include "testing/run_command.h"
#include "testing/temp_data_dir.h"
#include "ui/gui_app.h"
#include "util/file.h"

namespace tav {
namespace {

// The text of `pdf` in the order it was painted, one line per line.
std::string PdfText(const std::string& pdf) {
  const testing::CommandResult text = testing::RunCommand("pdftotext -raw '" + pdf + "' -");
  EXPECT_EQ(text.exit_code, 0) << "pdftotext (poppler-utils): " << text.err;
  return text.out;
}

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// Runs of white space as one space, so that wrapped lines read as one.
std::string Flat(const std::string& text) {
  return std::regex_replace(text, std::regex("\\s+"), " ");
}

using testing::AppendEvent;

class ReportPdfTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(EnsureGuiApplication()); }
  testing::TempDataDir dir_;
};

TEST_F(ReportPdfTest, EveryPageHasItsHeaderAndEveryRowComesOnceAndWhole) {
  constexpr size_t kRows = 180;
  const std::string long_text =
      "the balance in room 4 was recalibrated after the service visit and every "
      "reading of the morning run was checked against the reference weights twice";
  std::vector<std::array<std::string, 3>> rows;
  for (size_t i = 0; i < kRows; ++i) {
    rows.push_back({"2026-12-06 10:00:" + std::to_string(i % 60), "user" + std::to_string(1000 + i),
                    i == 7 ? long_text : "Successful Login"});
  }
  static constexpr const char* kHeadings[] = {"Date & Time", "User Login", "Event"};
  AuditReport report;
  report.title = "System Event Log";
  ReportContext context;
  context.machine = "bench-7";
  context.store = "/var/lib/tavsecurity";
  context.filter = "user alice";
  context.integrity = "180 events, chain intact";
  context.printed_by = "alice";
  context.printed_at = "2026-12-08 09:00:00";
  report.header = ReportHeaderLines(context);
  report.table.headings = kHeadings;
  report.table.rows = rows.size();
  report.table.cell = [&](size_t row, size_t column) -> std::string_view {
    return rows[row][column];
  };
  report.reviews = {"2026-12-07 17:00:00 bob: Reviewed system events 1 to 90 (90 events)"};

  const std::string pdf = dir_.path() + "/report.pdf";
  std::string error;
  int pages = 0;
  ASSERT_TRUE(WriteReportPdf(report, pdf, &error, &pages)) << error;
  ASSERT_GT(pages, 2);
  const std::string text = PdfText(pdf);

  EXPECT_EQ(Count(text, "System Event Log"), static_cast<size_t>(pages));
  EXPECT_EQ(Count(text, "Site: bench-7"), static_cast<size_t>(pages));
  EXPECT_EQ(Count(text, "Printed by: alice on 2026-12-08 09:00:00"), static_cast<size_t>(pages));
  EXPECT_EQ(Count(text, "User Login"), static_cast<size_t>(pages));  // the headings
  for (int page = 1; page <= pages; ++page) {
    EXPECT_EQ(Count(text, "Page " + std::to_string(page) + " of " + std::to_string(pages)), 1u);
  }
  for (size_t i = 0; i < kRows; ++i) {
    EXPECT_EQ(Count(text, "user" + std::to_string(1000 + i)), 1u) << i;
  }
  EXPECT_EQ(Count(Flat(text), long_text), 1u) << text.substr(0, 3000);
  EXPECT_EQ(Count(text, "bob: Reviewed system events 1 to 90"), 1u);

  // A failed write leaves no file behind and says why.
  EXPECT_FALSE(WriteReportPdf(report, dir_.path() + "/no/such/folder/r.pdf", &error));
  EXPECT_FALSE(error.empty());
}

TEST_F(ReportPdfTest, ARowLongerThanAPageRunsOverAndTheDetailComesUnderItsRow) {
  static constexpr const char* kHeadings[] = {"Date & Time", "User Login", "What Changed"};
  std::string detail;
  for (int line = 0; line < 150; ++line) detail += "old value " + std::to_string(line) + "\n";
  AuditReport report;
  report.title = "Configuration Audit Trail";
  report.table.headings = kHeadings;
  report.table.rows = 2;
  report.table.cell = [](size_t row, size_t column) -> std::string_view {
    static const std::string cells[2][3] = {{"d1", "carol", "Changed Record: A"},
                                            {"d2", "dave", "Added Record: B"}};
    return cells[row][column];
  };
  report.detail = [&](size_t row) { return row == 0 ? detail : std::string("new value B"); };
  const std::string pdf = dir_.path() + "/trail.pdf";
  std::string error;
  int pages = 0;
  ASSERT_TRUE(WriteReportPdf(report, pdf, &error, &pages)) << error;
  EXPECT_GE(pages, 2);
  const std::string text = PdfText(pdf);
  EXPECT_NE(text.find("Changed Record: A"), std::string::npos);
  EXPECT_LT(text.find("old value 149"), text.find("Added Record: B"));
  EXPECT_LT(text.find("Added Record: B"), text.find("new value B"));
  EXPECT_EQ(Count(text, "old value 1\n"), 1u);
}

TEST_F(ReportPdfTest, TavsecReportsTheEventsAFilterKeeps) {
  const char* users[] = {"alice", "bob", "alice", "carol"};
  for (int i = 0; i < 4; ++i) {
    AppendEvent(MakeSystemEvent(i == 1 ? kAuditFailedLogin : kAuditSuccessfulLogin, users[i]));
  }
  const std::string pdf = dir_.path() + "/events.pdf";
  const testing::CommandResult run = testing::RunCommand(
      dir_.CommandEnv() + " " + TAVSEC_PATH + " events report --pdf '" + pdf + "' --user alice");
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(run.out, "2 records on 1 page written to " + pdf + "\n");
  const std::string text = PdfText(pdf);
  EXPECT_EQ(Count(text, "alice"), 3u);  // two rows and the filter line
  EXPECT_EQ(Count(text, "bob"), 0u);
  EXPECT_NE(text.find("Filter: user alice"), std::string::npos);
  EXPECT_NE(text.find("4 events, chain intact"), std::string::npos);
  EXPECT_EQ(testing::RunCommand(std::string(TAVSEC_PATH) + " events report --pdf x.pdf --from "
                                                           "yesterday")
                .exit_code,
            2);
}

}  // namespace
}  // namespace tav
