#include "services/security/password_policy.h"

#include <pwquality.h>

#include <memory>

#include "services/security/secret.h"

namespace tav {
namespace {

// More of one character in a row than this is a repeat.
constexpr int kMaxRepeat = 3;
// A run of more than this many ascending or descending characters
// ("abcde", "54321") is a sequence.
constexpr int kMaxSequence = 4;

struct SettingsDeleter {
  void operator()(pwquality_settings_t* settings) const { pwquality_free_settings(settings); }
};

// libpwquality wants NUL-terminated strings; the copies of passwords live
// in wiped buffers.
bool ToSecret(std::string_view text, SecretString* out) {
  for (char c : text) {
    if (!out->Append(c)) return false;
  }
  return true;
}

}  // namespace

bool MeetsPasswordPolicy(const PasswordPolicy& policy, std::string_view user_name,
                         std::string_view password, std::string_view old_password,
                         std::string* reason) {
  if (password.size() < static_cast<size_t>(policy.min_length)) {
    *reason = "the password is shorter than " + std::to_string(policy.min_length) +
              " characters";
    return false;
  }
  if (!old_password.empty() && password == old_password) {
    *reason = "the new password is the same as the old one";
    return false;
  }
  if (!policy.quality) return true;

  SecretString new_copy;
  SecretString old_copy;
  if (!ToSecret(password, &new_copy) || !ToSecret(old_password, &old_copy)) {
    *reason = "the password is longer than " + std::to_string(kMaxPasswordBytes) + " bytes";
    return false;
  }
  std::unique_ptr<pwquality_settings_t, SettingsDeleter> settings(pwquality_default_settings());
  if (settings == nullptr) {
    *reason = "the password's quality cannot be checked (out of memory)";
    return false;
  }
  // libpwquality's own length rule counts credits; the plain length above
  // is the rule, so this one only keeps to its floor (6).
  pwquality_set_int_value(settings.get(), PWQ_SETTING_MIN_LENGTH, 6);
  pwquality_set_int_value(settings.get(), PWQ_SETTING_MAX_REPEAT, kMaxRepeat);
  pwquality_set_int_value(settings.get(), PWQ_SETTING_MAX_SEQUENCE, kMaxSequence);
  pwquality_set_int_value(settings.get(), PWQ_SETTING_USER_CHECK, 1);
  pwquality_set_int_value(settings.get(), PWQ_SETTING_DICT_CHECK, 1);
  const std::string user(user_name);
  void* auxerror = nullptr;
  const int score = pwquality_check(settings.get(), new_copy.c_str(),
                                    old_copy.empty() ? nullptr : old_copy.c_str(),
                                    user.c_str(), &auxerror);
  if (score >= 0) return true;
  char buffer[PWQ_MAX_ERROR_MESSAGE_LEN];
  // pwquality_strerror frees auxerror.
  const char* text = pwquality_strerror(buffer, sizeof buffer, score, auxerror);
  *reason = std::string("the password fails the quality check: ") +
            (text != nullptr ? text : "unknown reason");
  return false;
}

std::string DescribePasswordPolicy(const PasswordPolicy& policy) {
  std::string out;
  out += "password minimum length: " + std::to_string(policy.min_length) + "\n";
  out += std::string("password quality check: ") + (policy.quality ? "yes" : "no") + "\n";
  out += "password history: " + std::to_string(policy.history) + "\n";
  out += "password maximum age: " +
         (policy.max_age_days == 0 ? std::string("never expires")
                                   : std::to_string(policy.max_age_days) + " days") +
         "\n";
  out += "password warning period: " + std::to_string(policy.warn_days) + " days\n";
  out += std::string("password change at first logon: ") +
         (policy.change_at_first_logon ? "yes" : "no") + "\n";
  return out;
}

}  // namespace tav
