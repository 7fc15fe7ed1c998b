// Components: the chunks in which every record of the suite is stored.
//
// A chunk is a four-byte tag, a big-endian 32-bit body length and the body
// (docs/record-format.md). CComponent is the base of every record kind; a
// record kind overrides ReadData/WriteData for its body and the property
// operations to present itself (property_item.h).
//
// Ownership: the creator owns a component; a collection owns its children.
// Results: 0 or a negative code of status.h. Failures of the file object are
// CFileException and pass through to the caller.
// Thread safety: a component is used by one thread at a time.
#ifndef TAV_RECORDS_COMPONENT_H_
#define TAV_RECORDS_COMPONENT_H_

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "records/status.h"
#include "util/file.h"

namespace tav {

class CPropertyItem;
class CPropertyItemList;
class CComponent;
class CListComp;
class CAuditEventComp;
class CComponentPathComp;

// An opaque place in a collection's child list (a child stays at its
// position while others are added or removed).
using POSITION = struct ComponentPosition*;

// A four-byte tag, compared byte by byte.
struct ComponentTag {
  char bytes[4] = {0, 0, 0, 0};

  ComponentTag() = default;
  // Takes up to four characters; a shorter text is padded with zero bytes.
  explicit ComponentTag(std::string_view text);

  uint32_t code() const {
    uint32_t c;
    std::memcpy(&c, bytes, 4);
    return c;
  }
  std::string str() const { return std::string(bytes, 4); }
  bool operator==(const ComponentTag& o) const { return code() == o.code(); }
  // True only for a text of exactly these four bytes.
  bool Is(std::string_view text) const {
    return text.size() == 4 && std::memcmp(bytes, text.data(), 4) == 0;
  }
};

class CComponent {
 public:
  // A component without a tag: four zero bytes, length 0.
  CComponent();
  explicit CComponent(std::string_view tag);
  CComponent(const CComponent&) = delete;
  CComponent& operator=(const CComponent&) = delete;
  virtual ~CComponent();

  // Copies the tag and body length; record kinds also copy their fields when
  // `other` has the same tag and is not this object.
  virtual void CopyFrom(const CComponent& other);

  // Reads one chunk from the file's position. The tag read replaces this
  // component's tag. `bytes_read` (optional) receives the bytes consumed,
  // also after a failure. 0, -100 (null file, short body), -300 (short
  // header), -400 (too deep) or a record kind's code.
  int StreamDataIn(CFile* file, uint64_t* bytes_read = nullptr);
  // Writes one chunk; the stored body length is corrected to what WriteData
  // wrote. 0 or -200 (null file).
  int StreamDataOut(CFile* file);

  uint64_t GetComponentSize() const { return uint64_t{body_length_} + 8; }
  uint32_t GetBodyLength() const { return body_length_; }
  const ComponentTag& GetTag() const { return tag_; }
  std::string GetTagString() const { return tag_.str(); }
  // The registry index of the tag, -1 when it is not registered.
  int GetTagIndex() const;

  // Clears the fields to their defaults; collections destroy their children.
  virtual void Reset();
  virtual std::string GetValueText() const { return std::string(); }
  // The display name of the tag.
  virtual std::string GetName() const;

  int StreamBodyOut(CFile* file);
  int StreamBodyIn(CFile* file);
  // Reads the tag and body length (lists also their child count).
  virtual int ReadHeader(CFile* file);

  virtual bool IsExpandable() const { return false; }
  virtual CComponent* FindChild(std::string_view tag) const;
  virtual CComponent* FindComponent(std::string_view path) const;

  // Writes both bodies to memory and compares their lengths: 1 when this one
  // is longer, 0 when equal, -1 when shorter, 2 when `other` is null or a
  // write fails.
  // (Writing may correct stale body lengths, hence not const.)
  virtual int CompareStreamSize(CComponent* other, uint32_t* this_length,
                                uint32_t* other_length);

