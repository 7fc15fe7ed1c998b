#include "services/filelib/run_list_manager.h"

#include <algorithm>
#include <cctype>
#include <functional>
#include <optional>

#include "records/chunk_file.h"
#include "services/filelib/acting_user.h"
#include "services/filelib/compliance_db.h"
#include "services/filelib/component_arena.h"
#include "services/filelib/filelib_codes.h"
#include "services/filelib/loaded_lists.h"
#include "services/filelib/log_output.h"
#include "services/filelib/record_chain.h"
#include "util/strings.h"

namespace tav {

namespace {

constexpr char kFindPath[] = "SELECT id FROM run_list WHERE path = ?1";
constexpr char kInsertPath[] = "INSERT INTO run_list(path, record) VALUES(?1, ?2)";
constexpr char kDeletePath[] = "DELETE FROM run_list WHERE path = ?1";
constexpr char kSelectList[] = "SELECT record FROM run_list ORDER BY id";
constexpr char kListPage[] =
    "SELECT id, record FROM run_list WHERE id >= ?1 ORDER BY id LIMIT ?2";
constexpr char kListCount[] = "SELECT count(*) FROM run_list";
constexpr char kHistoryPage[] =
    "SELECT seq, record FROM run_history WHERE seq >= ?1 ORDER BY seq LIMIT ?2";

bool IsWindowsForm(std::string_view path) {
  return (path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) &&
          path[1] == ':') ||
         path.find('\\') != std::string_view::npos;
}

// The list's key of a path: equal keys exactly when SameRunFilePath says
// the paths name the same file.
std::string PathKey(std::string_view path) {
  return IsWindowsForm(path) ? ToLowerAscii(path) : std::string(path);
}

// Absolute, and without control characters: a line break in a path would
// forge lines in every listing printed a record a line.
bool ValidPath(const char* path) {
  if (path == nullptr || path[0] == '\0') return false;
  const std::string_view p(path);
  return (IsWindowsForm(p) || p.front() == '/') && !HasControlChar(p);
}

std::string Chunk(CComponent& c) {
  CMemFile file(256);
  c.StreamDataOut(&file);
  return file.TakeString();
}

StoreStatus IsListed(SqlDb& db, const std::string& key, bool* listed) {
  StoreStatus status;
  SqlStatement find = db.Prepare(kFindPath, &status);
  if (!status.ok()) return status;
  find.BindText(1, key);
  *listed = find.Step(&status);
  return status;
}

StoreStatus Unlist(SqlDb& db, const std::string& key) {
  StoreStatus status;
  SqlStatement remove = db.Prepare(kDeletePath, &status);
  if (!status.ok()) return status;
  remove.BindText(1, key);
  return remove.Run();
}

StoreStatus List(SqlDb& db, const std::string& key, const std::string& chunk) {
  StoreStatus status;
  SqlStatement insert = db.Prepare(kInsertPath, &status);
  if (!status.ok()) return status;
  insert.BindText(1, key);
  insert.BindBlob(2, chunk);
  return insert.Run();
}

// One change of the list with its history record: `unlist` and
// `unlist_also` (when given) leave the list, `list_key` (when given) joins
// it with `chunk`, and `chunk` is appended to the history. The lab store
// does it in one call of its own: a workstation may not write the list's
// table, so that no row leaves it without its history record.
StoreStatus ChangeList(SqlDb& db, const std::string* unlist, const std::string* unlist_also,
                       const std::string* list_key, const std::string& chunk) {
  if (db.engine() != SqlDb::Engine::kPostgres) {
    StoreStatus s;
    if (unlist != nullptr) s = Unlist(db, *unlist);
    if (s.ok() && unlist_also != nullptr) s = Unlist(db, *unlist_also);
    if (s.ok() && list_key != nullptr) s = List(db, *list_key, chunk);
    if (!s.ok()) return s;
    return AppendChained(db, ChainedLog::kRunHistory, chunk);
  }
  StoreStatus status;
  SqlStatement change =
      db.Prepare("SELECT seq, chain FROM tav_run_list_change(?1, ?2, ?3, ?4)", &status);
  if (!status.ok()) return status;
  const std::string* texts[] = {unlist, unlist_also, list_key};
  for (int i = 0; i < 3; ++i) {
    if (texts[i] != nullptr) {
      change.BindText(i + 1, *texts[i]);
    } else {
      change.BindNull(i + 1);
    }
  }
  change.BindBlob(4, chunk);
  return StepLabChainCall(db, change, ChainedLog::kRunHistory, "change the run list");
}

int Finish(const StoreStatus& status, const char* what, const char* path,
           const CFileRecordComp& made, CFileRecordComp* out) {
  if (!status.ok()) {
    if (status.code() != StoreStatus::kExists && status.code() != StoreStatus::kNotFound) {
      LogLine(std::string("run list not changed (") + what + " " + path + "): " +
              status.message());
    }
    return FileLibCode(status);
  }
  if (out != nullptr) {
    out->Reset();
    out->CopyFrom(made);
  }
  return kFileLibOk;
}

// The record the service wrote, into the caller's record as the store path
// fills it.
int FromService(int code, const std::string& bytes, const char* what, const char* path,
                CFileRecordComp* out) {
  if (code != kFileLibOk || out == nullptr) return code;
  CMemFile file(bytes.data(), bytes.size());
  std::unique_ptr<CComponent> read;
  auto* made = ReadNextComponent(&file, read) == kRecordOk
                   ? dynamic_cast<CFileRecordComp*>(read.get())
                   : nullptr;
  if (made == nullptr) {
    LogLine(std::string("run list changed (") + what + " " + path +
            "), but the record the compliance service returned cannot be read");
    return kFileLibStorageError;
  }
  out->Reset();
  out->CopyFrom(*made);
  return kFileLibOk;
}

// Pages through the service's listing; `add` gets each record in order.
StoreStatus LoadFromService(RunListRemote& remote, bool history,
                            const std::function<void(std::string_view)>& add) {
  uint64_t start = 0;
  RunListPage page;
  StoreStatus status = remote.LoadPage(history, start, &page);
  if (!status.ok()) return status;
  ScopedComponentArena arena(history ? ScopedComponentArena::FileRecordBytes(page.total) : 0);
  for (;;) {
    for (const std::string& record : page.records) add(record);
    if (!page.more) return StoreStatus::Ok();
    // A service that does not move on would be asked forever.
    if (page.next <= start) {
      return StoreStatus(StoreStatus::kInvalid,
                         "the compliance service's listing does not advance");
    }
    start = page.next;
    page = RunListPage();
    status = remote.LoadPage(history, start, &page);
    if (!status.ok()) return status;
  }
}

}  // namespace

