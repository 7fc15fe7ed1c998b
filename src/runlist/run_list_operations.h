// The run list page's file operations without a window: Delete, Move and
// Import change the file on disk, then tell the file library, and return
// the file record of the change for the lists. Each refusal or failure
// shows its box (StealthMessageBox, owned by `owner`) and changes nothing
// further.
//
// Threads: the GUI thread (boxes).
#ifndef TAV_RUNLIST_RUN_LIST_OPERATIONS_H_
#define TAV_RUNLIST_RUN_LIST_OPERATIONS_H_

#include <memory>
#include <string>

#include "records/file_record_comp.h"
#include "util/shown_text.h"

namespace tav {

// The suite's name and version as the boxes of the run list are captioned.
inline constexpr char kRunListCaption[] = TAV_TR_NOOP("tav::RunList", "Tessik v2.0");
inline constexpr char kNoSelectionText[] = TAV_TR_NOOP("tav::RunList", "No items were selected!\n");
inline constexpr char kConfirmDeleteCaption[] = TAV_TR_NOOP("tav::RunList", "Confirm File Delete");
inline constexpr char kConfirmReplaceCaption[] =
    TAV_TR_NOOP("tav::RunList", "Confirm File Replace");
// One %s: the path of the open file.
inline constexpr char kFileOpenFormat[] =
    TAV_TR_NOOP("tav::RunList", "%s is currently open and cannot be deleted.");

class RunListOperations {
 public:
  // `owner`: the window of the boxes (a QWidget* or null).
  explicit RunListOperations(void* owner) : owner_(owner) {}

  struct DeleteResult {
    bool row_removed = false;                  // the file is off the list's rows
    std::unique_ptr<CFileRecordComp> record;  // the library's record, null on failure
  };
  // Asks, deletes the file (or, when it is gone, offers to remove it from
  // the list) and tells the library.
  DeleteResult Delete(const std::string& path);

  // Move's first step: false, with its box, when the source is gone.
  bool CheckMoveSource(const std::string& source);

  struct MoveResult {
    bool folder_accepted = false;  // `folder` is to be kept as the move folder
    bool moved = false;            // the file is at `target` now
    std::string target;
    std::unique_ptr<CFileRecordComp> record;  // null when the library failed
  };
  // Moves `location`/`name` into `folder` (normalised, absolute).
  MoveResult MoveTo(const std::string& location, const std::string& name,
                    const std::string& folder);

  // Imports one file: its record, or null after a box.
  std::unique_ptr<CFileRecordComp> Import(const std::string& path);

  // A box with OK only and the run list caption.
  void Tell(const std::string& text) const;

 private:
  bool Ask(const std::string& text, const char* caption, int stealth_answer) const;

  void* owner_;
};

}  // namespace tav

#endif  // TAV_RUNLIST_RUN_LIST_OPERATIONS_H_
