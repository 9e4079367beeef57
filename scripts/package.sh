#!/usr/bin/env bash
# Builds the Debian packages of the project: quarn-downloader, quarnctl, quarn-printer-sim,
# the printer library they share (quarn-printer-library) and their debug symbols, with
# dpkg-buildpackage from the debian/ folder, into build/packages (or the folder given).
# The working tree is copied as it is (uncommitted changes included) into build/package-source,
# so the source tree and its other builds stay untouched.
#
#   scripts/package.sh [OUTPUT-FOLDER]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

case "${1:-}" in
  -h|--help) sed -n '2,8s/^# \{0,1\}//p' "$0"; exit 0 ;;
esac
output=$(realpath -m "${1:-$root/build/packages}")

scripts/setup.sh

# The programs take their version from project(); the packages must carry the same one.
project_version=$(sed -n 's/^project([^)]* VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
package_version=$(dpkg-parsechangelog -S Version)
if [ "$project_version" != "$package_version" ]; then
  echo "debian/changelog is at $package_version but CMakeLists.txt's project() at $project_version:" >&2
  echo "add a changelog entry for $project_version (dch -v $project_version) before packaging." >&2
  exit 1
fi

work="$root/build/package-source"
source="$work/quarn-$project_version"
rm -rf "$work"
mkdir -p "$source"
tar -C "$root" --exclude=./build --exclude=./.git -cf - . | tar -C "$source" -xf -

echo "Building the packages of quarn $project_version in $work"
(cd "$source" && DEB_BUILD_OPTIONS="parallel=$(nproc) ${DEB_BUILD_OPTIONS:-}" dpkg-buildpackage -b -us -uc)

mkdir -p "$output"
rm -f "$output"/*.deb "$output"/*.changes "$output"/*.buildinfo
mv "$work"/*.deb "$work"/*.changes "$work"/*.buildinfo "$output"/
rm -rf "$work"
echo "Packages in $output:"
ls -1 "$output"
