#include "records/property_item.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <stdexcept>
#include <string_view>
#include <typeinfo>
#include <utility>
#include <vector>

#include "util/ole_date.h"

namespace tav {
namespace {

// The texts of the change description are fixed: audit trails are compared
// and read by people and by tools, so every byte here matters.
constexpr std::string_view kEquals = " = ";
constexpr std::string_view kIndent = "     ";
constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kChanged = "[Changed] ";
constexpr std::string_view kAdded = "[Added] ";
constexpr std::string_view kDeleted = "[Deleted] ";
constexpr std::string_view kFrom = " [From] ";
constexpr std::string_view kTo = " [To] ";
constexpr std::string_view kAddedTag = " [Added] ";
constexpr std::string_view kDeletedTag = " [Deleted] ";
constexpr std::string_view kBothBlank = " [From] [Blank] [To] [Blank]";
constexpr std::string_view kRoundingNote =
    " (values may appear the same due to rounding error)";

// Large enough for any "%.15g" or integer text.
constexpr size_t kNumberBufferSize = 64;

std::string BufferText(const char* buffer, int length) {
  if (length <= 0) return std::string();
  size_t n = static_cast<size_t>(length);
  if (n >= kNumberBufferSize) n = kNumberBufferSize - 1;
  return std::string(buffer, n);
}

std::string FormatSigned(long long v) {
  char buffer[kNumberBufferSize];
  return BufferText(buffer, std::snprintf(buffer, sizeof buffer, "%lld", v));
}

std::string FormatUnsigned(unsigned long v) {
  char buffer[kNumberBufferSize];
  return BufferText(buffer, std::snprintf(buffer, sizeof buffer, "%lu", v));
}

std::string FormatG(const char* format, double v) {
  char buffer[kNumberBufferSize];
  return BufferText(buffer, std::snprintf(buffer, sizeof buffer, format, v));
}

std::string Concat(const std::string& a, std::string_view b) {
  std::string s;
  s.reserve(a.size() + b.size());
  s.append(a).append(b);
  return s;
}

// Appends item.GetText(" = "). Items of this class append in place: the
// change description writes a line per difference, and a temporary string
// per line would be most of the cost of a large one.
void AppendItemText(std::string& out, const CPropertyItem& item) {
  if (typeid(item) == typeid(CPropertyItem)) {
    item.AppendText(out, kEquals);
  } else {
    out.append(item.GetText(kEquals));
  }
}

// The first present item of each name in a list, as its index. Built once
// per comparison so that matching by name stays linear. Open addressing over
// a flat array of 8-byte slots. On large lists nearly every item, slot and
// partner would be a wait for memory, so both the build and the lookups run
// as a software pipeline: an item is fetched kAhead steps before its name is
// hashed, its slot kAhead steps before it is read, and so on. Names are
// borrowed from the items and must not change while the index is used.
class NameIndex {
 public:
  static constexpr size_t kNotFound = static_cast<size_t>(-1);

  // Indexes the present items of `list` and clears their marks on the way,
  // since every matching by name starts from clear marks.
  explicit NameIndex(CPropertyItemList& list) : list_(list) {
    const size_t count = list.size();
    if (count >= UINT32_MAX) throw std::length_error("property list too long");
    size_t capacity = 16;
    while (capacity < count * 2) capacity *= 2;
    slots_.resize(capacity);
    mask_ = capacity - 1;

    uint64_t hashes[kRing];
    for (size_t step = 0; step < count + 2 * kAhead; ++step) {
      if (step < count) __builtin_prefetch(list.at(step));
      if (step >= kAhead && step - kAhead < count) {
        HashAndFetchSlot(list, step - kAhead, hashes);
      }
      if (step >= 2 * kAhead) {
        const size_t i = step - 2 * kAhead;
        CPropertyItem* item = list.at(i);
        if (!item) continue;
        item->set_matched(false);
        const uint64_t hash = hashes[i % kRing];
        Slot& slot = slots_[Probe(hash, item->name())];
        if (slot.item == 0) {  // the first one of a name stays
          slot = Slot{Tag(hash), static_cast<uint32_t>(i + 1)};
        }
      }
    }
  }

