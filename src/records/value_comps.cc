#include "records/value_comps.h"

#include <bit>
#include <limits>
#include <mutex>
#include <utility>

#include "records/property_item.h"
#include "util/ole_date.h"
#include "util/memory.h"
#include "util/strings.h"

namespace tav {

namespace {

// Reads exactly `n` bytes or reports a short read.
inline int ReadExact(CFile* file, void* out, size_t n) {
  return file->Read(out, n) == n ? kRecordOk : kRecordReadError;
}

template <typename T>
const T* SameKind(const CComponent& self, const CComponent& other) {
  if (&other == &self || !(other.GetTag() == self.GetTag())) return nullptr;
  return dynamic_cast<const T*>(&other);
}

void AppendValueHeader(const CComponent& c, CPropertyItemList& list,
                       CPropertyItem*& value_item) {
  c.CComponent::AppendHeaderProperties(list);
  value_item = list.Add(kPropertyComponentValue, "Value");
}

std::mutex g_resolver_mutex;
ActivityNameResolver g_resolver;

}  // namespace

void SetActivityNameResolver(ActivityNameResolver resolver) {
  std::lock_guard<std::mutex> lock(g_resolver_mutex);
  g_resolver = std::move(resolver);
}

std::string ResolveActivityName(int activity) {
  std::lock_guard<std::mutex> lock(g_resolver_mutex);
  return g_resolver ? g_resolver(activity) : std::string();
}

// ---------------------------------------------------------------- 8-bit

CByteComp::CByteComp(std::string_view tag, uint8_t value) : CComponent(tag), value_(value) {
  SetBodyLength(1);
}

void CByteComp::CopyFrom(const CComponent& other) {
  const auto* o = SameKind<CByteComp>(*this, other);
  CComponent::CopyFrom(other);
  if (o != nullptr) value_ = o->value_;
}

void CByteComp::Reset() { value_ = 0; }

std::string CByteComp::GetValueText() const {
  return StrFormat("%d", static_cast<int>(static_cast<int8_t>(value_)));
}

void CByteComp::SetValueItem(CPropertyItem& item) const {
  item.SetInt8(static_cast<int8_t>(value_));
}

void CByteComp::AppendHeaderProperties(CPropertyItemList& list) const {
  CPropertyItem* item;
  AppendValueHeader(*this, list, item);
  SetValueItem(*item);
}

void CByteComp::AppendProperties(CPropertyItemList& list) const {
  SetValueItem(*list.Add(kPropertyValue, GetName()));
}

int CByteComp::WriteData(CFile* file) {
  file->Write(&value_, 1);
  return kRecordOk;
}

int CByteComp::ReadData(CFile* file) { return ReadExact(file, &value_, 1); }

// ---------------------------------------------------------------- 16-bit

CShortComp::CShortComp(std::string_view tag, uint16_t value) : CComponent(tag), value_(value) {
  SetBodyLength(2);
}

void CShortComp::CopyFrom(const CComponent& other) {
  const auto* o = SameKind<CShortComp>(*this, other);
  CComponent::CopyFrom(other);
  if (o != nullptr) value_ = o->value_;
}

void CShortComp::Reset() { value_ = 0; }

std::string CShortComp::GetValueText() const {
  // A controlled activity shows its name beside its number.
  if (GetTag().Is("CTRa")) {
    return StrFormat("%d (%s)", int{value_}, ResolveActivityName(value_).c_str());
  }
  return StrFormat("%u", unsigned{value_});
}

void CShortComp::SetValueItem(CPropertyItem& item) const {
  item.SetUInt16(value_);
  if (GetTag().Is("CTRa")) item.set_value_text(GetValueText());
}

void CShortComp::AppendHeaderProperties(CPropertyItemList& list) const {
  CPropertyItem* item;
  AppendValueHeader(*this, list, item);
  SetValueItem(*item);
}

void CShortComp::AppendProperties(CPropertyItemList& list) const {
  SetValueItem(*list.Add(kPropertyValue, GetName()));
}

int CShortComp::WriteData(CFile* file) {
  uint8_t bytes[2];
  StoreBigEndian16(bytes, value_);
  file->Write(bytes, 2);
  return kRecordOk;
}

int CShortComp::ReadData(CFile* file) {
  uint8_t bytes[2];
  const int result = ReadExact(file, bytes, 2);
  if (result == kRecordOk) value_ = LoadBigEndian16(bytes);
  return result;
}

// ---------------------------------------------------------------- 32-bit

CLongComp::CLongComp(std::string_view tag, uint32_t value) : CComponent(tag), value_(value) {
  SetBodyLength(4);
}

void CLongComp::CopyFrom(const CComponent& other) {
  const auto* o = SameKind<CLongComp>(*this, other);
  CComponent::CopyFrom(other);
  if (o != nullptr) value_ = o->value_;
}

void CLongComp::Reset() { value_ = 0; }

std::string CLongComp::GetValueText() const { return StrFormat("%lu", static_cast<unsigned long>(value_)); }

void CLongComp::SetValueItem(CPropertyItem& item) const { item.SetUInt32(value_); }

void CLongComp::AppendHeaderProperties(CPropertyItemList& list) const {
  CPropertyItem* item;
  AppendValueHeader(*this, list, item);
  SetValueItem(*item);
}

void CLongComp::AppendProperties(CPropertyItemList& list) const {
  SetValueItem(*list.Add(kPropertyValue, GetName()));
}

int CLongComp::WriteData(CFile* file) {
  uint8_t bytes[4];
  StoreBigEndian32(bytes, value_);
  file->Write(bytes, 4);
  return kRecordOk;
}

int CLongComp::ReadData(CFile* file) {
  uint8_t bytes[4];
  const int result = ReadExact(file, bytes, 4);
  if (result == kRecordOk) value_ = LoadBigEndian32(bytes);
  return result;
}

// ---------------------------------------------------------------- date

CDateComp::CDateComp(std::string_view tag, double value) : CComponent(tag), value_(value) {
  SetBodyLength(8);
}

void CDateComp::CopyFrom(const CComponent& other) {
  const auto* o = SameKind<CDateComp>(*this, other);
  CComponent::CopyFrom(other);
  if (o != nullptr) value_ = o->value_;
}

void CDateComp::Reset() { value_ = 0.0; }

std::string CDateComp::GetValueText() const { return FormatOleDate(value_); }

void CDateComp::SetValueItem(CPropertyItem& item) const { item.SetDate(value_); }

void CDateComp::AppendHeaderProperties(CPropertyItemList& list) const {
  CPropertyItem* item;
  AppendValueHeader(*this, list, item);
  SetValueItem(*item);
}

void CDateComp::AppendProperties(CPropertyItemList& list) const {
  SetValueItem(*list.Add(kPropertyValue, GetName()));
}

// The date lies in the file as it lies in memory: little-endian IEEE.
int CDateComp::WriteData(CFile* file) {
  static_assert(std::endian::native == std::endian::little);
  file->Write(&value_, 8);
  return kRecordOk;
}

int CDateComp::ReadData(CFile* file) { return ReadExact(file, &value_, 8); }

// ---------------------------------------------------------------- text

namespace {

uint32_t ClampLength(size_t n) {
  return static_cast<uint32_t>(std::min<size_t>(n, std::numeric_limits<uint32_t>::max()));
}

}  // namespace

CTextComp::CTextComp(std::string_view tag, std::string_view text) : CComponent(tag), text_(text) {
  SetBodyLength(ClampLength(text_.size()));
}

CTextComp::CTextComp(std::string_view tag, const char* bytes, size_t length)
    : CComponent(tag), text_(bytes, length) {
  SetBodyLength(ClampLength(text_.size()));
}

void CTextComp::SetText(std::string text) {
  text_ = std::move(text);
  SetBodyLength(ClampLength(text_.size()));
}

void CTextComp::CopyFrom(const CComponent& other) {
  const auto* o = SameKind<CTextComp>(*this, other);
  CComponent::CopyFrom(other);
  if (o != nullptr) text_ = o->text_;
}

void CTextComp::Reset() { text_.clear(); }

void CTextComp::AppendHeaderProperties(CPropertyItemList& list) const {
  CPropertyItem* item;
  AppendValueHeader(*this, list, item);
  item->SetText(text_);
}

void CTextComp::AppendProperties(CPropertyItemList& list) const {
  list.Add(kPropertyValue, GetName())->SetText(text_);
}

int CTextComp::WriteData(CFile* file) {
  file->Write(text_.data(), text_.size());
  return kRecordOk;
}

int CTextComp::ReadData(CFile* file) {
  text_.clear();
  const uint32_t length = GetBodyLength();
  // The length is checked against the file before anything is allocated.
  if (length > file->GetRemaining()) return kRecordReadError;
  ResizeLargeString(text_, length);
  if (file->Read(text_.data(), length) < length) {
    text_.clear();
    return kRecordReadError;
  }
  return kRecordOk;
}

}  // namespace tav
