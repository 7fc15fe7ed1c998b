#!/bin/sh
# Checks the Debian packages that cpack made in BUILD_DIR: the files each
# one carries (and not the others'), the dependencies and maintainer files,
# that the programs run from the unpacked files, and lintian (no errors).
# Usage: check_packages.sh BUILD_DIR
set -eu
build=$1
work=$(mktemp -d /tmp/tav_packages.XXXXXX)
trap 'rm -rf "$work"' EXIT
failed=0
fail() { echo "check_packages: $*" >&2; failed=1; }

deb() {
  found=$(ls "$build"/"$1"_*.deb 2>/dev/null | head -n 1)
  [ -n "$found" ] || { echo "check_packages: no $1 package in $build" >&2; exit 1; }
  echo "$found"
}
lib=$(deb libtavsecurityui0)
dev=$(deb libtavsecurityui-dev)
tavsec=$(deb tavsec)
host=$(deb tav-host)
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH 2>/dev/null || gcc -print-multiarch)

# has PACKAGE PATH...: every PATH is in the package.
has() {
  pkg=$1
  shift
  dpkg-deb -c "$pkg" | awk '{print $6}' | sed 's|^\./|/|; s|/$||' >"$work/list"
  for path in "$@"; do
    grep -qxF "$path" "$work/list" || fail "$(basename "$pkg") lacks $path"
  done
}
# lacks PACKAGE PATTERN: no path of the package matches PATTERN.
lacks() {
  if dpkg-deb -c "$1" | awk '{print $6}' | grep -qE "$2"; then
    fail "$(basename "$1") holds $2"
  fi
}
# field PACKAGE FIELD PATTERN: the control field matches PATTERN.
field() {
  dpkg-deb -f "$1" "$2" | grep -qE "$3" || fail "$(basename "$1"): $2 is not $3: $(dpkg-deb -f "$1" "$2")"
}

libdir=/usr/lib/$multiarch
has "$lib" "$libdir/libTAVSecurityUI.so.0" "$libdir/libTAVConfiguration.so" \
  /usr/sbin/tavsecd /usr/share/man/man8/tavsecd.8.gz \
  /usr/lib/systemd/system/tavsecurity.socket /usr/lib/systemd/system/tavsecurity.service \
  /usr/lib/sysusers.d/tavsecurity.conf /usr/lib/tmpfiles.d/tavsecurity.conf \
  /etc/pam.d/tavsecurity /usr/share/TAVSecurityUI/help \
  /usr/share/TAVSecurityUI/translations/tavsecurityui_de.qm /usr/share/TAVSecurityUI/translations/tavsecurityui_fr.qm \
  /usr/share/doc/libtavsecurityui0/copyright
lacks "$lib" '\.h$|/libTAVSecurityUI\.so$|/bin/'
has "$dev" /usr/include/TAVSecurityUI.h /usr/include/TAVSecurityUI_CXErr.h \
  "$libdir/libTAVSecurityUI.so" "$libdir/pkgconfig/TAVSecurityUI.pc" \
  "$libdir/cmake/TAVSecurityUI/TAVSecurityUIConfig.cmake"
has "$tavsec" /usr/bin/tavsec /usr/share/man/man1/tavsec.1.gz \
  /usr/share/bash-completion/completions/tavsec /usr/share/zsh/vendor-completions/_tavsec \
  /usr/lib/systemd/system/tavsecurity-seal.timer /usr/lib/systemd/system/tavsecurity-seal.service
has "$host" /usr/bin/tav-host /usr/share/man/man1/tav-host.1.gz \
  /usr/share/applications/tav-host.desktop /usr/share/icons/hicolor/scalable/apps/tav-host.svg

field "$lib" Depends 'libqt6widgets6'
field "$lib" Depends 'libpam-runtime'
field "$lib" Depends 'libpq5'
field "$lib" Depends 'libpwquality1'
field "$lib" Depends 'cracklib-runtime'
field "$dev" Depends 'libtavsecurityui0 \(= '
field "$tavsec" Depends 'libtavsecurityui0 \(= '
field "$host" Depends 'libtavsecurityui0 \(= .*qt6-qpa-plugins'

