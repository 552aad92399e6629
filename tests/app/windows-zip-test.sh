#!/usr/bin/env bash
# The Windows zip as a user gets it: made by CPack, checked for what it must
# and must not hold, then unpacked into a folder (with a blank in its name) of
# a fresh wine prefix whose Z: drive, the host's /, is gone, so that nothing
# of the build tree is in reach. There pendrak-cli.exe writes a list to a
# sim: radio, and pendrak.exe, started as a user starts it, reads it back on
# a click of Read and leaves its backup in Bin beside itself.
#   windows-zip-test.sh BUILD-DIR SOURCE-DIR
set -euo pipefail
build=$(realpath "$1")
root=$(realpath "$2")
tmp=$(mktemp -d)
export WINEPREFIX=$tmp/prefix
cleanup() { wineserver -k 2>/dev/null || true; rm -rf "$tmp"; }
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
# A path under the prefix's drive_c as the programs see it.
winpath() { local p=${1#"$WINEPREFIX/drive_c"}; echo "C:${p//\//\\}"; }

(cd "$build" && cpack -G ZIP -B "$tmp/pkg" >"$tmp/cpack.log" 2>&1) || { cat "$tmp/cpack.log"; fail "cpack failed"; }
zip=$(ls "$tmp"/pkg/pendrak-*-windows-x64.zip) || fail "cpack made no pendrak-VERSION-windows-x64.zip"
name=$(basename "$zip" .zip)
size=$(stat -c %s "$zip")
echo "$name.zip: $size bytes"
[ "$size" -le 15000000 ] || fail "the zip has $size bytes, more than 15 MB"

listing=$(cmake -E tar tf "$zip")
for f in pendrak.exe pendrak-cli.exe Qt6Core.dll Qt6Gui.dll Qt6Widgets.dll platforms/qwindows.dll \
         styles/qwindowsvistastyle.dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll \
         Data/setting.txt Data/lang_en.lng Data/lang_cn.lng README.txt \
         licenses/qt/LGPL-3.0-only.txt licenses/qt/SOURCE.txt licenses/mingw-w64/GPL-3.txt; do
  grep -qx "$name/$f" <<<"$listing" || fail "the zip lacks $f"
done
for f in Qt6Test.dll qoffscreen.dll pendrak-shot.exe; do
  if grep -q "/$f\$" <<<"$listing"; then fail "the zip holds $f, which only the tests need"; fi
done

"$root/scripts/wine-run.sh" cmd /c exit
wineserver -w
rm -f "$WINEPREFIX/dosdevices/z:"
folder="$WINEPREFIX/drive_c/users/Public/Radio Tools"
mkdir -p "$folder" "$WINEPREFIX/drive_c/radio"
(cd "$folder" && cmake -E tar xf "$zip")
rm -f "$zip"
app="$folder/$name"
cd "$app"

# 5 contacts through pendrak-cli into the emulator's memory, which it makes.
printf '%s\r\n' "4600005,BG5AAA,Wang Wei,,,,,," "4600001,K4AAA,Alan Smith,,,,,," \
  "4600004,DL1AAA,Hans Mueller,,,,,," "4600002,G4AAA,Jane Doe,,,,,," "4600003,VK2AAA,Li Na,,,,,," \
  >"$WINEPREFIX/drive_c/radio/contacts.csv"
radio='sim:C:\radio\radio.bin'
"$root/scripts/wine-run.sh" "$app/pendrak-cli.exe" write --radio "$radio" --no-backup 'C:\radio\contacts.csv' \
  >"$tmp/write.log" 2>&1 || { cat "$tmp/write.log"; fail "pendrak-cli.exe write"; }

# The dialog reads that radio. The window opens at the template's size, so
# Read (40,305 to 83,318 of 423x326 dialog units) is found by proportion.
sed -i 's/^radio=.*/radio=sim:C:\\radio\\radio.bin/; s/^language=.*/language=lang_en/' Data/setting.txt
export PENDRAK_WINE_DISPLAY=1 app
xvfb-run -a -n $((100 + RANDOM % 400)) -s "-screen 0 1024x768x24 -nolisten tcp" bash -c '
  set -euo pipefail
  "$0/scripts/wine-run.sh" "$app/pendrak.exe" &
  pid=$!
  win=$(timeout 90 xdotool search --sync --onlyvisible --name "^Contacts\$" | head -n1) ||
    { echo "no pendrak.exe window within 90 s" >&2; kill "$pid"; exit 1; }
  sleep 2
  eval "$(xdotool getwindowgeometry --shell "$win")"
  xdotool mousemove $((X + WIDTH * 615 / 4230)) $((Y + HEIGHT * 3115 / 3260)) click 1
  for _ in $(seq 300); do
    ls "$app"/Bin/*_read.bin >/dev/null 2>&1 && break
    sleep 0.2
  done
  sleep 1
  # PENDRAK_ZIP_SHOT=FILE.png keeps a picture of the window after the Read.
  [ -z "${PENDRAK_ZIP_SHOT:-}" ] || import -window root "$PENDRAK_ZIP_SHOT"
  kill "$pid" 2>/dev/null || true
' "$root"

backup=$(ls "$app"/Bin/*_read.bin 2>/dev/null | head -n1) || fail "pendrak.exe left no Read backup in Bin"
"$root/scripts/wine-run.sh" "$app/pendrak-cli.exe" list "$(winpath "$backup")" >"$tmp/list.txt" 2>&1 ||
  { cat "$tmp/list.txt"; fail "pendrak-cli.exe list of the backup"; }
for call in BG5AAA K4AAA DL1AAA G4AAA VK2AAA; do
  grep -q "$call" "$tmp/list.txt" || { cat "$tmp/list.txt"; fail "the backup lacks $call"; }
done
echo "pendrak.exe read 5 contacts from the sim: radio into $(basename "$backup")"
