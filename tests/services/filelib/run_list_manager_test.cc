#include "services/filelib/run_list_manager.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "services/filelib/acting_user.h"
#include "services/filelib/compliance_db.h"
#include "services/filelib/filelib_codes.h"
#include "services/filelib/record_chain.h"
#include "services/security/account_store.h"
#include "services/security/korwinsec.h"
#include "testing/temp_data_dir.h"

namespace tav {
namespace {

using testing::TempDataDir;

std::vector<std::string> Paths(CFileRecordListComp* list) {
  std::vector<std::string> out;
  if (list == nullptr) return out;
  POSITION pos = list->GetFirstChildPosition();
  while (pos != nullptr) {
    auto* record = dynamic_cast<CFileRecordComp*>(list->GetNextChild(pos));
    out.push_back(record->GetFilePath().value_or("?"));
  }
  return out;
}

std::vector<int> Types(CFileRecordListComp* list) {
  std::vector<int> out;
  POSITION pos = list->GetFirstChildPosition();
  while (pos != nullptr) out.push_back(dynamic_cast<CFileRecordComp*>(list->GetNextChild(pos))->GetType());
  return out;
}

TEST(RunList, ImportDeleteAndMoveKeepListAndHistory) {
  TempDataDir dir;
  CRunListManager manager;
  CFileRecordComp record;
  ASSERT_EQ(manager.ImportFileRecord("/runs/a.tav", &record), kFileLibOk);
  EXPECT_EQ(record.GetType(), kFileRecordAdded);
  EXPECT_EQ(record.GetFilePath(), "/runs/a.tav");
  EXPECT_EQ(record.GetUserName(), ActingUserName());
  EXPECT_FALSE(record.GetSourcePath().has_value());
  EXPECT_NE(record.GetDate(), 0.0);

  EXPECT_EQ(manager.ImportFileRecord("/runs/a.tav", &record), kFileLibAlreadyOnList);
  // POSIX paths are case-sensitive: another file.
  EXPECT_EQ(manager.ImportFileRecord("/runs/A.tav", nullptr), kFileLibOk);
  // Windows-form paths are not.
  EXPECT_EQ(manager.ImportFileRecord("C:\\Runs\\b.tav", nullptr), kFileLibOk);
  EXPECT_EQ(manager.ImportFileRecord("c:\\runs\\B.TAV", nullptr), kFileLibAlreadyOnList);

  CFileRecordComp moved;
  ASSERT_EQ(manager.MoveFileRecord("/data/a.tav", "/runs/a.tav", 0, &moved), kFileLibOk);
  EXPECT_EQ(moved.GetType(), kFileRecordMoved);
  EXPECT_EQ(moved.GetSourcePath(), "/runs/a.tav");
  // Moving onto a listed file replaces it on the list.
  ASSERT_EQ(manager.MoveFileRecord("/data/a.tav", "/runs/A.tav", 1, &moved), kFileLibOk);
  EXPECT_EQ(moved.GetType(), kFileRecordMovedAndReplaced);

  EXPECT_EQ(manager.DeleteFileRecord("/runs/a.tav", 1, &record), kFileLibNotOnList);
  CFileRecordComp deleted;
  ASSERT_EQ(manager.DeleteFileRecord("C:\\RUNS\\b.tav", 0, &deleted), kFileLibOk);
  EXPECT_EQ(deleted.GetType(), kFileRecordRemoved);

  EXPECT_EQ(Paths(manager.LoadCurrentFileList()), std::vector<std::string>{"/data/a.tav"});
  CFileRecordListComp* history = manager.LoadFileRecordHistory();
  ASSERT_NE(history, nullptr);
  EXPECT_TRUE(history->GetTag().Is("HFRL"));
  EXPECT_EQ(Types(history), (std::vector<int>{7, 7, 7, 3, 8, 6}));

  std::shared_ptr<ComplianceDb> db;
  ASSERT_TRUE(ComplianceDb::Get(&db).ok());
  ChainReport report;
  ASSERT_TRUE(db->Read([&](SqlDb& c) {
                  return VerifyChain(c, ChainedLog::kRunHistory, &report);
                }).ok());
  EXPECT_TRUE(report.ok());
  EXPECT_EQ(report.count, 6u);
}

// A loaded history is placed in one block of memory; a record taken out of
// it stays whole, and can still be changed, after its list is gone.
TEST(RunList, ARecordTakenFromALoadedHistoryOutlivesTheList) {
  TempDataDir dir;
  std::unique_ptr<CComponent> kept;
  {
    CRunListManager manager;
    ASSERT_EQ(manager.ImportFileRecord("/runs/a.tav", nullptr), kFileLibOk);
    ASSERT_EQ(manager.MoveFileRecord("/data/a.tav", "/runs/a.tav", 0, nullptr), kFileLibOk);
    CFileRecordListComp* history = manager.LoadFileRecordHistory();
    ASSERT_NE(history, nullptr);
    ASSERT_EQ(history->GetChildCount(), 2u);
    kept = history->RemoveComponent(history->GetLastChildPosition());
    ASSERT_NE(manager.LoadFileRecordHistory(), nullptr);  // the first list is gone
  }
  auto* record = dynamic_cast<CFileRecordComp*>(kept.get());
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(record->GetType(), kFileRecordMoved);
  EXPECT_EQ(record->GetFilePath(), "/data/a.tav");
  EXPECT_EQ(record->GetSourcePath(), "/runs/a.tav");
  record->SetFilePath("/else/a.tav");
  EXPECT_EQ(record->GetFilePath(), "/else/a.tav");
}

TEST(RunList, HostRecordsCreatedCopiedAndReplacedFiles) {
  TempDataDir dir;
  CRunListManager manager;
  CFileRecordComp record;
  ASSERT_EQ(manager.RecordFileOperation(kFileRecordCreated, "/runs/new.tav", nullptr, &record),
            kFileLibOk);
  ASSERT_EQ(manager.RecordFileOperation(kFileRecordCopied, "/runs/copy.tav", "/runs/new.tav",
                                        &record),
            kFileLibOk);
  EXPECT_EQ(record.GetSourcePath(), "/runs/new.tav");
  // Recording an operation on a listed file replaces its record.
  ASSERT_EQ(manager.RecordFileOperation(kFileRecordReplaced, "/runs/new.tav", "", &record),
            kFileLibOk);
  EXPECT_EQ(Paths(manager.LoadCurrentFileList()),
            (std::vector<std::string>{"/runs/copy.tav", "/runs/new.tav"}));
  EXPECT_EQ(Types(manager.LoadCurrentFileList()), (std::vector<int>{2, 5}));
  EXPECT_EQ(Types(manager.LoadFileRecordHistory()), (std::vector<int>{1, 2, 5}));
}

TEST(RunList, RecordsCarryTheUserTheThreadImpersonates) {
  TempDataDir dir;
  std::ofstream(dir.File("security.conf")) << "backend = local\n";
  {
    std::unique_ptr<AccountStore> store;
    std::string error;
    ASSERT_EQ(AccountStore::Open(dir.File("accounts.db"), AccountStore::Mode::kCreate, &store,
                                 &error),
              AccountStore::Status::kOk)
        << error;
    ASSERT_EQ(store->Add({"dana", "Dana", "", {"tav-operators"}, false, false}, "pw-dana", &error),
              AccountStore::Status::kOk)
        << error;
  }
  HANDLE token = nullptr;
  ASSERT_EQ(KorWinSec_aImpersonateUser("dana", "", "pw-dana", &token), 0);
  CRunListManager manager;
  CFileRecordComp record;
  ASSERT_EQ(manager.ImportFileRecord("/runs/dana.tav", &record), kFileLibOk);
  EXPECT_EQ(record.GetUserName(), "dana");
  KorWinSec_EndImpersonation(&token);
  ASSERT_EQ(manager.ImportFileRecord("/runs/self.tav", &record), kFileLibOk);
  EXPECT_EQ(record.GetUserName(), ProcessUserName());
}

std::string NameOfRoot() {
  const std::string name = ProcessUserName();
  return name.substr(0, name.find(" ("));
}

TEST(ActingUser, AnAdministratorWhoBecameRootIsNamed) {
  // The kernel's login user of a session is set once, at login; a child
  // process stands in for a session logged in as "nobody".
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    if (!(std::ofstream("/proc/self/loginuid") << "65534")) _exit(3);
    if (geteuid() == 65534) _exit(4);
    const std::string name = ProcessUserName();
    _exit(name == NameOfRoot() + " (logged in as nobody)" ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 3 || WEXITSTATUS(status) == 4) {
    GTEST_SKIP() << "the login user cannot be set here";
  }
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(RunList, RefusesBadArgumentsWithoutWriting) {
  TempDataDir dir;
  CRunListManager manager;
  EXPECT_EQ(manager.ImportFileRecord(nullptr, nullptr), kFileLibInvalidArgument);
  EXPECT_EQ(manager.ImportFileRecord("", nullptr), kFileLibInvalidArgument);
  EXPECT_EQ(manager.ImportFileRecord("relative/a.tav", nullptr), kFileLibInvalidArgument);
  EXPECT_EQ(manager.MoveFileRecord("/a.tav", "/a.tav", 0, nullptr), kFileLibInvalidArgument);
  EXPECT_EQ(manager.RecordFileOperation(kFileRecordMoved, "/a.tav", nullptr, nullptr),
            kFileLibInvalidArgument);
  EXPECT_TRUE(Paths(manager.LoadFileRecordHistory()).empty());
}

}  // namespace
}  // namespace tav
