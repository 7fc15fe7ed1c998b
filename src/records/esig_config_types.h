// The e-signature configuration of one data type, as the configuration
// service hands it around: which signature reasons are offered and whether
// each is optional or required. Its stored form is the reason configuration
// list (EScc, esig_config_comp.h).
//
// A reason is identified by its reason id and item code together. The
// configuration keeps its entries in the order in which reasons were first
// entered (its enumeration order, which the stored form follows).
//
// Ownership: plain values. Thread safety: a value type; one thread writes.
// The settings classes of the configuration service keep the archive form
// (Serialize) beside the stored list.
#ifndef TAV_RECORDS_ESIG_CONFIG_TYPES_H_
#define TAV_RECORDS_ESIG_CONFIG_TYPES_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace tav {

class CArchive;

using ESigReasonID = int32_t;
using ESigItemCode = int32_t;

// A reason covers at most this many component tag paths.
inline constexpr size_t kMaxESigTagPaths = 20;

// E-signature settings of a reason. Only 1 and 2 offer the reason.
enum ESigSetting : int32_t {
  kESigSettingNone = 0,
  kESigSettingOptional = 1,
  kESigSettingRequired = 2,
};

struct ESigReason {
  ESigReasonID reason_id = 0;
  ESigItemCode item_code = 0;
  // The component tag paths (tags joined by backslashes) of a document that
  // the reason covers, tried in order when a document is signed. At most
  // kMaxESigTagPaths are used; the list ends at the first empty path.
  std::vector<std::string> tag_paths;

  bool operator==(const ESigReason&) const = default;
};

class CTAVESigConfiguration {
 public:
  struct Entry {
    ESigReason reason;
    int32_t setting = kESigSettingNone;

    bool operator==(const Entry&) const = default;
  };

  // The setting of a reason; -1 when the configuration does not hold it.
  int32_t GetSetting(ESigReasonID reason_id, ESigItemCode item_code) const;
  int32_t GetSetting(const ESigReason& reason) const;
  // The entry of a reason, or null.
  const Entry* Find(ESigReasonID reason_id, ESigItemCode item_code) const;

  // Enters a reason with its setting. A reason already held is replaced in
  // place (its paths too) and keeps its position in the order.
  void SetSetting(const ESigReason& reason, int32_t setting);
  // False when the reason is not held.
  bool RemoveSetting(ESigReasonID reason_id, ESigItemCode item_code);
  void Clear();

  size_t size() const { return entries_.size(); }
  bool empty() const { return entries_.empty(); }
  // In enumeration order.
  const std::vector<Entry>& entries() const { return entries_; }

  bool operator==(const CTAVESigConfiguration& other) const { return entries_ == other.entries_; }

  // The archive form (util/archive.h): the entry count (archive count),
  // then per entry in enumeration order the reason id and item code (1 byte
  // each, their low 8 bits), the path count p (4 bytes), p strings and the
  // setting (4 bytes). Written are the paths up to the first empty one (at
  // most 20), trimmed of white space, leaving out those that trim to
  // nothing. Loading replaces the entries; codes are zero-extended, the
  // first 20 paths are kept (an empty one stays an empty slot) and further
  // ones are skipped. Throws CArchiveException (kEndOfFile before anything
  // the file cannot hold is allocated) and CFileException.
  void Serialize(CArchive& ar);

 private:
  static uint64_t Key(ESigReasonID reason_id, ESigItemCode item_code);

  std::vector<Entry> entries_;
  std::unordered_map<uint64_t, size_t> index_;
};

}  // namespace tav

#endif  // TAV_RECORDS_ESIG_CONFIG_TYPES_H_
