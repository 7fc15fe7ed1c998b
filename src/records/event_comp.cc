#include "records/event_comp.h"

#include "records/body_io.h"
#include "records/property_item.h"
#include "util/strings.h"

namespace tav {

CEventComp::CEventComp() : CComponent("EVnt") { UpdateBodyLength(); }

CEventComp::CEventComp(std::string_view tag) : CComponent(tag) {}

void CEventComp::Set(std::string_view user_name, DATE date) {
  user_name_ = Utf8Prefix(user_name, kMaxUserNameBytes);
  date_ = date == 0.0 ? OleDateNow() : date;
  UpdateBodyLength();
}

uint32_t CEventComp::GetEventBodyLength() const {
  return 9 + static_cast<uint32_t>(user_name_.size());
}

void CEventComp::UpdateBodyLength() { SetBodyLength(GetEventBodyLength()); }

void CEventComp::CopyEventFields(const CEventComp& other) {
  date_ = other.date_;
  user_name_ = other.user_name_;
  UpdateBodyLength();
}

void CEventComp::CopyFrom(const CComponent& other) {
  const bool same_kind = &other != this && other.GetTag() == GetTag();
  CComponent::CopyFrom(other);
  if (!same_kind) return;
  if (const auto* event = dynamic_cast<const CEventComp*>(&other)) {
    date_ = event->date_;
    user_name_ = event->user_name_;
  }
}

void CEventComp::Reset() {
  date_ = 0.0;
  user_name_.clear();
  UpdateBodyLength();
}

void CEventComp::AppendEventItems(CPropertyItemList& list) const {
  list.Add(kPropertyValue, "Event Date")->SetText(FormatOleDate(date_));
  list.Add(kPropertyValue, "User Name Size")->SetUInt8(static_cast<uint8_t>(user_name_.size()));
  list.Add(kPropertyValue, "User Name")->SetText(user_name_);
}

void CEventComp::AppendHeaderProperties(CPropertyItemList& list) const {
  CComponent::AppendHeaderProperties(list);
  AppendEventItems(list);
}

void CEventComp::AppendProperties(CPropertyItemList& list) const { AppendEventItems(list); }

void CEventComp::WriteEventFields(CFile* file) const {
  body_io::WriteDate(file, date_);
  // The name never exceeds 255 bytes: Set cuts it and a read takes at most
  // 255.
  body_io::WriteU8(file, static_cast<uint8_t>(user_name_.size()));
  body_io::WriteText(file, user_name_);
}

int CEventComp::ReadEventFields(CFile* file) {
  date_ = 0.0;
  user_name_.clear();
  uint8_t size = 0;
  if (body_io::ReadDate(file, &date_) != kRecordOk || body_io::ReadU8(file, &size) != kRecordOk) {
    return kRecordReadError;
  }
  return body_io::ReadText(file, size, &user_name_);
}

int CEventComp::WriteData(CFile* file) {
  WriteEventFields(file);
  return kRecordOk;
}

int CEventComp::ReadData(CFile* file) {
  Reset();
  return ReadEventFields(file);
}

}  // namespace tav
