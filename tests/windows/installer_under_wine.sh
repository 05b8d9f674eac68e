#!/usr/bin/env bash
# Makes the Windows installer with `cpack -G "ZIP;NSIS"` in the Windows build folder and checks
# it under Wine as a user would meet it: `setup.exe /S` puts the program under Program Files,
# the Start menu's shortcut starts the panel on a private Xvfb display and the panel closes on
# WM_CLOSE, the system's list of programs has its entry, and `uninstall.exe /S` takes all of it
# away again.
#
# The example port table is installed beside the program and goes with it.
#
# Usage: installer_under_wine.sh <Windows build folder>
#
# The prefix is the script's own (<Windows build folder>/wine-prefix-installer), made afresh
# each run, so what a previous run installed never counts; it is left behind to be looked at.
set -euo pipefail
# Wine and the tools as CI runs them, whatever the caller's locale: Wine's code page follows it.
export LC_ALL=C
top=$(cd "$(dirname "$0")/../.." && pwd)
winbuild=$(cd "$1" && pwd)
export WINEPREFIX=$winbuild/wine-prefix-installer WINEDEBUG=-all
# Wine would otherwise copy each shortcut the installer makes into the desktop's menus under
# $HOME, outside the prefix.
export WINEDLLOVERRIDES=winemenubuilder.exe=d
unset DISPLAY

cpackValue() { sed -n "s/^set($1 \"\(.*\)\")\$/\1/p" "$winbuild/CPackConfig.cmake"; }
version=$(cpackValue CPACK_PACKAGE_VERSION)
vendor=$(cpackValue CPACK_PACKAGE_VENDOR)
[ -n "$version" ] || { echo "FAIL no version in $winbuild/CPackConfig.cmake: not configured?"; exit 1; }
zip=$winbuild/lichtpult-$version-win64.zip
setup=$winbuild/lichtpult-$version-win64-setup.exe
installed=$WINEPREFIX/drive_c/Program\ Files/lichtpult
installedWin='C:\Program Files\lichtpult'
shortcut=$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start\ Menu/Programs/lichtpult.lnk
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\lichtpult'