dpkg-deb -e "$lib" "$work/lib-control"
grep -qxF /etc/pam.d/tavsecurity "$work/lib-control/conffiles" || fail "the PAM file is no conffile"
grep -q systemd-sysusers "$work/lib-control/postinst" || fail "libtavsecurityui0 makes no group"
grep -q 'for unit in tavsecurity.socket tavsecurity-passwd.socket' "$work/lib-control/postinst" &&
  grep -q 'deb-systemd-helper enable "$unit"' "$work/lib-control/postinst" ||
  fail "libtavsecurityui0 does not enable the service's socket and its password helper's"
grep -q '/run/systemd/system' "$work/lib-control/postinst" ||
  fail "libtavsecurityui0 starts the socket without asking whether systemd runs"
dpkg-deb -e "$tavsec" "$work/tavsec-control"
grep -q 'tavsec setup' "$work/tavsec-control/postinst" || fail "tavsec does not set up the store"

# The programs run from the unpacked files alone.
for pkg in "$lib" "$tavsec" "$host"; do dpkg-deb -x "$pkg" "$work/root"; done
version=$(dpkg-deb -f "$tavsec" Version)
out=$(LD_LIBRARY_PATH=$work/root$libdir "$work/root/usr/bin/tavsec" --version) || fail "tavsec --version failed"
[ "$out" = "tavsec ${version%-*}" ] || fail "tavsec --version says: $out"
out=$(LD_LIBRARY_PATH=$work/root$libdir "$work/root/usr/bin/tav-host" --version) || fail "tav-host --version failed"
[ "$out" = "tav-host ${version%-*}" ] || fail "tav-host --version says: $out"
for page in man1/tavsec.1 man8/tavsecd.8; do
  gzip -dc "$work/root/usr/share/man/$page.gz" | grep -q '^\.SH "\{0,1\}EXIT STATUS' ||
    fail "the manual page $page has no EXIT STATUS"
done
# The service's account: a system user whose primary group is the store's.
grep -qE '^u tavsecurity -:tavsecurity ' "$work/root/usr/lib/sysusers.d/tavsecurity.conf" ||
  fail "the sysusers file makes no account tavsecurity in the group tavsecurity"
grep -qx 'ExecStart=/usr/sbin/tavsecd' "$work/root/usr/lib/systemd/system/tavsecurity.service" ||
  fail "tavsecurity.service does not start the packaged tavsecd"
# The password helper: started as root by its socket, which the service's
# account alone may reach, and the PAM service can change a password.
helper_unit=$work/root/usr/lib/systemd/system/tavsecurity-passwd@.service
grep -q '^ExecStart=/usr/libexec/tavsecurity/tavsec-passwd --allow-user tavsecurity ' "$helper_unit" &&
  [ -x "$work/root/usr/libexec/tavsecurity/tavsec-passwd" ] ||
  fail "tavsecurity-passwd@.service does not start the packaged tavsec-passwd"
grep -qx 'SocketMode=0600' "$work/root/usr/lib/systemd/system/tavsecurity-passwd.socket" &&
  grep -qx 'SocketUser=tavsecurity' "$work/root/usr/lib/systemd/system/tavsecurity-passwd.socket" ||
  fail "the password helper's socket is open to more than the service"
grep -qE '^password +include common-password' "$work/root/etc/pam.d/tavsecurity" ||
  fail "the PAM service cannot change a password"

# lintian: no errors (warnings are listed, not fatal).
if command -v lintian >/dev/null 2>&1; then
  lintian --fail-on error --allow-root --tag-display-limit 0 "$lib" "$dev" "$tavsec" "$host" ||
    fail "lintian found errors"
else
  fail "lintian is not installed"
fi

[ "$failed" -eq 0 ] && echo "check_packages: $(basename "$lib") $(basename "$dev") $(basename "$tavsec") $(basename "$host"): ok"
exit "$failed"
