#!/usr/bin/env bash
# The Debian package: built by CPack into a temporary folder, it names its
# shared-library dependencies, lintian finds no error in it, and unpacked,
# both programs run from it.
#
#   deb.sh BUILD_DIR VERSION
set -euo pipefail
build="$1"
expected_version="$2"  # as the programs print it: major.minor
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

if ! cpack --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1; then
  cat "$work/cpack.log" >&2
  exit 1
fi
deb="$(echo "$work"/quillbox_*.deb)"

# Without them `apt-get install ./quillbox.deb` would not bring Qt along.
depends="$(dpkg-deb -f "$deb" Depends)"
for library in libc6 libstdc++6 libqt6widgets6; do
  grep -q "\b$library\b" <<<"$depends" || { echo "Depends lacks $library: $depends" >&2; exit 1; }
done

# Notes are shown, errors and warnings fail.
lintian --fail-on error,warning --tag-display-limit 0 "$deb"

dpkg-deb -x "$deb" "$work/root"
bin="$work/root/usr/bin"
version="$("$bin/quillbox-cli" --version)"
[ "$version" = "quillbox-cli $expected_version" ] ||
  { echo "quillbox-cli --version printed '$version', not 'quillbox-cli $expected_version'" >&2; exit 1; }
# The window's answers need no display; a usage error shows no window.
version="$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$bin/quillbox" --version)"
[ "$version" = "quillbox $expected_version" ] ||
  { echo "quillbox --version printed '$version', not 'quillbox $expected_version'" >&2; exit 1; }
mkdir -m 700 "$work/run"
for arguments in "a.psu b.psu" "-x" "--help a.psu"; do
  status=0
  # shellcheck disable=SC2086  # the arguments are split on purpose
  XDG_RUNTIME_DIR="$work/run" QT_QPA_PLATFORM=offscreen timeout 10 "$bin/quillbox" $arguments \
    >"$work/out" 2>"$work/err" || status=$?
  printed="$status|$(cat "$work/out")|$(cat "$work/err")"
  expected="2||Usage: quillbox [SAVE | --help | --version]"
  [ "$printed" = "$expected" ] || { echo "quillbox $arguments: expected '$expected', got '$printed'" >&2; exit 1; }
done

# The window takes no option to show itself and quit: still running after
# three seconds means it came up; stopped then, it must end at once.
status=0
QT_QPA_PLATFORM=offscreen timeout --kill-after=5 3 "$bin/quillbox" >"$work/quillbox.log" 2>&1 || status=$?
if [ "$status" -ne 124 ]; then
  echo "quillbox ended with status $status before it was stopped:" >&2
  cat "$work/quillbox.log" >&2
  exit 1
fi
