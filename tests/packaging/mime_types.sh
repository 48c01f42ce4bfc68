#!/usr/bin/env bash
# The file types, as a desktop finds them once installed: every real save
# gets its type by its name and, renamed without extension, by its bytes; an
# EMS save named .psd is still a save, while a Photoshop image named .psd and
# an XPS document named .xps keep Debian's types; and the window's desktop
# entry is the default for the two it lists. Checked with the staged types
# in a database of their own before Debian's (an install into another
# prefix), and in one database with Debian's (the package, under /usr) that
# another database stands beside, as a user's own often does.
#
#   mime_types.sh BUILD_DIR APP_ID SAVES_DIR
set -euo pipefail
build="$1" id="$2" saves="$3"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

DESTDIR="$work/root" cmake --install "$build" --prefix /usr >/dev/null
share="$work/root/usr/share"
mkdir -p "$work/merged/mime/packages"
cp /usr/share/mime/packages/*.xml "$share/mime/packages/$id.xml" "$work/merged/mime/packages/"
# Nothing of the user's.
export XDG_DATA_HOME="$work/home" XDG_CONFIG_HOME="$work/home"
export PATH="$work/root/usr/bin:$PATH"  # GLib ignores an entry whose program is not found
export XDG_DATA_DIRS="$share:/usr/share"
update-mime-database "$share/mime"
XDG_DATA_DIRS="$work/merged" update-mime-database "$work/merged/mime"
update-desktop-database "$share/applications"

failures=0
fail() {
  echo "$*" >&2
  failures=$((failures + 1))
}
for type in application/x-ps2-ems-save application/x-ps2-xport-save; do
  default="$(gio mime "$type" | sed -n 's/^Default application for .*: //p')"
  [ "$default" = "$id.desktop" ] || fail "$type opens with '$default'"
done

mkdir "$work/files"
cd "$work/files"
# A Photoshop header (one 1x1 RGB pixel) and an XPS document (a zip archive).
printf '8BPS\0\1\0\0\0\0\0\0\0\3\0\0\0\1\0\0\0\1\0\10\0\3\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0' >image.psd
cp image.psd IMAGE.PSD
mkdir xps && printf '<FixedDocumentSequence/>' >xps/FixedDocumentSequence.fdseq
(cd xps && cmake -E tar cf ../document.xps --format=zip FixedDocumentSequence.fdseq)
expected="image.psd image/vnd.adobe.photoshop
IMAGE.PSD image/vnd.adobe.photoshop
document.xps application/vnd.ms-xpsdocument"
if [ -d "$saves" ]; then
  for save in "$saves"/*; do
    name="$(basename "$save")"
    case "${name##*.}" in
      psu | PSU | psd | PSD) type=application/x-ps2-ems-save ;;
      xps | XPS | sps | SPS) type=application/x-ps2-xport-save ;;
      max | MAX) type=application/x-ps2-max-save ;;
      cbs | CBS) type=application/x-ps2-codebreaker-save ;;
      psv | PSV) type=application/x-ps2-psv-save ;;
      *) continue ;;
    esac
    cp "$save" "$name"
    cp "$save" "by-bytes-${name//./-}"
    expected+=$'\n'"$name $type"$'\n'"by-bytes-${name//./-} $type"
    if [ "$type" = application/x-ps2-ems-save ]; then
      cp "$save" "$name.psd"
      expected+=$'\n'"$name.psd $type"
    fi
  done
fi

for XDG_DATA_DIRS in "$share:/usr/share" "$work/merged:/usr/share"; do
  while read -r file type; do
    got="$(gio info -a standard::content-type "$file" | sed -n 's/^ *standard::content-type: //p')"
    [ "$got" = "$type" ] || fail "${XDG_DATA_DIRS#"$work/"}: $file: expected $type, got $got"
  done <<<"$expected"
done
[ "$failures" -eq 0 ] || exit 1
[ -d "$saves" ] || echo "SKIPPED: no real saves in $saves"
