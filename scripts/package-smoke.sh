#!/usr/bin/env bash
# The unpacked packages at work, from scripts/package-check.sh (which hides the repository
# first): each program's --version, a download from quarnctl to the simulator compared byte
# for byte, the downloader opening a document under xvfb-run and quitting, and every manual
# page rendered by man -l.
#
#   package-smoke.sh UNPACKED-ROOT VERSION
set -euo pipefail
unpacked=$1
version=$2
bin="$unpacked/usr/bin"
work=$(mktemp -d "${TMPDIR:-/tmp}/quarn-package-smoke.XXXXXX")
sim_pid=""
cleanup() {
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
# Settings, journal and lock of the check's own; nothing from the caller's environment.
unset LD_LIBRARY_PATH
export HOME="$work" XDG_CONFIG_HOME="$work/config" XDG_CONFIG_DIRS="$work/machine" XDG_STATE_HOME="$work/state"
export XDG_RUNTIME_DIR="$work/run" TMPDIR="$work"
mkdir -m 0700 "$XDG_RUNTIME_DIR"
failures=0
fail() { echo "FAILED: $*" >&2; failures=$((failures + 1)); }

echo "--- --version"
for program in QuarnDownloader quarnctl quarn-printer-sim; do
  said=$(env -u DISPLAY -u WAYLAND_DISPLAY "$bin/$program" --version 2>&1) || fail "$program --version ended with $?"
  if [ "$said" = "$program $version" ]; then echo "$said"; else fail "$program --version said: $said"; fi
done

echo "--- a download from quarnctl to the simulator"
record="$work/record.jsonl"
"$bin/quarn-printer-sim" --record "$record" --network "Check@127.0.0.2:0" > "$work/sim.out" 2>&1 &
sim_pid=$!
for _ in $(seq 1 100); do grep -q '^ready$' "$work/sim.out" && break; sleep 0.1; done
port=$(sed -n 's/^listening Check 127\.0\.0\.2:\([0-9]*\)$/\1/p' "$work/sim.out")
if [ -z "$port" ]; then
  fail "the simulator did not start: $(cat "$work/sim.out")"
else
  document="$work/demo.qps"
  firmware="$work/firmware.prg"
  head -c $((3 * 1024 * 1024 + 4099)) /dev/urandom > "$firmware"
  "$bin/quarnctl" add "$document" --network 127.0.0.2 --tcp-port "$port" --name Check --no-calibrate >/dev/null
  "$bin/quarnctl" set-file "$document" "$firmware"
  "$bin/quarnctl" download "$document" || fail "quarnctl download ended with $?"
  for _ in $(seq 1 300); do [ -s "$record" ] && break; sleep 0.1; done
  expected="\"bytes\":$(stat -c %s "$firmware"),"
  expected_sha="\"sha256\":\"$(sha256sum "$firmware" | cut -d' ' -f1)\""
  if grep -q "$expected" "$record" && grep -q "$expected_sha" "$record"; then
    echo "the printer received all $(stat -c %s "$firmware") bytes, SHA-256 equal"
  else
    fail "the printer received something else: $(cat "$record" 2>/dev/null)"
  fi
fi

echo "--- the downloader opens the document and quits"
if [ -n "${document:-}" ]; then
  cat > "$work/gui.sh" <<'GUI'
#!/usr/bin/env bash
# Under xvfb-run: starts the downloader on the document, waits for its window, quits through
# the File menu (Alt+F, then x) and gives the downloader's exit status.
set -u
"$1" "$2" &
pid=$!
window=$(timeout 60 xdotool search --sync --onlyvisible --name "^demo.qps - QuarnDownloader$" | head -1)
if [ -z "$window" ]; then echo "no window appeared" >&2; kill "$pid"; exit 1; fi
echo "window: $(xdotool getwindowname "$window")"
xdotool windowfocus --sync "$window"
xdotool key --delay 200 alt+f
sleep 0.5
xdotool key x
for _ in $(seq 1 300); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$pid" 2>/dev/null; then echo "the downloader did not quit" >&2; kill "$pid"; exit 1; fi
wait "$pid"
GUI
  chmod +x "$work/gui.sh"
  QT_QPA_PLATFORM=xcb timeout 180 xvfb-run -a "$work/gui.sh" "$bin/QuarnDownloader" "$document" \
    || fail "the downloader under xvfb-run ended with $?"
fi

echo "--- man -l"
for page in "$unpacked"/usr/share/man/man1/*.1.gz; do
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >"$work/page.txt") || fail "man -l $page"
  [ -z "$warnings" ] || fail "man -l $(basename "$page"): $warnings"
  [ -s "$work/page.txt" ] || fail "man -l $(basename "$page") showed nothing"
  echo "$(basename "$page"): $(wc -l < "$work/page.txt") lines"
done

[ "$failures" -eq 0 ]
