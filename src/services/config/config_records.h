// The record kinds of the stored configuration (docs/configuration.md):
//
//   ACss  Access Control Settings    list of CFIt, one per user group
//   CFCp  Configuration Component    list of CFIt, one per named number
//   CFIt  Configuration Item         list keyed by its CFNm (a group name)
//                                    or CFIk (a setting name) child
//   CTRa  Controlled Activity        16-bit activity id, keyed by its value
//   AUSa  Auditable Data Settings    list of AUSt, one per data type
//   AUSt  Auditable Data Setting     body: the archive form of one
//                                    CTAVAuditableDataSetting, keyed by its
//                                    data type
//   ESiC  E-Signature Configurations list of ESiT, one per data type
//   ESiT  ESignature Configuration   keyed by its ESTN text (the data
//                                    type's stored name), holding an EScc
//                                    list of EScf reason settings
//
// The lists audit child by child, and children are matched by their keys,
// so that a change of one grant yields one audit entry that names the group
// and the activity. Path elements keep their keys (AppendToPath appends a
// copy that carries the key), so an entry's path says which group or
// setting it is about.
//
// RegisterConfigRecordKinds() makes the component factory build these
// classes for their tags; the configuration service calls it when it loads.
//
// Ownership: lists own their children. Thread safety: one thread at a time.
#ifndef TAV_SERVICES_CONFIG_CONFIG_RECORDS_H_
#define TAV_SERVICES_CONFIG_CONFIG_RECORDS_H_

#include <memory>
#include <string>
#include <string_view>

#include "records/esig_config_comp.h"
#include "records/list_comp.h"
#include "records/value_comps.h"
#include "services/config/audit_settings.h"

namespace tav {

// Makes the factory create the classes below for their tags. Idempotent;
// call before components of these tags are read on another thread.
void RegisterConfigRecordKinds();

// ACss, CFCp, AUSa: lists audited child by child.
class CConfigListComp : public CListComp {
 public:
  explicit CConfigListComp(std::string_view tag);
  bool AuditsChildren() const override { return true; }
};

// CFIt: a named item.
class CConfigItemComp : public CListComp {
 public:
  CConfigItemComp();
  // An item with a key child of tag `key_tag` (CFNm or CFIk) holding `key`.
  CConfigItemComp(std::string_view key_tag, std::string_view key);

  // The text of the first CFNm or CFIk child; "" without one.
  std::string GetKey() const;

  bool AuditsChildren() const override { return true; }
  // Same tag, and keys equal without regard to ASCII case.
  bool IsSameTag(const CComponent* other) const override;
  std::string GetMatchKey() const override;
  // Appends an item holding a copy of the key child only.
  bool AppendToPath(CComponentPathComp* path) const override;
  std::string GetDisplayText() const override;
};

// CTRa: a granted activity.
class CActivityGrantComp : public CShortComp {
 public:
  explicit CActivityGrantComp(uint16_t activity = 0);
  bool IsSameTag(const CComponent* other) const override;
  std::string GetMatchKey() const override;
  bool AppendToPath(CComponentPathComp* path) const override;
};

// AUSt: the auditing setting of one data type.
class CAuditSettingComp : public CComponent {
 public:
  CAuditSettingComp();
  explicit CAuditSettingComp(const CTAVAuditableDataSetting& setting);

  const CTAVAuditableDataSetting& GetSetting() const { return setting_; }

  void CopyFrom(const CComponent& other) override;
  void Reset() override;
  std::string GetValueText() const override;
  bool IsSameTag(const CComponent* other) const override;
  std::string GetMatchKey() const override;
  bool AppendToPath(CComponentPathComp* path) const override;
  // The plain three, then "Data Type" and "Recording Type".
  void AppendHeaderProperties(CPropertyItemList& list) const override;
  void AppendProperties(CPropertyItemList& list) const override;

 protected:
  int WriteData(CFile* file) override;
  // A body that is not a readable setting gives kRecordCorrupt.
  int ReadData(CFile* file) override;

 private:
  void UpdateBodyLength();
  void AppendSettingItems(CPropertyItemList& list) const;

  CTAVAuditableDataSetting setting_;
};

// ESiT as the configuration keeps it: a path element carries the target name.
class CConfigESigTargetComp : public CESigTargetConfigComp {
 public:
  using CESigTargetConfigComp::CESigTargetConfigComp;
  bool AppendToPath(CComponentPathComp* path) const override;
  std::string GetDisplayText() const override;
};

// EScf as the configuration keeps it: a path element is a copy of the entry,
// so that it names its reason.
class CConfigESigReasonComp : public CESigReasonConfigComp {
 public:
  using CESigReasonConfigComp::CESigReasonConfigComp;
  bool AppendToPath(CComponentPathComp* path) const override;
};

}  // namespace tav

#endif  // TAV_SERVICES_CONFIG_CONFIG_RECORDS_H_
