// One authentication in a fresh process: `logon_timing_probe NAME PASSWORD`
// against the data directory of TAV_DATA_DIR. Exits 0 whatever the answer;
// logon_timing_test.cc times whole runs of it.
#include "services/security/korwinsec.h"

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  tav::KorWinSec_aAuthenticateUser(argv[1], "", argv[2]);
  return 0;
}
