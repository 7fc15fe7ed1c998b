#include "runlist/run_list_operations.h"

#include "runlist/run_file_ops.h"
#include "services/filelib/filelib_codes.h"
#include "services/filelib/run_list_manager.h"
#include "ui/message_prompter.h"
#include "util/strings.h"

namespace tav {

namespace {

// After a file changed on disk and the library failed to note it: where
// the file and the run list stand now.
std::string DeleteStateText(bool existed, int code) {
  if (code == kFileLibNotOnList) {
    return existed ? "\r\nThe file is deleted; it was not on the run list any more."
                   : "\r\nThe file was not on the run list any more.";
  }
  return existed ? "\r\nThe file is deleted, but the run list still holds it: the next time "
                   "the list is loaded it is shown as missing, and Delete removes it."
                 : "\r\nThe run list still holds the file: the next time the list is "
                   "loaded it is shown again, as missing.";
}

std::string MoveStateText(const std::string& source, const std::string& target, int code) {
  if (code == kFileLibNotOnList) {
    return "\r\nThe file is now at [" + target +
           "], but it was not on the run list any more; Import adds it.";
  }
  return "\r\nThe file is now at [" + target + "], but the run list still names it at [" +
         source + "]: the next time the list is loaded it is shown there as missing. Import "
         "adds the file at its new place.";
}

}  // namespace

void RunListOperations::Tell(const std::string& text) const {
  StealthMessageBox(IDYES, owner_, text.c_str(), kRunListCaption, MB_OK);
}

bool RunListOperations::Ask(const std::string& text, const char* caption,
                            int stealth_answer) const {
  const unsigned style = MB_YESNO | (stealth_answer == IDNO ? MB_DEFBUTTON2 : 0);
  return StealthMessageBox(stealth_answer, owner_, text.c_str(), caption, style) == IDYES;
}

RunListOperations::DeleteResult RunListOperations::Delete(const std::string& path) {
  DeleteResult result;
  if (path.empty()) {
    Tell(kNoSelectionText);
    return result;
  }
  if (!Ask("Are you sure you want to delete '" + path + "'?", kConfirmDeleteCaption, IDNO)) {
    return result;
  }
  // A path that cannot be looked at is not offered for removal: the
  // deletion below reports why it fails.
  const bool existed = !RunFileMissing(path);
  if (!existed) {
    if (!Ask(path + " is not found. Would you like to remove it from the list?",
             kRunListCaption, IDYES)) {
      return result;
    }
  } else {
    const StoreStatus status = DeleteRunFile(path);
    if (!status.ok()) {
      Tell("Failed to delete [" + path + "]. \r\n" + status.message());
      return result;
    }
  }
  result.row_removed = true;
  auto record = std::make_unique<CFileRecordComp>();
  CRunListManager manager;
  const int code = manager.DeleteFileRecord(path.c_str(), existed ? 1 : 0, record.get());
  if (code != 0) {
    Tell(StrFormat("Failed to delete record [%s]. \r\nError: %d", path.c_str(), code) +
         DeleteStateText(existed, code));
    return result;
  }
  result.record = std::move(record);
  return result;
}

bool RunListOperations::CheckMoveSource(const std::string& source) {
  if (source.empty()) {
    Tell(kNoSelectionText);
    return false;
  }
  if (RunFileMissing(source)) {
    Tell("'" + source + "' is not found.");
    return false;
  }
  return true;
}

RunListOperations::MoveResult RunListOperations::MoveTo(const std::string& location,
                                                        const std::string& name,
                                                        const std::string& folder) {
  MoveResult result;
  const std::string shown_folder = folder.empty() ? "/" : folder;
  if (SameFolder(folder, location)) {
    Tell("'" + name + "' is already in '" + shown_folder + "'" +
         "\r\nDestination folder cannot be the same as the current folder.");
    return result;
  }
  result.folder_accepted = true;
  const std::string source = JoinRunFilePath(location, name);
  const std::string target = JoinRunFilePath(folder, name);
  const bool replaced = RunFileExists(target);
  if (replaced && !Ask("'" + name + "' already exists in '" + shown_folder + "'" +
                           "\r\nAre you sure you want to replace it?",
                       kConfirmReplaceCaption, IDNO)) {
    return result;
  }
  bool copied_only = false;
  const StoreStatus status = MoveRunFile(source, target, replaced, &copied_only);
  if (!status.ok()) {
    Tell("Failed to move [" + source + "] to [" + target + "] \r\n" + status.message() +
         (copied_only ? "\r\nThe file was copied to [" + target + "], but [" + source +
                            "] could not be removed; the run list still names [" + source + "]."
                      : std::string()));
    return result;
  }
  result.moved = true;
  result.target = target;
  auto record = std::make_unique<CFileRecordComp>();
  CRunListManager manager;
  const int code =
      manager.MoveFileRecord(target.c_str(), source.c_str(), replaced ? 1 : 0, record.get());
  if (code != 0) {
    Tell(StrFormat("Failed to update file list. \r\nError: %d", code) +
         MoveStateText(source, target, code));
    return result;
  }
  result.record = std::move(record);
  return result;
}

std::unique_ptr<CFileRecordComp> RunListOperations::Import(const std::string& path) {
  if (!HasRunFileExtension(path)) {
    Tell(StrFormat("[%s] is not an TAV file.", path.c_str()));
    return nullptr;
  }
  auto record = std::make_unique<CFileRecordComp>();
  CRunListManager manager;
  const int code = manager.ImportFileRecord(path.c_str(), record.get());
  if (code == kFileLibAlreadyOnList) {
    Tell(StrFormat("[%s] is already on the list. It cannot be imported again.", path.c_str()));
    return nullptr;
  }
  if (code != 0) {
    Tell(StrFormat("Failed to import [%s]. \r\nError: %d", path.c_str(), code));
    return nullptr;
  }
  return record;
}

}  // namespace tav
