// What a host tells the library before it asks for signatures: the groups
// whose members may sign, the signature reasons of each data type, and the
// root folder under which signatures are filed. The signature flow
// (esignature_flow.h) reads all three on every signature; the host refills
// them whenever the compliance settings change.
//
// Threads: the thread that calls the library; no lock (the exports run on
// the host's GUI thread, as the signature dialog does).
#ifndef TAV_ESIG_ESIG_REGISTRY_H_
#define TAV_ESIG_ESIG_REGISTRY_H_

#include <cstdint>
#include <list>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace tav {

// A reason registered by the host: the name the Reason box shows and by
// which it is matched with the configuration's predefined reasons (exactly,
// letter case counts), and the number handed back in the signature, which is
// also the index of the predefined reason within its data type.
struct ESigReasonEntry {
  std::string name;
  int32_t number = 0;

  bool operator==(const ESigReasonEntry&) const = default;
};

class ESigRegistry {
 public:
  // Empties the signer group list. Nobody may sign while it is empty.
  void ResetGroups() { groups_.clear(); }
  // Appends `group` unless a group equal to it without regard to ASCII
  // letter case is listed (the stored spelling is kept). Returns the number
  // of groups. A null name adds nothing.
  int AddGroup(const char* group);
  const std::vector<std::string>& groups() const { return groups_; }

  // Destroys every reason; the next AddReason of a type counts from 1.
  void ResetReasons() { reasons_.clear(); }
  // Registers every predefined reason of the configuration service under
  // its index, type by type. Does not empty the registry first: calling it
  // twice registers each reason twice.
  void InitReasons();
  // Appends {name, number} to the data type's list, creating the list on
  // first use. Returns the number of reasons of that type, or -1 (nothing
  // added) for a null name. Equal names and numbers may repeat.
  int AddReason(int32_t number, const char* name, int32_t data_type);
  // The data type's reasons in the order added; empty when it has none.
  const std::vector<ESigReasonEntry>& Reasons(int32_t data_type) const;

  // Null or "" empties it.
  void SetRootPath(const char* path) { root_path_ = path != nullptr ? path : ""; }
  const std::string& root_path() const { return root_path_; }

  // Everything empty, as at load.
  void Clear();

 private:
  std::vector<std::string> groups_;
  std::map<int32_t, std::vector<ESigReasonEntry>> reasons_;
  std::string root_path_;
};

// True when one of `user_groups` equals one of `signer_groups` without
// regard to ASCII letter case.
bool IsSignerGroupMember(const std::list<std::string>& user_groups,
                         const std::vector<std::string>& signer_groups);

// The registry of the process, empty at load.
ESigRegistry& TheESigRegistry();
// Frees the registry; for the library's unload. A later TheESigRegistry
// starts an empty one.
void ReleaseESigRegistry();

}  // namespace tav

#endif  // TAV_ESIG_ESIG_REGISTRY_H_
