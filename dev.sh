#!/usr/bin/env bash
# Sets up, builds and runs TAVSecurityUI on a Debian 12 machine.
#
#   ./dev.sh demo          install what is missing (as root), build, run the demo
#   ./dev.sh test          install, build, run every test, run them again
#                          through a compliance service of their own, and
#                          again through it with the compliance data in a
#                          throwaway PostgreSQL cluster, check the Debian
#                          packages, run the tests again under the
#                          sanitizers, then a short fuzz run
#   ./dev.sh package       build the Debian packages into build/ and check them
#   ./dev.sh fuzz [SECS]   run each fuzz target for SECS seconds (default 600)
#   ./dev.sh bench         build in Release and run the benchmark programs
#   ./dev.sh asan          build with AddressSanitizer + UBSan and run the tests
set -euo pipefail
cd "$(dirname "$0")"
ROOT=$(pwd)

PACKAGES=(
  cmake ninja-build g++ clang libclang-rt-14-dev pkg-config
  qt6-base-dev libsqlite3-dev libsodium-dev libpam0g-dev libcli11-dev libpwquality-dev
  # the dictionary libpwquality checks passwords against (only recommended,
  # and recommendations are not installed)
  cracklib-runtime
  libgtest-dev libgmock-dev libbenchmark-dev
  libpam-wrapper libnss-wrapper xvfb
  # pdftotext, with which the tests read back the audit reports
  poppler-utils
  dpkg-dev lintian
  libpq-dev postgresql postgresql-contrib
  libssl-dev openssl
  # lupdate and lrelease for the catalogues; Qt's own catalogues for the
  # standard buttons; the locale data for a demo in another language
  qt6-l10n-tools qt6-translations-l10n locales
)

install_packages() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "Missing Debian packages: ${missing[*]}" >&2
    echo "Run this command as root, or: sudo apt-get install ${missing[*]}" >&2
    exit 1
  fi
  apt-get update
  DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
}

# The demo speaks the language of LANG (LANG=de_DE.UTF-8 ./dev.sh demo):
# the dialogs' texts follow it by themselves, and dates and numbers follow
# the C library's locale, which a fresh machine may not have generated yet.
ensure_locale() {
  local name=${LC_ALL:-${LC_MESSAGES:-${LANG:-}}}
  case "$name" in "" | C | C.* | POSIX) return 0 ;; esac
  local wanted
  wanted=$(printf '%s' "$name" | tr 'A-Z' 'a-z' | sed 's/utf-8/utf8/')
  locale -a 2>/dev/null | tr 'A-Z' 'a-z' | grep -qx "$wanted" && return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "The locale $name is not generated here: dates keep the C form (sudo localedef -i ${name%%.*} -f UTF-8 $name)" >&2
    return 0
  fi
  localedef -i "${name%%.*}" -f UTF-8 "$name" 2>/dev/null ||
    echo "The locale $name could not be generated: dates keep the C form" >&2
}

# A hung test fails after this many seconds instead of holding up the run
# (tests that need longer say so themselves).
CTEST_ARGS=(--output-on-failure -j"$(nproc)" --timeout 600)

# The tests compare the dialogs' English texts: whatever language the
# developer's session speaks, the library under test finds no catalogue.
english_tests() { export LANGUAGE=en; }

# build DIR [cmake options...]
build() {
  local dir=$1
  shift
  cmake -S "$ROOT" -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir" -j"$(nproc)"
}

