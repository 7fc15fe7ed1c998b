// SystemTable: the configuration service's name tables and predefined
// e-signature reasons (docs/configuration.md lists them).
//
// Names of identifiers outside their ranges are empty. The predefined
// reasons of a data type are listed in a fixed order; a reason's index in
// that order is the number under which hosts register it.
//
// Thread safety: constant tables; every function may be called from any
// thread.
#ifndef TAV_SERVICES_CONFIG_SYSTEM_TABLE_H_
#define TAV_SERVICES_CONFIG_SYSTEM_TABLE_H_

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "records/esig_config_types.h"
#include "services/config/system_ids.h"

namespace tav {

class SystemTable {
 public:
  static std::string GetActivityName(int activity);
  // The account group name that users' groups are compared with.
  static std::string GetGroupName(int group);
  // `list_text` true: the text shown in lists ("Run Files (*.tav)"); false:
  // the text stored in settings ("Run File").
  static std::string GetAuditTypeName(int data_type, bool list_text);
  static std::string GetAuditRecordingTypeName(int recording_type);
  static std::string GetESigSettingName(int setting);
  // What a signature item covers, as it reads in a sentence ("analysis
  // results").
  static std::string GetESigItemLabel(ESigItemCode item);
  // "Approved Analysis Results".
  static std::string GetESigReasonName(ESigReasonID reason, ESigItemCode item);
  static std::string GetESigReasonName(const ESigReason& reason);

  // The data type of a document from its file extension, with or without
  // the dot, letter case ignored ("tav", ".TVM"); kDataTypeUnknown (-1)
  // for any other extension.
  static AuditableDataTypeID GetAuditableDataTypeFromExt(const char* extension);
  // The extension (without the dot) of a data type's documents; "" outside
  // 0 to 5.
  static std::string GetDataTypeExtension(int data_type);

  // How many reasons are predefined for a data type (0 outside 0 to 5).
  static int GetNumPredefinedESigReasons(int data_type);
  // Fills `reason` with predefined reason `index` of `data_type`; nonzero
  // on success, 0 (and `reason` untouched) for an index or type out of
  // range.
  static int GetESigReason(int index, ESigReason& reason, int data_type);
  // Each data type that has predefined reasons, in ascending order, with
  // its reasons. The map and the arrays live as long as the process.
  static const std::map<AuditableDataTypeID, const std::vector<ESigReason>*>&
  GetDataTypeToESigReasonListMap();

  // Item key of a reason (reason id times 256 plus item code), as the
  // auditing page of the configuration dialog keys its rows.
  static int ESigItemKey(const ESigReason& reason) {
    return reason.reason_id * 256 + reason.item_code;
  }
};

}  // namespace tav

#endif  // TAV_SERVICES_CONFIG_SYSTEM_TABLE_H_
