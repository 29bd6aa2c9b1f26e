#!/usr/bin/env bash
# Builds the Debian package from a built tree, checks it with lintian, unpacks
# it into a scratch root (never into this system) and starts the programs
# found there. Usage: check_deb.sh BUILD_DIR WORK_DIR ICON_DIR
set -euo pipefail
build=$1 work=$2 icons=$3
here=$(cd "$(dirname "$0")" && pwd)

fail() { echo "check_deb: $*" >&2; exit 1; }

rm -rf "$work"
mkdir -p "$work"
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work" > "$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; fail "cpack failed"; }
debs=("$work"/*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "cpack made no single .deb"
deb=${debs[0]}
echo "package: $(basename "$deb")"

# Lintian: no errors. Its warnings are printed, and the README says why each
# one is left.
lintian --fail-on error --tag-display-limit 0 "$deb"

# The dependencies come from the shared-library check.
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
names=$(sed 's/ *([^)]*)//g; s/, */\n/g' <<<"$depends")
for library in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6; do
  grep -qxF "$library" <<<"$names" || fail "Depends lacks $library"
done

# Every program has its manual page; the desktop entry, metainfo, licence,
# changelog and the icon at every size are there.
listing=$(dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|')
has() { grep -qxF "$1" <<<"$listing" || fail "the package lacks $1"; }
programs=$(grep '^/usr/bin/.' <<<"$listing" | xargs -n1 basename)
grep -qx kestrand-vectors-subset <<<"$programs" || fail "the package lacks the window program"
for program in $programs; do
  has "/usr/share/man/man1/$program.1.gz"
done
desktop=$(grep '^/usr/share/applications/.*\.desktop$' <<<"$listing") || fail "no desktop entry"
id=$(basename "$desktop" .desktop)
has "/usr/share/metainfo/$id.metainfo.xml"
has /usr/share/doc/kestrand-vectors-subset/copyright
has /usr/share/doc/kestrand-vectors-subset/changelog.gz
for size in 16 32 48 64 128 256; do
  has "/usr/share/icons/hicolor/${size}x${size}/apps/$id.png"
done
if grep -qx kvs <<<"$programs"; then
  has /usr/share/bash-completion/completions/kvs
  has /usr/share/zsh/vendor-completions/_kvs
  has /usr/share/fish/vendor_completions.d/kvs.fish
  has /usr/share/doc/kestrand-vectors-subset/examples/points.csv
fi

# Unpack into a scratch root and check what a desktop would read from it.
root=$work/root
dpkg-deb -x "$deb" "$root"
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

# The unpacked programs find every library they need, and the window program
# starts: without a display it says so and exits 2; on the offscreen platform
# it is still running after a few seconds.
for program in $programs; do
  if ldd "$root/usr/bin/$program" | grep -q 'not found'; then
    ldd "$root/usr/bin/$program"
    fail "$program misses a library"
  fi
done
window=$root/usr/bin/kestrand-vectors-subset
status=0
said=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$window" 2>&1) || status=$?
[ "$status" -eq 2 ] && grep -q "needs a graphical display" <<<"$said" ||
  fail "without a display the program exited $status saying: $said"
status=0
QT_QPA_PLATFORM=offscreen timeout 3 "$window" || status=$?
[ "$status" -eq 124 ] || fail "on the offscreen platform the program ended with $status"
echo "check_deb: $(basename "$deb") is sound"