  // Calls fn(i, j) for each present item i of `list` in order, j being the
  // index of the first indexed item of the same name, or kNotFound. Stops
  // when fn returns false; returns whether it ran to the end.
  template <typename Fn>
  bool ForEachMatch(const CPropertyItemList& list, Fn&& fn) const {
    const size_t count = list.size();
    uint64_t hashes[kRing];
    for (size_t step = 0; step < count + 3 * kAhead; ++step) {
      if (step < count) __builtin_prefetch(list.at(step));
      if (step >= kAhead && step - kAhead < count) {
        HashAndFetchSlot(list, step - kAhead, hashes);
      }
      if (step >= 2 * kAhead && step - 2 * kAhead < count) {
        const size_t i = step - 2 * kAhead;
        if (list.at(i)) FetchCandidate(hashes[i % kRing]);
      }
      if (step >= 3 * kAhead) {
        const size_t i = step - 3 * kAhead;
        const CPropertyItem* item = list.at(i);
        if (!item) continue;
        const Slot& slot = slots_[Probe(hashes[i % kRing], item->name())];
        if (!fn(i, slot.item == 0 ? kNotFound : size_t{slot.item} - 1)) {
          return false;
        }
      }
    }
    return true;
  }

 private:
  static constexpr size_t kAhead = 8;
  // A hash lives from its stage to the probe, 2 * kAhead steps later.
  static constexpr size_t kRing = 4 * kAhead;

  struct Slot {
    uint32_t tag = 0;   // high half of the name's hash
    uint32_t item = 0;  // index + 1; 0 is an empty slot
  };

  static uint32_t Tag(uint64_t hash) {
    return static_cast<uint32_t>(hash >> 32);
  }

  void HashAndFetchSlot(const CPropertyItemList& list, size_t i,
                        uint64_t* hashes) const {
    const CPropertyItem* item = list.at(i);
    if (!item) return;
    const uint64_t hash = std::hash<std::string_view>()(item->name());
    hashes[i % kRing] = hash;
    __builtin_prefetch(&slots_[hash & mask_]);
  }

  // Fetches the item in the name's home slot: nearly always the partner.
  void FetchCandidate(uint64_t hash) const {
    const Slot& slot = slots_[hash & mask_];
    if (slot.item != 0 && slot.tag == Tag(hash)) {
      __builtin_prefetch(list_.at(slot.item - 1));
    }
  }

  // The slot holding `name`, else the empty slot where it would go. The
  // table is at most half full, so an empty slot is always reached.
  size_t Probe(uint64_t hash, std::string_view name) const {
    const uint32_t tag = Tag(hash);
    for (size_t i = hash & mask_;; i = (i + 1) & mask_) {
      const Slot& slot = slots_[i];
      if (slot.item == 0 ||
          (slot.tag == tag && list_.at(slot.item - 1)->name() == name)) {
        return i;
      }
    }
  }