  // "Tag", "Size" and a separator line (lists add "Item Count" and a second
  // separator).
  virtual void AppendHeaderProperties(CPropertyItemList& list) const;
  // What a record shows of its values. A leaf component appends one item
  // named by GetName() (value components: the typed value; a component kept
  // as raw bytes: their hexadecimal form), so that a list of leaves shows
  // every value; a component without a body appends nothing. Collections
  // append their children (see CCollectionComp).
  virtual void AppendProperties(CPropertyItemList& list) const;

  // Takes the child on success (0). A component that holds no children
  // refuses with kRecordCorrupt; a full list with kRecordListFull. On
  // failure `child` is left with the caller.
  template <typename T>
  int AddComponent(std::unique_ptr<T>&& child) {
    std::unique_ptr<CComponent> base(std::move(child));
    const int result = AddComponentImpl(base);
    if (result != kRecordOk) child.reset(static_cast<T*>(base.release()));
    return result;
  }
  // Detaches the child at `pos` and hands it back (drop it to destroy it).
  virtual std::unique_ptr<CComponent> RemoveComponent(POSITION pos);

  virtual CComponent* FindMatchingChild(const CComponent& child, POSITION* pos) const;
  // True when `other` exists and has the same four tag bytes. Record kinds
  // with a key narrow it (same tag AND same key); they never widen it.
  virtual bool IsSameTag(const CComponent* other) const;
  // A key that every component IsSameTag matches with this one shares:
  // a.IsSameTag(&b) implies a.GetMatchKey() == b.GetMatchKey(). Base: the
  // four tag bytes. AuditChanges indexes old children by it, so a kind that
  // narrows IsSameTag should add its key here (a kind that does not stays
  // correct, only slower).
  virtual std::string GetMatchKey() const;

  // ---- audit entries by comparison (docs/record-format.md)
  //
  // Run on the NEW version of a record. `old_version` is the old version or
  // null; it is always consumed (null on return): it ends up as the record
  // of an entry or is destroyed. Differences are appended to `event` as
  // audit entries (nothing is appended when `event` is null). `path` is the
  // path of the parent (null at the top: an empty path is used); it is the
  // same on return.
  //
  // A component audited as a whole (and any collection whose old version's
  // AuditsChildren is false) adds one "Changed Record" entry holding the old
  // version when the contents differ. A collection whose old version
  // audits its children pairs each new child with the old version's
  // FindMatchingChild and recurses; unmatched new children give "Added
  // Record" entries, unmatched old ones "Deleted Record" entries holding
  // them. Entries come in depth-first order of the new version's children,
  // each collection's added and changed entries before its deleted ones.
  virtual void AuditChanges(std::unique_ptr<CComponent>& old_version,
                            CAuditEventComp* event, CComponentPathComp* path);
  // False: the record is audited as a whole.
  virtual bool AuditsChildren() const { return false; }
  // Appends to `path` a new, default-valued component of this tag made by
  // the factory. False when `path` is null or full.
  virtual bool AppendToPath(CComponentPathComp* path) const;
  // True when `other` exists, has the same tag, and both bodies, written
  // with StreamBodyOut, are the same bytes. (Writing may correct stale body
  // lengths, hence not const.)
  bool HasSameContent(CComponent* other);

  // The item that stands for this record in a parent's list (a group
  // header); false when the record has none.
  virtual bool GetGroupItem(std::unique_ptr<CPropertyItem>& item) const;
  virtual bool IsHiddenChild(const CComponent& child) const;

  virtual CComponent* GetNextChild(POSITION& pos) const;
  virtual POSITION GetFirstChildPosition() const;

  // The group item's plain text with ": ", else the display name.
  virtual std::string GetDisplayText() const;

 protected:
  // Moves `child` in on success only.
  virtual int AddComponentImpl(std::unique_ptr<CComponent>& child);

  // Reads the body length and body after the tag has been read.
  int ReadAfterTag(CFile* file, uint64_t start, uint64_t* bytes_read);

  // Writes the body. Base: nothing.
  virtual int WriteData(CFile* file);
  // Reads the body of body_length_ bytes. Base: skips it.
  virtual int ReadData(CFile* file);

