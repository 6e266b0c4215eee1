#!/usr/bin/env bash
# Installs what is missing (Debian 12, as root), builds morvane.exe and starts it
# under Wine.
#
#   With a display ($DISPLAY): opens the real window, in the project's scratch
#   prefix build/wine (or in the prefix $WINEPREFIX names, when its user folders
#   are real folders and not links into the home folder).
#
#   Without one: a headless demonstration in the scratch prefix build/demo on an
#   Xvfb display of its own. It puts a small Desktop in place, drives one whole
#   relocation through the real window, prints each step and the resulting
#   registry value, and saves PNG screenshots in build/demo-screenshots/.
set -uo pipefail
cd "$(dirname "$0")"
root=$(pwd)
source tests/setup-machine.sh
source tests/wine-env.sh
source tests/xvfb.sh

morvane_setup_machine || exit 1
mkdir -p build/logs
echo "building (cmake --preset win64; log in build/logs/run-build.log)"
if ! { cmake --preset win64 && cmake --build --preset win64; } >build/logs/run-build.log 2>&1; then
  grep -E 'error' build/logs/run-build.log | head -20
  echo "the build failed: see build/logs/run-build.log"
  exit 1
fi
exe=build/win64/app/morvane.exe
demo=build/win64/tests/e2e/morvane_demo.exe

windows_path() {
  local p
  p=$(realpath -m "$1")
  echo "Z:${p//\//\\}"
}

if [ -n "${DISPLAY:-}" ]; then
  if [ -n "${WINEPREFIX:-}" ]; then
    # The user's own prefix: used as it is, never changed by this script. A
    # prefix whose user folders still link to the home folder would let a
    # relocation copy, or delete, that home folder: refuse it.
    if [ ! -d "$WINEPREFIX/drive_c/users" ]; then
      echo "WINEPREFIX=$WINEPREFIX is not a Wine prefix (yet); unset WINEPREFIX to use the scratch prefix build/wine"
      exit 1
    fi
    for d in "$WINEPREFIX"/drive_c/users/*/Desktop; do
      if [ -L "$d" ]; then
        echo "$d is a link to $(readlink -f "$d"): a relocation there would copy or delete it."
        echo "Replace it with a real folder, or unset WINEPREFIX to use the scratch prefix build/wine."
        exit 1
      fi
    done
    export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8 WINEDEBUG=${WINEDEBUG:--all}
  else
    morvane_wine_env "$root/build/wine"
  fi
  echo "starting $exe in $WINEPREFIX"
  wine "$exe"
  exit $?
fi

# Headless demonstration.
morvane_wine_env "$root/build/demo"
morvane_start_xvfb || exit 1
trap 'wineserver -k 2>/dev/null; morvane_stop_xvfb' EXIT
echo "headless demonstration: scratch prefix $WINEPREFIX, Xvfb display $DISPLAY"

# The prefix's desktop process watches the folder the setting names when it
# starts, and a watched folder cannot be removed. Start it on the default
# setting, so that the demonstration's own Desktop is never the watched one.
wineserver -k 2>/dev/null
wineserver -w
rm -rf "$WINEPREFIX/drive_c/新桌面" "$(morvane_wine_desktop)/../DemoDesktop"
wine reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\User Shell Folders' \
  /v Desktop /t REG_EXPAND_SZ /d '%USERPROFILE%\Desktop' /f >/dev/null 2>&1
wineserver -k 2>/dev/null
wineserver -w

shots=build/demo-screenshots
rm -rf "$shots"
mkdir -p "$shots"
MORVANE_E2E_ARTIFACTS=$(windows_path "$shots") timeout 300 wine "$demo" | tr -d '\r'
status=${PIPESTATUS[0]}

echo "* wine reg query of the Desktop setting:"
wine reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\User Shell Folders' \
  /v Desktop 2>/dev/null | tr -d '\r' | iconv -c -f GBK -t UTF-8 | grep Desktop

echo "* screenshots:"
for bmp in "$shots"/*.bmp; do
  [ -f "$bmp" ] || continue
  convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp" && echo "  $root/${bmp%.bmp}.png"
done
[ "$status" -eq 0 ] && echo "demonstration: ok" || echo "demonstration: FAILED (exit code $status)"
exit "$status"