xvfb=""
work=$(mktemp -d)
finish() {
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap finish EXIT

passed=0 failed=0
pass() { echo "PASS $*"; passed=$((passed + 1)); }
fail() { echo "FAIL $*"; failed=$((failed + 1)); }
summary() {
  echo "Windows installer under Wine: $passed passed, $failed failed"
  [ "$failed" -eq 0 ]
}

# PE32+ is a 64-bit program: the optional header's magic is 0x20b and the machine is x86-64.
# The header sits where the little-endian number at offset 60 says.
pe32plus() {
  local at
  [ "$(od -An -c -N 2 "$1" | tr -d ' ')" = MZ ] || return 1
  at=$(od -An -t u1 -j 60 -N 4 "$1" | awk '{ print $1 + 256 * ($2 + 256 * ($3 + 256 * $4)) }')
  [ "$(od -An -t x1 -j "$at" -N 6 "$1" | tr -d ' ')" = 504500006486 ] &&
    [ "$(od -An -t x1 -j $((at + 24)) -N 2 "$1" | tr -d ' ')" = 0b02 ]
}

# ---- 1. The installer and the zip -------------------------------------------------------------

# Gone first, so neither is taken from an earlier build.
rm -f "$zip" "$setup"
if (cd "$winbuild" && cpack -G "ZIP;NSIS") >"$work/cpack.out" 2>&1; then
  pass "cpack -G \"ZIP;NSIS\" ran"
else
  fail "cpack -G \"ZIP;NSIS\" failed: $(tail -n 5 "$work/cpack.out" | tr '\n' ' ')"
fi
if [ -f "$zip" ]; then pass "the zip is there: $(basename "$zip")"; else fail "no $(basename "$zip")"; fi
if [ ! -f "$setup" ]; then
  fail "no $(basename "$setup"), nothing to install"
  summary
  exit 1
fi
if pe32plus "$setup"; then
  pass "$(basename "$setup") ($(stat -c %s "$setup") bytes) is a PE32+ program for x86-64"
else
  fail "$(basename "$setup") is no PE32+ program for x86-64"
fi

# ---- A fresh prefix, then a display ------------------------------------------------------------

wineserver -k 2>/dev/null || true
wineserver -w 2>/dev/null || true
rm -rf "$WINEPREFIX"
wineboot -i >/dev/null 2>&1 || { fail "wineboot could not make the prefix"; summary; exit 1; }
# Without a window manager Wine otherwise waits about 2 s at every hidden or destroyed window.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >"$work/managed.out" 2>&1 ||
  fail "reg add of Managed=N ended with status $?: $(tail -c 300 "$work/managed.out")"
wineserver -w

# -noreset: otherwise the server resets when its last client leaves, and a program started
# during the reset cannot reach it.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 1200); do [ -s "$work/display" ] && break; sleep 0.05; done
[ -s "$work/display" ] || { fail "Xvfb gave no display"; summary; exit 1; }
export DISPLAY=:$(cat "$work/display")

# ---- 2. Installed ------------------------------------------------------------------------------

# Into files, waiting on the process: Wine's background processes may keep a pipe open.
if wine "$setup" /S >"$work/setup.out" 2>&1; then
  pass "setup.exe /S ended with status 0"
else
  fail "setup.exe /S ended with status $?: $(head -c 300 "$work/setup.out")"
fi
same() { # installed file, what it must equal
  if [ ! -f "$installed/$1" ]; then
    fail "$installedWin\\$1 is not there"
  elif cmp -s "$installed/$1" "$2"; then
    pass "$installedWin\\$1 is there, byte for byte ${2#"$top/"}"
  else
    fail "$installedWin\\$1 differs from $2"
  fi
}
same lichtpult.exe "$winbuild/app/lichtpult.exe"
same README.txt "$winbuild/README.txt"
same LICENSE.txt "$top/LICENSE"
same ports.conf "$top/packaging/ports.conf"
if [ -f "$installed/uninstall.exe" ]; then
  pass "$installedWin\\uninstall.exe is there"
else
  fail "$installedWin\\uninstall.exe is not there"
fi

# ---- 3. The Start menu's shortcut starts the panel -------------------------------------------

ended() { # the process is gone, or a zombie nobody reaps
  [ ! -e "/proc/$1" ] || [ "$(awk '{ print $3 }' "/proc/$1/stat" 2>/dev/null)" = Z ]
}
if [ ! -f "$shortcut" ]; then
  fail "no lichtpult.lnk in all users' Start menu (ProgramData/Microsoft/Windows/Start Menu/Programs)"
else
  pass "lichtpult.lnk is in all users' Start menu"
  wine start /unix "$shortcut" >"$work/start.out" 2>&1 || true
  # Up to 60 s: only a fault takes that long, even on a loaded machine.
  window=$(timeout 60 xdotool search --sync --name '^window$' 2>/dev/null | head -n 1 || true)
  if [ -z "$window" ]; then
    fail "no window \"window\" within 60 s of starting lichtpult.lnk: $(head -c 300 "$work/start.out")"
  else
    pid=$(xdotool getwindowpid "$window" 2>/dev/null || true)
    # Wine pads its programs' command line with NULs.
    started=$( (tr '\0' ' ' <"/proc/${pid:-0}/cmdline" || true) 2>/dev/null | sed 's/ *$//')
    if [ "$started" = "$installedWin\\lichtpult.exe" ]; then
      pass "lichtpult.lnk started $installedWin\\lichtpult.exe: its window \"window\" is shown"
    else
      fail "the window \"window\" belongs to '${started:-no process}', not $installedWin\\lichtpult.exe"
    fi
    # Without /f, taskkill closes a program as Windows' task list does: WM_CLOSE to its
    # top-level windows.
    wine taskkill /im lichtpult.exe >"$work/close.out" 2>&1 || true
    gone=""
    for _ in $(seq 1200); do
      if { [ -z "$pid" ] || ended "$pid"; } && ! xdotool search --name '^window$' >/dev/null 2>&1; then
        gone=1
        break
      fi
      sleep 0.05
    done
    if [ -n "$gone" ]; then
      pass "on WM_CLOSE the panel ended and its window went"
    else
      fail "the panel still runs 60 s after WM_CLOSE: $(head -c 300 "$work/close.out")"
    fi
  fi
fi

# ---- 4. The system's list of programs --------------------------------------------------------

if wine reg query "$key" >"$work/key.out" 2>&1; then
  pass "$key is there"
else
  fail "$key is not there: $(tr -d '\r' <"$work/key.out" | head -c 300)"
fi
value() { # the key's value of this name, as reg shows it
  tr -d '\r' <"$work/key.out" | awk -v name="$1" '
    { line = $0; sub(/^    /, "", line) }
    index(line, name "    ") == 1 { line = substr(line, length(name) + 5); sub(/^REG_[A-Z_]*    /, "", line); print line }'
}
expect() { # name, value
  local got
  got=$(value "$1")
  if [ "$got" = "$2" ]; then pass "$1 = $got"; else fail "$1 is '$got', not '$2'"; fi
}
expect DisplayName lichtpult
expect DisplayVersion "$version"
expect Publisher "$vendor"
expect DisplayIcon "$installedWin\\lichtpult.exe,0"
expect UninstallString "\"$installedWin\\uninstall.exe\""
expect QuietUninstallString "\"$installedWin\\uninstall.exe\" /S"
expect InstallLocation "$installedWin"
expect NoModify 0x1
expect NoRepair 0x1
# What the folder holds, in KiB; each file's share may be rounded either way.
estimated=$(value EstimatedSize)
bytes=$( (cat "$installed"/* 2>/dev/null || true) | wc -c)
files=$( (find "$installed" -type f 2>/dev/null || true) | wc -l)
if [[ $estimated == 0x* ]] && [ $((estimated)) -gt 0 ] &&
   [ $((estimated)) -ge $((bytes / 1024 - files)) ] && [ $((estimated)) -le $((bytes / 1024 + files)) ]; then
  pass "EstimatedSize = $((estimated)) KiB, the installed $bytes bytes"
else
  fail "EstimatedSize is '$estimated', not the installed $bytes bytes in KiB"
fi

# ---- 5. Uninstalled ----------------------------------------------------------------------------

if wine "$installed/uninstall.exe" /S >"$work/uninstall.out" 2>&1; then
  pass "uninstall.exe /S ended with status 0"
else
  fail "uninstall.exe /S ended with status $?: $(head -c 300 "$work/uninstall.out")"
fi
# The uninstaller runs on from a copy of itself in the temporary folder, so that it can remove
# its own file: done only when every program of the prefix has ended.
if timeout 120 wineserver -w; then
  pass "every program of the prefix ended"
else
  fail "the prefix's programs still run 120 s after uninstall.exe /S"
fi
if [ -e "$installed/ports.conf" ]; then
  fail "$installedWin\\ports.conf is still there"
else
  pass "$installedWin\\ports.conf is gone"
fi
if [ -e "$installed" ]; then
  fail "C:\\Program Files\\lichtpult is still there, with: $(ls -A "$installed" | tr '\n' ' ')"
else
  pass "C:\\Program Files\\lichtpult is gone, with all its files"
fi
if [ -e "$shortcut" ]; then fail "lichtpult.lnk is still in the Start menu"; else pass "lichtpult.lnk is gone"; fi
# reg's "not found" is believed only where it finds the key above.
if ! wine reg query "${key%\\*}" >"$work/parent.out" 2>&1; then
  fail "reg cannot read ${key%\\*}: $(tr -d '\r' <"$work/parent.out" | head -c 300)"
elif wine reg query "$key" >"$work/key.out" 2>&1; then
  fail "$key is still there"
else
  pass "$key is gone"
fi

summary
