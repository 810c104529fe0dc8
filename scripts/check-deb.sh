#!/usr/bin/env bash
# Installs build/fovella_*.deb with apt on a minimal Debian 12 with nothing
# else installed (the system that ../shared/tools/fresh-check caches), then
# uses both programs as a new user would: --version, the sample corrected,
# the window started offscreen with the sample open.
# Usage, as root, after `make deb`:  scripts/check-deb.sh
set -euo pipefail
cd "$(dirname "$0")/.."
package=$(ls build/fovella_*.deb 2>/dev/null | head -n 1)
[ -n "$package" ] || { echo "check-deb: no package; run 'make deb' first" >&2; exit 2; }
[ "$(id -u)" = 0 ] || { echo "check-deb: needs root (chroot, mount)" >&2; exit 2; }
cache=${FRESH_CACHE:-/var/cache/fovella-fresh}/bookworm-minbase.tar
root=$(mktemp -d -t check-deb.XXXX)
cleanup() { for m in dev/pts dev proc sys; do umount "$root/$m" 2>/dev/null || true; done; rm -rf "$root"; }
trap cleanup EXIT
if [ -f "$cache" ]; then
  tar -C "$root" -xf "$cache"
else
  command -v debootstrap >/dev/null || apt-get install -y -qq debootstrap >/dev/null
  debootstrap --variant=minbase bookworm "$root" http://deb.debian.org/debian >/dev/null
fi
mount -t proc proc "$root/proc"; mount --bind /dev "$root/dev"; mount --bind /dev/pts "$root/dev/pts"; mount -t sysfs sys "$root/sys"
cp /etc/resolv.conf "$root/etc/resolv.conf" 2>/dev/null || true
cp "$package" samples/grid.bmp "$root/tmp/"
chroot "$root" /bin/bash -euo pipefail -c '
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends /tmp/'"$(basename "$package")"' >/dev/null
  fovella-cli --version
  cd /tmp && fovella-cli -f 3 grid.bmp -o grid-corrected.bmp
  test -s grid-corrected.bmp
  man -w fovella-cli >/dev/null 2>&1 || test -f /usr/share/man/man1/fovella-cli.1.gz
  test -f /usr/share/icons/hicolor/48x48/apps/fovella.png
  # The window: it must start, open the sample and keep running until stopped.
  status=0
  QT_QPA_PLATFORM=offscreen timeout 5 fovella grid.bmp 2>window.log || status=$?
  cat window.log
  [ "$status" = 124 ] || { echo "the window ended with status $status"; exit 1; }
  ! grep -q "^fovella: " window.log  # the reason of any failed open
  echo "the window ran with the sample open"
'
echo "check-deb: $(basename "$package") installs and works on a minimal Debian 12"