# The Debian packages of build/ (configured for the /usr prefix), checked
# with dpkg-deb and lintian.
make_packages() {
  rm -f "$ROOT"/build/*.deb
  (cd "$ROOT/build" && cpack -G DEB >/dev/null)
  "$ROOT/scripts/check_packages.sh" "$ROOT/build"
}

# The sanitizer suite: every test again in an AddressSanitizer + UBSan build.
# Leak reports of third-party libraries are suppressed by name in
# tests/sanitizers/lsan.supp; the project's own leaks are never suppressed.
run_sanitizer_suite() {
  build "$ROOT/build-asan" -DCMAKE_BUILD_TYPE=Debug -DTAV_SANITIZE=ON -DTAV_BUILD_BENCHMARKS=OFF
  export ASAN_OPTIONS=detect_leaks=1:detect_stack_use_after_return=1
  export LSAN_OPTIONS=suppressions=$ROOT/tests/sanitizers/lsan.supp:print_suppressions=0
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
  ctest --test-dir "$ROOT/build-asan" "${CTEST_ARGS[@]}"
}

# The suite again as the library runs on a machine-wide store: every test's
# data directory has a tavsecd of its own, and everything the library and
# tavsec ask of the store goes through it (tests/testing/temp_data_dir.h).
# Tests that start their own cluster (label lab_store) ran already, and
# those that never open the compliance store (label store_free) have
# nothing to try there.
run_service_suite() {
  TAV_TEST_SERVICE=1 ctest --test-dir "$ROOT/build" "${CTEST_ARGS[@]}" -LE 'lab_store|store_free'
}

# The same through the service, with every test's compliance data in the
# lab store: a PostgreSQL cluster that pg_virtualenv makes and removes
# (fsync off: the cluster is thrown away). Each test's data directory gets
# a schema of its own.
run_lab_store_suite() {
  TAV_TEST_ENGINE=postgresql TAV_TEST_SERVICE=1 pg_virtualenv -t -o fsync=off \
    ctest --test-dir "$ROOT/build" "${CTEST_ARGS[@]}" -LE 'lab_store|store_free'
}

run_fuzzers() {
  local seconds=$1
  CC=clang CXX=clang++ build "$ROOT/build-fuzz" -DTAV_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo
  for target in "$ROOT"/build-fuzz/fuzz/fuzz_*; do
    [ -x "$target" ] || continue
    local name corpus work
    name=$(basename "$target")
    corpus="$ROOT/fuzz/corpus/${name#fuzz_}"
    work="$ROOT/build-fuzz/corpus-${name#fuzz_}"
    mkdir -p "$work"
    echo "== $name for ${seconds}s"
    local log="$ROOT/build-fuzz/${name}.log"
    if ! "$target" -max_total_time="$seconds" -max_len=65536 -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 "$work" "$corpus" >"$log" 2>&1; then
      tail -n 60 "$log" >&2
      echo "$name found a failure (log: $log)" >&2
      return 1
    fi
    grep -E '^stat::number_of_executed_units' "$log" || true
  done
}

case "${1:-}" in
  demo)
    install_packages
    ensure_locale
    build "$ROOT/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr
    exec "$ROOT/scripts/demo.sh" "$ROOT/build"
    ;;
  test)
    install_packages
    english_tests
    build "$ROOT/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr
    ctest --test-dir "$ROOT/build" "${CTEST_ARGS[@]}"
    run_service_suite
    run_lab_store_suite
    make_packages
    run_sanitizer_suite
    run_fuzzers "${TAV_FUZZ_SECONDS:-30}"
    ;;
  package)
    install_packages
    build "$ROOT/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr
    make_packages
    ls "$ROOT"/build/*.deb
    ;;
  fuzz)
    install_packages
    run_fuzzers "${2:-600}"
    ;;
  bench)
    install_packages
    build "$ROOT/build-release" -DCMAKE_BUILD_TYPE=Release -DTAV_BUILD_TESTS=OFF
    for b in "$ROOT"/build-release/bench/*_bench; do
      case "$b" in
        # Durable appends need a server that flushes its commits.
        */lab_store_bench) pg_virtualenv -t -o fsync=on "$b" ;;
        *) "$b" ;;
      esac
    done
    ;;
  asan)
    install_packages
    english_tests
    run_sanitizer_suite
    ;;
  *)
    sed -n '2,14p' "$0" | sed 's/^# \{0,1\}//'
    exit 2
    ;;
esac
