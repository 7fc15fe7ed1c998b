#!/bin/sh
# Installs the library's components into a temporary prefix and builds hosts
# against the installed files only: a C program through pkg-config, and a C
# and a C++ program through find_package(TAVSecurityUI). Also checks that the
# library exports the public interface and nothing else.
# Usage: install_test.sh BUILD_DIR TESTS_DIR
set -eu
build=$1
tests=$2
work=$(mktemp -d /tmp/tav_install_test.XXXXXX)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix

cmake --install "$build" --prefix "$prefix" --component TAVSecurityUI >/dev/null
cmake --install "$build" --prefix "$prefix" --component Development >/dev/null
# The naming library is installed with the library: without it names of
# activities and data types come out empty.
[ -n "$(find "$prefix" -name 'libTAVConfiguration.so')" ] ||
  { echo "libTAVConfiguration.so was not installed"; exit 1; }
lib=$(find "$prefix" -name 'libTAVSecurityUI.so' | head -n 1)
[ -n "$lib" ] || { echo "libTAVSecurityUI.so was not installed"; exit 1; }
libdir=$(dirname "$lib")

# Only the public interface is exported (a local symbol that a sanitizer
# build lists in the dynamic table is not exported).
extra=$(nm -D --extern-only --defined-only "$lib" | awk '{print $3}' | c++filt |
  grep -v -E '^(TAVSecurityUI_[A-Za-z0-9_]+|TAVCurrentUser::.*|CXErr::.*)$' || true)
if [ -n "$extra" ]; then
  echo "exported beyond the public interface:"; echo "$extra" | head -n 20; exit 1
fi

# The source tree's include folder alone is enough to compile a host: no
# public header lives in the build tree.
echo '#include <TAVSecurityUI.h>
int main() { return CXErr(0).GetID(); }' >"$work/standalone.cc"
c++ -std=c++20 -fsyntax-only -I"$tests/../../include" "$work/standalone.cc"

# No display: the hosts run their checks without opening windows.
unset DISPLAY WAYLAND_DISPLAY
export QT_QPA_PLATFORM=
export LD_LIBRARY_PATH=$libdir${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}

# pkg-config, with the installation's own .pc file.
export PKG_CONFIG_PATH=$libdir/pkgconfig
# TAV_HOST_FLAGS: extra compiler flags of the hosts (the sanitizer build's).
host_flags=${TAV_HOST_FLAGS:-}
cc -std=c99 -Wall -Wextra -pedantic -Werror $host_flags "$tests/c_api_test.c" -o "$work/c_pkgconfig" \
  $(pkg-config --cflags --libs TAVSecurityUI)
"$work/c_pkgconfig"

# find_package, from C and from C++.
mkdir "$work/consumer"
cp "$tests/c_api_test.c" "$work/consumer/"
cat >"$work/consumer/main.cc" <<'CXX'
#include <TAVSecurityUI.h>

#include <cstdio>
#include <list>
#include <string>

int main() {
  TAVCurrentUser* user = TAVCurrentUser::GetInstance();
  std::list<std::string> groups{"x"};
  user->GetUserGroups(groups);
  if (!user->GetUserID().empty() || !groups.empty() || user->GetUserToken() != nullptr) return 1;
  if (CXErr(201).GetErrDesc().empty()) return 1;
  std::puts("cxx host: ok");
  return 0;
}
CXX
cat >"$work/consumer/CMakeLists.txt" <<'CMAKE'
cmake_minimum_required(VERSION 3.25)
project(consumer C CXX)
set(CMAKE_CXX_STANDARD 20)
find_package(TAVSecurityUI REQUIRED)
add_executable(c_host c_api_test.c)
target_link_libraries(c_host PRIVATE TAVSecurityUI::TAVSecurityUI)
add_executable(cxx_host main.cc)
target_link_libraries(cxx_host PRIVATE TAVSecurityUI::TAVSecurityUI)
CMAKE
cmake -S "$work/consumer" -B "$work/consumer/build" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" \
  -DCMAKE_C_FLAGS="$host_flags" -DCMAKE_CXX_FLAGS="$host_flags" \
  >"$work/configure.log" 2>&1 || { cat "$work/configure.log"; exit 1; }
cmake --build "$work/consumer/build" >"$work/build.log" 2>&1 || { cat "$work/build.log"; exit 1; }
"$work/consumer/build/c_host"
"$work/consumer/build/cxx_host"
