#!/usr/bin/env bash
# Builds the Debian packages from a built tree, checks each with lintian,
# unpacks them into one scratch root (never into this system), checks what
# kvs, the window program, the library and its development package hold, and
# starts the programs found there; kvs alone (with the library it needs) goes
# into a second root, as on a machine without the window program.
# Usage: check_deb.sh BUILD_DIR WORK_DIR ICON_DIR
set -euo pipefail
build=$1 work=$2 icons=$3
here=$(cd "$(dirname "$0")" && pwd)

fail() { echo "check_deb: $*" >&2; exit 1; }

rm -rf "$work"
mkdir -p "$work"
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work" > "$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; fail "cpack failed"; }
root=$work/root
listing() { dpkg-deb -c "$1" | awk '{print $6}' | sed 's|^\./|/|'; }
has() { grep -qxF "$2" <<<"$(listing "$1")" || fail "$(basename "$1") lacks $2"; }
depends_on() {
  local names
  names=$(dpkg-deb -f "$1" Depends | sed 's/ *([^)]*)//g; s/, */\n/g')
  grep -qxF "$2" <<<"$names" || fail "$(basename "$1") does not depend on $2"
}
depends_on_none() {
  if dpkg-deb -f "$1" Depends | sed 's/ *([^)]*)//g; s/, */\n/g' | grep -E "$2"; then
    fail "$(basename "$1") depends on the above"
  fi
}
package() {
  [ -f "$work/$1"_*.deb ] || fail "cpack made no package $1"
  echo "$work/$1"_*.deb
}