  void SetBodyLength(uint32_t length) { body_length_ = length; }
  void SetTag(const ComponentTag& tag) { tag_ = tag; }

 private:
  friend class CListComp;

  ComponentTag tag_;
  uint32_t body_length_ = 0;
  // Links of the parent's child list; the component is in at most one.
  CComponent* prev_sibling_ = nullptr;
  CComponent* next_sibling_ = nullptr;
};

// A component whose tag has no record class here (an unregistered tag, or a
// kind of the instrument data model). It keeps its body bytes as they were
// read and writes them back unchanged, so re-saving a document loses nothing.
class CRawComponent : public CComponent {
 public:
  explicit CRawComponent(const ComponentTag& tag);

  void CopyFrom(const CComponent& other) override;
  void Reset() override;
  std::string GetValueText() const override;
  void AppendProperties(CPropertyItemList& list) const override;

  const std::string& body() const { return body_; }
  void SetBody(std::string body);

 protected:
  int WriteData(CFile* file) override;
  int ReadData(CFile* file) override;

 private:
  std::string body_;
};

// Big-endian helpers of the chunk format.
inline uint32_t LoadBigEndian32(const uint8_t* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
}
inline uint16_t LoadBigEndian16(const uint8_t* p) {
  return static_cast<uint16_t>((p[0] << 8) | p[1]);
}
inline void StoreBigEndian32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v >> 24);
  p[1] = static_cast<uint8_t>(v >> 16);
  p[2] = static_cast<uint8_t>(v >> 8);
  p[3] = static_cast<uint8_t>(v);
}
inline void StoreBigEndian16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v >> 8);
  p[1] = static_cast<uint8_t>(v);
}

// The tag as printable text: bytes outside printable ASCII as \xNN.
std::string HexSafeTag(const ComponentTag& tag);

// How deep the current thread is inside nested chunk reads (a top-level
// chunk is level 1; levels above kMaxNestingDepth are refused). Readers
// that upgrade an older layout by nesting what they read one level deeper
// use it, so that what they hand back can still be read after it is
// written. A probe measures the deepest level reached while it lives.
class ReadDepthProbe {
 public:
  ReadDepthProbe();
  ~ReadDepthProbe();
  ReadDepthProbe(const ReadDepthProbe&) = delete;
  ReadDepthProbe& operator=(const ReadDepthProbe&) = delete;

  // The deepest level reached since construction (at least the level at
  // construction).
  int Deepest() const;
  static int Current();

 private:
  int saved_peak_;
};

// Damage that a read tolerates for the sake of older files (a list that ends
// before its count, a body read shorter than declared) is reported to the
// collector installed on the reading thread, if any. `tavsec records check`
// installs one; normal reads pay nothing.
class ReadIssueCollector {
 public:
  ReadIssueCollector();
  ~ReadIssueCollector();
  ReadIssueCollector(const ReadIssueCollector&) = delete;
  ReadIssueCollector& operator=(const ReadIssueCollector&) = delete;

  struct Issue {
    uint64_t offset;
    std::string text;
  };
  const std::vector<Issue>& issues() const { return issues_; }

  // Records an issue with the collector of this thread, if there is one.
  static void Report(uint64_t offset, std::string text);
  // Records that an older layout was read into the current form, which is
  // sound but writes back other bytes (not damage: `check` accepts it).
  static void Note(uint64_t offset, std::string text);
  const std::vector<Issue>& notes() const { return notes_; }
  // Records where a read failed; only the first (innermost) failure counts,
  // since every enclosing chunk fails with it.
  static void ReportFailure(uint64_t offset, std::string text);
  static bool Active();
  const Issue* failure() const { return has_failure_ ? &failure_ : nullptr; }

 private:
  std::vector<Issue> issues_;
  std::vector<Issue> notes_;
  Issue failure_;
  bool has_failure_ = false;
  ReadIssueCollector* previous_;
};

}  // namespace tav

#endif  // TAV_RECORDS_COMPONENT_H_
