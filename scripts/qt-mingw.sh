#!/usr/bin/env bash
# Cross-builds Debian's own qt6-base source package (the version of the Linux
# Qt the project builds with) for Windows x86-64 with MinGW-w64, for the
# Windows dialog and its tests. Only Core, Gui, Widgets, Test and the windows
# and offscreen platform plugins are built; the host tools (moc, rcc, uic)
# are Debian's.
#
# The result goes to ~/.cache/pendrak/qt6-mingw-<version> (PENDRAK_QT_MINGW
# overrides it); a later run finds it there and does nothing. Other worktrees
# share it. The prefix can be moved. Takes 13-25 minutes on 2 cores.
#
# Usage: scripts/qt-mingw.sh          build unless the cache is there
#        scripts/qt-mingw.sh --print  only print the prefix
set -euo pipefail

# Debian's qt6-base-dev gives the version: host tools and target must match.
deb_version=$(dpkg-query -W -f='${Version}' qt6-base-dev 2>/dev/null) || {
  echo "qt-mingw.sh: qt6-base-dev is not installed (run scripts/deps.sh)" >&2; exit 1; }
qt_version=${deb_version%%+*}
qt_version=${qt_version#*:}
cache=${XDG_CACHE_HOME:-$HOME/.cache}/pendrak
prefix=${PENDRAK_QT_MINGW:-$cache/qt6-mingw-$qt_version}

if [ "${1:-}" = "--print" ]; then echo "$prefix"; exit 0; fi

# Every choice below, with its reason. The stamp keeps their hash, so a change
# here rebuilds the cache while comments alone do not.
flags=(
  -G Ninja
  -DCMAKE_BUILD_TYPE=Release
  -DBUILD_SHARED_LIBS=ON
  # The posix-thread compilers: the program's std::thread needs winpthreads.
  -DCMAKE_SYSTEM_NAME=Windows
  -DCMAKE_SYSTEM_PROCESSOR=x86_64
  -DCMAKE_C_COMPILER=x86_64-w64-mingw32-gcc-posix
  -DCMAKE_CXX_COMPILER=x86_64-w64-mingw32-g++-posix
  -DCMAKE_RC_COMPILER=x86_64-w64-mingw32-windres
  -DCMAKE_FIND_ROOT_PATH=/usr/x86_64-w64-mingw32
  -DCMAKE_FIND_ROOT_PATH_MODE_PROGRAM=NEVER
  -DCMAKE_FIND_ROOT_PATH_MODE_LIBRARY=ONLY
  -DCMAKE_FIND_ROOT_PATH_MODE_INCLUDE=ONLY
  -DCMAKE_FIND_ROOT_PATH_MODE_PACKAGE=ONLY
  # moc, rcc, uic and the CMake helpers come from Debian's Linux Qt.
  -DQT_HOST_PATH=/usr
  -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
  -DQT_BUILD_EXAMPLES=OFF
  -DQT_BUILD_TESTS=OFF
  -DQT_BUILD_BENCHMARKS=OFF
  # Modules the dialog does not use.
  -DFEATURE_sql=OFF
  -DFEATURE_network=OFF
  -DFEATURE_xml=OFF
  -DFEATURE_dbus=OFF
  -DFEATURE_printsupport=OFF
  -DFEATURE_concurrent=OFF
  -DFEATURE_testlib=ON
  # FEATURE_opengl=OFF alone leaves dynamic OpenGL on, and the windows plugin
  # then fails to compile (QOpenGLStaticContext).
  -DINPUT_opengl=no
  -DFEATURE_opengl=OFF
  -DFEATURE_vulkan=OFF
  # The +dfsg tarball lacks src/3rdparty/wintab. Without direct2d,
  # directwrite3 leaves qwindows.dll with unresolved DirectWrite symbols.
  -DFEATURE_tabletevent=OFF
  -DFEATURE_direct2d=OFF
  -DFEATURE_directwrite3=OFF
  # No ICU (the program converts code pages itself) and no system libraries:
  # the bundled zlib, pcre2, png, harfbuzz and freetype go into the DLLs.
  -DFEATURE_icu=OFF
  -DFEATURE_zstd=OFF
  -DFEATURE_system_zlib=OFF
  -DFEATURE_system_pcre2=OFF
  -DFEATURE_system_png=OFF
  -DFEATURE_system_harfbuzz=OFF
  -DFEATURE_system_freetype=OFF
  -DFEATURE_system_doubleconversion=OFF
  -DFEATURE_jpeg=OFF
  -DFEATURE_gif=OFF
)
stamp_text="qt6-base $deb_version $(printf '%s\n' "${flags[@]}" | sha256sum | cut -c1-16)"
stamp=$prefix/.pendrak-qt-mingw
if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$stamp_text" ]; then
  echo "qt-mingw.sh: Qt $qt_version for MinGW is ready in $prefix"
  exit 0
fi

# One build at a time, whichever worktree starts it; the others wait and
# then find the cache.
mkdir -p "$cache"
exec 9>"$cache/qt6-mingw.lock"
flock 9
if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$stamp_text" ]; then
  echo "qt-mingw.sh: Qt $qt_version for MinGW is ready in $prefix"
  exit 0
fi

work=$cache/qt6-mingw-work
start=$(date +%s)
# A build that stopped (a failure after the compile, an interrupted run)
# goes on where it was, if it was configured with these same flags.
if [ -f "$work/stamp" ] && [ "$(cat "$work/stamp")" = "$stamp_text" ] && [ -f "$work/build/build.ninja" ]; then
  echo "qt-mingw.sh: going on with the build in $work"
  dsc=$(ls "$work"/src/qt6-base_*.dsc | head -1)
else
  rm -rf "$work"
  mkdir -p "$work/apt/lists/partial" "$work/apt/cache/archives/partial" "$work/apt/parts" "$work/src"

  # A private apt state with one deb-src list: the system's apt sources and
  # lists stay as they are, and no root rights are needed.
  archive=$(sed -n 's/^URIs: *\(http[^ ]*debian\)\/* *$/\1/p' /etc/apt/sources.list.d/debian.sources 2>/dev/null | head -1)
  archive=${archive:-http://deb.debian.org/debian}
  codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")
  {
    echo "deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $archive $codename main"
    echo "deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $archive $codename-updates main"
  } >"$work/apt/sources.list"
  apt_opts=(
    -o Dir::Etc::SourceList="$work/apt/sources.list"
    -o Dir::Etc::SourceParts="$work/apt/parts"
    -o Dir::State::Lists="$work/apt/lists"
    -o Dir::Cache="$work/apt/cache"
    -o APT::Sandbox::User="$(id -un)"
    -o Debug::NoLocking=1
  )
  echo "qt-mingw.sh: fetching Debian's qt6-base source ($deb_version)"
  apt-get "${apt_opts[@]}" -qq update
  # The exact revision of the installed Qt if the archive still has it, else
  # the newest of the same upstream version.
  cd "$work/src"
  if ! apt-get "${apt_opts[@]}" -qq --only-source --download-only source "qt6-base=$deb_version" 2>/dev/null; then
    apt-get "${apt_opts[@]}" -qq --only-source --download-only source qt6-base
  fi
  dsc=$(ls "$work"/src/qt6-base_*.dsc | head -1)
  case "$(basename "$dsc")" in
    "qt6-base_$qt_version"+*) ;;
    *) echo "qt-mingw.sh: the archive has $(basename "$dsc"), not Qt $qt_version" >&2; exit 1 ;;
  esac
  # apt has checked the files against the archive's signed index; the
  # uploader's own signature, which dpkg-source cannot check without his
  # key, is no news.
  dpkg-source -q -x "$dsc" "$work/src/qtbase" 2>&1 >/dev/null | { grep -v '^gpgv:' || true; } >&2

  echo "qt-mingw.sh: configuring"
  cmake -S "$work/src/qtbase" -B "$work/build" "${flags[@]}" -DCMAKE_INSTALL_PREFIX="$prefix.tmp" \
    >"$work/configure.log" 2>&1 || {
    tail -40 "$work/configure.log" >&2; echo "qt-mingw.sh: configure failed, log in $work/configure.log" >&2; exit 1; }
  echo "$stamp_text" >"$work/stamp"
