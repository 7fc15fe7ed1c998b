// tavsec as administrators and scripts use it: exit statuses, error lines,
// --version, and the JSON of every listing read back by a JSON parser, with
// names holding quotes, commas, non-ASCII letters and line breaks.
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <fstream>
#include <string>
#include <vector>

#include "records/chunk_file.h"
#include "records/esig_config_comp.h"
#include "records/value_comps.h"
#include "testing/run_command.h"
#include "testing/temp_data_dir.h"
#include "util/data_dir.h"
#include "util/file.h"

namespace tav {
namespace {

using testing::CommandResult;
using testing::RunCommand;

constexpr char kExitStatusLine[] =
    "Exit status: 0 success, 1 failure, 2 usage error (bad arguments).";
// Quotes, a comma, non-ASCII letters and a line break.
constexpr char kAwkward[] = "Ren\xC3\xA9" "e \"QC\", Lab \xE2\x84\x96" "1\nsecond line";

// `text` as one word for the shell, whatever it holds.
std::string Quote(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

QJsonDocument ParseJson(const CommandResult& run) {
  QJsonParseError error;
  QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(run.out), &error);
  EXPECT_EQ(error.error, QJsonParseError::NoError)
      << error.errorString().toStdString() << " in: " << run.out;
  EXPECT_TRUE(!run.out.empty() && run.out.back() == '\n');
  return doc;
}

std::string Text(const QJsonValue& value) { return value.toString().toStdString(); }

CommandResult Tavsec(const std::string& args, const std::string& input = "") {
  return RunCommand(std::string(TAVSEC_PATH) + " " + args, input);
}

TEST(TavsecCommandLine, ExitStatusesAndErrorLines) {
  struct Case {
    const char* args;
    int status;
    const char* error_start;
  };
  for (const Case& c : std::vector<Case>{
           {"", 2, "tavsec: "},
           {"frobnicate", 2, "tavsec: usage: unknown command 'frobnicate'\n"},
           {"user frobnicate", 2, "tavsec: user: unknown command 'frobnicate'\n"},
           {"user add", 2, "tavsec: user add: "},
           {"config trail --format xml", 2, "tavsec: config trail: "},
           {"events list --bogus", 2, "tavsec: events list: "},
           {"error 12x", 2, "tavsec: error: '12x' is not a decimal 32-bit integer\n"},
           {"records check /nonexistent/run.tav", 1, "tavsec: open failed for '/nonexistent/run.tav'"},
       }) {
    CommandResult run = Tavsec(c.args);
    EXPECT_EQ(run.exit_code, c.status) << c.args << ": " << run.err;
    EXPECT_EQ(run.err.rfind(c.error_start, 0), 0u) << c.args << ": " << run.err;
  }
  // Help is success, and every page tells the statuses.
  for (const char* args : {"--help", "user list --help", "config set part11 --help"}) {
    CommandResult run = Tavsec(args);
    EXPECT_EQ(run.exit_code, 0) << args;
    EXPECT_NE(run.out.find(kExitStatusLine), std::string::npos) << args << ": " << run.out;
  }
}

TEST(TavsecCommandLine, Version) {
  CommandResult run = Tavsec("--version");
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_EQ(run.out, "tavsec " TAV_VERSION "\n");
  // tav-host answers before it needs a display.
  run = RunCommand("env -u DISPLAY -u WAYLAND_DISPLAY " TAV_HOST_PATH " --version");
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_EQ(run.out, "tav-host " TAV_VERSION "\n");
  EXPECT_EQ(RunCommand(TAV_HOST_PATH " --bogus").exit_code, 2);
}

// A store of the test's own (TAV_DATA_DIR) and a private stealth flag.
class TavsecJson : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!DataDirOverrideAllowed("")) {
      GTEST_SKIP() << "this machine's store does not allow TAV_DATA_DIR";
    }
    data_.AllowPlainPasswords();
    flag_ = "tav_cli_test_" + std::to_string(getpid());
    setenv("TAV_STEALTH_NAME", flag_.c_str(), 1);
  }
  void TearDown() override {
    unsetenv("TAV_STEALTH_NAME");
    shm_unlink(("/" + flag_).c_str());
  }

  testing::TempDataDir data_;
  std::string flag_;
};

