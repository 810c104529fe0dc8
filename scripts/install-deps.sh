#!/usr/bin/env bash
# Installs the Debian packages that building and testing Fovella need, and
# only those that are missing. Runs as root, or through sudo.
#   --bench   also the peers and tools the benchmarks compare with: OpenCV
#             (cv::remap), libvips-tools (vips mapim), GNU time and bc,
#             OpenCV's sample photographs (bench/lines-accuracy.sh) and its
#             Python module (bench/camera-distortion.py)
set -euo pipefail

packages=(
  make cmake g++          # the build
  libjpeg62-turbo-dev libpng-dev libtiff-dev zlib1g-dev  # codecs/
  libgtest-dev            # tests
  libgs-common libimage-exiftool-perl  # tests: an Adobe RGB profile, and exiftool to read metadata back
  clang libclang-rt-14-dev  # fuzz/ (libFuzzer)
  libbenchmark-dev        # bench/
  qt6-base-dev fonts-dejavu-core  # ui/: the window, and a font for offscreen pictures
  dpkg-dev                # make deb: the package's dependencies, from the binaries
)
if [ "${1:-}" = --bench ]; then
  packages+=(libopencv-dev libvips-tools time bc opencv-doc python3-opencv)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
  as_root=()
elif command -v sudo >/dev/null; then
  as_root=(sudo)
else
  echo "install-deps: missing ${missing[*]}; run as root or install sudo" >&2
  exit 1
fi
echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -qq
"${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
