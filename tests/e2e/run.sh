#!/usr/bin/env bash
# End-to-end layer: runs the driver (morvane_e2e_tests.exe), which starts the
# real win64 morvane.exe and works its window, in the scratch Wine prefix on an
# Xvfb display. Writes GoogleTest output to build/logs/e2e.log, the driver's
# JSON report to build/logs/e2e.json, this script's own checks to
# build/logs/e2e-shell.log and screenshots (PNG) to build/e2e-artifacts/.
#
# ./test.sh calls it with WINEPREFIX, HOME, LANG and DISPLAY already set. Run
# alone, it makes the same environment itself (prefix build/wine, its own Xvfb).
# MORVANE_E2E_BUILD names another build tree than build/win64, MORVANE_E2E_LOG
# another log, MORVANE_E2E_FILTER a --gtest_filter for the driver.
set -uo pipefail
cd "$(dirname "$0")/../.."
root=$(pwd)
source tests/wine-env.sh
source tests/xvfb.sh

build=${MORVANE_E2E_BUILD:-build/win64}
log=${MORVANE_E2E_LOG:-build/logs/e2e.log}
report=${log%.log}.json      # the driver's own GoogleTest report
shell_log=${log%.log}-shell.log  # the checks of this script
artifacts=build/e2e-artifacts
driver=$build/tests/e2e/morvane_e2e_tests.exe
mkdir -p build/logs "$(dirname "$log")"
: >"$log"
: >"$shell_log"
rm -f "$report"

fail() {
  echo "e2e: $*" | tee -a "$log" >&2
  exit 1
}

# The Windows path of a host path: the prefix's drive Z: is the host's root.
windows_path() {
  local p
  p=$(realpath -m "$1")
  echo "Z:${p//\//\\}"
}

if [ -z "${WINEPREFIX:-}" ]; then
  morvane_wine_env "$root/build/wine"
fi
if [ -z "${DISPLAY:-}" ]; then
  morvane_start_xvfb || fail "no Xvfb"
  trap 'wineserver -k 2>/dev/null; morvane_stop_xvfb' EXIT
fi

# Only ever a scratch prefix and a scratch HOME inside the build tree, whose
# user folders are real folders (a fresh prefix links them to $HOME).
case "$(realpath -m "$WINEPREFIX")/" in "$root"/build/*) ;; *) fail "WINEPREFIX=$WINEPREFIX is not a scratch prefix in $root/build" ;; esac
case "$(realpath -m "$HOME")/" in "$root"/build/*) ;; *) fail "HOME=$HOME is not a scratch folder in $root/build" ;; esac
morvane_unlink_user_folders
for d in "$WINEPREFIX"/drive_c/users/*/*; do
  [ -L "$d" ] && fail "$d is still a link"
done
[ -f "$driver" ] || fail "no driver at $driver"

# C:\e2e-links: old\keep.txt and alias, a link to old (only the host can make links).
links="$WINEPREFIX/drive_c/e2e-links"
rm -rf "$links"
mkdir -p "$links/old"
echo keep >"$links/old/keep.txt"
ln -s old "$links/alias"

# C:\e2e-faults-links, for the fault scenarios: outside\ (keep.txt, sub\deep.txt);
# desktop\ with plain.txt, sub\n.txt, a folder link "inner" -> outside and a
# file link "file-link" -> outside\keep.txt; unreadable\ with plain.txt,
# sub\n.txt and a file whose host name is no valid UTF-8 ("bad\xFF.txt").
fault_links="$WINEPREFIX/drive_c/e2e-faults-links"
fault_cases="$WINEPREFIX/drive_c/e2e-faults"  # a copy may leave names no ANSI call can remove
rm -rf "$fault_links" "$fault_cases"
mkdir -p "$fault_links/outside/sub" "$fault_links/desktop/sub" "$fault_links/unreadable/sub"
echo keep >"$fault_links/outside/keep.txt"
echo deep >"$fault_links/outside/sub/deep.txt"
echo plain >"$fault_links/desktop/plain.txt"
echo n >"$fault_links/desktop/sub/n.txt"
ln -s ../outside "$fault_links/desktop/inner"
ln -s ../outside/keep.txt "$fault_links/desktop/file-link"
echo plain >"$fault_links/unreadable/plain.txt"
echo n >"$fault_links/unreadable/sub/n.txt"
echo bad >"$fault_links/unreadable/$(printf 'bad\377.txt')"

rm -rf "$artifacts"
mkdir -p "$artifacts"

# What the run must leave alone: the setting and the real user's home and prefix.
query_setting() {
  wine reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\User Shell Folders' \
    /v Desktop 2>/dev/null | tr -d '\r' | grep -a Desktop
}
real_home=$(getent passwd "$(id -un)" | cut -d: -f6)
home_state() {  # the names in the home folder, its Desktop, and its own prefix's registry files
  [ -d "$real_home" ] && find "$real_home" -maxdepth 1 -printf '%p\n' 2>/dev/null | sort
  [ -d "$real_home/Desktop" ] && find "$real_home/Desktop" -printf '%p %s %T@\n' 2>/dev/null | sort
  [ -d "$real_home/.wine" ] && find "$real_home/.wine" -maxdepth 1 -name '*.reg' -printf '%p %T@ %s\n' | sort
  true
}
setting_before=$(query_setting)
home_before=$(home_state)

filter=()
[ -n "${MORVANE_E2E_FILTER:-}" ] && filter=("--gtest_filter=$MORVANE_E2E_FILTER")
MORVANE_E2E_ARTIFACTS=$(windows_path "$artifacts") timeout 900 wine "$driver" "${filter[@]}" \
  --gtest_output="json:$(windows_path "$report")" >>"$log" 2>&1
echo "e2e: driver exit code $?" | tee "${log%.log}.status"

# Two checks of the shell's own, reported in the same form.
shell_checks_passed=0
shell_checks_failed=()
check() {  # check NAME EXPECTED ACTUAL
  if [ "$2" == "$3" ]; then
    shell_checks_passed=$((shell_checks_passed + 1))
    echo "[       OK ] E2eShell.$1"
  else
    shell_checks_failed+=("$1")
    printf 'Failure\n  expected: %s\n  actual:   %s\n[  FAILED  ] E2eShell.%s\n' "$2" "$3" "$1"
  fi
}
{
  echo "[==========] Running 2 tests from 1 test suite."
  check DesktopSettingRestoredAfterTheRun "$setting_before" "$(query_setting)"
  check RealHomeAndPrefixUntouched "$home_before" "$(home_state)"
  echo "[==========] 2 tests from 1 test suite ran."
  echo "[  PASSED  ] $shell_checks_passed tests."
  if [ ${#shell_checks_failed[@]} -gt 0 ]; then
    echo "[  FAILED  ] ${#shell_checks_failed[@]} tests, listed below:"
    for n in "${shell_checks_failed[@]}"; do echo "[  FAILED  ] E2eShell.$n"; done
  fi
} >"$shell_log"
rm -rf "$links" "$fault_links" "$fault_cases"

for bmp in "$artifacts"/*.bmp; do
  [ -f "$bmp" ] && convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"
done
echo "e2e: log $log, screenshots in $artifacts/"
exit 0
