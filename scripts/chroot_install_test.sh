#!/bin/sh
# Installs the Debian packages of BUILD_DIR into a Debian 12 chroot made by
# debootstrap and runs tav-host there as a non-root member of the store's
# group against the machine-wide store, as a lab workstation would.
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
stat -c '%n %U:%G %a' /var/lib/tavsecurity /var/lib/tavsecurity/*
# The administrator makes an account and switches the features on.
printf '%s\n' 'Chroot-Pass-1' |
  tavsec user add alice --full-name "Alice Liddell" --group tav-analysts --group tav-users >/dev/null
tavsec config set part11 on --reason "workstation set-up" >/dev/null
# A lab user of the workstation, a member of the group, not root.
useradd -m -G tavsecurity labtech
su labtech -s /bin/sh -c "tavsec status"
su labtech -s /bin/sh -c "printf '%s\n' Chroot-Pass-1 |
  QT_QPA_PLATFORM=offscreen tav-host --tour /tmp/pictures --tour-user alice" >/tmp/host.log 2>&1 ||
  { cat /tmp/host.log; exit 1; }
ls /tmp/pictures | head -n 3
tavsec events list | tail -n 3
tavsec events verify
INSIDE
echo "chroot install test: ok"
