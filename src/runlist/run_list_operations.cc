#include "runlist/run_list_operations.h"

#include "runlist/run_file_ops.h"
#include "services/filelib/filelib_codes.h"
#include "services/filelib/run_list_manager.h"
#include "ui/message_prompter.h"
#include "util/shown_text.h"
#include "util/strings.h"

namespace tav {

namespace {

std::string Tr(const char* source) { return TranslateText("tav::RunList", source); }

// `text` on a line of its own after what comes before it.
std::string NewLine(const std::string& text) {
  std::string out = "\r\n";
  out += text;
  return out;
}

// The text of a format of one or two "%s" in the user's language.
std::string TrFormat(const char* format, const std::string& first, const std::string& second = {}) {
  return StrFormat(Tr(format).c_str(), first.c_str(), second.c_str());
}

// After a file changed on disk and the library failed to note it: where
// the file and the run list stand now.
std::string DeleteStateText(bool existed, int code) {
  if (code == kFileLibNotOnList) {
    return NewLine(
        existed ? Tr(TAV_TR_NOOP("tav::RunList",
                                 "The file is deleted; it was not on the run list any more."))
                : Tr(TAV_TR_NOOP("tav::RunList", "The file was not on the run list any more.")));
  }
  return NewLine(
      existed ? Tr(TAV_TR_NOOP("tav::RunList",
                               "The file is deleted, but the run list still holds it: the next "
                               "time the list is loaded it is shown as missing, and Delete "
                               "removes it."))
              : Tr(TAV_TR_NOOP("tav::RunList",
                               "The run list still holds the file: the next time the list is "
                               "loaded it is shown again, as missing.")));
}

std::string MoveStateText(const std::string& source, const std::string& target, int code) {
  if (code == kFileLibNotOnList) {
    return NewLine(TrFormat(
        TAV_TR_NOOP("tav::RunList",
                    "The file is now at [%s], but it was not on the run list any more; Import "
                    "adds it."),
        target));
  }
  return NewLine(
      TrFormat(TAV_TR_NOOP("tav::RunList",
                           "The file is now at [%s], but the run list still names it at [%s]: "
                           "the next time the list is loaded it is shown there as missing. "
                           "Import adds the file at its new place."),
               target, source));
}

}  // namespace

void RunListOperations::Tell(const std::string& text) const {
  StealthMessageBox(IDYES, owner_, text.c_str(), Tr(kRunListCaption).c_str(), MB_OK);
}

bool RunListOperations::Ask(const std::string& text, const char* caption,
                            int stealth_answer) const {
  const unsigned style = MB_YESNO | (stealth_answer == IDNO ? MB_DEFBUTTON2 : 0);
  return StealthMessageBox(stealth_answer, owner_, text.c_str(), Tr(caption).c_str(), style) ==
         IDYES;
}

RunListOperations::DeleteResult RunListOperations::Delete(const std::string& path) {
  DeleteResult result;
  if (path.empty()) {
    Tell(Tr(kNoSelectionText));
    return result;
  }
  if (!Ask(TrFormat(TAV_TR_NOOP("tav::RunList", "Are you sure you want to delete '%s'?"), path),
           kConfirmDeleteCaption, IDNO)) {
    return result;
  }
  // A path that cannot be looked at is not offered for removal: the
  // deletion below reports why it fails.
  const bool existed = !RunFileMissing(path);
  if (!existed) {
    if (!Ask(TrFormat(TAV_TR_NOOP("tav::RunList",
                                  "%s is not found. Would you like to remove it from the list?"),
                      path),
             kRunListCaption, IDYES)) {
      return result;
    }
  } else {
    const StoreStatus status = DeleteRunFile(path);
    if (!status.ok()) {
      Tell(TrFormat(TAV_TR_NOOP("tav::RunList", "Failed to delete [%s]. "), path) + "\r\n" +
           status.message());
      return result;
    }
  }
  result.row_removed = true;
  auto record = std::make_unique<CFileRecordComp>();
  CRunListManager manager;
  const int code = manager.DeleteFileRecord(path.c_str(), existed ? 1 : 0, record.get());
  if (code != 0) {
    Tell(TrFormat(TAV_TR_NOOP("tav::RunList", "Failed to delete record [%s]. "), path) + "\r\n" +
         StrFormat(Tr(TAV_TR_NOOP("tav::RunList", "Error: %d")).c_str(), code) +
         DeleteStateText(existed, code));
    return result;
  }
  result.record = std::move(record);
  return result;
}

bool RunListOperations::CheckMoveSource(const std::string& source) {
  if (source.empty()) {
    Tell(Tr(kNoSelectionText));
    return false;
  }
  if (RunFileMissing(source)) {
    Tell(TrFormat(TAV_TR_NOOP("tav::RunList", "'%s' is not found."), source));
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
    Tell(TrFormat(TAV_TR_NOOP("tav::RunList", "'%s' is already in '%s'"), name, shown_folder) +
         "\r\n" +
         Tr(TAV_TR_NOOP("tav::RunList",
                        "Destination folder cannot be the same as the current folder.")));
    return result;
  }
  result.folder_accepted = true;
  const std::string source = JoinRunFilePath(location, name);
  const std::string target = JoinRunFilePath(folder, name);
  const bool replaced = RunFileExists(target);
  if (replaced &&
      !Ask(
          TrFormat(TAV_TR_NOOP("tav::RunList", "'%s' already exists in '%s'"), name, shown_folder) +
              "\r\n" + Tr(TAV_TR_NOOP("tav::RunList", "Are you sure you want to replace it?")),
          kConfirmReplaceCaption, IDNO)) {
    return result;
  }
  bool copied_only = false;
  const StoreStatus status = MoveRunFile(source, target, replaced, &copied_only);
  if (!status.ok()) {
    Tell(TrFormat(TAV_TR_NOOP("tav::RunList", "Failed to move [%s] to [%s] "), source, target) +
         "\r\n" + status.message() +
         (copied_only
              ? NewLine(StrFormat(Tr(TAV_TR_NOOP("tav::RunList",
                                                 "The file was copied to [%s], but [%s] could not "
                                                 "be removed; the run list still names [%s]."))
                                      .c_str(),
                                  target.c_str(), source.c_str(), source.c_str()))
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
    Tell(Tr(TAV_TR_NOOP("tav::RunList", "Failed to update file list. ")) + "\r\n" +
         StrFormat(Tr(TAV_TR_NOOP("tav::RunList", "Error: %d")).c_str(), code) +
         MoveStateText(source, target, code));
    return result;
  }
  result.record = std::move(record);
  return result;
}

std::unique_ptr<CFileRecordComp> RunListOperations::Import(const std::string& path) {
  if (!HasRunFileExtension(path)) {
    Tell(TrFormat(TAV_TR_NOOP("tav::RunList", "[%s] is not an TAV file."), path));
    return nullptr;
  }
  auto record = std::make_unique<CFileRecordComp>();
  CRunListManager manager;
  const int code = manager.ImportFileRecord(path.c_str(), record.get());
  if (code == kFileLibAlreadyOnList) {
    Tell(TrFormat(
        TAV_TR_NOOP("tav::RunList", "[%s] is already on the list. It cannot be imported again."),
        path));
    return nullptr;
  }
  if (code != 0) {
    Tell(TrFormat(TAV_TR_NOOP("tav::RunList", "Failed to import [%s]. "), path) + "\r\n" +
         StrFormat(Tr(TAV_TR_NOOP("tav::RunList", "Error: %d")).c_str(), code));
    return nullptr;
  }
  return record;
}

}  // namespace tav