# Every package: lintian finds no errors (its warnings are printed, and
# docs/install.md says why each one is left), it carries its licence and
# changelog, and it is unpacked into the scratch root.
lintian --fail-on error --tag-display-limit 0 "$work"/*.deb
for deb in "$work"/*.deb; do
  echo "package: $(basename "$deb")  Depends: $(dpkg-deb -f "$deb" Depends)"
  name=$(dpkg-deb -f "$deb" Package)
  has "$deb" "/usr/share/doc/$name/copyright"
  has "$deb" "/usr/share/doc/$name/changelog.gz"
  dpkg-deb -x "$deb" "$root"
done

# kvs: the command-line tool and its manual page; no toolkit, fonts or window
# package; Open MPI's library only when kvs was built with it.
deb=$(package kvs)
for library in libc6 libstdc++6 zlib1g libkvs1; do
  depends_on "$deb" "$library"
done
if grep -q libmpi <<<"$(ldd "$build/cli/kvs")"; then depends_on "$deb" libopenmpi3; else depends_on_none "$deb" '^libopenmpi'; fi
depends_on_none "$deb" '^libqt|^qt6|^fonts-|^kestrand'
[ "$(listing "$deb" | grep '^/usr/bin/.')" = /usr/bin/kvs ] || fail "kvs holds other programs than kvs"
has "$deb" /usr/share/man/man1/kvs.1.gz
has "$deb" /usr/share/bash-completion/completions/kvs
has "$deb" /usr/share/zsh/vendor-completions/_kvs
has "$deb" /usr/share/fish/vendor_completions.d/kvs.fish
has "$deb" /usr/share/doc/kvs/examples/points.csv
cli_root=$work/cli-root
dpkg-deb -x "$deb" "$cli_root"
dpkg-deb -x "$(package libkvs1)" "$cli_root"

# The program: its dependencies come from the shared-library check, and kvs
# and the library's package by name. The window program and the helper of
# kvs demo and kvs study; its manual page, the desktop entry, metainfo and
# the icon at every size are there.
deb=$(package kestrand-vectors-subset)
for library in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6charts6 libqt6svg6 libkvs1 kvs; do
  depends_on "$deb" "$library"
done
depends_on_none "$deb" '^libopenmpi|^libmpi'
programs=$(listing "$deb" | grep '^/usr/bin/.' | xargs -n1 basename)
[ "$programs" = kestrand-vectors-subset ] || fail "the window package holds other programs than the window program"
has "$deb" /usr/share/man/man1/kestrand-vectors-subset.1.gz
has "$deb" /usr/libexec/kvs/kvs-window
desktop=$(listing "$deb" | grep '^/usr/share/applications/.*\.desktop$') || fail "no desktop entry"
id=$(basename "$desktop" .desktop)
has "$deb" "/usr/share/metainfo/$id.metainfo.xml"
for size in 16 32 48 64 128 256; do
  has "$deb" "/usr/share/icons/hicolor/${size}x${size}/apps/$id.png"
done

# The library: libkvs.so.1 under its SONAME, the shlibs file that lets other
# packages depend on it, and the loader's trigger.
deb=$(package libkvs1)
library=$(listing "$deb" | grep '/libkvs\.so\.1$') || fail "libkvs1 lacks libkvs.so.1"
objdump -p "$root$library" | grep -q 'SONAME *libkvs\.so\.1$' || fail "$library has not the SONAME libkvs.so.1"
dpkg-deb -I "$deb" shlibs | grep -qx 'libkvs 1 libkvs1 (>= [0-9.]*)' || fail "libkvs1's shlibs file is missing or wrong"
dpkg-deb -I "$deb" triggers | grep -qx 'activate-noawait ldconfig' || fail "libkvs1 lacks the ldconfig trigger"

# Its development files: the headers, the link to the library, the CMake
# package and the pkg-config file, which names the package's own prefix.
deb=$(package libkvs-dev)
depends_on "$deb" libkvs1
for header in search.h score.h version.h export.h kvs.h; do
  has "$deb" "/usr/include/kvs/$header"
done
libdir=$(dirname "$library")
[ "$(readlink -f "$root$libdir/libkvs.so")" = "$(readlink -f "$root$library")" ] ||
  fail "libkvs-dev's libkvs.so does not lead to libkvs1's library"
has "$deb" "$libdir/cmake/kvs/kvsConfig.cmake"
has "$deb" "$libdir/cmake/kvs/kvsConfigVersion.cmake"
grep -qx 'prefix=/usr' "$root$libdir/pkgconfig/kvs.pc" || fail "kvs.pc does not name the prefix /usr"

# The Python module, where the build made it: in Debian's python3 package
# folder, for this python3 and numpy, over libkvs1; imported from the scratch
# root (with the library unpacked there, not a built or installed one) by
# Debian's python3, it searches.
if compgen -G "$work/python3-kvs_*.deb" > /dev/null; then
  deb=$(package python3-kvs)
  for dependency in libkvs1 python3-numpy python3; do
    depends_on "$deb" "$dependency"
  done
  site=/usr/lib/python3/dist-packages
  for file in __init__.py __init__.pyi py.typed; do
    has "$deb" "$site/kvs/$file"
  done
  grep -q "^$site/kvs/_kvs\.cpython-.*\.so$" <<<"$(listing "$deb")" || fail "python3-kvs lacks the compiled module"
  PYTHONPATH=$root$site LD_LIBRARY_PATH=$root$libdir PYTHONDONTWRITEBYTECODE=1 /usr/bin/python3 - "$root" <<'PY' ||
import os, sys
import kvs
root = os.path.realpath(sys.argv[1])
loaded = [line.split()[-1] for line in open("/proc/self/maps") if "libkvs.so" in line or "_kvs." in line]
assert loaded and all(path.startswith(root) for path in loaded), loaded
result = kvs.search([[0, 0], [1, 0], [0, 1], [9, 9]], 3)
assert (result.centre, result.score, sorted(result.subset.tolist())) == (0, 2, [0, 1, 2]), result
print("check_deb: python3-kvs", kvs.__version__, "imported from", os.path.dirname(kvs.__file__))
PY
    fail "the unpacked Python module does not import or search"
fi

# The manual, where the build made it: HTML for every architecture, under
# the package's documentation folder, its scripts linked to Debian's
# libjs-sphinxdoc (as on an installed system, where the links must lead).
if compgen -G "$work/kvs-doc_*.deb" > /dev/null; then
  deb=$(package kvs-doc)
  [ "$(dpkg-deb -f "$deb" Architecture)" = all ] || fail "kvs-doc is not for every architecture"
  [ "$(dpkg-deb -f "$deb" Section)" = doc ] || fail "kvs-doc is not in the section doc"
  depends_on "$deb" libjs-sphinxdoc
  has "$deb" /usr/share/doc-base/kvs-doc
  html=/usr/share/doc/kvs-doc/html
  for page in index.html guide/search.html reference/options.html reference/python.html reference/cpp.html; do
    has "$deb" "$html/$page"
  done
  linked=0
  while read -r link; do
    target=$(readlink "$root$link")
    [ -f "$(realpath -m "$(dirname "$link")/$target")" ] || fail "$link leads to $target, which libjs-sphinxdoc does not hold"
    linked=$((linked + 1))
  done < <(cd "$root" && find ".$html" -type l | sed 's|^\.||')
  [ "$linked" -gt 0 ] || fail "kvs-doc links none of Sphinx's scripts to libjs-sphinxdoc"
fi

# Every manual page's examples run with the unpacked programs and files.
/usr/bin/python3 "$here/check_man_examples.py" "$root" "$libdir"

# Check what a desktop would read from the scratch root.
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

# No unpacked program or library holds a test seam; kvs loads no toolkit.
"$here/check_no_test_seams.sh" "$root"
LD_LIBRARY_PATH=$cli_root$libdir "$here/check_no_toolkit.sh" "$cli_root/usr/bin/kvs"

# The unpacked programs find every library they need (libkvs in the scratch
# root); kvs runs the unpacked helper for demo, and without it says so in one
# line and exits 2; the window program starts: without a display it says so
# and exits 2; on the offscreen platform it is still running after a few
# seconds.
for program in "$root/usr/bin/kestrand-vectors-subset" "$root/usr/libexec/kvs/kvs-window"; do
  if LD_LIBRARY_PATH=$root$libdir ldd "$program" | grep 'not found'; then
    fail "$program misses the libraries above"
  fi
done
said=$(LD_LIBRARY_PATH=$root$libdir "$root/usr/bin/kvs" demo pick:120,-45 search) ||
  fail "kvs demo from the packages failed: $said"
grep -qx 'search  noise 0  series yes  centre 1000  (120,-45)' <<<"$said" || fail "kvs demo said: $said"
status=0
said=$(LD_LIBRARY_PATH=$cli_root$libdir "$cli_root/usr/bin/kvs" demo search 2>&1) || status=$?
[ "$status" -eq 2 ] && [ "$said" = "kvs: demo needs the window program's helper $cli_root/usr/libexec/kvs/kvs-window, which is not installed (it comes with the window program)" ] ||
  fail "kvs demo without the helper exited $status saying: $said"
window=$root/usr/bin/kestrand-vectors-subset
status=0
said=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$window" 2>&1) || status=$?
[ "$status" -eq 2 ] && grep -q "needs a graphical display" <<<"$said" ||
  fail "without a display the program exited $status saying: $said"
status=0
QT_QPA_PLATFORM=offscreen timeout 3 "$window" || status=$?
[ "$status" -eq 124 ] || fail "on the offscreen platform the program ended with $status"
echo "check_deb: $(cd "$work" && echo *.deb) are sound"