CRunListManager::CRunListManager() = default;
CRunListManager::CRunListManager(std::string database_path)
    : database_path_(std::move(database_path)) {}
CRunListManager::~CRunListManager() = default;

void CRunListManager::ActFor(std::string user) {
  acts_for_client_ = true;
  client_user_ = std::move(user);
}

RunListRemote* CRunListManager::Remote() const {
  if (!database_path_.empty() || acts_for_client_) return nullptr;
  return RunListRemoteSeam().InUse();
}

std::unique_ptr<CFileRecordComp> CRunListManager::MakeRecord(int type, const char* path,
                                                             const char* source) const {
  auto record = std::make_unique<CFileRecordComp>();
  std::optional<std::string_view> from;
  if (source != nullptr) from = std::string_view(source);
  const std::string user = acts_for_client_ ? client_user_ : ActingUserName();
  record->Set(static_cast<int8_t>(type), std::string_view(path), std::string_view(user), from);
  return record;
}

StoreStatus CRunListManager::OpenDb(std::shared_ptr<ComplianceDb>* db) {
  return database_path_.empty() ? ComplianceDb::Get(db) : ComplianceDb::GetAt(database_path_, db);
}

CFileRecordListComp* CRunListManager::Load(bool history) {
  list_.reset();
  auto list = std::make_unique<CLoadedFileRecordList>(history ? "HFRL" : "CFRL");
  RunListRemote* remote = Remote();
  std::shared_ptr<ComplianceDb> db;
  StoreStatus status = remote != nullptr ? StoreStatus::Ok() : OpenDb(&db);
  auto add = [&](std::string_view bytes) {
    CMemFile file(bytes.data(), bytes.size());
    std::unique_ptr<CComponent> record;
    if (ReadNextComponent(&file, record) == kRecordOk && record->GetTag().Is("FiRe")) {
      list->AppendLoaded(std::move(record));
    } else {
      LogLine(std::string("a stored file record cannot be read; it was left out of the ") +
              (history ? "history" : "run list"));
    }
  };
  if (status.ok()) RegisterArenaFileRecordKinds();
  if (status.ok() && remote != nullptr) {
    status = LoadFromService(*remote, history, add);
  } else if (status.ok()) {
    status = db->Read([&](SqlDb& c) {
      if (history) {
        uint64_t expected = 0;
        StoreStatus s = LastChainedSeq(c, ChainedLog::kRunHistory, &expected);
        if (!s.ok()) return s;
        ScopedComponentArena arena(ScopedComponentArena::FileRecordBytes(expected));
        return ForEachChained(c, ChainedLog::kRunHistory, [&](uint64_t, std::string_view bytes) {
          add(bytes);
          return true;
        });
      }
      StoreStatus s;
      SqlStatement all = c.Prepare(kSelectList, &s);
      if (!s.ok()) return s;
      while (all.Step(&s)) add(all.ColumnBlob(0));
      return s;
    });
  }
  if (!status.ok()) {
    LogLine(std::string(history ? "run file history" : "run list") + " not read: " +
            status.message());
    return nullptr;
  }
  list->Finish();
  list_ = std::move(list);
  return list_.get();
}

