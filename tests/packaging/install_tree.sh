#!/usr/bin/env bash
# `cmake --install` into a temporary DESTDIR puts exactly the expected files
# under /usr, and the desktop entry and the AppStream component pass the
# checkers that desktops and software centres use.
#
#   install_tree.sh BUILD_DIR APP_ID
set -euo pipefail
build="$1" id="$2"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

DESTDIR="$work/root" cmake --install "$build" --prefix /usr >/dev/null
cd "$work/root"

expected="usr/bin/quillbox
usr/bin/quillbox-cli
usr/share/applications/$id.desktop
usr/share/doc/quillbox/changelog.gz
usr/share/doc/quillbox/copyright
usr/share/man/man1/quillbox-cli.1.gz
usr/share/man/man1/quillbox.1.gz
usr/share/metainfo/$id.metainfo.xml
usr/share/mime/packages/$id.xml"
for size in 16 32 48 256; do
  expected+=$'\n'"usr/share/icons/hicolor/${size}x${size}/apps/$id.png"
done
if ! diff <(sort <<<"$expected") <(find . -type f -printf '%P\n' | sort); then
  echo "the install tree differs: < missing, > not expected" >&2
  exit 1
fi

for size in 16 32 48 256; do
  icon="usr/share/icons/hicolor/${size}x${size}/apps/$id.png"
  file "$icon" | grep -q "PNG image data, $size x $size," || { echo "$icon is not a ${size}x${size} PNG" >&2; exit 1; }
done

# desktop-file-validate fails only on errors; a warning fails here too.
report="$(desktop-file-validate "usr/share/applications/$id.desktop")"
[ -z "$report" ] || { echo "$report" >&2; exit 1; }
# The whole tree, so that the component's launchable and icon are found.
appstreamcli validate-tree --no-net "$work/root"
