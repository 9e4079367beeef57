#!/usr/bin/env bash
# Installs the Debian packages the project needs to build, test and run its demo.
# Does nothing when everything is present already.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev
  googletest libgtest-dev libgmock-dev
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libcli11-dev nlohmann-json3-dev libssl-dev
  netcat-openbsd iproute2 xvfb xauth time
  # The Ansible collection's tests (tests/ansible)
  ansible-core python3
  # Packages and their checks (scripts/package.sh, scripts/package-check.sh)
  debhelper dpkg-dev fakeroot lintian desktop-file-utils appstream shared-mime-info librsvg2-bin
  man-db xdotool passwd util-linux
)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
