#!/bin/sh
# Runs tav-host's tour offscreen with a demo account, logging on through a
# compliance service of the test's own when TAVSECD is given, and checks
# that it saved a picture of each dialog.
# TAV_TOUR_OPTIONS adds options of tav-host (the pseudo-locale test gives
# --pseudo-locale --check-texts); with TAV_TOUR_KEEP=DIR the pictures are
# copied there, also when the tour fails; TAV_TOUR_SCREEN=WIDTHxHEIGHT gives
# the offscreen platform a screen of that many pixels (its default is a
# small 800x600).
# Usage: tav_host_tour_test.sh TAVSEC TAV_HOST [TAVSECD]
set -eu
tavsec=$1
host=$2
tavsecd=${3:-}
work=$(mktemp -d /tmp/tav_tour_test.XXXXXX)
service=
# CTest gives the test a stealth flag of its own; it goes with the test.
trap '[ -n "${TAV_TOUR_KEEP:-}" ] && mkdir -p "$TAV_TOUR_KEEP" && cp -r "$work/pictures/." "$TAV_TOUR_KEEP/"
  [ -n "$service" ] && kill "$service" && wait "$service"; rm -rf "$work"
  [ -n "${TAV_STEALTH_NAME:-}" ] && rm -f "/dev/shm/$TAV_STEALTH_NAME"' EXIT
export TAV_DATA_DIR=$work/data
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM || true
if [ -n "${TAV_TOUR_SCREEN:-}" ]; then
  mkdir -p "$work"
  printf '{"screens": [{"name": "tour", "x": 0, "y": 0, "width": %s, "height": %s, "logicalDpi": 96}]}\n' \
    "${TAV_TOUR_SCREEN%x*}" "${TAV_TOUR_SCREEN#*x}" >"$work/screen.json"
  export QT_QPA_PLATFORM="offscreen:configfile=$work/screen.json"
fi

# The tour types the passwords it was given: they must not need a change at
# the first logon.
mkdir -p "$TAV_DATA_DIR"
printf 'password_change_at_first_logon = no\n' >"$TAV_DATA_DIR/security.conf"
printf '%s\n' 'Quartz-Ledger-71' | "$tavsec" user add alice --full-name "Alice Liddell" --group tav-analysts --group tav-users
# alice must choose her own password at her first logon: the tour shows the
# Change Password dialog.
"$tavsec" user expire alice >/dev/null
# The administrator who may configure the compliance settings; alice may
# not, and the host refuses her the configuration dialog.
printf '%s\n' 'Harbor-Lantern-93' | "$tavsec" user add bob --full-name "Bob Builder" --group tav-admins --admin
# A trail of several changes for the audit viewer's pictures, made before
# the features go on (after that only an account with the configuration
# right may change settings).
"$tavsec" config grant tav-analysts 13 --reason "Analysts review the audit trail" >/dev/null
"$tavsec" config set idle-timeout 10 --reason "Site policy, section 4.2" >/dev/null
"$tavsec" config grant tav-users 11 --reason "Reports are printed by every user" >/dev/null
"$tavsec" config grant tav-analysts 6 --reason "Analysts manage the run list" >/dev/null
"$tavsec" config set part11 on >/dev/null
if [ -n "$tavsecd" ]; then
  export TAV_SOCKET=$TAV_DATA_DIR/tavsecd.sock
  "$tavsecd" --socket "$TAV_SOCKET" 2>"$work/tavsecd.log" &
  service=$!
  tries=0
  until grep -q "listening on" "$work/tavsecd.log"; do
    tries=$((tries + 1))
    [ "$tries" -lt 100 ] && kill -0 "$service" || { cat "$work/tavsecd.log"; exit 1; }
    sleep 0.1
  done
fi
printf '%s\n' 'Quartz-Ledger-71' 'Harbor-Lantern-93' 'Amber-Glacier-Pilot-64' |
  "$host" --tour "$work/pictures" --tour-user alice --tour-admin bob --tour-new-password \
  ${TAV_TOUR_OPTIONS:-} \
  >"$work/out" 2>&1 ||
  { cat "$work/out"; exit 1; }
for picture in 01-user-login 02-authentication-error 03-main-window 04-activity-refused \
    05-idle-reauthentication 06-identity-check 07-logged-out 08-not-allowed \
    09-electronic-signature 10-nothing-to-sign 11-signatures 12-system-event-log \
    13-configuration-audit-trail 14-configuration-permissions 15-configuration-auditing \
    16-run-list 17-run-list-audit-trail 18-run-document 19-deletion-refused \
    20-change-password; do
  [ -s "$work/pictures/$picture.png" ] || { echo "missing $picture.png"; cat "$work/out"; exit 1; }
done
"$tavsec" records dump "$work/pictures/plate-42.tav" | grep -q "Signer Full Name = Alice Liddell" ||
  { echo "the tour's signature is not in the document"; exit 1; }
[ -s "$work/pictures/run-7.tav" ] || { echo "the run file was deleted while open"; exit 1; }
echo "tour: 20 pictures, a signed document and a run file kept while open"
