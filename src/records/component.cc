#include "records/component.h"

#include <algorithm>
#include <limits>
#include <new>
#include <utility>

#include "records/property_item.h"
#include "records/tag_registry.h"
#include "util/memory.h"
#include "util/strings.h"

namespace tav {

namespace {

thread_local int t_read_depth = 0;
// The deepest level reached since the innermost ReadDepthProbe started.
thread_local int t_read_peak = 0;
thread_local ReadIssueCollector* t_collector = nullptr;

// Counts how deep the current thread is inside nested chunk reads.
class ReadDepthGuard {
 public:
  ReadDepthGuard() {
    ++t_read_depth;
    if (t_read_depth > t_read_peak) t_read_peak = t_read_depth;
  }
  ~ReadDepthGuard() { --t_read_depth; }
  bool TooDeep() const { return t_read_depth > kMaxNestingDepth; }
};

}  // namespace

ComponentTag::ComponentTag(std::string_view text) {
  std::memcpy(bytes, text.data(), std::min<size_t>(text.size(), 4));
}

// ---------------------------------------------------------------- reading

ReadDepthProbe::ReadDepthProbe() : saved_peak_(t_read_peak) { t_read_peak = t_read_depth; }

// The enclosing probe still sees the deepest level reached in this one.
ReadDepthProbe::~ReadDepthProbe() { t_read_peak = std::max(saved_peak_, t_read_peak); }

int ReadDepthProbe::Deepest() const { return t_read_peak; }
int ReadDepthProbe::Current() { return t_read_depth; }

ReadIssueCollector::ReadIssueCollector() : previous_(t_collector) { t_collector = this; }
ReadIssueCollector::~ReadIssueCollector() { t_collector = previous_; }

void ReadIssueCollector::Report(uint64_t offset, std::string text) {
  if (t_collector != nullptr) t_collector->issues_.push_back({offset, std::move(text)});
}

void ReadIssueCollector::Note(uint64_t offset, std::string text) {
  if (t_collector != nullptr) t_collector->notes_.push_back({offset, std::move(text)});
}

void ReadIssueCollector::ReportFailure(uint64_t offset, std::string text) {
  if (t_collector != nullptr && !t_collector->has_failure_) {
    t_collector->has_failure_ = true;
    t_collector->failure_ = {offset, std::move(text)};
  }
}

bool ReadIssueCollector::Active() { return t_collector != nullptr; }

CComponent::CComponent() = default;
CComponent::CComponent(std::string_view tag) : tag_(tag) {}
CComponent::~CComponent() = default;

int CComponent::GetTagIndex() const { return LookupTag(tag_); }

void CComponent::CopyFrom(const CComponent& other) {
  tag_ = other.tag_;
  body_length_ = other.body_length_;
}

int CComponent::StreamDataIn(CFile* file, uint64_t* bytes_read) {
  if (file == nullptr) return kRecordReadError;
  const uint64_t start = file->GetPosition();
  char tag[4];
  const size_t n = file->Read(tag, 4);
  if (n < 4) {
    if (bytes_read != nullptr) *bytes_read = file->GetPosition() - start;
    return kRecordHeaderError;
  }
  std::memcpy(tag_.bytes, tag, 4);
  return ReadAfterTag(file, start, bytes_read);
}

int CComponent::ReadAfterTag(CFile* file, uint64_t start, uint64_t* bytes_read) {
  uint8_t length_bytes[4];
  int result = kRecordOk;
  if (file->Read(length_bytes, 4) < 4) {
    result = kRecordHeaderError;
    ReadIssueCollector::ReportFailure(start, StrFormat("chunk '%s': incomplete chunk header",
                                                       HexSafeTag(tag_).c_str()));
  } else {
    const uint32_t declared = LoadBigEndian32(length_bytes);
    body_length_ = declared;
    if (declared != 0) {
      ReadDepthGuard depth;
      if (depth.TooDeep()) {
        result = kRecordTooDeep;
        ReadIssueCollector::ReportFailure(
            start, StrFormat("chunk '%s': nested deeper than %d levels",
                             HexSafeTag(tag_).c_str(), kMaxNestingDepth));
      } else {
        const uint64_t a = file->GetPosition();
        result = ReadData(file);
        const uint64_t consumed = file->GetPosition() - a;
        // The stream is left where the reader stopped: older files rely on
        // the rest being read as the next chunk.
        body_length_ = static_cast<uint32_t>(
            std::min<uint64_t>(consumed, std::numeric_limits<uint32_t>::max()));
        if (result != kRecordOk && ReadIssueCollector::Active()) {
          ReadIssueCollector::ReportFailure(
              start, StrFormat("chunk '%s' (%u body bytes, %llu left in the file): %s",
                               HexSafeTag(tag_).c_str(), declared,
                               static_cast<unsigned long long>(file->GetLength() - a),
                               RecordStatusText(result)));
        } else if (consumed != declared && ReadIssueCollector::Active()) {
          ReadIssueCollector::Report(
              start, StrFormat("chunk '%s' declares %u body bytes but its reader consumed %llu",
                               HexSafeTag(tag_).c_str(), declared,
                               static_cast<unsigned long long>(consumed)));
        }
      }
    }
  }
  if (bytes_read != nullptr) *bytes_read = file->GetPosition() - start;
  return result;
}

int CComponent::ReadHeader(CFile* file) {
  if (file == nullptr) return kRecordReadError;
  uint8_t header[8];
  const size_t n = file->Read(header, 8);
  if (n >= 4) std::memcpy(tag_.bytes, header, 4);
  if (n < 8) return kRecordHeaderError;
  body_length_ = LoadBigEndian32(header + 4);
  return kRecordOk;
}

int CComponent::StreamBodyIn(CFile* file) {
  if (file == nullptr) return kRecordReadError;
  return ReadData(file);
}

int CComponent::ReadData(CFile* file) {
  // A component without a class of its own skips its body.
  try {
    file->Seek(body_length_, CFile::current);
  } catch (const CFileException&) {
  }
  return kRecordOk;
}

// ---------------------------------------------------------------- writing

int CComponent::StreamDataOut(CFile* file) {
  if (file == nullptr) return kRecordWriteError;
  uint8_t header[8];
  std::memcpy(header, tag_.bytes, 4);
  StoreBigEndian32(header + 4, body_length_);
  const uint64_t length_position = file->GetPosition() + 4;
  file->Write(header, 8);
  if (body_length_ == 0) return kRecordOk;
  const uint64_t a = file->GetPosition();
  const int result = WriteData(file);
  const uint64_t b = file->GetPosition();
  if (b - a != body_length_) {
    // The record's own length was stale: store what was really written.
    if (b - a > std::numeric_limits<uint32_t>::max()) return kRecordCorrupt;
    body_length_ = static_cast<uint32_t>(b - a);
    StoreBigEndian32(header + 4, body_length_);
    file->Seek(static_cast<int64_t>(length_position), CFile::begin);
    file->Write(header + 4, 4);
    file->Seek(static_cast<int64_t>(b), CFile::begin);
  }
  return result;
}

int CComponent::StreamBodyOut(CFile* file) {
  if (file == nullptr) return kRecordWriteError;
  return WriteData(file);
}

int CComponent::WriteData(CFile*) { return kRecordOk; }

// ---------------------------------------------------------------- queries

void CComponent::Reset() {}

std::string CComponent::GetName() const { return GetComponentName(GetTagIndex()); }

CComponent* CComponent::FindChild(std::string_view) const { return nullptr; }
CComponent* CComponent::FindComponent(std::string_view) const { return nullptr; }

int CComponent::CompareStreamSize(CComponent* other, uint32_t* this_length,
                                  uint32_t* other_length) {
  if (other == nullptr) return 2;
  uint64_t mine = 0;
  uint64_t theirs = 0;
  try {
    CMemFile a(1024);
    CMemFile b(1024);
    if (StreamBodyOut(&a) != kRecordOk || other->StreamBodyOut(&b) != kRecordOk) return 2;
    mine = a.GetLength();
    theirs = b.GetLength();
  } catch (const CFileException&) {
    return 2;
  } catch (const std::bad_alloc&) {
    return 2;
  }
  if (this_length != nullptr) *this_length = static_cast<uint32_t>(mine);
  if (other_length != nullptr) *other_length = static_cast<uint32_t>(theirs);
  if (mine > theirs) return 1;
  return mine == theirs ? 0 : -1;
}

void CComponent::AppendHeaderProperties(CPropertyItemList& list) const {
  // The tag shows like a C string: up to its first zero byte.
  const std::string tag = tag_.str();
  list.Add(kPropertyTag, "Tag")->SetText(tag.substr(0, tag.find('\0')), kTypeCodeTagText);
  list.Add(kPropertySize, "Size")->SetUInt32(body_length_);
  list.Add(kPropertySeparator, "--------------")->SetText(std::string(), kTypeCodePlainText);
}

void CComponent::AppendProperties(CPropertyItemList&) const {}

int CComponent::AddComponentImpl(std::unique_ptr<CComponent>&) { return kRecordCorrupt; }
std::unique_ptr<CComponent> CComponent::RemoveComponent(POSITION) { return nullptr; }

CComponent* CComponent::FindMatchingChild(const CComponent&, POSITION* pos) const {
  if (pos != nullptr) *pos = nullptr;
  return nullptr;
}

bool CComponent::IsSameTag(const CComponent* other) const {
  return other != nullptr && other->tag_ == tag_;
}

bool CComponent::GetGroupItem(std::unique_ptr<CPropertyItem>&) const { return false; }
bool CComponent::IsHiddenChild(const CComponent&) const { return false; }
CComponent* CComponent::GetNextChild(POSITION& pos) const {
  pos = nullptr;
  return nullptr;
}
POSITION CComponent::GetFirstChildPosition() const { return nullptr; }

std::string CComponent::GetDisplayText() const {
  std::unique_ptr<CPropertyItem> item;
  if (!GetGroupItem(item) || item == nullptr) {
    item = std::make_unique<CPropertyItem>(kPropertyGroup, GetName());
  }
  return item->GetPlainText(": ");
}

// ---------------------------------------------------------------- raw

CRawComponent::CRawComponent(const ComponentTag& tag) { SetTag(tag); }

void CRawComponent::CopyFrom(const CComponent& other) {
  CComponent::CopyFrom(other);
  if (&other == this) return;
  if (const auto* raw = dynamic_cast<const CRawComponent*>(&other)) body_ = raw->body_;
}

void CRawComponent::Reset() { body_.clear(); }

void CRawComponent::SetBody(std::string body) {
  body_ = std::move(body);
  SetBodyLength(static_cast<uint32_t>(
      std::min<size_t>(body_.size(), std::numeric_limits<uint32_t>::max())));
}

std::string CRawComponent::GetValueText() const { return HexEncode(body_); }

void CRawComponent::AppendProperties(CPropertyItemList& list) const {
  if (body_.empty()) return;
  list.Add(kPropertyValue, GetName())->SetText(HexEncode(body_));
}

int CRawComponent::WriteData(CFile* file) {
  file->Write(body_.data(), body_.size());
  return kRecordOk;
}

int CRawComponent::ReadData(CFile* file) {
  body_.clear();
  const uint32_t length = GetBodyLength();
  // Never trust the length: a body that the file cannot hold is a short
  // read, found before anything is allocated.
  if (length > file->GetRemaining()) return kRecordReadError;
  ResizeLargeString(body_, length);
  if (file->Read(body_.data(), length) < length) {
    body_.clear();
    return kRecordReadError;
  }
  return kRecordOk;
}

std::string HexSafeTag(const ComponentTag& tag) {
  std::string out;
  for (char c : tag.bytes) {
    const auto u = static_cast<unsigned char>(c);
    if (u >= 0x20 && u < 0x7f) {
      out += c;
    } else {
      out += StrFormat("\\x%02x", u);
    }
  }
  return out;
}

}  // namespace tav
