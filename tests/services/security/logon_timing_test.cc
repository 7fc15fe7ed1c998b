// An unknown name must cost what a wrong password costs, from the first
// attempt of a fresh process: otherwise the time of one try tells which names
// are accounts. Runs the probe program alternately for both and compares the
// medians of whole process runs. TAV_TIMING_TRIES sets the number of runs of
// each (default 75; 1000 for the figures in docs/security.md).
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "security_test_support.h"

extern char** environ;

namespace tav {
namespace {

// Seconds one run of the probe takes, start to exit.
double TimeOneRun(const char* name, const char* password) {
  const char* argv[] = {LOGON_TIMING_PROBE, name, password, nullptr};
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  if (posix_spawn(&pid, LOGON_TIMING_PROBE, nullptr, nullptr, const_cast<char**>(argv),
                  environ) != 0) {
    ADD_FAILURE() << "cannot start " << LOGON_TIMING_PROBE;
    return 0;
  }
  int status = 0;
  waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

double TrimmedMean(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t cut = values.size() / 10;
  double sum = 0;
  for (size_t i = cut; i < values.size() - cut; ++i) sum += values[i];
  return sum / static_cast<double>(values.size() - 2 * cut);
}

TEST(LogonTiming, UnknownNameCostsWhatAWrongPasswordCosts) {
  testing::TempDataDir dir;
  // Without locking, every try of the known name reaches its hash.
  dir.WriteConfig("backend = local\nlockout_deny = 0\n");
  dir.AddAccount({"alice", "", "", {}, false, false}, "alice-pass");
  int tries = 75;
  if (const char* text = std::getenv("TAV_TIMING_TRIES")) tries = std::max(5, std::atoi(text));

  std::vector<double> wrong_password, unknown_name;
  for (int i = 0; i < tries; ++i) {
    // Alternating, so that load from elsewhere falls on both alike, and in
    // turn first: the first run of a pair can pay for what the machine did
    // before (memory to reclaim after a build), the second finds it done.
    if (i % 2 == 0) {
      wrong_password.push_back(TimeOneRun("alice", "wrong-pass"));
      unknown_name.push_back(TimeOneRun("nobody", "wrong-pass"));
    } else {
      unknown_name.push_back(TimeOneRun("nobody", "wrong-pass"));
      wrong_password.push_back(TimeOneRun("alice", "wrong-pass"));
    }
  }
  const double known = Median(wrong_password);
  const double unknown = Median(unknown_name);
  // The means of the middle 80%: each kind went first in half of its
  // pairs, so a cost that falls on the first run of a pair weighs on both
  // alike (a median would land on one side of it or the other).
  const double difference = TrimmedMean(unknown_name) - TrimmedMean(wrong_password);
  RecordProperty("wrong_password_median_ms", std::to_string(known * 1000));
  RecordProperty("unknown_name_median_ms", std::to_string(unknown * 1000));
  std::printf("medians over %d fresh processes each: wrong password %.1f ms, unknown name %.1f ms, "
              "difference of the trimmed means %.1f ms\n",
              tries, known * 1000, unknown * 1000, difference * 1000);
  EXPECT_LT(std::abs(difference), 0.10 * std::max(known, unknown))
      << "wrong password " << known * 1000 << " ms, unknown name " << unknown * 1000
      << " ms, difference of the trimmed means " << difference * 1000 << " ms";
}

}  // namespace
}  // namespace tav
