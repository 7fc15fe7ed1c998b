// TAVCurrentUser: the exported view of the current user.
#include <atomic>
#include <mutex>

#include "TAVSecurityUI.h"
#include "interface/module.h"
#include "logon/logon_backend.h"
#include "logon/user_record.h"
#include "util/library_lifetime.h"

TAVCurrentUser::TAVCurrentUser() = default;

TAVCurrentUser* TAVCurrentUser::GetInstance() {
  tav::WatchProcessExit();
  // Not destroyed at exit: hosts may ask for the user from their own static
  // destructors. Freed when the library is unloaded with dlclose.
  static std::atomic<TAVCurrentUser*> instance{nullptr};
  if (TAVCurrentUser* existing = instance.load(std::memory_order_acquire)) return existing;
  std::lock_guard<std::mutex> lock(tav::LibraryObjectsMutex());
  if (instance.load(std::memory_order_relaxed) == nullptr) {
    instance.store(new TAVCurrentUser(), std::memory_order_release);
    tav::ReleaseAtUnloadLocked(
        [](void* slot) {
          delete static_cast<std::atomic<TAVCurrentUser*>*>(slot)->exchange(nullptr);
        },
        &instance);
  }
  return instance.load(std::memory_order_relaxed);
}

TAVCurrentUser& TAVCurrentUser::operator=(const TAVCurrentUser&) { return *this; }

std::string TAVCurrentUser::GetUserID() { return tav::TheLogonState().current_user.user_name; }

std::string TAVCurrentUser::GetUserFullName() {
  return tav::TheLogonState().current_user.full_name;
}

std::string TAVCurrentUser::GetUserDomain() { return tav::TheLogonState().current_user.domain; }

void TAVCurrentUser::GetUserGroups(std::list<std::string>& groups) {
  groups = tav::TheLogonState().current_user.groups;
}

HANDLE TAVCurrentUser::GetUserToken() {
  const tav::LogonState& state = tav::TheLogonState();
  if (state.token == nullptr) return nullptr;
  return tav::LogonBackend::Default().DuplicateToken(state.token);
}

int32_t TAVCurrentUser::IsUserAdmin() {
  return tav::TheLogonState().current_user.is_admin != 0 ? 1 : 0;
}
