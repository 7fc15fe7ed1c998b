// A fresh data directory for one test: created empty, set as TAV_DATA_DIR
// while the object lives, removed with everything in it afterwards.
#ifndef TAV_TESTS_TESTING_TEMP_DATA_DIR_H_
#define TAV_TESTS_TESTING_TEMP_DATA_DIR_H_

#include <stdlib.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace tav::testing {

class TempDataDir {
 public:
  TempDataDir() {
    char tmpl[] = "/tmp/tav_data.XXXXXX";
    path_ = ::mkdtemp(tmpl);
    const char* old = std::getenv("TAV_DATA_DIR");
    had_old_ = old != nullptr;
    if (had_old_) old_ = old;
    ::setenv("TAV_DATA_DIR", path_.c_str(), 1);
  }
  ~TempDataDir() {
    std::system(("chmod -R u+rwx '" + path_ + "' 2>/dev/null; rm -rf '" + path_ + "'").c_str());
    if (had_old_) {
      ::setenv("TAV_DATA_DIR", old_.c_str(), 1);
    } else {
      ::unsetenv("TAV_DATA_DIR");
    }
  }
  TempDataDir(const TempDataDir&) = delete;
  TempDataDir& operator=(const TempDataDir&) = delete;

  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
  std::string old_;
  bool had_old_ = false;
};

}  // namespace tav::testing

#endif  // TAV_TESTS_TESTING_TEMP_DATA_DIR_H_
