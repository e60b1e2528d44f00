# SPDX-License-Identifier: MIT
# Shared by the project's scripts: where we are, and installing what is missing from Debian.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
cd "$root"

# What building and running needs.
build_packages=(cmake ninja-build g++ pkg-config qt6-base-dev libgl-dev libxcb1-dev fonts-noto-cjk)
# What the tests need on top: references, displays, a second architecture.
test_packages=(libgtest-dev libgmock-dev libmpfr-dev libgmp-dev clang libclang-rt-14-dev
  g++-aarch64-linux-gnu qemu-user
  xvfb openbox xdotool xclip x11-utils imagemagick
  lintian desktop-file-utils appstream)
# What making the Debian package needs (scripts/package): dpkg-shlibdeps, and file to find the ELF files.
package_packages=(dpkg-dev file)
bench_packages=(libbenchmark-dev x11-apps galculator libx11-dev)

# Installs the packages of "$@" that dpkg does not know as installed. Quiet and quick when nothing is missing.
ensure_packages() {
  local missing=() p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# Configures and builds the preset "$1".
build_preset() {
  cmake --preset "$1" >/dev/null
  cmake --build --preset "$1"
}