CFileRecordListComp* CRunListManager::LoadCurrentFileList() { return Load(false); }
CFileRecordListComp* CRunListManager::LoadFileRecordHistory() { return Load(true); }

int CRunListManager::ImportFileRecord(const char* path, CFileRecordComp* record) {
  if (!ValidPath(path)) return kFileLibInvalidArgument;
  if (RunListRemote* remote = Remote()) {
    std::string bytes;
    return FromService(remote->ImportFileRecord(path, &bytes), bytes, "import", path, record);
  }
  auto made = MakeRecord(kFileRecordAdded, path, nullptr);
  const std::string chunk = Chunk(*made);
  const std::string key = PathKey(path);
  std::shared_ptr<ComplianceDb> db;
  StoreStatus status = OpenDb(&db);
  if (status.ok()) {
    status = db->Write([&](SqlDb& c) {
      bool listed = false;
      StoreStatus s = IsListed(c, key, &listed);
      if (!s.ok()) return s;
      if (listed) return StoreStatus(StoreStatus::kExists, "already on the run list");
      return ChangeList(c, nullptr, nullptr, &key, chunk);
    });
  }
  return Finish(status, "import", path, *made, record);
}

int CRunListManager::DeleteFileRecord(const char* path, int file_existed,
                                      CFileRecordComp* record) {
  if (!ValidPath(path)) return kFileLibInvalidArgument;
  if (RunListRemote* remote = Remote()) {
    std::string bytes;
    return FromService(remote->DeleteFileRecord(path, file_existed != 0, &bytes), bytes,
                       "delete", path, record);
  }
  auto made = MakeRecord(file_existed ? kFileRecordDeleted : kFileRecordRemoved, path, nullptr);
  const std::string chunk = Chunk(*made);
  const std::string key = PathKey(path);
  std::shared_ptr<ComplianceDb> db;
  StoreStatus status = OpenDb(&db);
  if (status.ok()) {
    status = db->Write([&](SqlDb& c) {
      bool listed = false;
      StoreStatus s = IsListed(c, key, &listed);
      if (!s.ok()) return s;
      if (!listed) return StoreStatus(StoreStatus::kNotFound, "not on the run list");
      return ChangeList(c, &key, nullptr, nullptr, chunk);
    });
  }
  return Finish(status, "delete", path, *made, record);
}

