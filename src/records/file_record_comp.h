// File records: one operation on a run file of the run list (what was done,
// to which file, by whom, when, and where it came from), and the lists of
// them that the file library keeps: the current run list (tag CFRL) and the
// history of operations (tag HFRL).
//
// A file record (tag FiRe) is a list whose fields are children, each
// present at most once and found by its tag (docs/record-format.md):
//   ReDa  the date of the operation      FReT  the type code (signed 8-bit)
//   FFPa  the file's path afterwards     UsNa  the user
//   CFFi  the path before a move or copy (the source)
// Unknown children are kept and ignored by the getters.
//
// Paths: a path in Windows form (a drive letter or a backslash) compares
// without regard to ASCII case, as Windows does; any other path (POSIX)
// compares byte by byte, since /runs/a.tav and /runs/A.tav are two files.
//
// Ownership: a list owns its records. Thread safety: one thread at a time.
#ifndef TAV_RECORDS_FILE_RECORD_COMP_H_
#define TAV_RECORDS_FILE_RECORD_COMP_H_

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "records/list_comp.h"
#include "util/ole_date.h"

namespace tav {

enum FileRecordType : int8_t {
  kFileRecordUndefined = 0,
  kFileRecordCreated = 1,
  kFileRecordCopied = 2,
  kFileRecordMoved = 3,
  kFileRecordDeleted = 4,
  kFileRecordReplaced = 5,
  kFileRecordRemoved = 6,
  kFileRecordAdded = 7,
  kFileRecordMovedAndReplaced = 8,
};

// "Undefined", "File Created", ... "File Moved And Replaced"; "Unknown"
// for any other code.
const char* GetFileRecordTypeName(int type);

// Whether two run-file paths name the same file (see above). A missing
// path counts as empty.
bool SameRunFilePath(std::string_view a, std::string_view b);

class CFileRecordComp : public CListComp {
 public:
  // An empty record (no children).
  CFileRecordComp();
  // A record holding copies of `other`'s children (explicit, so that a
  // record is never copied by accident).
  explicit CFileRecordComp(const CFileRecordComp& other);

  // SetDate(0), SetType, SetFilePath, SetUserName, SetSourcePath in this
  // order. A missing (nullopt) text leaves that field out.
  void Set(int8_t type, std::optional<std::string_view> path,
           std::optional<std::string_view> user_name,
           std::optional<std::string_view> source_path);

  // Each setter removes the field's first child and appends a new one, so
  // the field set last is the last child. A date of exactly 0 means now;
  // a missing text removes the field.
  void SetDate(DATE date);
  void SetType(int8_t type);
  void SetFilePath(std::optional<std::string_view> path);
  void SetUserName(std::optional<std::string_view> user_name);
  void SetSourcePath(std::optional<std::string_view> source_path);

  // 0.0 without a date.
  DATE GetDate() const;
  // The date in the user's locale date-and-time form.
  std::string GetDateText() const;
  // The type as a signed code; 0 (undefined) without one.
  int GetType() const;
  const char* GetTypeName() const { return GetFileRecordTypeName(GetType()); }
  std::optional<std::string> GetFilePath() const;
  std::optional<std::string> GetUserName() const;
  std::optional<std::string> GetSourcePath() const;
  // The same texts without a copy: views into the record, valid while the
  // field is neither set again nor removed.
  std::optional<std::string_view> FilePathView() const { return GetTextView("FFPa"); }
  std::optional<std::string_view> UserNameView() const { return GetTextView("UsNa"); }
  std::optional<std::string_view> SourcePathView() const { return GetTextView("CFFi"); }

  // Whether the record's path (missing: empty) names `path` (missing:
  // empty); see SameRunFilePath.
  bool HasPath(std::optional<std::string_view> path) const;

 private:
  void SetText(const char* tag, std::optional<std::string_view> text);
  std::optional<std::string_view> GetTextView(const char* tag) const;
};

class CFileRecordListComp : public CListComp {
 public:
  // REQUIRES: `tag` is "CFRL" or "HFRL".
  explicit CFileRecordListComp(std::string_view tag);

  // The position of the first file record (tag FiRe) that HasPath(path);
  // null for a missing or empty path or when there is none.
  POSITION FindByPath(std::optional<std::string_view> path) const;
  // Removes and destroys the record FindByPath finds; `removed` (optional)
  // tells whether there was one.
  void RemoveByPath(std::optional<std::string_view> path, bool* removed = nullptr);
  // Replaces the record of the same path, or appends: the list keeps one
  // record per path when built this way. `replaced` (optional) tells
  // whether one was replaced. 0; kRecordCorrupt for a null record;
  // kRecordListFull when the list is full and holds no record of that path
  // (then nothing changes and the caller keeps `record`).
  int AddOrReplace(std::unique_ptr<CFileRecordComp>& record, bool* replaced = nullptr);
};

}  // namespace tav

#endif  // TAV_RECORDS_FILE_RECORD_COMP_H_
