#!/usr/bin/env bash
# The demo: shows the record tools on the sample run files that the build
# writes. Usage: scripts/demo.sh BUILD_DIR
set -euo pipefail
build=${1:?build directory}
tavsec="$build/src/apps/tavsec/tavsec"
v1="$build/samples/sample-run-v1.tav"
v2="$build/samples/sample-run-v2.tav"

echo "== tavsec records check $v1"
"$tavsec" records check "$v1" && echo "well formed"
echo
echo "== tavsec records dump $v1"
"$tavsec" records dump "$v1"
echo
echo "== tavsec records diff (v1 -> v2)"
"$tavsec" records diff "$v1" "$v2"
echo
echo "== tavsec error 201"
"$tavsec" error 201
