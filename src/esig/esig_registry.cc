#include "esig/esig_registry.h"

#include <mutex>

#include "services/config/system_table.h"
#include "util/strings.h"

namespace tav {

int ESigRegistry::AddGroup(const char* group) {
  if (group != nullptr) {
    bool listed = false;
    for (const std::string& g : groups_) {
      if (EqualsNoCase(g, group)) {
        listed = true;
        break;
      }
    }
    if (!listed) groups_.emplace_back(group);
  }
  return static_cast<int>(groups_.size());
}

bool IsSignerGroupMember(const std::list<std::string>& user_groups,
                         const std::vector<std::string>& signer_groups) {
  for (const std::string& user_group : user_groups) {
    for (const std::string& g : signer_groups) {
      if (EqualsNoCase(user_group, g)) return true;
    }
  }
  return false;
}

void ESigRegistry::InitReasons() {
  for (const auto& [type, predefined] : SystemTable::GetDataTypeToESigReasonListMap()) {
    if (predefined == nullptr) continue;
    for (size_t i = 0; i < predefined->size(); ++i) {
      ESigReason reason;
      SystemTable::GetESigReason(static_cast<int>(i), reason, type);
      AddReason(static_cast<int32_t>(i), SystemTable::GetESigReasonName(reason).c_str(), type);
    }
  }
}

int ESigRegistry::AddReason(int32_t number, const char* name, int32_t data_type) {
  if (name == nullptr) return -1;
  std::vector<ESigReasonEntry>& list = reasons_[data_type];
  list.push_back(ESigReasonEntry{name, number});
  return static_cast<int>(list.size());
}

const std::vector<ESigReasonEntry>& ESigRegistry::Reasons(int32_t data_type) const {
  static const std::vector<ESigReasonEntry> kNone;
  auto it = reasons_.find(data_type);
  return it != reasons_.end() ? it->second : kNone;
}

void ESigRegistry::Clear() {
  groups_.clear();
  reasons_.clear();
  root_path_.clear();
}

namespace {

// Not a static object: at process exit the library unloads after the exit
// handlers that would destroy one. Freed when the library is unloaded
// with dlclose (ReleaseESigRegistry).
std::mutex g_registry_mutex;
ESigRegistry* g_registry = nullptr;

}  // namespace

ESigRegistry& TheESigRegistry() {
  std::lock_guard<std::mutex> lock(g_registry_mutex);
  if (g_registry == nullptr) g_registry = new ESigRegistry();
  return *g_registry;
}

void ReleaseESigRegistry() {
  std::lock_guard<std::mutex> lock(g_registry_mutex);
  delete g_registry;
  g_registry = nullptr;
}

}  // namespace tav
