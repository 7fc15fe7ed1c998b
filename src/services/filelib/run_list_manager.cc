#include "services/filelib/run_list_manager.h"

#include <cctype>
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

bool ValidPath(const char* path) {
  if (path == nullptr || path[0] == '\0') return false;
  const std::string_view p(path);
  return IsWindowsForm(p) || p.front() == '/';
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

std::unique_ptr<CFileRecordComp> MakeRecord(int type, const char* path, const char* source) {
  auto record = std::make_unique<CFileRecordComp>();
  std::optional<std::string_view> from;
  if (source != nullptr) from = std::string_view(source);
  const std::string user = ActingUserName();
  record->Set(static_cast<int8_t>(type), std::string_view(path), std::string_view(user), from);
  return record;
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

}  // namespace

CRunListManager::CRunListManager() = default;
CRunListManager::CRunListManager(std::string database_path)
    : database_path_(std::move(database_path)) {}
CRunListManager::~CRunListManager() = default;

StoreStatus CRunListManager::OpenDb(std::shared_ptr<ComplianceDb>* db) {
  return database_path_.empty() ? ComplianceDb::Get(db) : ComplianceDb::GetAt(database_path_, db);
}

CFileRecordListComp* CRunListManager::Load(bool history) {
  list_.reset();
  auto list = std::make_unique<CLoadedFileRecordList>(history ? "HFRL" : "CFRL");
  std::shared_ptr<ComplianceDb> db;
  StoreStatus status = OpenDb(&db);
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
  if (status.ok()) {
    RegisterArenaFileRecordKinds();
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
      s = List(c, key, chunk);
      if (!s.ok()) return s;
      return AppendChained(c, ChainedLog::kRunHistory, chunk);
    });
  }
  return Finish(status, "import", path, *made, record);
}

int CRunListManager::DeleteFileRecord(const char* path, int file_existed,
                                      CFileRecordComp* record) {
  if (!ValidPath(path)) return kFileLibInvalidArgument;
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
      s = Unlist(c, key);
      if (!s.ok()) return s;
      return AppendChained(c, ChainedLog::kRunHistory, chunk);
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
      s = Unlist(c, old_key);
      // A file that the move replaced leaves the list with it.
      if (s.ok()) s = Unlist(c, new_key);
      if (s.ok()) s = List(c, new_key, chunk);
      if (!s.ok()) return s;
      return AppendChained(c, ChainedLog::kRunHistory, chunk);
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
  auto made = MakeRecord(type, path, source);
  const std::string chunk = Chunk(*made);
  const std::string key = PathKey(path);
  std::shared_ptr<ComplianceDb> db;
  StoreStatus status = OpenDb(&db);
  if (status.ok()) {
    status = db->Write([&](SqlDb& c) {
      StoreStatus s = Unlist(c, key);
      if (s.ok()) s = List(c, key, chunk);
      if (!s.ok()) return s;
      return AppendChained(c, ChainedLog::kRunHistory, chunk);
    });
  }
  return Finish(status, "record", path, *made, record);
}

}  // namespace tav
