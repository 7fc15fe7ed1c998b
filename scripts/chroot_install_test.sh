#!/bin/sh
# Installs the Debian packages of BUILD_DIR into a Debian 12 chroot made by
# debootstrap, starts the compliance service as root starts it where systemd
# is absent, and runs tav-host there as a non-root member of the store's
# group, logging on through the service against the machine-wide store, as
# a lab workstation would.
# Needs root and a Debian mirror; takes a few minutes, so it is not part of
# the test suite.
# Usage: chroot_install_test.sh BUILD_DIR [CHROOT]
#   CHROOT: an existing bookworm chroot to reuse (it is changed), else one is
#           made under /tmp and removed afterwards.
set -eu
build=$(cd "$1" && pwd)
root=${2:-}
made=
if [ -z "$root" ]; then
  root=$(mktemp -d /tmp/tav_chroot.XXXXXX)
  made=$root
  # The chroot's / must be open to the service's account and the lab user,
  # as a real root folder is (mktemp makes it root's alone).
  chmod 0755 "$root"
  debootstrap --variant=minbase bookworm "$root" http://deb.debian.org/debian >/dev/null
fi
cleanup() {
  umount "$root/proc" 2>/dev/null || true
  [ -z "$made" ] || rm -rf "$made"
}
trap cleanup EXIT
mount -t proc proc "$root/proc"
mkdir -p "$root/tmp/debs"
cp "$build"/libtavsecurityui0_*.deb "$build"/tavsec_*.deb "$build"/tav-host_*.deb "$root/tmp/debs/"
cp /etc/resolv.conf "$root/etc/resolv.conf" 2>/dev/null || true

chroot "$root" /bin/sh -eu <<'INSIDE'
export DEBIAN_FRONTEND=noninteractive LC_ALL=C.UTF-8
apt-get update >/dev/null
apt-get install -y --no-install-recommends /tmp/debs/*.deb >/tmp/apt.log 2>&1 ||
  { tail -n 30 /tmp/apt.log; exit 1; }
echo "== installed: $(dpkg-query -W -f '${Package} ${Version}, ' libtavsecurityui0 tavsec tav-host)"
getent group tavsecurity >/dev/null || { echo "no tavsecurity group" >&2; exit 1; }
getent passwd tavsecurity >/dev/null || { echo "no tavsecurity account" >&2; exit 1; }
stat -c '%n %U:%G %a' /var/lib/tavsecurity /var/lib/tavsecurity/*
for db in accounts.db lockout.db; do
  [ "$(stat -c '%U:%G %a' /var/lib/tavsecurity/$db)" = "tavsecurity:tavsecurity 600" ] ||
    { echo "$db is not the service's alone" >&2; exit 1; }
done
# No systemd here: root starts the service as tavsecurity.service would,
# on the socket that tavsecurity.socket makes.
mkdir -p /run/tavsecurity
tavsecd --user tavsecurity 2>/tmp/tavsecd.log &
service=$!
trap 'kill "$service" 2>/dev/null || true' EXIT
tries=0
until grep -q "listening on" /tmp/tavsecd.log; do
  tries=$((tries + 1))
  [ "$tries" -lt 100 ] && kill -0 "$service" || { cat /tmp/tavsecd.log; exit 1; }
  sleep 0.1
done
[ "$(awk '/^Uid:/ {print $2}' "/proc/$service/status")" = "$(id -u tavsecurity)" ] ||
  { echo "tavsecd kept root" >&2; exit 1; }
# The administrator makes an account and switches the features on; the
# settings are the service's to write, so it must run first. The password
# meets the default policy, and as the administrator typed it, alice
# chooses her own at her first logon.
printf '%s\n' 'Quartz-Ledger-71' |
  tavsec user add alice --full-name "Alice Liddell" --group tav-admins --group tav-users >/dev/null
tavsec config set part11 on --reason "workstation set-up" >/dev/null

# A lab user of the workstation, a member of the group, not root.
useradd -m -G tavsecurity labtech
su labtech -s /bin/sh -c "tavsec status"
if su labtech -s /bin/sh -c "cat /var/lib/tavsecurity/accounts.db" >/dev/null 2>&1; then
  echo "a member reads the password hashes" >&2
  exit 1
fi
before=$(tavsec events list | wc -l)
su labtech -s /bin/sh -c "printf '%s\n' Quartz-Ledger-71 Amber-Glacier-Pilot-64 |
  QT_QPA_PLATFORM=offscreen tav-host --tour /tmp/pictures --tour-user alice \
    --tour-new-password" >/tmp/host.log 2>&1 ||
  { cat /tmp/host.log; exit 1; }
ls /tmp/pictures | head -n 3
tavsec events list >/tmp/events
tail -n 3 /tmp/events
grep -q ', alice, Successful Login$' /tmp/events || { echo "no logon through the service" >&2; exit 1; }
[ "$(wc -l </tmp/events)" -gt "$before" ] || { echo "the member appended no events" >&2; exit 1; }
tavsec events verify
INSIDE
echo "chroot install test: ok"