TEST_F(TavsecJson, Users) {
  EXPECT_EQ(Tavsec("user list --format json").out, "[]\n");
  const std::string full_name = "Ren\xC3\xA9" "e \"Nan\" O, Brien";
  CommandResult add = Tavsec("user add ren\xC3\xA9" "e --full-name " + Quote(full_name) +
                                 " --description " + Quote("\xE2\x9C\x93 checks, \"all\"") +
                                 " --group " + Quote("QC \"A\"") + " --group Lab --admin",
                             "secret-1\n");
  ASSERT_EQ(add.exit_code, 0) << add.err;
  CommandResult run = Tavsec("user list --format json");
  ASSERT_EQ(run.exit_code, 0) << run.err;
  const QJsonArray users = ParseJson(run).array();
  ASSERT_EQ(users.size(), 1);
  const QJsonObject user = users[0].toObject();
  EXPECT_EQ(Text(user["name"]), "ren\xC3\xA9" "e");
  EXPECT_EQ(Text(user["full_name"]), full_name);
  EXPECT_EQ(Text(user["description"]), "\xE2\x9C\x93 checks, \"all\"");
  EXPECT_EQ(user["groups"].toArray(), (QJsonArray{"QC \"A\"", "Lab"}));
  EXPECT_TRUE(user["admin"].toBool());
  EXPECT_FALSE(user["disabled"].toBool(true));
}

TEST_F(TavsecJson, SettingsTrailEventsAndStatus) {
  CommandResult set = Tavsec("config set part11 on --reason " + Quote(kAwkward));
  ASSERT_EQ(set.exit_code, 0) << set.err;

  CommandResult run = Tavsec("config trail --format json");
  ASSERT_EQ(run.exit_code, 0) << run.err;
  const QJsonArray trail = ParseJson(run).array();
  ASSERT_FALSE(trail.isEmpty());
  EXPECT_EQ(Text(trail.last().toObject()["reason"]), kAwkward);

  run = Tavsec("config show --format json");
  ASSERT_EQ(run.exit_code, 0) << run.err;
  const QJsonObject settings = ParseJson(run).object();
  EXPECT_TRUE(settings["refused"].isNull());
  EXPECT_TRUE(settings["part11"].toBool());
  EXPECT_TRUE(settings["idle_timeout_minutes"].isDouble());
  ASSERT_FALSE(settings["groups"].toArray().isEmpty());
  EXPECT_FALSE(Text(settings["groups"].toArray()[0].toObject()["name"]).empty());
  const QJsonArray auditing = settings["auditing"].toArray();
  ASSERT_FALSE(auditing.isEmpty());
  EXPECT_EQ(auditing[0].toObject()["type"].toInt(-1), 0);
  EXPECT_FALSE(settings["esignatures"].toArray().isEmpty());

  run = Tavsec("events list --format json");
  ASSERT_EQ(run.exit_code, 0) << run.err;
  const QJsonArray events = ParseJson(run).array();
  for (const QJsonValue& event : events) {
    for (const char* key : {"number", "date", "user", "event"}) {
      EXPECT_TRUE(event.toObject()[key].isString()) << key;
    }
  }

  // With --workstations each row also names the workstation that stored it:
  // the lab store keeps the login role of every row, the embedded store none.
  for (const char* args : {"events list --format json --workstations",
                           "config trail --format json --workstations"}) {
    SCOPED_TRACE(args);
    run = Tavsec(args);
    ASSERT_EQ(run.exit_code, 0) << run.err;
    const QJsonArray rows = ParseJson(run).array();
    ASSERT_FALSE(rows.isEmpty());
    for (const QJsonValue& row : rows) {
      ASSERT_TRUE(row.toObject()["workstation"].isString());
      EXPECT_EQ(Text(row.toObject()["workstation"]).empty(), !testing::TestsUseLabStore());
    }
  }

  run = Tavsec("status --format json");
  ASSERT_EQ(run.exit_code, 0) << run.err;
  const QJsonObject status = ParseJson(run).object();
  EXPECT_EQ(Text(status["data_directory"]), data_.path());
  EXPECT_FALSE(status["machine_wide"].toBool(true));
  // The engine the suite runs on (TempDataDir's store.conf).
  const std::string engine = testing::TestsUseLabStore() ? "postgresql" : "sqlite";
  EXPECT_EQ(Text(status["engine"]), engine);
  EXPECT_TRUE(status["part11"].toBool());
  EXPECT_FALSE(status["stealth"].toBool(true));
  EXPECT_EQ(status["events"].toObject()["count"].toInt(-1), events.size());
  EXPECT_TRUE(status["events"].toObject()["chain_intact"].toBool());

  run = Tavsec("status");
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_NE(run.out.find("engine: " + engine + "\n"), std::string::npos) << run.out;
}

