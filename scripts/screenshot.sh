#!/usr/bin/env bash
# Takes two pictures of the contact window after a Read from the built-in
# radio emulator holding a few hundred contacts (some with Chinese names in
# GBK): the list as the Read leaves it, and the find field in use.
#   scripts/screenshot.sh [--windows] [OUT.png]   (default build/screenshot.png)
# writes OUT.png and OUT-find.png. PRESET (default dev) picks the build;
# LANGUAGE (default lang_cn) the texts; FIND (default 王) the text found;
# MAXIMISED=1 shows the window maximised; SHOW=edit, SHOW=options or
# SHOW=confirm takes a third picture, OUT-edit.png, OUT-options.png or
# OUT-confirm.png, with that dialog (or the question before a Write) open;
# SCREEN (default 1024x768x24) sizes the X screen, for QT_SCALE_FACTOR=2 say
# 2200x1700x24. --windows takes the Windows build (build/mingw) under wine
# instead, on a system whose code page is not GBK's.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
windows=0
if [ "${1:-}" = "--windows" ]; then windows=1; shift; fi
out=$(realpath -m "${1:-$root/build/screenshot.png}")
out_find=${out%.png}-find.png
if [ $windows = 1 ]; then
  preset=mingw
  shot=pendrak-shot.exe
else
  preset=${PRESET:-dev}
  shot=pendrak-shot
fi
bin=$root/build/$preset/bin

if [ ! -f "$bin/$shot" ] || [ ! -d "$bin/Data" ]; then
  [ $windows = 0 ] || bash "$root/scripts/qt-mingw.sh"
  (cd "$root" && cmake --preset "$preset" >/dev/null &&
     cmake --build --preset "$preset" --target pendrak-shot)
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/Data"
# Named pendrak so that the window and its boxes carry the program's name.
if [ $windows = 1 ]; then
  # With the DLLs and plugins beside it, as in the zip.
  cp "$bin/$shot" "$work/pendrak.exe"
  cp "$bin"/*.dll "$work/"
  cp -r "$bin/platforms" "$bin/styles" "$work/"
  run=("$root/scripts/wine-run.sh" "$work/pendrak.exe")
  export PENDRAK_WINE_DISPLAY=1 PENDRAK_WINE_LOCALE=${PENDRAK_WINE_LOCALE:-en_US.UTF-8}
  # A prefix of its own in which wine draws the title bar itself, as Windows
  # does: there is no window manager to draw it.
  export WINEPREFIX=${WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/pendrak-wine-shot}
  prepare() { "$root/scripts/wine-run.sh" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null; }
  winpath() { echo "Z:${1//\//\\}"; }
else
  cp "$bin/$shot" "$work/pendrak"
  run=("$work/pendrak")
  prepare() { :; }
  winpath() { echo "$1"; }
fi
# The program as the picture-taking shell below starts it (exec: its process
# id is the program's, for kill).
eval "program() { exec $(printf '%q ' "${run[@]}") \"\$@\"; }"
# As text: xvfb-run's sh drops exported shell functions.
shot_functions=$(declare -f program winpath prepare)
export root
export shot_functions
cp "$bin"/Data/*.lng "$work/Data/"
cat > "$work/Data/setting.txt" <<SETTINGS
[setup]
language=${LANGUAGE:-lang_cn}
codepage=GBK
radio=sim:$(winpath "$work/radio.bin")
SETTINGS

# The emulator's memory: 16 MiB of erased flash with the contact region at
# 0x200000, laid out as the radio keeps it (16-byte header, 37 records of
# 108 bytes a 4096-byte sector). IDs are shuffled so that the sort shows.
python3 - "$work/radio.bin" <<'PY'
import random, struct, sys
random.seed(7)
AREA, COUNT = 0x200000, 333
mem = bytearray(b"\xff" * 0x1000000)
region = memoryview(mem)[AREA:AREA + 14393344]
region[:] = bytes(14393344)
def offset(n):
    return 108 * n + (16 if n < 37 else 100 * (n // 37))
surnames = "王李张刘陈杨黄赵吴周徐孙马朱胡郭何高林罗"
given = "伟芳娜秀英敏静丽强磊军洋勇艳杰娟涛明超秀兰霞平刚"
provinces = ["广东", "浙江", "江苏", "四川", "北京", "上海", "湖北", "福建"]
cities = ["深圳", "杭州", "南京", "成都", "北京", "上海", "武汉", "厦门"]
english = [("KI4ZWE", "Bobby Brown", "Hollywood", "Florida", "United States"),
           ("K4SWL", "Thomas Witherspoon", "Swannanoa", "North Carolina", "United States"),
           ("DL1ABC", "Hans Mueller", "Berlin", "Berlin", "Germany"),
           ("G4XYZ", "Alan Smith", "Leeds", "Yorkshire", "United Kingdom"),
           ("VK2DEF", "Jane Doe", "Sydney", "NSW", "Australia")]
ids = random.sample(range(4600001, 4609999), COUNT)
for n, rid in enumerate(ids):
    rec = offset(n)
    region[rec] = 3
    region[rec + 1:rec + 4] = struct.pack("<I", rid)[:3]
    if n % 3:
        p = n % len(provinces)
        name = random.choice(surnames) + random.choice(given) + random.choice(given)
        fields = ["BG%d%s" % (n % 10, "".join(random.choice("ABCDEFGHJKLMNPQRSTUVWXYZ") for _ in range(3))),
                  name, name[1:], cities[p], provinces[p], "中国", "DMR"]
    else:
        call, full, city, state, country = english[n % len(english)]
        fields = [call, full, full.split()[0], city, state, country, "DMR"]
    pos = rec + 4
    for f, width in zip(fields, [8] + [16] * 6):
        data = f.encode("gbk")[:width]
        region[pos:pos + len(data)] = data
        pos += width
region[0:3] = struct.pack("<I", COUNT)[:3]
open(sys.argv[1], "wb").write(mem)
PY

options=()
[ "${MAXIMISED:-0}" = 1 ] && options+=(--maximised)
export FIND=${FIND:-王}

# shoot OUT.png [pendrak-shot options]: one run of the dialog, one picture.
xvfb-run -a -s "-screen 0 ${SCREEN:-1024x768x24}" bash -c '
  set -euo pipefail
  eval "$shot_functions"
  work=$1; shift
  shoot() {
    local out=$1; shift
    rm -f "$work/ready"
    program "$(winpath "$work/ready")" "$@" 2>>"$work/boxes.txt" &
    local pid=$!
    for _ in $(seq 600); do
      [ -s "$work/ready" ] && break
      kill -0 "$pid" 2>/dev/null || { echo "pendrak ended early" >&2; exit 1; }
      sleep 0.1
    done
    [ -s "$work/ready" ] || { echo "no Read result within 60 s" >&2; kill "$pid"; exit 1; }
    import -window root -crop "$(head -n1 "$work/ready")" +repage "$out"
    kill "$pid"; wait "$pid" 2>/dev/null || true
  }
  prepare
  shoot "$1" "${@:3}"
  shoot "$2" --find "$FIND" "${@:3}"
  if [ -n "${SHOW:-}" ]; then shoot "${1%.png}-$SHOW.png" --show "$SHOW" "${@:3}"; fi
' screenshot "$work" "$out" "$out_find" "${options[@]}"

sed 's/^/message box: /' "$work/boxes.txt"
echo "saved $out and $out_find"
