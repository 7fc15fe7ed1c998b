// Property items: the named display values through which every record
// presents itself, and the change description that compares two trees of
// them.
//
// A CPropertyItemList owns its items; an item owns its children list. Lists
// and items are built for one comparison or one display text. In every
// comparison the object the operation runs on holds the NEW version and the
// argument holds the OLD version. Lines of the change description end with
// "\r\n"; each nesting level adds five blanks to the prefix.
//
// Thread safety: none; a tree is used by one thread.
#ifndef TAV_RECORDS_PROPERTY_ITEM_H_
#define TAV_RECORDS_PROPERTY_ITEM_H_

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tav {

// Kinds of items; carried for the viewers, never compared.
enum PropertyKind : int32_t {
  kPropertyValue = 0,
  kPropertySeparator = 1,
  kPropertyTag = 2,
  kPropertySize = 3,
  kPropertyComponentValue = 4,
  kPropertyItemCount = 5,
  kPropertyGroup = 6,
};

// Variant types of typed values (they double as the item's type code).
inline constexpr int32_t kVtEmpty = 0;
inline constexpr int32_t kVtI2 = 2;
inline constexpr int32_t kVtR4 = 4;
inline constexpr int32_t kVtR8 = 5;
inline constexpr int32_t kVtDate = 7;
inline constexpr int32_t kVtI1 = 16;
inline constexpr int32_t kVtUI1 = 17;
inline constexpr int32_t kVtUI2 = 18;
inline constexpr int32_t kVtUI4 = 19;
inline constexpr int32_t kVtInt = 22;
// Type codes of untyped items.
inline constexpr int32_t kTypeCodeTagText = 30;
inline constexpr int32_t kTypeCodePlainText = 73;
inline constexpr int32_t kTypeCodeGroupHeader = 74;

// A 16-byte variant: the type in the first two bytes, the value in the last
// eight. Items compare variants byte by byte, so unused bytes stay zero.
struct PropertyVariant {
  uint16_t vt = 0;
  uint16_t reserved1 = 0;
  uint16_t reserved2 = 0;
  uint16_t reserved3 = 0;
  uint8_t value[8] = {};
};
static_assert(sizeof(PropertyVariant) == 16);

class CPropertyItemList;

class CPropertyItem {
 public:
  CPropertyItem(int32_t kind, std::string name);
  CPropertyItem(const CPropertyItem&) = delete;
  CPropertyItem& operator=(const CPropertyItem&) = delete;
  virtual ~CPropertyItem();

  // Appends a line describing the change from `old_item` (this is the new
  // version) to `out`; returns whether a line was written.
  virtual bool DescribeChange(const CPropertyItem& old_item, std::string& out,
                              const std::string& prefix) const;
  // Value text alone when the name is empty, the name alone when the value
  // text is empty, "name (value) " for a numbered group header (type code
  // 74), else name + separator + value text.
  virtual std::string GetText(std::string_view separator) const;
  // Appends what GetText of this class returns to `out`.
  void AppendText(std::string& out, std::string_view separator) const;
  // As GetText, without the group header form.
  virtual std::string GetPlainText(std::string_view separator) const;
  // Equal names, value texts and variants.
  virtual bool IsEqual(const CPropertyItem& other) const;

  // Setting a value fixes the value text at once.
  void SetText(std::string text, int32_t type_code = kTypeCodePlainText);
  void SetInt8(int8_t v);
  void SetInt16(int16_t v);
  void SetInt32(int32_t v);
  void SetUInt8(uint8_t v);
  void SetUInt16(uint16_t v);
  void SetUInt32(uint32_t v);
  void SetFloat(float v);
  void SetDouble(double v);
  void SetDate(double ole_date);
  // For a numbered group header: the number as value text, type code 74.
  void SetGroupNumber(int32_t number);

  int32_t kind() const { return kind_; }
  void set_kind(int32_t kind) { kind_ = kind; }
  const std::string& name() const { return name_; }
  const std::string& value_text() const { return value_text_; }
  void set_value_text(std::string text) { value_text_ = std::move(text); }
  int32_t type_code() const { return type_code_; }
  void set_type_code(int32_t code) { type_code_ = code; }
  const PropertyVariant& variant() const { return variant_; }

  CPropertyItemList* children() const { return children_.get(); }
  void SetChildren(std::unique_ptr<CPropertyItemList> children);
  std::unique_ptr<CPropertyItemList> TakeChildren();

  bool matched() const { return matched_ != 0; }
  void set_matched(bool m) { matched_ = m ? 1 : 0; }

 private:
  template <typename T>
  void SetTyped(uint16_t vt, T value);

  int32_t kind_;
  std::string name_;
  std::string value_text_;
  int32_t type_code_ = kTypeCodePlainText;
  std::unique_ptr<CPropertyItemList> children_;
  PropertyVariant variant_;
  uint8_t matched_ = 0;
};

class CPropertyItemList {
 public:
  enum MatchMode : int32_t { kMatchByPosition = 0, kMatchByName = 1 };

  explicit CPropertyItemList(int32_t mode = kMatchByPosition);
  CPropertyItemList(const CPropertyItemList&) = delete;
  CPropertyItemList& operator=(const CPropertyItemList&) = delete;
  virtual ~CPropertyItemList();

  // Lists every present item as prefix + tag + GetText(" = "), its children
  // indented below without the tag. Returns true.
  virtual bool DescribeAll(const std::string& prefix, std::string& out,
                           std::string_view tag) const;
  // The pair steps for one new item and its old counterpart: the item's own
  // line, then its children's lines indented below it. When only the
  // children differ, a "[Changed] " header line names the item first; an
  // item whose own line was written gets no second one. Returns whether the
  // item's own line was written.
  virtual bool DescribePair(const CPropertyItem& new_item,
                            const CPropertyItem& old_item, std::string& out,
                            const std::string& prefix) const;
  // Compares with `old_list` and appends a line per difference. By name in
  // mode 1, else by position. CompareByPosition returns whether an item's
  // own line was written or the counts differ; CompareByName returns true.
  // Matching by name pairs each new item with the FIRST old item of the
  // same name (so duplicates of the new list share one old item) and clears
  // the marks of both lists before it starts, so lists may be compared again.
  virtual bool Compare(CPropertyItemList& old_list, std::string& out,
                       const std::string& prefix);
  virtual bool CompareByPosition(CPropertyItemList& old_list, std::string& out,
                                 const std::string& prefix);
  virtual bool CompareByName(CPropertyItemList& old_list, std::string& out,
                             const std::string& prefix);
  // Same count, and every pair (by mode) has equal items and equal
  // children. Uses the matched marks in mode 1.
  virtual bool IsEqual(CPropertyItemList& other);
  virtual bool IsEqualByPosition(CPropertyItemList& other);
  virtual bool IsEqualByName(CPropertyItemList& other);

  // Clears the matched mark of every item of this list (not of children).
  void ClearMarks();

  // Takes ownership; a null item is kept as an empty entry.
  CPropertyItem* Add(std::unique_ptr<CPropertyItem> item);
  // Makes, appends and returns a new item.
  CPropertyItem* Add(int32_t kind, std::string name);

  size_t size() const { return items_.size(); }
  bool empty() const { return items_.empty(); }
  CPropertyItem* at(size_t i) const { return items_[i].get(); }
  int32_t mode() const { return mode_; }
  void set_mode(int32_t mode) { mode_ = mode; }

 private:
  struct LevelPrefixes;

  // The pair steps with the prefixes of this level already built; the
  // comparisons call it directly so that no prefix is rebuilt per item.
  static bool DescribePairAt(const CPropertyItem& new_item,
                             const CPropertyItem& old_item, std::string& out,
                             const LevelPrefixes& prefixes);
  // A "[Added] " or "[Deleted] " line for an item without counterpart, its
  // children listed below it.
  static void DescribeUnpaired(const CPropertyItem& item, std::string& out,
                               const std::string& line_prefix,
                               const std::string& child_prefix);
  // Children as the pair and equality rules use them: equal when neither
  // has any, unequal when only one has.
  static bool ChildrenEqual(const CPropertyItem& a, const CPropertyItem& b);

  std::vector<std::unique_ptr<CPropertyItem>> items_;
  int32_t mode_;
};

}  // namespace tav

#endif  // TAV_RECORDS_PROPERTY_ITEM_H_
