// RunListRemote: the run list as the compliance service keeps it, for a
// CRunListManager of a process that must ask the service (remote_seam.h).
//
// Each operation takes the manager's arguments; the service names the user
// the calling thread acts for and fills in the date. The result is the
// manager's result code (filelib_codes.h); on success *record holds the
// record written, as its chunk bytes, which the manager decodes into the
// caller's record. Listings come a page at a time: the manager asks from
// position 0 and then from each page's `next` while `more` is set, and
// decodes the records itself, so that a listing through the service is
// built exactly as one from the store.
//
// The client registers its implementation (client/run_list_proxy.h).
//
// Thread safety: an implementation may be called from any thread.
#ifndef TAV_SERVICES_FILELIB_RUN_LIST_REMOTE_H_
#define TAV_SERVICES_FILELIB_RUN_LIST_REMOTE_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "services/filelib/remote_seam.h"
#include "services/filelib/store_status.h"

namespace tav {

// One page of the run list or of its history: stored records in order.
struct RunListPage {
  std::vector<std::string> records;
  uint64_t next = 0;   // where the next page starts
  bool more = false;   // records follow from `next`
  uint64_t total = 0;  // about how many records the whole listing holds
};

class RunListRemote {
 public:
  virtual ~RunListRemote() = default;

  // True when this process must ask the service now.
  virtual bool InUse() = 0;

  virtual int DeleteFileRecord(std::string_view path, bool file_existed, std::string* record) = 0;
  virtual int MoveFileRecord(std::string_view new_path, std::string_view old_path, bool replaced,
                             std::string* record) = 0;
  virtual int ImportFileRecord(std::string_view path, std::string* record) = 0;
  // `source_path` "" for none.
  virtual int RecordFileOperation(int type, std::string_view path, std::string_view source_path,
                                  std::string* record) = 0;

  // The page of the run list (history false) or of the history that starts
  // at `start`.
  virtual StoreStatus LoadPage(bool history, uint64_t start, RunListPage* page) = 0;
};

// The process's one seam for the run list. Inline, so that the client can
// register without linking the store.
inline RemoteSeam<RunListRemote>& RunListRemoteSeam() {
  static RemoteSeam<RunListRemote> seam;
  return seam;
}

}  // namespace tav

#endif  // TAV_SERVICES_FILELIB_RUN_LIST_REMOTE_H_
