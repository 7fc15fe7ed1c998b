// Copies of programs and libraries that every user of the machine may run,
// for tests that act as another system user: the build folder may sit where
// only its owner can reach it (a home folder, a CI workspace).
#ifndef TAV_TESTS_TESTING_PUBLIC_COPIES_H_
#define TAV_TESTS_TESTING_PUBLIC_COPIES_H_

#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

namespace tav::testing {

class PublicCopies {
 public:
  PublicCopies() {
    char tmpl[] = "/tmp/tav_public.XXXXXX";
    dir_ = ::mkdtemp(tmpl);
    ::chmod(dir_.c_str(), 0755);
  }
  ~PublicCopies() {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }
  PublicCopies(const PublicCopies&) = delete;
  PublicCopies& operator=(const PublicCopies&) = delete;

  // The path of a copy of `file` (mode 0755) in the folder.
  std::string Add(const std::string& file) {
    const std::string copy = dir_ + "/" + std::filesystem::path(file).filename().string();
    std::filesystem::copy_file(file, copy, std::filesystem::copy_options::overwrite_existing);
    ::chmod(copy.c_str(), 0755);
    return copy;
  }

 private:
  std::string dir_;
};

}  // namespace tav::testing

#endif  // TAV_TESTS_TESTING_PUBLIC_COPIES_H_
