#!/usr/bin/env bash
# The demo: the record tools on the sample run files that the build writes,
# then tav-host, the sample host program, logging demo users on in a fresh
# data directory through a compliance service (tavsecd) of the demo's own.
# Without a display tav-host tours its dialogs by itself and saves a picture
# of each.
# Usage: scripts/demo.sh BUILD_DIR
set -euo pipefail
build=$(cd "${1:?build directory}" && pwd)
tavsec="$build/src/apps/tavsec/tavsec"
host="$build/src/apps/tav-host/tav-host"
tavsecd="$build/src/apps/tavsecd/tavsecd"
v1="$build/samples/sample-run-v1.tav"
v2="$build/samples/sample-run-v2.tav"

echo "== tavsec records check $v1"
"$tavsec" records check "$v1" && echo "well formed"
echo
echo "== tavsec records diff (v1 -> v2)"
"$tavsec" records diff "$v1" "$v2"
echo
echo "== tavsec error 201"
"$tavsec" error 201
echo

# A fresh data directory: its own account database and settings.
export TAV_DATA_DIR
TAV_DATA_DIR=$(mktemp -d /tmp/tav-demo.XXXXXX)

# The demo's passwords meet the default password policy; as the demo
# prints them, they are not the users' own secrets, and the demo does not
# demand a change at the first logon (a site keeps that rule on).
printf 'password_change_at_first_logon = no\n' >"$TAV_DATA_DIR/security.conf"

# name, password, full name, description, groups (the suite's groups let a
# user run the software; carol is in none of them)
accounts=(
  "alice|Quartz-Ledger-71|Alice Liddell|Analyst|tav-analysts tav-users"
  "bob|Harbor-Lantern-93|Bob Builder|Lab administrator|tav-admins"
  "carol|Meadow-Falcon-27|Carol Visitor|Visiting scientist|lab-visitors"
)
for entry in "${accounts[@]}"; do
  IFS='|' read -r name password full description groups <<<"$entry"
  args=(user add "$name" --full-name "$full" --description "$description")
  for group in $groups; do args+=(--group "$group"); done
  [ "$name" = bob ] && args+=(--admin)
  printf '%s\n' "$password" | "$tavsec" "${args[@]}"
done
# alice chooses her own password at her first logon (Change Password).
"$tavsec" user expire alice >/dev/null
"$tavsec" config set idle-timeout 2 --reason "demo" >/dev/null
# Analysts manage the run list (6) and read the audit trails (13).
"$tavsec" config grant tav-analysts 6 --reason "demo: analysts manage the run list" >/dev/null
"$tavsec" config grant tav-analysts 13 --reason "demo: analysts review the audit trail" >/dev/null
# Last: once the features are on, every change needs an account with the
# configuration right (tavsec ... --by NAME) and its password.
"$tavsec" config set part11 on --reason "demo" >/dev/null

echo "== demo accounts in $TAV_DATA_DIR (21 CFR Part 11 features on, idle timeout 2 minutes)"
printf '  %-7s %-18s %s\n' "user" "password" "groups"
for entry in "${accounts[@]}"; do
  IFS='|' read -r name password full description groups <<<"$entry"
  printf '  %-7s %-18s %s\n' "$name" "$password" "$groups"
done
echo "  (alice must change her password at her first logon)"
echo

# A run document to sign (Compliance > Set Up E-Signatures, then Sign a
# Document): alice and bob may sign; carol is in no signer group.
cp "$v1" "$TAV_DATA_DIR/run-42.tav"

# The compliance service on the demo's data directory, with its socket
# there: tav-host logs on and signs through it. Stopped when the demo ends.
export TAV_SOCKET=$TAV_DATA_DIR/tavsecd.sock
"$tavsecd" --socket "$TAV_SOCKET" 2>"$TAV_DATA_DIR/tavsecd.log" &
service=$!
trap 'kill "$service" 2>/dev/null && wait "$service" 2>/dev/null' EXIT
for _ in $(seq 100); do
  grep -q "listening on" "$TAV_DATA_DIR/tavsecd.log" 2>/dev/null && break
  kill -0 "$service" 2>/dev/null || { cat "$TAV_DATA_DIR/tavsecd.log" >&2; exit 1; }
  sleep 0.1
done
echo "== tavsecd (pid $service) listening on $TAV_SOCKET"

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  echo "== tav-host: log on as one of the users above (carol may not run the software)"
  echo "   a document to sign: $TAV_DATA_DIR/run-42.tav"
  "$host"
  exit
fi

pictures="$build/tour"
rm -rf "$pictures"
echo "== no display: tav-host tours its dialogs offscreen as alice (bob configures)"
printf '%s\n' "Quartz-Ledger-71" "Harbor-Lantern-93" "Amber-Glacier-Pilot-64" |
  "$host" --tour "$pictures" --tour-user alice --tour-admin bob --tour-new-password
echo
echo "== the signature the tour made, as the document keeps it"
"$tavsec" records dump "$pictures/plate-42.tav" | sed -n '/^Tag = ESIG/,$p'
echo
echo "Pictures of each dialog are in $pictures/"
