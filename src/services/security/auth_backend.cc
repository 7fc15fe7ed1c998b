#include "services/security/auth_backend.h"

#include "services/security/account_store.h"
#include "services/security/pam_backend.h"
#include "services/security/result_codes.h"

namespace tav {
namespace {

// The local account database of the data directory.
class LocalBackend : public AuthBackend {
 public:
  LocalBackend(std::string db_path, const PasswordPolicy& policy)
      : db_path_(std::move(db_path)), policy_(policy) {}

  int Authenticate(const std::string& user_name, std::string_view password,
                   Identity* identity, std::string* detail) override {
    std::unique_ptr<AccountStore> store;
    AccountStore::Status status =
        AccountStore::Open(db_path_, AccountStore::Mode::kReadOnly, &store, detail);
    if (status == AccountStore::Status::kMissing) {
      // No database yet means no accounts (so no names to hide), not a
      // broken backend.
      return kSecLogonFailure;
    }
    if (status != AccountStore::Status::kOk) return kSecBackendUnavailable;
    Account account;
    int code = store->Verify(user_name, password, PasswordAging{0, policy_.max_age_days},
                             &account, detail);
    if (code != kSecOk) return code;
    if (policy_.max_age_days > 0) {
      identity->password_expires_at =
          account.password_set_at + static_cast<int64_t>(policy_.max_age_days) * 86400;
      identity->password_warn_at =
          identity->password_expires_at - static_cast<int64_t>(policy_.warn_days) * 86400;
    }
    identity->user_name = std::move(account.name);
    identity->full_name = std::move(account.full_name);
    identity->description = std::move(account.description);
    identity->groups = std::move(account.groups);
    identity->is_admin = account.is_admin;
    return kSecOk;
  }

  int ChangePassword(const std::string& user_name, std::string_view old_password,
                     std::string_view new_password, std::string* detail) override {
    std::unique_ptr<AccountStore> store;
    AccountStore::Status status =
        AccountStore::Open(db_path_, AccountStore::Mode::kReadWrite, &store, detail);
    if (status == AccountStore::Status::kMissing) return kSecLogonFailure;
    if (status != AccountStore::Status::kOk) return kSecBackendUnavailable;
    PasswordSet how;
    how.policy = &policy_;
    how.by_owner = true;
    return store->ChangePassword(user_name, old_password, new_password, how, detail);
  }

  bool IsAccount(const std::string& user_name) override {
    std::unique_ptr<AccountStore> store;
    std::string error;
    if (AccountStore::Open(db_path_, AccountStore::Mode::kReadOnly, &store, &error) !=
        AccountStore::Status::kOk) {
      return false;
    }
    return store->Exists(user_name);
  }

 private:
  std::string db_path_;
  PasswordPolicy policy_;
};

}  // namespace

std::unique_ptr<AuthBackend> MakeAuthBackend(const SecurityConfig& config) {
  if (config.backend == SecurityConfig::Backend::kPam) {
    return std::make_unique<PamBackend>(config.pam_service, config.admin_group,
                                        config.data_dir + "/" + kAccountsDbFile,
                                        config.pam_password_helper);
  }
  return std::make_unique<LocalBackend>(config.data_dir + "/" + kAccountsDbFile,
                                        config.passwords);
}

}  // namespace tav
