// Runs a command line and captures what it prints.
#ifndef TAV_TESTS_TESTING_RUN_COMMAND_H_
#define TAV_TESTS_TESTING_RUN_COMMAND_H_

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace tav::testing {

// True when `text` (what a command printed) holds `part`.
inline bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

struct CommandResult {
  int exit_code = -1;
  std::string out;
  std::string err;
};

// Runs `command` through the shell with `input` on standard input.
inline CommandResult RunCommand(const std::string& command, const std::string& input = "") {
  char dir_template[] = "/tmp/tav_cmd.XXXXXX";
  const std::string dir = ::mkdtemp(dir_template);
  const std::string in = dir + "/in", out = dir + "/out", err = dir + "/err";
  std::ofstream(in, std::ios::binary) << input;
  const int status = std::system((command + " <" + in + " >" + out + " 2>" + err).c_str());
  CommandResult r;
  r.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  auto slurp = [](const std::string& p) {
    std::ifstream f(p, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
  };
  r.out = slurp(out);
  r.err = slurp(err);
  std::system(("rm -rf '" + dir + "'").c_str());
  return r;
}

}  // namespace tav::testing

#endif  // TAV_TESTS_TESTING_RUN_COMMAND_H_
