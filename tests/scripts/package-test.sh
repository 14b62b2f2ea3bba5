#!/bin/sh
# The Debian package as a distribution checks it: built with cpack from the build folder,
# lintian without an error or a warning, every library the program links named in Depends,
# the AppStream metadata and the desktop entry valid, and the program installed into a scratch
# root answering --version and --help there without a display.
#   package-test.sh SOURCE-DIR BUILD-DIR
set -eu
src=$1
build=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "package-test: $*" >&2; exit 1; }

cd "$build"
cpack -G DEB -B "$scratch/out" >"$scratch/cpack.log" 2>&1 || { cat "$scratch/cpack.log"; fail "cpack failed"; }
deb=$(ls "$scratch"/out/tapline-brisk_*.deb)

# lintian: errors and warnings fail; information tags do not.
lintian --allow-root "$deb" >"$scratch/lintian.log" 2>&1 || true
if grep -E '^[EW]: ' "$scratch/lintian.log"; then
    fail "lintian reports the lines above"
fi

dpkg-deb -x "$deb" "$scratch/root"
program="$scratch/root/usr/bin/tapline-brisk"
depends=$(dpkg-deb -f "$deb" Depends)
for lib in $(readelf -d "$program" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'); do
    path=$(ldconfig -p | awk -v lib="$lib" '$1 == lib { print $NF; exit }')
    [ -n "$path" ] || fail "$lib is not installed on this machine"
    package=$(dpkg -S "$(readlink -f "$path")" 2>/dev/null | head -n1 | cut -d: -f1)
    [ -n "$package" ] || package=$(dpkg -S "$path" 2>/dev/null | head -n1 | cut -d: -f1)
    [ -n "$package" ] || fail "no package holds $path"
    case ", $depends," in
        *", $package "* | *", $package,"*) ;;
        *) fail "the program links $lib ($package), which Depends does not name: $depends" ;;
    esac
done
recommends=$(dpkg-deb -f "$deb" Recommends)
for package in qt6-wayland xdg-desktop-portal; do
    case "$recommends" in *"$package"*) ;; *) fail "Recommends lacks $package" ;; esac
done

for file in usr/share/man/man1/tapline-brisk.1.gz usr/share/doc/tapline-brisk/copyright \
    usr/share/doc/tapline-brisk/changelog.gz usr/share/tapline-brisk/screenshots/main-window.png; do
    [ -s "$scratch/root/$file" ] || fail "the package lacks $file"
done
appstreamcli validate --no-net "$scratch"/root/usr/share/metainfo/*.metainfo.xml >"$scratch/as.log" 2>&1 ||
    { cat "$scratch/as.log"; fail "appstreamcli refuses the metadata"; }
grep -q '<launchable type="desktop-id">tapline-brisk.desktop</launchable>' \
    "$scratch"/root/usr/share/metainfo/*.metainfo.xml || fail "the metadata does not name the desktop entry"
desktop-file-validate "$scratch/root/usr/share/applications/tapline-brisk.desktop" ||
    fail "desktop-file-validate refuses the desktop entry"

# Installed, run from the scratch root with no display at all.
version=$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM= "$program" --version) ||
    fail "--version failed"
[ "$version" = "Tapline Brisk $(sed -n 's/^#define BRISK_VERSION "\(.*\)"/\1/p' "$build/generated/BriskVersion.h")" ] ||
    fail "--version says: $version"
env -u DISPLAY -u WAYLAND_DISPLAY "$program" --help | grep -q 'KeyboardTyping=ScanCodes' ||
    fail "--help does not explain KeyboardTyping"
echo "package-test: $(basename "$deb") passes"
