// The stored e-signature configuration.
//
// A reason configuration entry (tag EScf) is one reason of a data type with
// its setting; a reason configuration list (tag EScc) holds one entry per
// reason and is the stored form of a CTAVESigConfiguration. The
// configuration documents group them: ESiT ("ESignature Configuration", one
// target, named by its ESTN text child) and ESiC ("E-Signature
// Configurations", a list of them).
//
// EScf body (docs/record-format.md): reason, item and setting (1 byte
// each), the path count k (4 bytes, little-endian), then k times a path
// length (4 bytes, little-endian) and the path. Reason and item keep only
// their low 8 bits; an entry holds at most 20 paths (kMaxESigTagPaths).
//
// The configuration lists audit child by child: a changed setting is one
// "Changed Record" entry. Entries match by reason and item, targets by
// their name without regard to ASCII case.
//
// Ownership: lists own their children. Thread safety: one thread at a time.
#ifndef TAV_RECORDS_ESIG_CONFIG_COMP_H_
#define TAV_RECORDS_ESIG_CONFIG_COMP_H_

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "records/esig_config_types.h"
#include "records/list_comp.h"

namespace tav {

class CESigReasonConfigComp : public CComponent {
 public:
  // Reason, item and setting 255 (unset), no paths.
  CESigReasonConfigComp();
  // Reason and item as their low 8 bits, the setting as its low 8 bits;
  // the reason's paths go to the slots of the same index (at most 20). An
  // empty path leaves its slot empty, which ends the list when written.
  CESigReasonConfigComp(const ESigReason& reason, int32_t setting);

  uint8_t GetReasonId() const { return reason_; }
  uint8_t GetItemCode() const { return item_; }
  uint8_t GetSetting() const { return setting_; }
  const std::array<std::string, kMaxESigTagPaths>& GetPathSlots() const { return paths_; }
  // The filled slots up to the first empty one: what is written.
  size_t GetPathCount() const;

  // Fills `reason` (codes zero-extended, the paths written) and returns the
  // setting.
  int32_t Export(ESigReason& reason) const;

  void CopyFrom(const CComponent& other) override;
  void Reset() override;
  bool IsExpandable() const override { return true; }
  // Same tag, and the same reason and item.
  bool IsSameTag(const CComponent* other) const override;
  std::string GetMatchKey() const override;
  // The plain three, then "ESig Reason" ("(%d)"), "ESig Item" ("(%d)"),
  // "ESig Setting", "Component Tag List Size" and each "Component Tag Path".
  void AppendHeaderProperties(CPropertyItemList& list) const override;
  void AppendProperties(CPropertyItemList& list) const override;

 protected:
  int WriteData(CFile* file) override;
  // Tolerates what older writers left (the result is 0 unless the path
  // count cannot fit the file at all): a short read keeps what was read;
  // paths beyond the 20th are skipped and reported.
  int ReadData(CFile* file) override;

 private:
  void UpdateBodyLength();
  void AppendConfigItems(CPropertyItemList& list) const;

  uint8_t reason_ = 255;
  uint8_t item_ = 255;
  uint8_t setting_ = 255;
  std::array<std::string, kMaxESigTagPaths> paths_;
};

class CESigReasonConfigListComp : public CListComp {
 public:
  CESigReasonConfigListComp();
  // One entry per reason of `config`, in its enumeration order.
  explicit CESigReasonConfigListComp(const CTAVESigConfiguration& config);

  // Enters every entry child, in order, into `config` (a reason met twice:
  // the later setting wins). Children of other kinds are skipped.
  void Export(CTAVESigConfiguration& config) const;

  bool AuditsChildren() const override { return true; }
};

// The configuration of one target (tag ESiT).
class CESigTargetConfigComp : public CListComp {
 public:
  CESigTargetConfigComp();
  // Holds one ESTN child with `target_name`.
  explicit CESigTargetConfigComp(std::string_view target_name);

  // The text of the first ESTN child; "" without one.
  std::string GetTargetName() const;
  // Sets the first ESTN child's text, appending one when there is none.
  void SetTargetName(std::string_view target_name);

  bool AuditsChildren() const override { return true; }
  // Same tag, and target names equal without regard to ASCII case.
  bool IsSameTag(const CComponent* other) const override;
  std::string GetMatchKey() const override;

 private:
  std::string_view TargetName() const;
};

// The list of target configurations (tag ESiC).
class CESigConfigurationsComp : public CListComp {
 public:
  CESigConfigurationsComp();
  bool AuditsChildren() const override { return true; }
};

}  // namespace tav

#endif  // TAV_RECORDS_ESIG_CONFIG_COMP_H_
