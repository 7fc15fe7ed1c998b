#include "records/file_record_comp.h"

#include "records/record_date_comp.h"
#include "records/tag_registry.h"
#include "records/value_comps.h"
#include "util/strings.h"

namespace tav {

namespace {

// A drive letter ("C:") or a backslash anywhere.
bool IsWindowsPath(std::string_view path) {
  const bool drive = path.size() >= 2 && path[1] == ':' &&
                     ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
  return drive || path.find('\\') != std::string_view::npos;
}

}  // namespace

const char* GetFileRecordTypeName(int type) {
  static constexpr const char* kNames[] = {
      "Undefined",      "File Created",   "File Copied",  "File Moved",
      "File Deleted",   "File Replaced",  "Record Removed", "Record Added",
      "File Moved And Replaced",
  };
  if (type < kFileRecordUndefined || type > kFileRecordMovedAndReplaced) return "Unknown";
  return kNames[type];
}

bool SameRunFilePath(std::string_view a, std::string_view b) {
  if (IsWindowsPath(a) || IsWindowsPath(b)) return EqualsNoCase(a, b);
  return a == b;
}

// ---------------------------------------------------------------- record

CFileRecordComp::CFileRecordComp() : CListComp("FiRe") {}

CFileRecordComp::CFileRecordComp(const CFileRecordComp& other) : CListComp("FiRe") {
  CopyFrom(other);
}

void CFileRecordComp::Set(int8_t type, std::optional<std::string_view> path,
                          std::optional<std::string_view> user_name,
                          std::optional<std::string_view> source_path) {
  SetDate(0.0);
  SetType(type);
  SetFilePath(path);
  SetUserName(user_name);
  SetSourcePath(source_path);
}

void CFileRecordComp::SetDate(DATE date) {
  RemoveFirstChildOfIndex(LookupTag("ReDa"));
  AddComponent(std::make_unique<CRecordDateComp>(date == 0.0 ? OleDateNow() : date));
}

void CFileRecordComp::SetType(int8_t type) {
  RemoveFirstChildOfIndex(LookupTag("FReT"));
  AddComponent(std::make_unique<CByteComp>("FReT", static_cast<uint8_t>(type)));
}

void CFileRecordComp::SetText(const char* tag, std::optional<std::string_view> text) {
  RemoveFirstChildOfIndex(LookupTag(tag));
  if (text.has_value()) AddComponent(std::make_unique<CTextComp>(tag, *text));
}

void CFileRecordComp::SetFilePath(std::optional<std::string_view> path) { SetText("FFPa", path); }
void CFileRecordComp::SetUserName(std::optional<std::string_view> name) { SetText("UsNa", name); }
void CFileRecordComp::SetSourcePath(std::optional<std::string_view> path) { SetText("CFFi", path); }

DATE CFileRecordComp::GetDate() const {
  const auto* date = dynamic_cast<const CDateComp*>(FindChild("ReDa"));
  return date != nullptr ? date->GetValue() : 0.0;
}

std::string CFileRecordComp::GetDateText() const { return FormatOleDate(GetDate()); }

int CFileRecordComp::GetType() const {
  const auto* type = dynamic_cast<const CByteComp*>(FindChild("FReT"));
  return type != nullptr ? int{static_cast<int8_t>(type->GetValue())} : 0;
}

std::optional<std::string_view> CFileRecordComp::GetTextView(const char* tag) const {
  const auto* text = dynamic_cast<const CTextComp*>(FindChild(tag));
  if (text == nullptr) return std::nullopt;
  return std::string_view(text->GetText());
}

namespace {

std::optional<std::string> Copy(std::optional<std::string_view> text) {
  if (!text) return std::nullopt;
  return std::string(*text);
}

}  // namespace

std::optional<std::string> CFileRecordComp::GetFilePath() const { return Copy(FilePathView()); }
std::optional<std::string> CFileRecordComp::GetUserName() const { return Copy(UserNameView()); }
std::optional<std::string> CFileRecordComp::GetSourcePath() const {
  return Copy(SourcePathView());
}

bool CFileRecordComp::HasPath(std::optional<std::string_view> path) const {
  const auto* mine = dynamic_cast<const CTextComp*>(FindChild("FFPa"));
  return SameRunFilePath(path.value_or(std::string_view()),
                         mine != nullptr ? std::string_view(mine->GetText()) : std::string_view());
}

// ---------------------------------------------------------------- lists

CFileRecordListComp::CFileRecordListComp(std::string_view tag) : CListComp(tag) {}

POSITION CFileRecordListComp::FindByPath(std::optional<std::string_view> path) const {
  if (!path.has_value() || path->empty()) return nullptr;
  POSITION pos = GetFirstChildPosition();
  while (pos != nullptr) {
    const POSITION here = pos;
    const auto* record = dynamic_cast<const CFileRecordComp*>(GetNextChild(pos));
    if (record != nullptr && record->GetTag().Is("FiRe") && record->HasPath(path)) return here;
  }
  return nullptr;
}

void CFileRecordListComp::RemoveByPath(std::optional<std::string_view> path, bool* removed) {
  const POSITION pos = FindByPath(path);
  if (pos != nullptr) RemoveComponent(pos);
  if (removed != nullptr) *removed = pos != nullptr;
}

int CFileRecordListComp::AddOrReplace(std::unique_ptr<CFileRecordComp>& record, bool* replaced) {
  if (replaced != nullptr) *replaced = false;
  if (record == nullptr) return kRecordCorrupt;
  const std::optional<std::string> path = record->GetFilePath();
  const POSITION old = path.has_value() ? FindByPath(*path) : nullptr;
  // Check before removing: a full list must not lose the old record
  // without taking the new one.
  if (old == nullptr && GetChildCount() >= kMaxListChildren) return kRecordListFull;
  if (old != nullptr) RemoveComponent(old);
  if (replaced != nullptr) *replaced = old != nullptr;
  return AddComponent(std::move(record));
}

}  // namespace tav