fi
src=$work/src/qtbase
echo "qt-mingw.sh: building (log in $work/build.log)"
cmake --build "$work/build" -j "${PENDRAK_JOBS:-2}" >"$work/build.log" 2>&1 || {
  grep -m5 -B2 -A8 'error' "$work/build.log" >&2 || tail -40 "$work/build.log" >&2
  echo "qt-mingw.sh: build failed, log in $work/build.log" >&2; exit 1; }
rm -rf "$prefix.tmp"
cmake --install "$work/build" --strip >"$work/install.log" 2>&1 || {
  tail -20 "$work/install.log" >&2; echo "qt-mingw.sh: install failed, log in $work/install.log" >&2; exit 1; }

# The licence texts a distribution of the DLLs has to carry, and where the
# source is found.
lic=$prefix.tmp/licenses
mkdir -p "$lic"
cp "$src"/LICENSES/* "$lic/"
cp "$src/debian/copyright" "$lic/debian-copyright"
(cd "$src/src" && find 3rdparty -maxdepth 2 -type f \( -iname '*licen[cs]e*' -o -iname 'copying*' \
   -o -name qt_attribution.json \) -exec cp --parents {} "$lic/" \;)
package=$(basename "$dsc" .dsc)
cat >"$lic/SOURCE.txt" <<EOF
These Qt libraries are qtbase $qt_version, built without changes from
Debian's source package $package (with Debian's patches): on
Debian, "apt-get source qt6-base=${package#qt6-base_}", or from
https://snapshot.debian.org/package/qt6-base/ . Pendrak's source has the
script that built them, scripts/qt-mingw.sh.
EOF
cp "$dsc" "$lic/"

echo "$stamp_text" >"$prefix.tmp/.pendrak-qt-mingw"
rm -rf "$prefix"
mv "$prefix.tmp" "$prefix"
rm -rf "$work"
echo "qt-mingw.sh: Qt $qt_version for MinGW built in $(( $(date +%s) - start )) s into $prefix ($(du -sh "$prefix" | cut -f1))"
