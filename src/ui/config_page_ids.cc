#include "ui/config_page_ids.h"

#include <memory>

#include "services/config/system_ids.h"

namespace tav {

namespace {

std::unique_ptr<ConfigPageIds>& Holder() {
  static std::unique_ptr<ConfigPageIds> holder;
  return holder;
}

}  // namespace

void BuildConfigPageIds() {
  if (Holder() != nullptr) return;
  auto ids = std::make_unique<ConfigPageIds>();
  for (int32_t a = 0; a < kActivityCount; ++a) ids->activities.push_back(a);
  for (int32_t g = 0; g < kRightsGroupCount; ++g) ids->groups.push_back(g);
  // The always-audited run files lead, then the method files that share
  // their rule, then the rest in number order.
  ids->data_types = {kDataTypeRunFile,  kDataTypeMethod,           kDataTypeCalibration,
                     kDataTypeTemplate, kDataTypeAnalysisSettings, kDataTypeReport};
  for (int32_t r = 0; r < kRecordingTypeCount; ++r) ids->recording_types.push_back(r);
  Holder() = std::move(ids);
}

const ConfigPageIds& GetConfigPageIds() {
  BuildConfigPageIds();
  return *Holder();
}

void ReleaseConfigPageIds() { Holder().reset(); }

bool ConfigPageIdsBuilt() { return Holder() != nullptr; }

}  // namespace tav
