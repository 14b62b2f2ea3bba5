#!/bin/sh
# The Windows installer under Wine, as a user runs it (silently here): it installs the program
# for the user alone, with its Start menu entry and the setup-file type, the installed program
# starts, and the uninstaller takes all of it away again and leaves the user's settings.
#   installer-test.sh INSTALLER.exe WINEPREFIX
set -u
installer=$1
export WINEPREFIX=$2 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
unset DISPLAY WAYLAND_DISPLAY
failures=0
fail() {
    echo "FAILED: $*" >&2
    failures=$((failures + 1))
}
query() { wine reg query "$1" /ve 2>/dev/null | tr -d '\r' | sed -n 's/.*REG_SZ *//p'; }

rm -rf "$WINEPREFIX"
mkdir -p "$WINEPREFIX"
wine wineboot -i >/dev/null 2>&1
wineserver -w
user=$(wine cmd /c echo %USERNAME% 2>/dev/null | tr -d '\r')
profile="$WINEPREFIX/drive_c/users/$user"
folder="$profile/AppData/Local/Programs/Tapline Brisk"
shortcut="$profile/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Tapline Brisk.lnk"
# The operator's own settings, which an uninstall must keep.
wine reg add 'HKCU\Software\Orvane Systems\Tapline Brisk\Settings' /v LastPort /d 5 /f \
    >/dev/null 2>&1

wine "$installer" /S
wineserver -w
for f in TaplineBrisk.exe Qt6Core.dll Qt6Widgets.dll platforms/qwindows.dll \
    Tapline_Brisk_Users_Guide.pdf Uninstall.exe; do
    [ -f "$folder/$f" ] || fail "not installed: $f"
done
[ -f "$shortcut" ] || fail "no Start menu entry"
[ "$(query 'HKCU\Software\Classes\.tpln_brisk')" = TaplineBrisk ] ||
    fail "setup files are not of the type TaplineBrisk"
command=$(query 'HKCU\Software\Classes\TaplineBrisk\shell\open\command')
case "$command" in
*'Tapline Brisk\TaplineBrisk.exe" "%1"') ;;
*) fail "setup files do not open in the program: $command" ;;
esac
# The installed program runs: its DLLs and plugins are all there.
version=$(wine "$folder/TaplineBrisk.exe" --version 2>/dev/null | tr -d '\r')
case "$version" in
"Tapline Brisk "*) ;;
*) fail "the installed program does not start: '$version'" ;;
esac
wineserver -w

# The uninstaller as Apps & Features starts it.
uninstall=$(wine reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\TaplineBrisk' \
    /v QuietUninstallString 2>/dev/null | tr -d '\r' | sed -n 's/.*REG_SZ *//p')
[ -n "$uninstall" ] || fail "no entry in Apps & Features"
wine "$folder/Uninstall.exe" /S "_?=$(printf 'C:\\users\\%s\\AppData\\Local\\Programs\\Tapline Brisk' "$user")"
wineserver -w
[ ! -e "$folder" ] || fail "the program's folder is still there: $(ls "$folder")"
[ ! -e "$shortcut" ] || fail "the Start menu entry is still there"
wine reg query 'HKCU\Software\Classes\.tpln_brisk' >/dev/null 2>&1 && fail "the file type is still there"
wine reg query 'HKCU\Software\Classes\TaplineBrisk' >/dev/null 2>&1 && fail "the type's key is still there"
wine reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\TaplineBrisk' \
    >/dev/null 2>&1 && fail "the Apps & Features entry is still there"
wine reg query 'HKCU\Software\Orvane Systems\Tapline Brisk\Settings' /v LastPort >/dev/null 2>&1 ||
    fail "the user's settings went with the program"
wineserver -k
[ "$failures" = 0 ] && echo "installer test passed"
exit "$failures"
