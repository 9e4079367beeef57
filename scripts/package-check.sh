#!/usr/bin/env bash
# Builds the Debian packages (scripts/package.sh), unpacks them with dpkg -x into a scratch
# root (the machine's own folders stay untouched) and checks them there:
#   lintian (no errors; the warnings are listed), desktop-file-validate, appstreamcli
#   validate, the .qps type in a MIME database, every run path relative to the program;
# then, with the repository (sources and build trees) hidden behind an empty folder:
#   each program's --version, a download from the unpacked quarnctl to the unpacked
#   simulator compared byte for byte, the unpacked downloader under xvfb-run opening a
#   document (its window appears) and quitting, and man -l rendering every manual page.
#
#   scripts/package-check.sh [--no-build]    --no-build checks the packages in build/packages
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
packages="$root/build/packages"

case "${1:-}" in
  --no-build) ;;
  "") scripts/package.sh "$packages" ;;
  -h|--help) sed -n '2,11s/^# \{0,1\}//p' "$0"; exit 0 ;;
  *) echo "unknown option $1; see scripts/package-check.sh --help" >&2; exit 2 ;;
esac
ls "$packages"/*.deb >/dev/null 2>&1 || { echo "No packages in $packages: run scripts/package.sh" >&2; exit 1; }

scratch=$(mktemp -d "${TMPDIR:-/tmp}/quarn-package-check.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
unpacked="$scratch/root"
for deb in "$packages"/*.deb; do dpkg-deb -x "$deb" "$unpacked"; done
version=$(dpkg-deb -f "$(ls "$packages"/quarnctl_*.deb)" Version)
failures=0
fail() { echo "FAILED: $*" >&2; failures=$((failures + 1)); }
step() { echo "=== $*"; }

step "lintian"
lintian_report="$scratch/lintian.txt"
if lintian --fail-on error --tag-display-limit 0 "$packages"/*.changes > "$lintian_report" 2>&1; then
  echo "no errors"
else
  fail "lintian reports errors"
fi
grep -E '^[EW]: ' "$lintian_report" | sort | uniq -c | sed 's/^/  /' || true

step "desktop entry, AppStream metadata, document type"
desktop-file-validate "$unpacked"/usr/share/applications/*.desktop || fail "desktop-file-validate"
appstreamcli validate --no-net --strict "$unpacked"/usr/share/metainfo/*.xml || fail "appstreamcli validate"
mime="$scratch/mime"
mkdir -p "$mime/packages"
cp "$unpacked"/usr/share/mime/packages/*.xml "$mime/packages/"
update-mime-database "$mime" >/dev/null 2>&1 || fail "update-mime-database refused the document type"
grep -qx 'application/x-quarn-printer-settings:\*\.qps' "$mime/globs" \
  || fail "the MIME database does not know *.qps"
grep -q 'MimeType=application/x-quarn-printer-settings;' "$unpacked"/usr/share/applications/*.desktop \
  || fail "the desktop entry does not open .qps documents"

step "run paths"
while IFS= read -r -d '' file; do
  # readelf says nothing for a file that is not ELF.
  readelf -d "$file" 2>/dev/null | sed -n 's/.*(\(RPATH\|RUNPATH\)).*\[\(.*\)\]/\2/p' | tr ':' '\n' |
    while read -r path; do
      case "$path" in
        ""|'$ORIGIN'|'$ORIGIN/'*) ;;
        *) echo "FAILED: ${file#"$unpacked"} has the run path $path" >&2; echo bad > "$scratch/runpath" ;;
      esac
    done
done < <(find "$unpacked/usr/bin" "$unpacked/usr/lib" -type f -print0)
[ -e "$scratch/runpath" ] && fail "run paths outside the package"
echo "checked"

# The rest runs on the unpacked files alone: in a mount namespace of its own where an empty
# folder covers the repository, so no program can reach a library or file of the source or
# build trees. Without the rights for that, the run paths checked above must do.
cp scripts/package-smoke.sh "$scratch/"
smoke=("$scratch/package-smoke.sh" "$unpacked" "$version")
if [ "$(id -u)" -eq 0 ] && unshare --mount true 2>/dev/null; then
  step "the unpacked programs, with $root hidden"
  unshare --mount bash -c 'mount --make-rprivate / && mount -t tmpfs -o size=1m,mode=0555 none "$1" && shift && exec "$@"' \
    hide "$root" "${smoke[@]}" || fail "the unpacked programs"
else
  step "the unpacked programs (the repository stays reachable: not root)"
  "${smoke[@]}" || fail "the unpacked programs"
fi

if [ "$failures" -ne 0 ]; then
  echo "Package check: $failures failed" >&2
  exit 1
fi
echo "Package check passed: quarn $version"
