// Helpers the benchmark programs share: a fresh data directory per run and
// the process's peak resident memory.
#ifndef TAV_BENCH_BENCH_SUPPORT_H_
#define TAV_BENCH_BENCH_SUPPORT_H_

#include <stdlib.h>

#include <cstdlib>
#include <fstream>
#include <string>

namespace tav::bench {

// Makes /tmp/tav_bench_NAME.XXXXXX and sets it as TAV_DATA_DIR.
inline std::string FreshDataDir(const char* name) {
  std::string tmpl = std::string("/tmp/tav_bench_") + name + ".XXXXXX";
  const std::string dir = ::mkdtemp(tmpl.data());
  ::setenv("TAV_DATA_DIR", dir.c_str(), 1);
  return dir;
}

inline void RemoveDir(const std::string& dir) {
  std::system(("rm -rf '" + dir + "'").c_str());
}

// Peak resident memory (VmHWM) in MB; ResetPeak starts a new measurement.
inline void ResetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }
inline double PeakMb() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::atof(line.c_str() + 6) / 1024.0;
  }
  return 0;
}

}  // namespace tav::bench

#endif  // TAV_BENCH_BENCH_SUPPORT_H_
