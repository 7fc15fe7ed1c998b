// System accounts as NSS describes them: the user entry, its groups, and the
// full name and description kept in the GECOS field. Used by the pam backend
// and to decide whether the system user running the process is an
// administrator.
//
// Thread safety: the functions use the reentrant NSS calls and keep no state.
#ifndef TAV_SERVICES_SECURITY_UNIX_ACCOUNTS_H_
#define TAV_SERVICES_SECURITY_UNIX_ACCOUNTS_H_

#include <sys/types.h>

#include <string>
#include <string_view>
#include <vector>

namespace tav {

struct UnixUser {
  std::string name;
  uid_t uid = 0;
  gid_t gid = 0;
  std::string gecos;
};

// False when NSS knows no such user (or the lookup failed).
bool LookUpUnixUser(const std::string& name, UnixUser* user);
bool LookUpUnixUser(uid_t uid, UnixUser* user);

// The names of the user's groups in the order getgrouplist gives them (the
// primary group first). A group without a name appears as its number.
std::vector<std::string> UnixGroupNames(const UnixUser& user);

// Splits a GECOS field "Full Name,Room,Work phone,Home phone,Other": the full
// name is the first field; the description is the remaining non-empty fields
// joined by ", ".
void SplitGecos(std::string_view gecos, std::string* full_name,
                std::string* description);

// True for root and for members of `admin_group`.
bool IsUnixAdmin(const UnixUser& user, const std::vector<std::string>& groups,
                 const std::string& admin_group);

// The short name of this host (up to the first '.').
std::string ShortHostName();

}  // namespace tav

#endif  // TAV_SERVICES_SECURITY_UNIX_ACCOUNTS_H_