TEST_F(TavsecJson, RunList) {
  // A line break would forge lines in the text listing: refused.
  const std::string broken = data_.File(std::string(kAwkward) + ".tav");
  std::ofstream(broken) << "run";
  EXPECT_EQ(Tavsec("runlist add --created " + Quote(broken)).exit_code, 2);
  std::string awkward = kAwkward;
  awkward.replace(awkward.find('\n'), 1, " ");
  const std::string path = data_.File(awkward + ".tav");
  std::ofstream(path) << "run";
  CommandResult add = Tavsec("runlist add --created " + Quote(path));
  ASSERT_EQ(add.exit_code, 0) << add.err;

  CommandResult run = Tavsec("runlist list --format json");
  ASSERT_EQ(run.exit_code, 0) << run.err;
  const QJsonArray list = ParseJson(run).array();
  ASSERT_EQ(list.size(), 1);
  EXPECT_EQ(Text(list[0].toObject()["path"]), path);
  EXPECT_FALSE(Text(list[0].toObject()["type"]).empty());

  run = Tavsec("runlist history --format json");
  ASSERT_EQ(run.exit_code, 0) << run.err;
  const QJsonArray history = ParseJson(run).array();
  ASSERT_EQ(history.size(), 1);
  EXPECT_EQ(Text(history[0].toObject()["path"]), path);
  EXPECT_TRUE(history[0].toObject()["source"].isNull());
}

// Whether any item of a dumped property tree holds `text`.
bool TreeHolds(const QJsonArray& items, const QString& text) {
  for (const QJsonValue& item : items) {
    const QJsonObject o = item.toObject();
    if (o["value"].toString() == text || TreeHolds(o["children"].toArray(), text)) return true;
  }
  return false;
}

TEST_F(TavsecJson, RecordsDumpAndAudit) {
  auto write = [this](const std::string& name, std::unique_ptr<CComponent> chunk) {
    std::vector<std::unique_ptr<CComponent>> chunks;
    chunks.push_back(std::move(chunk));
    CMemFile file;
    EXPECT_EQ(WriteChunkFile(&file, chunks), kRecordOk);
    WriteFileAtomically(data_.File(name), file.view());
    return data_.File(name);
  };
  const std::string text = write("text.tav", std::make_unique<CTextComp>("COMT", kAwkward));
  CommandResult run = Tavsec("records dump --format json " + text);
  ASSERT_EQ(run.exit_code, 0) << run.err;
  QJsonObject dump = ParseJson(run).object();
  EXPECT_TRUE(dump["complete"].toBool());
  EXPECT_TRUE(TreeHolds(dump["items"].toArray(), QString::fromUtf8(kAwkward))) << run.out;

  // A damaged file: what could be read, marked incomplete, status 1.
  const std::string bytes = ReadWholeFile(text);
  WriteFileAtomically(data_.File("cut.tav"), std::string_view(bytes).substr(0, bytes.size() - 3));
  run = Tavsec("records dump --format json " + data_.File("cut.tav"));
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_FALSE(ParseJson(run).object()["complete"].toBool(true));

  auto reasons = [](std::initializer_list<std::array<int, 3>> list) {
    auto comp = std::make_unique<CESigReasonConfigListComp>();
    for (const auto& r : list) {
      comp->AddComponent(std::make_unique<CESigReasonConfigComp>(ESigReason{r[0], r[1], {}}, r[2]));
    }
    return comp;
  };
  const std::string before = write("old.tav", reasons({{1, 0, 1}, {2, 0, 1}}));
  const std::string after = write("new.tav", reasons({{1, 0, 2}, {3, 0, 1}}));
  run = Tavsec("records audit --format json " + before + " " + after);
  ASSERT_EQ(run.exit_code, 0) << run.err;
  // The same entries as the text listing, field by field.
  std::string lines;
  for (const QJsonValue& entry : ParseJson(run).array()) {
    const QJsonObject o = entry.toObject();
    lines += Text(o["code"]) + "\t" + Text(o["path"]);
    if (!o["record"].isNull()) lines += "\t" + Text(o["record"]);
    lines += "\n";
  }
  EXPECT_EQ(lines, Tavsec("records audit " + before + " " + after).out);
}

}  // namespace
}  // namespace tav
