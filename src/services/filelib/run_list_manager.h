// CRunListManager: the run list (the run files the suite knows) and the
// history of operations on them, kept in the compliance database.
//
// The run list holds at most one file record per path (the record of the
// file's latest operation); the history holds every record in order and is
// hash-chained like the event log. Each operation is one transaction that
// changes both. Paths name files as SameRunFilePath compares them: POSIX
// paths byte for byte, Windows-form paths without regard to case. POSIX
// paths must be absolute and free of control characters.
//
// Record types written (file_record_comp.h): Import 7 "Record Added";
// Delete 4 "File Deleted" when the file existed, else 6 "Record Removed";
// Move 3 "File Moved", or 8 "File Moved And Replaced", with the old path as
// source; RecordFileOperation 1, 2 or 5 as the host says. Every record
// carries the date and the user the calling thread acts for.
//
// Results: 0, or a negative code of filelib_codes.h (-53 when an imported
// file is on the list already, -52 when a deleted or moved file is not).
// On success the caller's record receives a copy of the record written.
//
// Where: a manager made with a database path uses that store. The default
// one uses the data directory's store, or, in a process that must use the
// compliance service (run_list_remote.h), asks the service, which runs the
// same code under the name it gives the calling thread's actor; the caller
// sees the same results, records and lists either way.
//
// Ownership: lists returned by the Load functions belong to the manager and
// live until the next Load or the manager's end.
// Thread safety: a manager is used by one thread at a time.
#ifndef TAV_SERVICES_FILELIB_RUN_LIST_MANAGER_H_
#define TAV_SERVICES_FILELIB_RUN_LIST_MANAGER_H_

#include <memory>
#include <string>

#include "records/file_record_comp.h"
#include "services/filelib/loaded_lists.h"
#include "services/filelib/run_list_remote.h"
#include "services/filelib/store_status.h"

namespace tav {

class ComplianceDb;

class CRunListManager {
 public:
  CRunListManager();
  explicit CRunListManager(std::string database_path);
  ~CRunListManager();
  CRunListManager(const CRunListManager&) = delete;
  CRunListManager& operator=(const CRunListManager&) = delete;

  // The run list (CFRL) in the order the files were put on it; null when
  // it cannot be read (reported to the log output).
  CFileRecordListComp* LoadCurrentFileList();
  // Every record of the history (HFRL), oldest first; null when it cannot
  // be read.
  CFileRecordListComp* LoadFileRecordHistory();

  int DeleteFileRecord(const char* path, int file_existed, CFileRecordComp* record);
  int MoveFileRecord(const char* new_path, const char* old_path, int replaced,
                     CFileRecordComp* record);
  int ImportFileRecord(const char* path, CFileRecordComp* record);
  // A host tells of a file it created (type 1), copied from `source_path`
  // (type 2) or replaced (type 5): the file goes on the list (replacing the
  // record of that path) and the record into the history. Other types give
  // kFileLibInvalidArgument.
  int RecordFileOperation(int type, const char* path, const char* source_path,
                          CFileRecordComp* record);

  // For the compliance service, which acts for its clients: records made by
  // this manager name `user` instead of the user the calling thread acts
  // for. Operations then always use the store.
  void ActFor(std::string user);

  // For the compliance service: one page of the stored run list (history
  // false) or history, from position `start` (0 for the first), read from
  // the store: at most `max_records` records and, past the first, no more
  // than `max_bytes` of them. Pages of the history are a consistent prefix
  // of it; the run list is paged by its order, so a file moved while the
  // list is paged may appear twice or not at all.
  StoreStatus ReadPage(bool history, uint64_t start, size_t max_bytes, size_t max_records,
                       RunListPage* page);

 private:
  StoreStatus OpenDb(std::shared_ptr<ComplianceDb>* db);
  // The service to ask instead of the store; null to use the store.
  RunListRemote* Remote() const;
  CFileRecordListComp* Load(bool history);
  std::unique_ptr<CFileRecordComp> MakeRecord(int type, const char* path,
                                              const char* source) const;

  std::string database_path_;
  bool acts_for_client_ = false;
  std::string client_user_;
  std::unique_ptr<CLoadedFileRecordList> list_;
};

}  // namespace tav

#endif  // TAV_SERVICES_FILELIB_RUN_LIST_MANAGER_H_
