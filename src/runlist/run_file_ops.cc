#include "runlist/run_file_ops.h"

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "util/shown_text.h"
#include "util/strings.h"

namespace tav {
namespace {

StoreStatus Failure(int error_number) {
  return StoreStatus(StoreStatus::kIOError, SystemErrorText(error_number));
}

// A regular file named by the path itself (a link is not followed).
StoreStatus CheckRegularFile(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return Failure(errno);
  if (!S_ISREG(st.st_mode)) {
    return StoreStatus(StoreStatus::kInvalid,
                       StrFormat("Error: %d : %s", EPERM, "Not a regular file"));
  }
  return StoreStatus::Ok();
}

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  int Close() {
    const int result = ::close(fd_);
    fd_ = -1;
    return result;
  }

 private:
  int fd_;
};

bool WriteAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

void SyncFolder(const std::string& folder) {
  Fd dir(::open(folder.empty() ? "/" : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.get() >= 0) ::fsync(dir.get());
}

// Renames without replacing where the file system can; elsewhere checks
// first (a small window remains there).
int RenameNoReplace(const char* from, const char* to) {
  if (::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL) return -1;
  if (RunFileExists(to)) {
    errno = EEXIST;
    return -1;
  }
  return ::rename(from, to);
}

// Copies `source` to a temporary file beside `target`, flushed to disk, and
// renames it into place.
StoreStatus CopyIntoPlace(const std::string& source, const std::string& target, bool replace) {
  Fd in(::open(source.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
  if (in.get() < 0) return Failure(errno);
  struct stat st {};
  if (::fstat(in.get(), &st) != 0) return Failure(errno);
  std::string folder, name;
  SplitRunFilePath(target, &folder, &name);
  std::string temp = JoinRunFilePath(folder, "." + name + ".XXXXXX");
  Fd out(::mkostemp(temp.data(), O_CLOEXEC));
  if (out.get() < 0) return Failure(errno);
  auto discard = [&temp](int error_number) {
    ::unlink(temp.c_str());
    return Failure(error_number);
  };
  std::unique_ptr<char[]> buffer(new char[1 << 16]);
  for (;;) {
    const ssize_t n = ::read(in.get(), buffer.get(), 1 << 16);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return discard(errno);
    if (n == 0) break;
    if (!WriteAll(out.get(), buffer.get(), static_cast<size_t>(n))) return discard(errno);
  }
  ::fchmod(out.get(), st.st_mode & 07777);
  if (::fsync(out.get()) != 0) return discard(errno);
  if (out.Close() != 0) return discard(errno);
  const int placed = replace ? ::rename(temp.c_str(), target.c_str())
                             : RenameNoReplace(temp.c_str(), target.c_str());
  if (placed != 0) return discard(errno);
  SyncFolder(folder);
  return StoreStatus::Ok();
}

}  // namespace

std::string SystemErrorText(int error_number) {
  const char* text = std::strerror(error_number);
  if (text == nullptr || *text == '\0') return StrFormat("Error: %d", error_number);
  return StrFormat("Error: %d : %s", error_number, text);
}

bool RunFileExists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

bool RunFileMissing(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) != 0 && (errno == ENOENT || errno == ENOTDIR);
}

void SplitRunFilePath(const std::string& path, std::string* folder, std::string* name) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) {
    folder->clear();
    *name = path;
    return;
  }
  *folder = path.substr(0, slash);
  *name = path.substr(slash + 1);
}

std::string JoinRunFilePath(const std::string& folder, const std::string& name) {
  return folder + "/" + name;
}

StoreStatus NormaliseDestinationFolder(const std::string& chosen, std::string* folder) {
  std::string path = chosen;
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  while (!path.empty() && (path.back() == ' ' || path.back() == '\t')) path.pop_back();
  if (path.empty()) {
    return StoreStatus(StoreStatus::kInvalid,
                       TranslateText("tav::RunList", "Destination folder cannot be blank."));
  }
  if (path.front() != '/') {
    return StoreStatus(
        StoreStatus::kInvalid,
        StrFormat(TranslateText("tav::RunList", "'%s' is not a valid path.").c_str(),
                  path.c_str()) +
            "\r\n" + TranslateText("tav::RunList", "Destination path must start with '/'.") +
            "\r\n" + TranslateText("tav::RunList", "Partial or relative paths are not allowed."));
  }
  // The root folder's files join as "/name", not "//name".
  *folder = path == "/" ? std::string() : path;
  return StoreStatus::Ok();
}

bool SameFolder(const std::string& a, const std::string& b) {
  auto resolve = [](const std::string& path) {
    char* real = ::realpath(path.empty() ? "/" : path.c_str(), nullptr);
    if (real == nullptr) return path;
    std::string out(real);
    ::free(real);
    return out;
  };
  return resolve(a) == resolve(b);
}

bool HasRunFileExtension(const std::string& path) {
  const size_t dot = path.rfind('.');
  if (dot == std::string::npos) return false;
  std::string ext = path.substr(dot + 1);
  for (char& c : ext) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return ext == "tav" || ext == "tvm" || ext == "tvt";
}

StoreStatus DeleteRunFile(const std::string& path) {
  StoreStatus status = CheckRegularFile(path);
  if (!status.ok()) return status;
  if (::unlink(path.c_str()) != 0) return Failure(errno);
  return StoreStatus::Ok();
}

StoreStatus MoveRunFile(const std::string& source, const std::string& target, bool replace,
                        bool* copied_only) {
  if (copied_only != nullptr) *copied_only = false;
  StoreStatus status = CheckRegularFile(source);
  if (!status.ok()) return status;
  // Only a regular file is replaced: never a link, whose target could lie
  // anywhere, nor a folder.
  if (RunFileExists(target)) {
    status = CheckRegularFile(target);
    if (!status.ok()) return status;
  }
  const int moved = replace ? ::rename(source.c_str(), target.c_str())
                            : RenameNoReplace(source.c_str(), target.c_str());
  if (moved == 0) return StoreStatus::Ok();
  if (errno != EXDEV) return Failure(errno);
  status = CopyIntoPlace(source, target, replace);
  if (!status.ok()) return status;
  if (::unlink(source.c_str()) != 0) {
    if (copied_only != nullptr) *copied_only = true;
    return Failure(errno);
  }
  return StoreStatus::Ok();
}

}  // namespace tav
