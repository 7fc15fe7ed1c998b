#include "records/esig_event_comp.h"

#include <limits>

#include "records/body_io.h"
#include "records/property_item.h"
#include "util/strings.h"

namespace tav {

CESigEventComp::CESigEventComp() : CEventComp("ESev") { UpdateBodyLength(); }

CESigEventComp::CESigEventComp(std::string_view user_name, DATE date, ESigReasonID reason,
                               ESigItemCode item, const std::vector<std::string>& tag_paths,
                               std::string_view signer_full_name, std::string_view comment)
    : CEventComp("ESev"),
      reason_(reason),
      item_(item),
      full_name_(Utf8Prefix(signer_full_name, kMaxSignerNameBytes)),
      comment_(Utf8Prefix(comment, kMaxSignatureCommentBytes)) {
  for (const std::string& path : tag_paths) AddTagPath(path);
  Set(user_name, date);  // also computes the body length
}

bool CESigEventComp::AddTagPath(std::string_view path) {
  // The count is a signed 16-bit field: one more path would not read back.
  if (path.empty() || tag_paths_.size() >= kMaxSignatureTagPaths) return false;
  tag_paths_.emplace_back(Utf8Prefix(path, kMaxTagPathBytes));
  UpdateBodyLength();
  return true;
}

void CESigEventComp::UpdateBodyLength() {
  uint64_t length = uint64_t{GetEventBodyLength()} + 9 + full_name_.size() + comment_.size();
  for (const std::string& path : tag_paths_) length += 1 + path.size();
  SetBodyLength(static_cast<uint32_t>(std::min<uint64_t>(length, UINT32_MAX)));
}

void CESigEventComp::CopyFrom(const CComponent& other) {
  const bool same_kind = &other != this && other.GetTag() == GetTag();
  CEventComp::CopyFrom(other);
  if (!same_kind) return;
  if (const auto* e = dynamic_cast<const CESigEventComp*>(&other)) {
    reason_ = e->reason_;
    item_ = e->item_;
    tag_paths_ = e->tag_paths_;
    full_name_ = e->full_name_;
    comment_ = e->comment_;
  }
}

void CESigEventComp::Reset() {
  reason_ = -1;
  item_ = -1;
  tag_paths_.clear();
  full_name_.clear();
  comment_.clear();
  CEventComp::Reset();
}

void CESigEventComp::AppendSignatureItems(CPropertyItemList& list) const {
  list.Add(kPropertyValue, "ESig Reason")->SetText(StrFormat("(%d)", reason_));
  list.Add(kPropertyValue, "ESig Item")->SetText(StrFormat("(%d)", item_));
  list.Add(kPropertyValue, "Signer Full Name Size")->SetUInt8(static_cast<uint8_t>(full_name_.size()));
  list.Add(kPropertyValue, "Signer Full Name")->SetText(full_name_);
  list.Add(kPropertyValue, "Component Tag List Size")
      ->SetUInt16(static_cast<uint16_t>(tag_paths_.size()));
  for (const std::string& path : tag_paths_) {
    list.Add(kPropertyValue, "Component Tag Path Size")->SetUInt8(static_cast<uint8_t>(path.size()));
    list.Add(kPropertyValue, "Component Tag Path")->SetText(path);
  }
  list.Add(kPropertyValue, "Comment Size")->SetUInt16(static_cast<uint16_t>(comment_.size()));
  list.Add(kPropertyValue, "Comment")->SetText(comment_);
}

void CESigEventComp::AppendHeaderProperties(CPropertyItemList& list) const {
  CEventComp::AppendHeaderProperties(list);
  AppendSignatureItems(list);
}

void CESigEventComp::AppendProperties(CPropertyItemList& list) const {
  AppendEventItems(list);
  AppendSignatureItems(list);
}

int CESigEventComp::WriteData(CFile* file) {
  WriteEventFields(file);
  body_io::WriteLE16(file, static_cast<uint16_t>(reason_));
  body_io::WriteLE16(file, static_cast<uint16_t>(item_));
  // Every size fits its field: the setters cut the texts and refuse the
  // 32768th path, and what a read takes came from fields of these widths.
  body_io::WriteU8(file, static_cast<uint8_t>(full_name_.size()));
  body_io::WriteText(file, full_name_);
  body_io::WriteLE16(file, static_cast<uint16_t>(tag_paths_.size()));
  for (const std::string& path : tag_paths_) {
    body_io::WriteU8(file, static_cast<uint8_t>(path.size()));
    body_io::WriteText(file, path);
  }
  body_io::WriteLE16(file, static_cast<uint16_t>(comment_.size()));
  body_io::WriteText(file, comment_);
  return kRecordOk;
}

int CESigEventComp::ReadData(CFile* file) {
  Reset();
  int result = ReadEventFields(file);
  if (result != kRecordOk) return result;
  // Reason and item are 16 bits on disk: -1 reads back as 65535.
  uint16_t reason = 0, item = 0;
  uint8_t name_size = 0;
  if (body_io::ReadLE16(file, &reason) != kRecordOk || body_io::ReadLE16(file, &item) != kRecordOk ||
      body_io::ReadU8(file, &name_size) != kRecordOk) {
    return kRecordReadError;
  }
  reason_ = reason;
  item_ = item;
  result = body_io::ReadText(file, name_size, &full_name_);
  if (result != kRecordOk) return result;

  uint16_t count = 0;
  const uint64_t count_offset = file->GetPosition();
  if (body_io::ReadLE16(file, &count) != kRecordOk) return kRecordReadError;
  // The count is a signed 16-bit field. Older files hold negative counts:
  // they mean no paths, and the comment follows.
  if (count > kMaxSignatureTagPaths) {
    ReadIssueCollector::Report(
        count_offset, StrFormat("signature: tag path count %d is negative; read as no paths",
                                static_cast<int>(static_cast<int16_t>(count))));
    count = 0;
  }
  // Each path takes at least its size byte: never reserve more than that.
  tag_paths_.reserve(static_cast<size_t>(body_io::CountThatFits(file, count, 1)));
  for (unsigned i = 0; i < count; ++i) {
    uint8_t size = 0;
    std::string path;
    if (body_io::ReadU8(file, &size) != kRecordOk || body_io::ReadText(file, size, &path) != kRecordOk) {
      // A count beyond the data: the paths read so far stay.
      return kRecordReadError;
    }
    tag_paths_.push_back(std::move(path));
  }

  uint16_t comment_size = 0;
  const uint64_t comment_offset = file->GetPosition();
  if (body_io::ReadLE16(file, &comment_size) != kRecordOk) return kRecordReadError;
  if (comment_size > kMaxSignatureCommentBytes) {
    ReadIssueCollector::ReportFailure(
        comment_offset, StrFormat("signature: comment size %d is negative",
                                  static_cast<int>(static_cast<int16_t>(comment_size))));
    return kRecordCorrupt;
  }
  return body_io::ReadText(file, comment_size, &comment_);
}

// ---------------------------------------------------------------- list

CESigListComp::CESigListComp() : CListComp("ESIG") {}

int CESigListComp::AddSignature(std::string_view user_name, DATE date, ESigReasonID reason,
                                ESigItemCode item, const std::vector<std::string>& tag_paths,
                                std::string_view signer_full_name, std::string_view comment) {
  return AddComponent(std::make_unique<CESigEventComp>(user_name, date, reason, item, tag_paths,
                                                       signer_full_name, comment));
}

}  // namespace tav
