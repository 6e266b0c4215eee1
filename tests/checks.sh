#!/usr/bin/env bash
# What the shipped executables are made of: imports from system DLLs only, and
# the 32-bit morvane.exe a plain i386 GUI program. Prints its cases in the
# same form as GoogleTest so that test.sh counts them.
cd "$(dirname "$0")/.."
export LC_ALL=C LANG=C  # objdump speaks the language of the locale
system_dlls='^(ADVAPI32|COMCTL32|GDI32|KERNEL32|msvcrt|ole32|OLEAUT32|SHLWAPI|USER32)\.dll$'
passed=0 failed=0
check() {
  local name=$1
  shift
  echo "[ RUN      ] Checks.$name"
  if "$@"; then
    echo "[       OK ] Checks.$name"
    passed=$((passed + 1))
  else
    echo "[  FAILED  ] Checks.$name"
    failed=$((failed + 1))
  fi
}
imports_are_system() {
  local exe=$1 objdump=$2 dlls
  dlls=$($objdump -p "$exe" | sed -n 's/^\s*DLL Name: //p')
  [ -n "$dlls" ] || return 1
  echo "  $exe imports: $(echo $dlls)"
  ! echo "$dlls" | grep -viqE "$system_dlls"
}
is_32bit_gui() {
  local head
  head=$(i686-w64-mingw32-objdump -f build/win32/app/morvane.exe)
  echo "$head" | grep -q 'file format pei-i386' &&
    i686-w64-mingw32-objdump -p build/win32/app/morvane.exe | grep -q 'Subsystem\s*00000002'
}
echo "[==========] Running checks"
check Win32ImportsOnlySystemDlls imports_are_system build/win32/app/morvane.exe i686-w64-mingw32-objdump
check Win64ImportsOnlySystemDlls imports_are_system build/win64/app/morvane.exe x86_64-w64-mingw32-objdump
check Win32IsA32BitWindowsProgram is_32bit_gui
echo "  size of the 32-bit morvane.exe: $(stat -c %s build/win32/app/morvane.exe) bytes"
echo "[==========] $((passed + failed)) tests from 1 test suite ran."
echo "[  PASSED  ] $passed tests."
[ $failed -eq 0 ] || echo "[  FAILED  ] $failed tests, listed below:"
[ $failed -eq 0 ]