int CRunListManager::MoveFileRecord(const char* new_path, const char* old_path, int replaced,
                                    CFileRecordComp* record) {
  if (!ValidPath(new_path) || !ValidPath(old_path) ||
      SameRunFilePath(std::string_view(new_path), std::string_view(old_path))) {
    return kFileLibInvalidArgument;
  }
  if (RunListRemote* remote = Remote()) {
    std::string bytes;
    return FromService(remote->MoveFileRecord(new_path, old_path, replaced != 0, &bytes), bytes,
                       "move", old_path, record);
  }
  auto made = MakeRecord(replaced ? kFileRecordMovedAndReplaced : kFileRecordMoved, new_path,
                         old_path);
  const std::string chunk = Chunk(*made);
  const std::string old_key = PathKey(old_path);
  const std::string new_key = PathKey(new_path);
  std::shared_ptr<ComplianceDb> db;
  StoreStatus status = OpenDb(&db);
  if (status.ok()) {
    status = db->Write([&](SqlDb& c) {
      bool listed = false;
      StoreStatus s = IsListed(c, old_key, &listed);
      if (!s.ok()) return s;
      if (!listed) return StoreStatus(StoreStatus::kNotFound, "not on the run list");
      // A file that the move replaced leaves the list with it.
      return ChangeList(c, &old_key, &new_key, &new_key, chunk);
    });
  }
  return Finish(status, "move", old_path, *made, record);
}

int CRunListManager::RecordFileOperation(int type, const char* path, const char* source_path,
                                         CFileRecordComp* record) {
  if (type != kFileRecordCreated && type != kFileRecordCopied && type != kFileRecordReplaced) {
    return kFileLibInvalidArgument;
  }
  if (!ValidPath(path) || (source_path != nullptr && source_path[0] != '\0' &&
                           !ValidPath(source_path))) {
    return kFileLibInvalidArgument;
  }
  const char* source = source_path != nullptr && source_path[0] != '\0' ? source_path : nullptr;
  if (RunListRemote* remote = Remote()) {
    std::string bytes;
    return FromService(
        remote->RecordFileOperation(type, path, source != nullptr ? source : "", &bytes), bytes,
        "record", path, record);
  }
  auto made = MakeRecord(type, path, source);
  const std::string chunk = Chunk(*made);
  const std::string key = PathKey(path);
  std::shared_ptr<ComplianceDb> db;
  StoreStatus status = OpenDb(&db);
  if (status.ok()) {
    status = db->Write([&](SqlDb& c) { return ChangeList(c, &key, nullptr, &key, chunk); });
  }
  return Finish(status, "record", path, *made, record);
}

StoreStatus CRunListManager::ReadPage(bool history, uint64_t start, size_t max_bytes,
                                      size_t max_records, RunListPage* page) {
  *page = RunListPage();
  std::shared_ptr<ComplianceDb> db;
  StoreStatus status = OpenDb(&db);
  if (!status.ok()) return status;
  return db->Read([&](SqlDb& c) {
    StoreStatus s;
    if (history) {
      s = LastChainedSeq(c, ChainedLog::kRunHistory, &page->total);
    } else {
      SqlStatement count = c.Prepare(kListCount, &s);
      if (s.ok() && count.Step(&s)) page->total = static_cast<uint64_t>(count.ColumnInt64(0));
    }
    if (!s.ok()) return s;
    SqlStatement rows = c.Prepare(history ? kHistoryPage : kListPage, &s);
    if (!s.ok()) return s;
    rows.BindInt64(1, static_cast<int64_t>(std::min<uint64_t>(start, INT64_MAX)));
    // One more than fits says whether more follow.
    rows.BindInt64(2, static_cast<int64_t>(max_records) + 1);
    size_t bytes = 0;
    while (rows.Step(&s)) {
      const uint64_t key = static_cast<uint64_t>(rows.ColumnInt64(0));
      const std::string_view record = rows.ColumnBlob(1);
      if (page->records.size() == max_records ||
          (!page->records.empty() && bytes + record.size() > max_bytes)) {
        page->more = true;
        page->next = key;
        return StoreStatus::Ok();
      }
      bytes += record.size();
      page->records.emplace_back(record);
      page->next = key + 1;
    }
    if (!s.ok()) return s;
    if (page->records.empty()) page->next = start;
    return StoreStatus::Ok();
  });
}

}  // namespace tav
