#!/usr/bin/env bash
# Runs the real Tidewatch.exe under Wine on its own Xvfb display and checks the shell:
# single instance and hand-over, hidden start with a tray icon, close hides, Exit and
# end-of-session, the light and dark palettes with a live switch, the window's size at
# 96 and 120 DPI, the fonts at three DPIs, the version and start-up time read back from
# the running program, and command routing into the shared state. Prints one line per check and a summary; exits
# non-zero on any failure.
#
#   shell_wine.sh BUILD_DIR [WORK_DIR]
#
# WORK_DIR (default: a new temporary folder) holds the Wine prefix and screenshots; a
# prefix already there is reused.
set -u
build=$(cd "$1" && pwd)
work=${2:-$(mktemp -d /tmp/tidewatch-shell.XXXXXX)}
mkdir -p "$work"
exe=$build/Tidewatch.exe
probe_exe=$build/tests/tidewatch_probe.exe
map=$build/Tidewatch.map

export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
passed=0
failed=0
pids=()

check() { # NAME EXPECTED ACTUAL
  if [ "$2" = "$3" ]; then
    passed=$((passed + 1)); echo "ok   $1"
  else
    failed=$((failed + 1)); echo "FAIL $1: expected '$2', got '$3'"
  fi
}

cleanup() {
  wineserver -k 2>/dev/null
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null; done
  wineserver -w 2>/dev/null
}
trap cleanup EXIT

probe() {
  local out rc
  out=$(wine "$probe_exe" "$@" 2>/dev/null)
  rc=$?
  [ -n "$out" ] && printf '%s\n' "${out//$'\r'/}"
  return $rc
}

# Waits up to $1 seconds for the command to succeed.
until_true() {
  local limit=$1; shift
  local end=$((SECONDS + limit))
  until "$@" >/dev/null 2>&1; do
    [ $SECONDS -ge $end ] && return 1
    sleep 0.1
  done
}

# Relative address of a global of the exe, from the link map.
rva() {
  local base address
  base=$(awk '$2 == "__image_base__" {print $1}' "$map")
  address=$(awk -v name="$1" '$2 == name && $1 ~ /^0x/ {print $1}' "$map" | head -n 1)
  printf '0x%x' $((address - base))
}
peek() { probe peek "$(rva "$1")" "$2"; }
visible() { probe state | sed -n 's/.*visible=\([01]\).*/\1/p'; }
client() { probe state | sed -n 's/.*client=\([0-9x]*\).*/\1/p'; }

start_app() {
  WINEDEBUG=${APP_WINEDEBUG:--all} wine "$exe" 2>"$work/app.err" &
  app=$!
  until_true 15 probe find || echo "FAIL the program's window did not appear"
}

# Waits up to $1 ms for the program to end; sets `ended` to its exit code, or "running".
app_exit() {
  local end=$(( $(date +%s%3N) + $1 ))
  ended=running
  while kill -0 "$app" 2>/dev/null; do
    [ "$(date +%s%3N)" -ge $end ] && return
    sleep 0.05
  done
  wait "$app"
  ended=$?
}

# Colour of the centre of the dashboard, as RRGGBB.
centre_pixel() {
  local window
  window=$(xdotool search --onlyvisible --name '^Tidewatch$' 2>/dev/null | head -n 1)
  [ -n "$window" ] || { echo "no window"; return; }
  import -display "$DISPLAY" -window "$window" "$work/$1.png" 2>/dev/null
  convert "$work/$1.png" -gravity center -crop 1x1+0+0 -format '%[hex:p{0,0}]' info: 2>/dev/null | tr 'A-F' 'a-f'
}

set_theme() { # VALUE TYPE, or "delete"
  local key='HKCU\Software\Microsoft\Windows\CurrentVersion\Themes\Personalize'
  if [ "$1" = delete ]; then
    wine reg delete "$key" /v AppsUseLightTheme /f >/dev/null 2>&1
  else
    wine reg add "$key" /v AppsUseLightTheme /t "$2" /d "$1" /f >/dev/null 2>&1
  fi
}

set_dpi() {
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
}

# Display, window manager, prefix.
rm -f "$work/display"
Xvfb -displayfd 4 -screen 0 1280x1024x24 -nolisten tcp 4>"$work/display" 2>/dev/null &
pids+=($!)
until_true 10 test -s "$work/display" || { echo "FAIL no display"; exit 1; }
export DISPLAY=:$(head -n 1 "$work/display")
until_true 10 xdpyinfo || { echo "FAIL display $DISPLAY does not answer"; exit 1; }
openbox --sm-disable >/dev/null 2>&1 &
pids+=($!)
if [ ! -d "$WINEPREFIX" ]; then
  wineboot -i >/dev/null 2>&1
  wine winecfg -v win10 >/dev/null 2>&1
fi
wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
wineserver -p
set_theme delete
set_dpi 96

# Screen pixels as RRGGBB: the palettes' COLORREFs 0xEEF3F4 and 0x101516 turned round.
light=f4f3ee
dark=161510

# 1. First start: hidden, in the tray, the fixed client size, its version and start-up time.
start_app
check "starts hidden" 0 "$(visible)"
check "tray icon added" 1 "$(probe tray)"
check "client size at 96 DPI" 480x792 "$(client)"
check "CurrentDpi" 96 "$(peek CurrentDpi 4)"
check "version read from its own resource" 1.7.0 \
  "$(peek VersionMajor 2).$(peek VersionMinor 2).$(peek VersionBuild 2)"
