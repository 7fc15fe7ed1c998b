#include "util/trusted_config.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "util/data_dir.h"

namespace tav {
namespace {

StoreStatus Refused(const std::string& path, const std::string& why) {
  return StoreStatus(StoreStatus::kInvalid,
                     path + " is refused: " + why + ", so it does not count and nothing runs on it");
}

std::string Octal(mode_t mode) {
  char text[8];
  std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
  return text;
}

}  // namespace

TrustedConfigRule ConfigRuleFor(bool machine_wide) {
  TrustedConfigRule rule;
  rule.process_user_may_own = !machine_wide || !MachineRoot().empty();
  return rule;
}

TrustedConfigRule ConfigRuleForDataDir(const std::string& data_dir) {
  return ConfigRuleFor(data_dir == MachinePath(kSystemDataDir));
}

StoreStatus ReadTrustedConfig(const std::string& path, const TrustedConfigRule& rule,
                              std::string* text, bool* present, struct stat* out_st) {
  text->clear();
  *present = false;
  // O_NONBLOCK: a FIFO planted under the name must not hang the open.
  const int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) {
    if (errno == ENOENT) return StoreStatus::Ok();
    if (errno == ELOOP) return Refused(path, "it is a symbolic link");
    return StoreStatus(StoreStatus::kIOError,
                       "cannot open " + path + ": " + std::strerror(errno));
  }
  struct stat st;
  StoreStatus status;
  if (fstat(fd, &st) != 0) {
    status = StoreStatus(StoreStatus::kIOError, "cannot inspect " + path + ": " +
                                                    std::strerror(errno));
  } else if (!S_ISREG(st.st_mode)) {
    status = Refused(path, "it is not a regular file");
  } else if (st.st_uid != 0 && !(rule.process_user_may_own && st.st_uid == geteuid())) {
    status = Refused(path, "it belongs to uid " + std::to_string(st.st_uid) +
                               ", and only root's configuration counts");
  } else if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
    status = Refused(path, std::string("its ") +
                               ((st.st_mode & S_IWOTH) != 0 ? "others" : "group") +
                               " may write it (mode " + Octal(st.st_mode) + ")");
  } else if (static_cast<size_t>(st.st_size) > rule.max_bytes) {
    status = Refused(path, "it is larger than " + std::to_string(rule.max_bytes) + " bytes");
  }
  if (status.ok()) {
    char buffer[4096];
    for (;;) {
      const ssize_t n = read(fd, buffer, sizeof buffer);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        status = StoreStatus(StoreStatus::kIOError,
                             "cannot read " + path + ": " + std::strerror(errno));
        break;
      }
      if (n == 0) break;
      text->append(buffer, static_cast<size_t>(n));
      if (text->size() > rule.max_bytes) {
        status = Refused(path, "it is larger than " + std::to_string(rule.max_bytes) + " bytes");
        break;
      }
    }
  }
  close(fd);
  if (!status.ok()) {
    text->clear();
    return status;
  }
  *present = true;
  if (out_st != nullptr) *out_st = st;
  return status;
}

}  // namespace tav
