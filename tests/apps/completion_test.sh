#!/bin/bash
# The bash completion of tavsec, against the built program: commands,
# subcommands, options and the values of --format come from its --help.
# Usage: completion_test.sh TAVSEC COMPLETION_FILE
set -eu
PATH=$(dirname "$1"):$PATH
# shellcheck source=/dev/null
source "$2"
failed=0

# expect "WORDS..." EXPECTED: completing the last word offers every word of
# EXPECTED (other helpers' commands may add more).
expect() {
  read -r -a COMP_WORDS <<<"$1"
  [[ $1 == *" " ]] && COMP_WORDS+=("")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMPREPLY=()
  _tavsec
  local word got=" ${COMPREPLY[*]:-} "
  for word in $2; do
    if [[ $got != *" $word "* ]]; then
      echo "completing '$1': got '$got', missing '$word'"
      failed=1
    fi
  done
}

expect "tavsec con" "config"
expect "tavsec st" "stealth status store"
expect "tavsec store " "init migrate status"
expect "tavsec store migrate --f" "--from"
expect "tavsec config tr" "trail"
expect "tavsec config trail --format " "csv json text"
expect "tavsec user list --format " "json text"
expect "tavsec user list --fo" "--format"
expect "tavsec events " "export list verify"
exit $failed