micros=$(peek StartupMicros 8)
check "StartupMicros measured" 1 "$([ "${micros:-0}" -gt 0 ] && echo 1 || echo 0)"
echo "     StartupMicros = $micros"

# 2. A second start hands over and leaves.
wine "$exe" 2>/dev/null
check "second start exits 0" 0 "$?"
check "second start creates no window" 1 "$(probe count)"
until_true 5 test "$(visible)" = 1
check "first instance's window appears" 1 "$(visible)"
check "missing theme value: light" "$light" "$(centre_pixel light-missing)"

# 3. Close hides; the process goes on; the tray brings it back.
probe post 0x10 0 0
until_true 5 test "$(visible)" = 0
check "WM_CLOSE hides" 0 "$(visible)"
app_exit 500
check "still running after WM_CLOSE" running "$ended"
probe post 0x8003 1 0x203
until_true 5 test "$(visible)" = 1
check "double click on the tray icon opens" 1 "$(visible)"

# 4. Theme: live switch on "ImmersiveColorSet" only.
set_theme 0 REG_DWORD
probe setting WindowsThemeElement >/dev/null
check "another setting string does not re-theme" "$light" "$(centre_pixel still-light)"
probe setting - >/dev/null
check "a setting change without text does not re-theme" "$light" "$(centre_pixel still-light2)"
probe setting ImmersiveColorSet >/dev/null
check "AppsUseLightTheme 0: dark, live" "$dark" "$(centre_pixel dark)"
set_theme 1 REG_DWORD
probe setting ImmersiveColorSet >/dev/null
check "AppsUseLightTheme 1: light" "$light" "$(centre_pixel light)"
set_theme 0 REG_DWORD
probe setting ImmersiveColorSet >/dev/null
set_theme 0 REG_SZ
probe setting ImmersiveColorSet >/dev/null
check "AppsUseLightTheme as a string: light" "$light" "$(centre_pixel light-string)"
set_theme 0 REG_DWORD
probe setting ImmersiveColorSet >/dev/null
set_theme delete
probe setting ImmersiveColorSet >/dev/null
check "AppsUseLightTheme removed: light" "$light" "$(centre_pixel light-removed)"

# 5. Commands reach the shared state.
probe post 0x111 232 0
probe post 0x111 244 0
probe post 0x111 251 0
until_true 3 test "$(peek BrightnessRequest 4)" = 25
check "pump 70% from command 232" 70 "$(peek ManualPumpDuty 4)"
check "fans 60% from command 244" 60 "$(peek ManualFanDuty 4)"
check "brightness 25% from command 251" 25 "$(peek BrightnessRequest 4)"
probe post 0x111 212 0
until_true 3 test "$(peek ApplyPending 4)" = 1
check "Balanced requested by command 212" 2 "$(peek RequestedProfile 4)"
probe post 0x8002 2 0 # apply finished, no status yet: Balanced's first point
until_true 3 test "$(peek ManualPumpDuty 4)" = 60
check "apply finished moves the sliders" 60/25 "$(peek ManualPumpDuty 4)/$(peek ManualFanDuty 4)"
probe post 0x8002 9 0
probe post 0x111 230 0
until_true 3 test "$(peek ManualPumpDuty 4)" = 50
check "a stray apply report leaves the sliders" 50/25 "$(peek ManualPumpDuty 4)/$(peek ManualFanDuty 4)"
check "unknown command ids pass to the default" 0 "$(probe send 0x111 999 0)"
check "taskbar restart adds the icon again" 0 "$(probe taskbar)"
check "tray icon after taskbar restart" 1 "$(probe tray)"

# 6. Session end: query allows, a cancelled end stays, Exit ends with 0 and removes the icon.
check "WM_QUERYENDSESSION allows" 1 "$(probe send 0x11 0 0)"
probe send 0x16 0 0 >/dev/null
app_exit 500
check "WM_ENDSESSION 0 keeps running" running "$ended"
window=$(probe find)
start=$(date +%s%N)
probe post 0x111 202 0
app_exit 5000
check "Exit ends with 0" 0 "$ended"
echo "     Exit took $(( ($(date +%s%N) - start) / 1000000 )) ms"
check "no window after Exit" 0 "$(probe count)"
check "tray icon removed by Exit" 0 "$(probe tray "$window")"
[ "$failed" -eq 0 ] || cat "$work/app.err"

# 7. Dark from the start at 120 DPI; a session end closes it.
set_theme 0 REG_DWORD
set_dpi 120
start_app
check "client size at 120 DPI" 600x990 "$(client)"
check "CurrentDpi 120" 120 "$(peek CurrentDpi 4)"
probe post 0x111 201 0
until_true 5 test "$(visible)" = 1
check "dark at start" "$dark" "$(centre_pixel dark-120)"
probe send 0x16 1 0 >/dev/null
app_exit 5000
check "WM_ENDSESSION 1 ends with 0" 0 "$ended"
set_dpi 96
set_theme delete

# 8. The program's font code at three DPIs (run inside the probe: fonts are per process).
for pair in "96 -13 -56" "120 -17 -70" "144 -20 -84"; do
  set -- $pair
  fonts=$(probe fonts "$1")
  check "fonts at $1 DPI" "$2 400/$3 600/1" \
    "$(awk '$1 == "body" {b = $2 " " $3} $1 == "hero" {h = $2 " " $3} $1 == "first" {d = $3}
            END {print b "/" h "/" d}' <<<"$fonts")"
done

echo "screenshots: $work/light-missing.png $work/dark.png $work/dark-120.png"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