  const CPropertyItemList& list_;
  std::vector<Slot> slots_;
  size_t mask_ = 0;
};

}  // namespace

// ---------------------------------------------------------------------------
// CPropertyItem

CPropertyItem::CPropertyItem(int32_t kind, std::string name)
    : kind_(kind), name_(std::move(name)) {}

CPropertyItem::~CPropertyItem() = default;

template <typename T>
void CPropertyItem::SetTyped(uint16_t vt, T value) {
  static_assert(sizeof(T) <= sizeof(PropertyVariant::value));
  // A fresh variant keeps the unused bytes zero, which IsEqual relies on.
  variant_ = PropertyVariant{};
  variant_.vt = vt;
  std::memcpy(variant_.value, &value, sizeof(T));
  type_code_ = vt;
}

void CPropertyItem::SetText(std::string text, int32_t type_code) {
  variant_ = PropertyVariant{};
  value_text_ = std::move(text);
  type_code_ = type_code;
}

void CPropertyItem::SetInt8(int8_t v) {
  SetTyped(kVtI1, v);
  value_text_ = FormatSigned(v);
}

void CPropertyItem::SetInt16(int16_t v) {
  SetTyped(kVtI2, v);
  value_text_ = FormatSigned(v);
}

void CPropertyItem::SetInt32(int32_t v) {
  SetTyped(kVtInt, v);
  value_text_ = FormatSigned(v);
}

void CPropertyItem::SetUInt8(uint8_t v) {
  SetTyped(kVtUI1, v);
  value_text_ = FormatUnsigned(v);
}

void CPropertyItem::SetUInt16(uint16_t v) {
  SetTyped(kVtUI2, v);
  value_text_ = FormatUnsigned(v);
}

void CPropertyItem::SetUInt32(uint32_t v) {
  SetTyped(kVtUI4, v);
  value_text_ = FormatUnsigned(v);
}

void CPropertyItem::SetFloat(float v) {
  SetTyped(kVtR4, v);
  value_text_ = FormatG("%.6g", v);
}

void CPropertyItem::SetDouble(double v) {
  SetTyped(kVtR8, v);
  value_text_ = FormatG("%.15g", v);
}

void CPropertyItem::SetDate(double ole_date) {
  SetTyped(kVtDate, ole_date);
  // The locale form alone loses the seconds' fraction; the number in
  // brackets keeps two dates that print alike apart.
  value_text_ = FormatOleDate(ole_date);
  value_text_ += '(';
  value_text_ += FormatG("%.15g", ole_date);
  value_text_ += ')';
}

void CPropertyItem::SetGroupNumber(int32_t number) {
  SetTyped(kVtInt, number);
  value_text_ = FormatSigned(number);
  type_code_ = kTypeCodeGroupHeader;
}

void CPropertyItem::SetChildren(std::unique_ptr<CPropertyItemList> children) {
  children_ = std::move(children);
}

std::unique_ptr<CPropertyItemList> CPropertyItem::TakeChildren() {
  return std::move(children_);
}

void CPropertyItem::AppendText(std::string& out,
                               std::string_view separator) const {
  if (name_.empty()) {
    out.append(value_text_);
  } else if (value_text_.empty()) {
    out.append(name_);
  } else if (type_code_ == kTypeCodeGroupHeader) {
    out.append(name_).append(" (").append(value_text_).append(") ");
  } else {
    out.append(name_).append(separator).append(value_text_);
  }
}

std::string CPropertyItem::GetText(std::string_view separator) const {
  std::string s;
  AppendText(s, separator);
  return s;
}

std::string CPropertyItem::GetPlainText(std::string_view separator) const {
  if (name_.empty()) return value_text_;
  if (value_text_.empty()) return name_;
  std::string s;
  s.reserve(name_.size() + separator.size() + value_text_.size());
  s.append(name_).append(separator).append(value_text_);
  return s;
}

bool CPropertyItem::IsEqual(const CPropertyItem& other) const {
  return name_ == other.name_ && value_text_ == other.value_text_ &&
         std::memcmp(&variant_, &other.variant_, sizeof variant_) == 0;
}

bool CPropertyItem::DescribeChange(const CPropertyItem& old_item,
                                   std::string& out,
                                   const std::string& prefix) const {
  if (IsEqual(old_item)) return false;

  if (name_ != old_item.name_) {
    out.append(prefix).append(kFrom);
    AppendItemText(out, old_item);
    out.append(kTo);
    AppendItemText(out, *this);
    out.append(kLineEnd);
    return true;
  }

  const std::string& old_text = old_item.value_text_;
  const std::string& new_text = value_text_;
  const bool has_old = !old_text.empty();
  const bool has_new = !new_text.empty();
  out.append(prefix).append(name_);
  if (has_old) out.append(has_new ? kFrom : kDeletedTag).append(old_text);
  if (has_new) out.append(has_old ? kTo : kAddedTag).append(new_text);
  if (!has_old && !has_new) out.append(kBothBlank);
  // Equal texts mean only the variant differs: say why the line is there.
  if (old_text == new_text) out.append(kRoundingNote);
  out.append(kLineEnd);
  return true;
}

// ---------------------------------------------------------------------------
// CPropertyItemList

// The prefixes that one level of a comparison writes, built once per list.
struct CPropertyItemList::LevelPrefixes {
  explicit LevelPrefixes(const std::string& base)
      : changed(Concat(base, kChanged)), child(Concat(base, kIndent)) {}

