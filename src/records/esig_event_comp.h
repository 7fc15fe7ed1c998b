// Electronic signatures of a document: the signature event (tag ESev) and
// the signature list (tag ESIG) that a signed document accumulates.
//
// A signature event is an event (date, user, event_comp.h) with the
// signature reason, its item code, the component tag paths the signature
// covers, the signer's full name and a comment. Its body, every multi-byte
// field little-endian (docs/record-format.md):
//   9 + n  the event fields
//   2      reason, low 16 bits       2  item, low 16 bits
//   1 + m  full name size and name   2  path count k
//   k × (1 + p)  path size and path  2 + c  comment size and comment
// so its length is 8 + 1 + n + 9 + m + c + the sum of (1 + p).
//
// Ownership: plain values; the list owns its events. Thread safety: one
// thread at a time.
#ifndef TAV_RECORDS_ESIG_EVENT_COMP_H_
#define TAV_RECORDS_ESIG_EVENT_COMP_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "records/esig_config_types.h"
#include "records/event_comp.h"
#include "records/list_comp.h"

namespace tav {

inline constexpr size_t kMaxSignerNameBytes = 255;
inline constexpr size_t kMaxTagPathBytes = 255;
inline constexpr size_t kMaxSignatureCommentBytes = 32767;
// The path count is a signed 16-bit field.
inline constexpr size_t kMaxSignatureTagPaths = 32767;

class CESigEventComp : public CEventComp {
 public:
  // Everything unset: reason and item -1, no paths, empty texts.
  CESigEventComp();
  // Names are cut to 255 bytes and the comment to 32767, never inside a
  // UTF-8 character; the paths are added as AddTagPath does; a date of
  // exactly 0 means now.
  CESigEventComp(std::string_view user_name, DATE date, ESigReasonID reason,
                 ESigItemCode item, const std::vector<std::string>& tag_paths,
                 std::string_view signer_full_name, std::string_view comment);

  // Appends a path cut to 255 bytes. An empty path adds nothing; false
  // when nothing was added (empty, or 32767 paths held already).
  bool AddTagPath(std::string_view path);

  // As stored: a value read from a file is its 16 bits, 0..65535.
  int32_t GetReason() const { return reason_; }
  int32_t GetItem() const { return item_; }
  const std::vector<std::string>& GetTagPaths() const { return tag_paths_; }
  const std::string& GetSignerFullName() const { return full_name_; }
  const std::string& GetComment() const { return comment_; }

  void CopyFrom(const CComponent& other) override;
  void Reset() override;
  // The event's items, then "ESig Reason", "ESig Item", "Signer Full Name
  // Size", "Signer Full Name", "Component Tag List Size", per path
  // "Component Tag Path Size" and "Component Tag Path", "Comment Size",
  // "Comment".
  void AppendHeaderProperties(CPropertyItemList& list) const override;
  void AppendProperties(CPropertyItemList& list) const override;

 protected:
  int WriteData(CFile* file) override;
  int ReadData(CFile* file) override;
  void UpdateBodyLength() override;

 private:
  void AppendSignatureItems(CPropertyItemList& list) const;

  int32_t reason_ = -1;
  int32_t item_ = -1;
  std::vector<std::string> tag_paths_;
  std::string full_name_;
  std::string comment_;
};

// The signature list (tag ESIG): signature events in the order added.
class CESigListComp : public CListComp {
 public:
  CESigListComp();

  // Builds a signature event as CESigEventComp's full constructor does and
  // appends it: 0, or kRecordListFull when the list is full.
  int AddSignature(std::string_view user_name, DATE date, ESigReasonID reason,
                   ESigItemCode item, const std::vector<std::string>& tag_paths,
                   std::string_view signer_full_name, std::string_view comment);
};

}  // namespace tav

#endif  // TAV_RECORDS_ESIG_EVENT_COMP_H_
