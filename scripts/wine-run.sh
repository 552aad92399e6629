#!/usr/bin/env bash
# Runs a Windows program under wine, headless and quiet, in the project's own
# prefix (made on first use; the Mono and Gecko installers are skipped, and a
# Chinese font goes in so that Chinese names show in the dialog).
# Parallel test jobs share one prefix: the first makes it under a lock while
# the others wait, so none of them sees a half-made prefix.
#
# PENDRAK_WINE_DISPLAY=1 runs a window program on the caller's X display
# (see wine-gui-run.sh), in a prefix of its own and one program at a time:
# a prefix's desktop process takes the display of the program that starts
# it, and one started without a display keeps every later window off the
# screen (the program then never ends).
set -euo pipefail
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
if [ "${PENDRAK_WINE_DISPLAY:-}" = 1 ]; then
  export WINEPREFIX="${WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/pendrak-wine-gui}"
else
  export WINEPREFIX="${WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/pendrak-wine}"
  export DISPLAY=
fi
ready="$WINEPREFIX/.pendrak-ready"
# FILE|NAME: fonts that go into the prefix as into a Windows. Qt finds no
# Tahoma, the system's own font, in wine's font folder: it then draws in a
# math font that has no glyphs for line edits. The Chinese font shows Chinese.
fonts=("/usr/share/wine/fonts/tahoma.ttf|Tahoma (TrueType)"
       "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc|WenQuanYi Micro Hei (TrueType)")
missing_fonts() {
  local entry file
  for entry in "${fonts[@]}"; do
    file=${entry%%|*}
    if [ -f "$file" ] && [ ! -f "$WINEPREFIX/drive_c/windows/Fonts/${file##*/}" ]; then return 0; fi
  done
  return 1
}
if [ ! -f "$ready" ] || missing_fonts; then
  mkdir -p "$(dirname "$WINEPREFIX")"
  exec 9>"$WINEPREFIX.lock"
  flock 9
  if [ ! -f "$ready" ]; then
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w || true
    [ -f "$WINEPREFIX/system.reg" ] || { echo "wine-run.sh: could not make the wine prefix $WINEPREFIX" >&2; exit 1; }
    touch "$ready"
  fi
  if missing_fonts; then
    for entry in "${fonts[@]}"; do
      file=${entry%%|*}
      in_prefix="$WINEPREFIX/drive_c/windows/Fonts/${file##*/}"
      [ -f "$file" ] && [ ! -f "$in_prefix" ] || continue
      wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\Fonts' /v "${entry#*|}" \
        /d "${file##*/}" /f >/dev/null 2>&1 || true
      cp "$file" "$in_prefix.tmp" && mv "$in_prefix.tmp" "$in_prefix"
    done
    # Text that wine draws itself (title bars) in Tahoma falls back to the
    # Chinese font.
    wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' /v Tahoma \
      /t REG_MULTI_SZ /d "wqy-microhei.ttc,WenQuanYi Micro Hei" /f >/dev/null 2>&1 || true
    wineserver -w || true
  fi
  exec 9>&-
fi
# PENDRAK_WINE_LOCALE=zh_CN.UTF-8 runs the program as on a system of that
# locale (wine takes code page and locale from LC_ALL). Wine also needs the
# glibc locale for file names, so it is built once beside the prefix.
runner=(env)
if [ -n "${PENDRAK_WINE_LOCALE:-}" ]; then
  name="$PENDRAK_WINE_LOCALE"
  locales="$WINEPREFIX-locales"
  if [ ! -d "$locales/$name" ]; then
    mkdir -p "$locales"
    exec 8>"$locales.lock"
    flock 8
    if [ ! -d "$locales/$name" ]; then
      localedef -c -i "${name%%.*}" -f "${name#*.}" "$locales/$name.tmp" >/dev/null 2>&1 || true
      [ -d "$locales/$name.tmp" ] || { echo "wine-run.sh: could not build the locale $name" >&2; exit 1; }
      mv "$locales/$name.tmp" "$locales/$name"
    fi
    exec 8>&-
  fi
  runner+=(LOCPATH="$locales" LC_ALL="$name")
fi
[ "${PENDRAK_WINE_DISPLAY:-}" = 1 ] || exec "${runner[@]}" wine "$@"

exec 7>"$WINEPREFIX.display.lock"
flock 7
wineserver -w || true
"${runner[@]}" wine "$@" 7>&- &
child=$!
# Stopped (a time limit, a script done with the window): nothing of it stays.
trap 'kill "$child" 2>/dev/null; wineserver -k 2>/dev/null; exit 143' TERM INT
status=0
wait "$child" || status=$?
# The desktop process goes too, before the caller's X server does.
wineserver -w || true
exit "$status"