  const std::string changed;  // prefix + "[Changed] "
  const std::string child;    // prefix + five blanks
};

CPropertyItemList::CPropertyItemList(int32_t mode) : mode_(mode) {}

CPropertyItemList::~CPropertyItemList() = default;

CPropertyItem* CPropertyItemList::Add(std::unique_ptr<CPropertyItem> item) {
  items_.push_back(std::move(item));
  return items_.back().get();
}

CPropertyItem* CPropertyItemList::Add(int32_t kind, std::string name) {
  return Add(std::make_unique<CPropertyItem>(kind, std::move(name)));
}

void CPropertyItemList::ClearMarks() {
  for (const auto& item : items_) {
    if (item) item->set_matched(false);
  }
}

bool CPropertyItemList::DescribeAll(const std::string& prefix,
                                    std::string& out,
                                    std::string_view tag) const {
  std::string child_prefix;  // built on the first item with children
  for (const auto& item : items_) {
    if (!item) continue;
    out.append(prefix).append(tag);
    AppendItemText(out, *item);
    out.append(kLineEnd);
    if (CPropertyItemList* children = item->children()) {
      if (child_prefix.empty()) child_prefix = Concat(prefix, kIndent);
      children->DescribeAll(child_prefix, out, std::string_view());
    }
  }
  return true;
}

void CPropertyItemList::DescribeUnpaired(const CPropertyItem& item,
                                         std::string& out,
                                         const std::string& line_prefix,
                                         const std::string& child_prefix) {
  out.append(line_prefix);
  AppendItemText(out, item);
  out.append(kLineEnd);
  if (CPropertyItemList* children = item.children()) {
    children->DescribeAll(child_prefix, out, std::string_view());
  }
}

bool CPropertyItemList::ChildrenEqual(const CPropertyItem& a,
                                      const CPropertyItem& b) {
  CPropertyItemList* ca = a.children();
  CPropertyItemList* cb = b.children();
  if (!ca && !cb) return true;
  if (!ca || !cb) return false;
  return ca->IsEqual(*cb);
}

bool CPropertyItemList::DescribePairAt(const CPropertyItem& new_item,
                                       const CPropertyItem& old_item,
                                       std::string& out,
                                       const LevelPrefixes& prefixes) {
  const bool own = new_item.DescribeChange(old_item, out, prefixes.changed);

  CPropertyItemList* new_children = new_item.children();
  CPropertyItemList* old_children = old_item.children();
  if (!new_children && !old_children) return own;

  // The header line names the item above changed children; an item whose
  // own line was written already stands there. The unequal-children test
  // runs only when it decides something.
  const bool header =
      !own && (!new_children || !old_children ||
               !new_children->IsEqual(*old_children));
  if (header) {
    out.append(prefixes.changed);
    AppendItemText(out, new_item);
    out.append(kLineEnd);
  }

  if (new_children && old_children) {
    new_children->Compare(*old_children, out, prefixes.child);
  } else if (new_children) {
    new_children->DescribeAll(prefixes.child, out, "[Added]");
  } else {
    old_children->DescribeAll(prefixes.child, out, "[Deleted]");
  }
  return own;
}

bool CPropertyItemList::DescribePair(const CPropertyItem& new_item,
                                     const CPropertyItem& old_item,
                                     std::string& out,
                                     const std::string& prefix) const {
  return DescribePairAt(new_item, old_item, out, LevelPrefixes(prefix));
}

bool CPropertyItemList::Compare(CPropertyItemList& old_list, std::string& out,
                                const std::string& prefix) {
  if (mode_ == kMatchByName) return CompareByName(old_list, out, prefix);
  return CompareByPosition(old_list, out, prefix);
}

bool CPropertyItemList::CompareByPosition(CPropertyItemList& old_list,
                                          std::string& out,
                                          const std::string& prefix) {
  const LevelPrefixes prefixes(prefix);
  const size_t new_count = items_.size();
  const size_t old_count = old_list.items_.size();
  const size_t n = new_count < old_count ? new_count : old_count;

  bool any_own = false;
  for (size_t i = 0; i < n; ++i) {
    const CPropertyItem* new_item = items_[i].get();
    const CPropertyItem* old_item = old_list.items_[i].get();
    if (!new_item || !old_item) continue;
    if (DescribePairAt(*new_item, *old_item, out, prefixes)) any_own = true;
  }

  if (old_count > n) {
    const std::string line_prefix = Concat(prefix, kDeleted);
    for (size_t i = n; i < old_count; ++i) {
      if (const CPropertyItem* item = old_list.items_[i].get()) {
        DescribeUnpaired(*item, out, line_prefix, prefixes.child);
      }
    }
  }
  if (new_count > n) {
    const std::string line_prefix = Concat(prefix, kAdded);
    for (size_t i = n; i < new_count; ++i) {
      if (const CPropertyItem* item = items_[i].get()) {
        DescribeUnpaired(*item, out, line_prefix, prefixes.child);
      }
    }
  }
  return any_own || new_count != old_count;
}

bool CPropertyItemList::CompareByName(CPropertyItemList& old_list,
                                      std::string& out,
                                      const std::string& prefix) {
  // Marks left by an earlier comparison would hide lines, so every mark is
  // set afresh: the index clears those of the old list, the loop sets those
  // of the new one. The passes for the unpaired items then read `paired`
  // and `unpaired_new` rather than every item again.
  const NameIndex old_index(old_list);
  const LevelPrefixes prefixes(prefix);
  std::vector<uint8_t> paired(old_list.items_.size(), 0);
  std::vector<size_t> unpaired_new;
  old_index.ForEachMatch(*this, [&](size_t i, size_t j) {
    CPropertyItem& new_item = *items_[i];
    new_item.set_matched(j != NameIndex::kNotFound);
    if (j == NameIndex::kNotFound) {
      unpaired_new.push_back(i);
      return true;
    }
    CPropertyItem& old_item = *old_list.items_[j];
    old_item.set_matched(true);
    paired[j] = 1;
    DescribePairAt(new_item, old_item, out, prefixes);
    return true;
  });

  // The mark is read as well: when a list is compared with itself, an item
  // is marked as a new item without being the first of its name.
  std::string line_prefix = Concat(prefix, kDeleted);
  for (size_t j = 0; j < paired.size(); ++j) {
    const CPropertyItem* item = old_list.items_[j].get();
    if (item && !paired[j] && !item->matched()) {
      DescribeUnpaired(*item, out, line_prefix, prefixes.child);
    }
  }
  line_prefix = Concat(prefix, kAdded);
  for (size_t i : unpaired_new) {
    DescribeUnpaired(*items_[i], out, line_prefix, prefixes.child);
  }
  return true;
}

bool CPropertyItemList::IsEqual(CPropertyItemList& other) {
  if (mode_ == kMatchByName) return IsEqualByName(other);
  return IsEqualByPosition(other);
}

bool CPropertyItemList::IsEqualByPosition(CPropertyItemList& other) {
  if (items_.size() != other.items_.size()) return false;
  for (size_t i = 0; i < items_.size(); ++i) {
    const CPropertyItem* a = items_[i].get();
    const CPropertyItem* b = other.items_[i].get();
    if (!a && !b) continue;
    if (!a || !b) return false;
    if (!ChildrenEqual(*a, *b) || !a->IsEqual(*b)) return false;
  }
  return true;
}

bool CPropertyItemList::IsEqualByName(CPropertyItemList& other) {
  const size_t count = items_.size();
  if (count != other.items_.size()) return false;
  ClearMarks();
  const NameIndex other_index(other);  // clears the other list's marks

  std::vector<uint8_t> paired(count, 0);
  const bool all_paired = other_index.ForEachMatch(*this, [&](size_t i,
                                                               size_t j) {
    if (j == NameIndex::kNotFound) return false;
    CPropertyItem& item = *items_[i];
    CPropertyItem& match = *other.items_[j];
    item.set_matched(true);
    match.set_matched(true);
    paired[j] = 1;
    return ChildrenEqual(item, match) && item.IsEqual(match);
  });
  if (!all_paired) return false;
  // Every present item of this list is marked by now. Duplicates of one name
  // all pair with the first, so an item of the other list may be left
  // without counterpart (its mark counts too, for a list compared with
  // itself).
  for (size_t j = 0; j < count; ++j) {
    const CPropertyItem* item = other.items_[j].get();
    if (item && !paired[j] && !item->matched()) return false;
  }
  return true;
}

}  // namespace tav
