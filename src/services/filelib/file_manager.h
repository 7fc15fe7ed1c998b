// TAV2FileManager: an open document of the suite, a file made of top-level
// chunks (docs/record-format.md), with component lookup by path.
//
// The configuration service presents the stored configuration through the
// same interface (CSystemConfiguration derives from it), so that viewers of
// a document's audit trail serve both.
//
// Ownership: the manager owns the components it read; pointers it hands out
// stay valid until the next Open, Close or the manager's destruction.
// Thread safety: one thread at a time.
#ifndef TAV_SERVICES_FILELIB_FILE_MANAGER_H_
#define TAV_SERVICES_FILELIB_FILE_MANAGER_H_

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "records/component.h"

namespace tav {

class CListComp;

class TAV2FileManager {
 public:
  TAV2FileManager();
  TAV2FileManager(const TAV2FileManager&) = delete;
  TAV2FileManager& operator=(const TAV2FileManager&) = delete;
  virtual ~TAV2FileManager();

  // Reads the document at `path`, replacing what was open. Returns 0;
  // kFileLibInvalidArgument for an empty path; kFileLibCannotOpen when the
  // file cannot be read (GetLastError says why); a record code (-100 to
  // -600) when its chunks are damaged. On any failure nothing is kept open.
  int Open(const std::string& path);
  void Close();
  bool IsOpen() const { return open_; }

  // The document's file path; "" when nothing is open.
  virtual std::string GetFilePath() const;

  // The component at `path`: tags joined by backslashes, the first naming a
  // top-level chunk, each further one a child of the one before. Null when
  // a step finds nothing, a segment is empty, or nothing is open.
  virtual CComponent* FindComponent(std::string_view path) const;

  // The document's audit trail: its first top-level chunk of tag AUDT, or
  // null when it has none.
  virtual CListComp* GetAuditTrail();

  const std::vector<std::unique_ptr<CComponent>>& GetComponents() const { return components_; }
  // Why the last Open failed; "" after a success.
  const std::string& GetLastError() const { return last_error_; }

 private:
  std::string path_;
  std::vector<std::unique_ptr<CComponent>> components_;
  std::string last_error_;
  bool open_ = false;
};

}  // namespace tav

#endif  // TAV_SERVICES_FILELIB_FILE_MANAGER_H_
