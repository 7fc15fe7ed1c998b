// The viewer's logic without a window: event and change rows, the chain
// line, and the CSV, JSON and clipboard forms of a list.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "audit/event_rows.h"
#include "audit/table_export.h"
#include "audit/trail_rows.h"
#include "util/ole_date.h"

namespace tav {
namespace {

TEST(EventRows, CellsNameTheFirstEntrysCodeAndAreEmptyWithoutOne) {
  const DATE date = *MakeOleDate(2026, 12, 6, 10, 0, 0);
  CAuditEventComp event;
  event.SetEvent("alice", date);
  EXPECT_EQ(EventRowTexts(event)[kEventNameColumn], "");
  EXPECT_EQ(EventRowTexts(event)[kEventUserColumn], "alice");
  EXPECT_EQ(EventRowTexts(event)[kEventDateColumn], FormatOleDate(date));

  ASSERT_EQ(event.AddAuditEntry(kAuditFailedESignature, nullptr, nullptr), 0);
  ASSERT_EQ(event.AddAuditEntry(kAuditSuccessfulLogin, nullptr, nullptr), 0);
  EXPECT_EQ(EventRowTexts(event)[kEventNameColumn], "Failed E-Signature Attempt");

  CAuditEventComp odd;
  odd.SetEvent("", date);
  ASSERT_EQ(odd.AddAuditEntry(static_cast<AUDITCODE>(42), nullptr, nullptr), 0);
  EXPECT_EQ(EventRowTexts(odd)[kEventNameColumn], "42");
}

// The builder's cached day and time texts must read exactly as the whole
// date formatted at once, across midnights, roundings and odd dates.
TEST(EventRows, TheBuildersCachedDatesReadAsFormatOleDate) {
  EventRowBuilder builder;
  std::vector<DATE> dates = {0.0,        0.5,        -1.25,     1.0,       1.0 + 0.5 / 86400,
                             45000.0,    45000.999994, 45000.999995, 45000.99999999,
                             45001.25,   kMaxOleDate, kMaxOleDate + 1, kMinOleDate,
                             1.0 / 0.0};
  uint64_t x = 88172645463325252ull;
  for (int i = 0; i < 20000; ++i) {
    x ^= x << 13, x ^= x >> 7, x ^= x << 17;
    dates.push_back(44000.0 + static_cast<double>(x % 4000000000ull) / 1e6);
  }
  for (const DATE date : dates) {
    EXPECT_EQ(builder.DateText(date), FormatOleDate(date)) << date;
  }
}

TEST(EventRows, ChainLineCountsAndNamesTheFirstBreak) {
  ChainReport report;
  EXPECT_EQ(ChainSummaryText(report), "0 events, chain intact");
  report.count = 1;
  EXPECT_EQ(ChainSummaryText(report), "1 event, chain intact");
  report.count = 3;
  report.problems.push_back({ChainProblem::kChanged, 2, 2, "event 2 was changed"});
  EXPECT_EQ(ChainSummaryText(report), "3 events. Chain broken: event 2 was changed");
  report.problems.push_back({ChainProblem::kBadHead, 3, 3, "the end is missing"});
  report.problems.push_back({ChainProblem::kBadHead, 3, 3, "again"});
  EXPECT_EQ(ChainSummaryText(report),
            "3 events. Chain broken: event 2 was changed (and 2 more problems)");
}

TEST(TrailRows, OneLinePerChangeAndEveryValueInTheDetail) {
  ConfigTrailEvent change;
  change.number = 7;
  change.date = *MakeOleDate(2026, 12, 6, 9, 30, 0);
  change.user = "alice";
  change.reason = "new hire\nin QA";
  change.entries.push_back({"Changed Record", "Access Control Settings > tav-analysts",
                            "Start Runs: No -> Yes\n", "", ""});
  change.entries.push_back({"Added Record", "", "", "", ""});
  const auto cells = TrailRowTexts(change);
  EXPECT_EQ(cells[kTrailDateColumn], FormatOleDate(change.date));
  EXPECT_EQ(cells[kTrailWhatColumn],
            "Changed Record: Access Control Settings > tav-analysts; Added Record");
  EXPECT_EQ(cells[kTrailReasonColumn], "new hire in QA");

  const std::string detail = TrailChangeDetail(change);
  EXPECT_NE(detail.find("Change 7 on " + FormatOleDate(change.date) + " by alice\n"),
            std::string::npos);
  EXPECT_NE(detail.find("Reason for change: new hire\nin QA\n"), std::string::npos);
  EXPECT_NE(detail.find("Access Control Settings > tav-analysts\nStart Runs: No -> Yes\n"),
            std::string::npos);
  EXPECT_NE(detail.find("Added Record\n(no values recorded)\n"), std::string::npos);

  change.reason.clear();
  change.user.clear();
  EXPECT_EQ(TrailRowTexts(change)[kTrailReasonColumn], "");
  EXPECT_NE(TrailChangeDetail(change).find("by (no user)\nReason for change: (none given)"),
            std::string::npos);
}

// The viewer shows the dialog's words; listings and exports keep the stored
// form.
TEST(TrailRows, ShownWordingOnlyWhereAskedFor) {
  ConfigTrailEvent change;
  change.entries.push_back({"Changed Record", "21CFREnabledFlag",
                            "    [Changed] 21CFREnabledFlag [From] 0 [To] 1\n",
                            "21 CFR Part 11 features", "21 CFR Part 11 features: Off -> On\n"});
  EXPECT_EQ(TrailRowTexts(change, TrailWording::kShown)[kTrailWhatColumn],
            "Changed Record: 21 CFR Part 11 features");
  EXPECT_NE(TrailChangeDetail(change, TrailWording::kShown)
                .find("Changed Record: 21 CFR Part 11 features\n"
                      "21 CFR Part 11 features: Off -> On\n"),
            std::string::npos);
  EXPECT_EQ(TrailRowTexts(change)[kTrailWhatColumn], "Changed Record: 21CFREnabledFlag");
  EXPECT_EQ(TrailEntriesText(change),
            "Changed Record: 21CFREnabledFlag\n    [Changed] 21CFREnabledFlag [From] 0 [To] 1\n");
}

struct Table {
  std::vector<const char*> headings;
  std::vector<std::vector<std::string>> rows;
  TableView View() const {
    TableView view;
    view.headings = headings;
    view.rows = rows.size();
    view.cell = [this](size_t row, size_t column) -> std::string_view {
      return rows[row][column];
    };
    return view;
  }
};

TEST(TableExport, CsvQuotesWhatWouldBreakAFieldAndKeepsTheRowOrder) {
  const Table table{{"Date & Time", "Event"},
                    {{"b", "plain"},
                     {"a", "comma, here"},
                     {"c", "say \"hi\""},
                     {"d", "two\nlines"},
                     {"e", " padded"},
                     {"f", ""}}};
  std::string csv;
  AppendCsv(table.View(), &csv);
  EXPECT_EQ(csv,
            "Date & Time,Event\r\n"
            "b,plain\r\n"
            "a,\"comma, here\"\r\n"
            "c,\"say \"\"hi\"\"\"\r\n"
            "d,\"two\nlines\"\r\n"
            "e,\" padded\"\r\n"
            "f,\r\n");
  EXPECT_EQ(CsvField("cr\rhere"), "\"cr\rhere\"");
}

TEST(TableExport, JsonEscapesAndAnEmptyTableIsAnEmptyArray) {
  Table table{{"Date & Time", "User Login"}, {{"x\"y", "a\\b\n\x01"}}};
  const char* keys[] = {"date", "user"};
  std::string json;
  AppendJson(table.View(), keys, &json);
  EXPECT_EQ(json, "[\n  {\"date\": \"x\\\"y\", \"user\": \"a\\\\b\\n\\u0001\"}\n]\n");
  // Names from records may hold any bytes: the document stays valid UTF-8.
  table.rows = {{"\xC3\xA9t\xC3\xA9 \xF0\x9F\x98\x80", "bad \xFF \xC3 \xED\xA0\x80 \xC0\xAF"}};
  json.clear();
  AppendJson(table.View(), keys, &json);
  EXPECT_EQ(json, "[\n  {\"date\": \"\xC3\xA9t\xC3\xA9 \xF0\x9F\x98\x80\", \"user\": "
                  "\"bad \\ufffd \\ufffd \\ufffd\\ufffd\\ufffd \\ufffd\\ufffd\"}\n]\n");
  table.rows.clear();
  json.clear();
  AppendJson(table.View(), keys, &json);
  EXPECT_EQ(json, "[]\n");
}

TEST(TableExport, ClipboardLinesAreTabSeparatedOneLineEach) {
  const Table table{{"A", "B"}, {{"1", "x\ty"}, {"2", "p\nq"}, {"3", "z"}}};
  std::string text;
  const int rows[] = {0, 2, 7};  // 7 is past the end and skipped
  AppendTextLines(table.View(), rows, &text);
  EXPECT_EQ(text, "1\tx y\n3\tz\n");
}

}  // namespace
}  // namespace tav
