#!/usr/bin/env bash
# Runs a Windows program under wine, headless and quiet, in the project's own
# prefix (made on first use; the Mono and Gecko installers are skipped).
# Parallel test jobs share one prefix: the first makes it under a lock while
# the others wait, so none of them sees a half-made prefix.
set -euo pipefail
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEPREFIX="${WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/pendrak-wine}"
export DISPLAY=
ready="$WINEPREFIX/.pendrak-ready"
if [ ! -f "$ready" ]; then
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
  exec 9>&-
fi
# PENDRAK_WINE_LOCALE=zh_CN.UTF-8 runs the program as on a system of that
# locale (wine takes code page and locale from LC_ALL). Wine also needs the
# glibc locale for file names, so it is built once beside the prefix.
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
  exec env LOCPATH="$locales" LC_ALL="$name" wine "$@"
fi
exec wine "$@"
