#!/usr/bin/env bash
# Builds the Debian packages from a built tree, checks each with lintian and
# for its dependencies and contents, unpacks them into scratch roots (never
# into this system) and starts the programs found there.
# Usage: check_deb.sh BUILD_DIR WORK_DIR ICON_DIR
set -euo pipefail
build=$1 work=$2 icons=$3
here=$(cd "$(dirname "$0")" && pwd)

fail() { echo "check_deb: $*" >&2; exit 1; }

rm -rf "$work"
mkdir -p "$work"
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work" > "$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; fail "cpack failed"; }
cli_deb=$(ls "$work"/kvs_*.deb 2>/dev/null) || fail "cpack made no kvs package"
window_deb=$(ls "$work"/kestrand-vectors-subset_*.deb 2>/dev/null) || fail "cpack made no window package"
echo "packages: $(basename "$cli_deb") $(basename "$window_deb")"

# Lintian: no errors. Its warnings are printed, and the README says why each
# one is left.
lintian --fail-on error --tag-display-limit 0 "$cli_deb" "$window_deb"

listing() { dpkg-deb -c "$1" | awk '{print $6}' | sed 's|^\./|/|'; }
depends() { dpkg-deb -f "$1" Depends | sed 's/ *([^)]*)//g; s/, */\n/g'; }
# The package's dependencies hold each of the given names, and none that
# matches the given pattern.
check_depends() {
  local deb=$1 unwanted=$2; shift 2
  local names
  names=$(depends "$deb")
  echo "$(basename "$deb"): Depends: $(dpkg-deb -f "$deb" Depends)"
  for name in "$@"; do
    grep -qxF "$name" <<<"$names" || fail "$(basename "$deb") does not depend on $name"
  done
  if grep -E "$unwanted" <<<"$names"; then fail "$(basename "$deb") depends on the above"; fi
}
# The package holds each of the given files, and exactly the given programs in /usr/bin.
check_contents() {
  local deb=$1 programs=$2; shift 2
  local files
  files=$(listing "$deb")
  for file in "$@"; do
    grep -qxF "$file" <<<"$files" || fail "$(basename "$deb") lacks $file"
  done
  [ "$(grep '^/usr/bin/.' <<<"$files" | xargs -n1 basename | sort | xargs)" = "$programs" ] ||
    fail "$(basename "$deb") holds other programs than $programs"
}

# kvs: the command-line tool, no toolkit; Open MPI's library only when kvs
# was built with it (dpkg-shlibdeps reads what the program links).
cli_needs=(libc6 libstdc++6 zlib1g)
if ldd "$build/cli/kvs" | grep -q libmpi; then cli_needs+=(libopenmpi3); fi
check_depends "$cli_deb" '^libqt|^qt6|^fonts-|^kestrand' "${cli_needs[@]}"
check_contents "$cli_deb" kvs /usr/bin/kvs /usr/share/man/man1/kvs.1.gz \
  /usr/share/doc/kvs/copyright /usr/share/doc/kvs/changelog.gz

# The window program and the helper of kvs demo and kvs study.
check_depends "$window_deb" '^libmpi|^libopenmpi' libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 \
  libqt6charts6 libqt6svg6 fonts-dejavu-extra fonts-liberation kvs
window_files=$(listing "$window_deb")
desktop=$(grep '^/usr/share/applications/.*\.desktop$' <<<"$window_files") || fail "no desktop entry"
id=$(basename "$desktop" .desktop)
icon_files=()
for size in 16 32 48 64 128 256; do icon_files+=("/usr/share/icons/hicolor/${size}x${size}/apps/$id.png"); done
check_contents "$window_deb" kestrand-vectors-subset /usr/bin/kestrand-vectors-subset \
  /usr/share/man/man1/kestrand-vectors-subset.1.gz /usr/libexec/kvs/kvs-window \
  /usr/share/metainfo/$id.metainfo.xml /usr/share/doc/kestrand-vectors-subset/copyright \
  /usr/share/doc/kestrand-vectors-subset/changelog.gz "${icon_files[@]}"

# Unpack: kvs alone in one root, as on a machine without the window program;
# both packages in another, as on a desktop.
cli_root=$work/cli-root root=$work/root
dpkg-deb -x "$cli_deb" "$cli_root"
dpkg-deb -x "$cli_deb" "$root"
dpkg-deb -x "$window_deb" "$root"
"$here/check_no_test_seams.sh" "$root"
"$here/check_no_toolkit.sh" "$cli_root/usr/bin/kvs"
for program in "$root/usr/bin/kestrand-vectors-subset" "$root/usr/libexec/kvs/kvs-window"; do
  if ldd "$program" | grep 'not found'; then fail "$program misses the libraries above"; fi
done
"$here/check_metadata.sh" "$root$desktop" "$root/usr/share/metainfo/$id.metainfo.xml"
exec_line=$(grep -m1 '^Exec=' "$root$desktop" | cut -d= -f2-)
[ -x "$root/usr/bin/${exec_line%% *}" ] || fail "Exec=$exec_line is not a program of the package"

# Each icon is the program's own picture, every pixel a square block of the
# source colour: no smoothing, no other colours.
/usr/bin/python3 - "$root/usr/share/icons/hicolor" "$id" "$icons" <<'PY'
import sys
from PIL import Image
hicolor, app_id, icons = sys.argv[1:]
for size in (16, 32, 48, 64, 128, 256):
    source = Image.open(f"{icons}/main_icon_{32 if size % 32 == 0 else 16}.xpm").convert("RGB")
    want = source.resize((size, size), Image.NEAREST)
    got = Image.open(f"{hicolor}/{size}x{size}/apps/{app_id}.png")
    if got.size != (size, size) or list(got.convert("RGB").getdata()) != list(want.getdata()):
        sys.exit(f"icon {size}x{size} is not the program's icon scaled without smoothing")
PY

# kvs runs the unpacked helper for demo; without it, one line and exit 2.
said=$("$root/usr/bin/kvs" demo pick:120,-45 search) || fail "kvs demo from the package failed: $said"
grep -q '^search  noise 0  series yes  centre 1000  (120,-45)$' <<<"$said" || fail "kvs demo said: $said"
status=0
said=$("$cli_root/usr/bin/kvs" demo search 2>&1) || status=$?
[ "$status" -eq 2 ] && [ "$said" = "kvs: demo needs the window program's helper $cli_root/usr/libexec/kvs/kvs-window, which is not installed (it comes with the window program)" ] ||
  fail "kvs demo without the helper exited $status saying: $said"

# The window program starts: without a display it says so and exits 2; on
# the offscreen platform it is still running after a few seconds.
window=$root/usr/bin/kestrand-vectors-subset
status=0
said=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$window" 2>&1) || status=$?
[ "$status" -eq 2 ] && grep -q "needs a graphical display" <<<"$said" ||
  fail "without a display the program exited $status saying: $said"
status=0
QT_QPA_PLATFORM=offscreen timeout 3 "$window" || status=$?
[ "$status" -eq 124 ] || fail "on the offscreen platform the program ended with $status"
echo "check_deb: $(basename "$cli_deb") and $(basename "$window_deb") are sound"
