#!/bin/sh
# Extracts the texts of the sources into copies of the catalogues and fails
# when that changes them: a text was added or changed without extracting
# it, or a new text has no translation yet.
# Usage: translations_current_test.sh LUPDATE SOURCE_DIR LUPDATE_OPTIONS... SOURCES...
set -eu
lupdate=$1
root=$2
shift 2
work=$(mktemp -d /tmp/tav_translations.XXXXXX)
trap 'rm -rf "$work"' EXIT
cd "$root"
for ts in translations/*.ts; do cp "$ts" "$work/"; done
"$lupdate" "$@" -ts "$work"/*.ts >"$work/lupdate.log" 2>&1 || { cat "$work/lupdate.log"; exit 1; }
status=0
for ts in translations/*.ts; do
  copy="$work/$(basename "$ts")"
  if ! cmp -s "$ts" "$copy"; then
    echo "$ts is not current: run 'cmake --build build --target update_translations'"
    diff -u "$ts" "$copy" | head -40
    status=1
  fi
  if grep -q 'type="unfinished"' "$copy"; then
    echo "$ts has texts without a translation:"
    grep -B2 'type="unfinished"' "$copy" | grep '<source>' | head -20
    status=1
  fi
done
[ "$status" -eq 0 ] && echo "translations: every text of the sources is translated"
exit "$status"
