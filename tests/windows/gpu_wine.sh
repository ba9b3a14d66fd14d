#!/usr/bin/env bash
# GPU telemetry under Wine: the real gpu.cpp over the Windows loader (gpu_probe.exe) against
# stand-in nvml.dll files placed in and removed from the prefix's system32. No display needed.
# Usage: gpu_wine.sh setup|cleanup|SCENARIO WORK_DIR PROBE_EXE STANDINS_DIR
# setup makes the prefix once (kept in WORK_DIR for later runs) and starts its wineserver;
# cleanup stops it. Each scenario prints what it checks and exits non-zero on a mismatch.
set -u
step=$1
mkdir -p "$2"
work=$(realpath "$2")
probe_exe=$(realpath "$3")
standins=$(realpath "$4")

export WINEPREFIX=$work/prefix WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
system32=$WINEPREFIX/drive_c/windows/system32
run=$work/run
state=$work/state.txt
calls=$work/calls.txt
entries="nvmlInit_v2 nvmlDeviceGetHandleByIndex_v2 nvmlDeviceGetName nvmlShutdown
  nvmlDeviceGetFanSpeed_v2 nvmlDeviceGetFanSpeedRPM nvmlDeviceGetTemperature"
required="nvmlInit_v2 nvmlDeviceGetHandleByIndex_v2 nvmlDeviceGetFanSpeed_v2 nvmlDeviceGetTemperature"

# Wine hands the environment to Windows processes unchanged, so the stand-in gets DOS paths.
dos_path() { echo "Z:${1//\//\\}"; }
export NVML_STANDIN_STATE=$(dos_path "$state") NVML_STANDIN_CALLS=$(dos_path "$calls")

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

place_dll() { cp "$standins/$1/nvml.dll" "$system32/nvml.dll"; }
remove_dll() { rm -f "$system32/nvml.dll"; }

# The stand-in's readings, one key=value per argument; written whole, then renamed into place.
set_state() {
  printf '%s\n' "$@" >"$state.tmp" && mv "$state.tmp" "$state"
}
default_state() { set_state "name=NVIDIA GeForce XY 100" fan=40 rpm=1500 temp=55 "$@"; }

# Runs the probe with $1 samples; its lines end up in $out, the stand-in's counts in $calls.
probe() {
  rm -f "$calls"
  mkdir -p "$run"
  cp "$probe_exe" "$run/gpu_probe.exe"
  (cd "$run" && timeout 60 wine gpu_probe.exe "${1:-1}" >"$work/stdout" 2>"$work/stderr")
  local rc=$?
  out=$(tr -d '\r' <"$work/stdout")
  echo "$out" | sed 's/^/  | /'
  [ $rc -eq 0 ] || fail "probe exited with $rc"
  if grep -q 'wine: Unhandled' "$work/stderr"; then
    fail "probe crashed"
    cat "$work/stderr"
  fi
}

# Each argument is a line the probe must have printed.
expect_out() {
  local line
  for line in "$@"; do
    grep -Fxq -- "$line" <<<"$out" || fail "no line '$line'"
  done
}

# Each argument is key=count; a calls file that was never written counts as all zero.
expect_calls() {
  local pair key want got
  for pair in "$@"; do
    key=${pair%%=*}
    want=${pair#*=}
    got=$(sed -n "s/^$key=//p" "$calls" 2>/dev/null | tr -d '\r')
    [ "${got:-0}" = "$want" ] || fail "$key called ${got:-0} times, expected $want"
  done
}

# No entry point was called and the library was loaded and unloaded once (or never).
expect_no_calls() {
  local entry
  for entry in $entries; do expect_calls "$entry=0"; done
}

off_lines=("start module=0 device=0 loaded=0 name=" "sample valid=0 fan=0 rpm=0 temp=0"
  "stop module=0 device=0 loaded=0 name=")

exports_of() {
  x86_64-w64-mingw32-objdump -p "$1" | sed -n 's/^\s*\[ *[0-9]*\] \(nvml[A-Za-z_0-9]*\)$/\1/p' |
    sort | tr '\n' ' '
}

do_setup() {
  if [ ! -f "$work/prefix.ready" ]; then
    rm -rf "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || fail "wineboot failed"
    # A crash must end the process, not wait on an invisible dialog.
    wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
      >/dev/null 2>&1 || fail "registry setting failed"
    wineserver -w
    [ $failures -eq 0 ] && touch "$work/prefix.ready"
  fi
  remove_dll
  # One warm server for all scenarios, ending 60 s after the last; its output must not hold
  # the test runner's pipes open.
  wineserver -p 60 </dev/null >/dev/null 2>&1
  # The variants differ exactly in the one export they omit.
  local all variant
  all=$(echo $entries | tr ' ' '\n' | sort | tr '\n' ' ')
  [ "$(exports_of "$standins/full/nvml.dll")" = "$all" ] || fail "full stand-in exports"
  for variant in $entries; do
    [ "$(exports_of "$standins/no_$variant/nvml.dll")" = "$(echo "$all" | sed "s/\b$variant //")" ] ||
      fail "no_$variant exports"
  done
}

do_cleanup() {
  remove_dll
  wineserver -k 2>/dev/null
  wineserver -w 2>/dev/null
  return 0
}

# Without nvml.dll in system32 telemetry is off, even with a copy beside the exe (which is
# also the current directory).
scenario_absent() {
  remove_dll
  default_state
  mkdir -p "$run"
  cp "$standins/full/nvml.dll" "$run/nvml.dll"
  probe 1
  rm -f "$run/nvml.dll"
  expect_out "${off_lines[@]}"
  expect_calls attach=0
}

# Placed in system32 it is found, sampled, shut down once and unloaded; removed, it is gone.
scenario_present() {
  place_dll full
  default_state
  probe 2
  expect_out "start module=1 device=1 loaded=1 name=XY 100" "stop module=0 device=0 loaded=0 name=XY 100"
  [ "$(grep -cFx 'sample valid=1 fan=40 rpm=1500 temp=55' <<<"$out")" = 2 ] || fail "two samples"
  expect_calls attach=1 detach=1 exitdetach=0 nvmlInit_v2=1 nvmlDeviceGetHandleByIndex_v2=1 \
    nvmlDeviceGetName=1 nvmlShutdown=1 nvmlDeviceGetFanSpeed_v2=2 nvmlDeviceGetTemperature=2 \
    nvmlDeviceGetFanSpeedRPM=2 badargs=0
  remove_dll
  probe 1
  expect_out "${off_lines[@]}"
  expect_calls attach=0
}

scenario_init_fails() {
  place_dll full
  default_state fail=nvmlInit_v2
  probe 1
  expect_out "${off_lines[@]}"
  expect_calls attach=1 detach=1 nvmlInit_v2=1 nvmlDeviceGetHandleByIndex_v2=0 nvmlShutdown=0 \
    nvmlDeviceGetFanSpeed_v2=0 badargs=0
  remove_dll
}

scenario_no_device() {
  place_dll full
  default_state fail=nvmlDeviceGetHandleByIndex_v2
  probe 1
  expect_out "${off_lines[@]}"
  expect_calls attach=1 detach=1 nvmlInit_v2=1 nvmlDeviceGetHandleByIndex_v2=1 nvmlShutdown=1 \
    nvmlDeviceGetName=0 nvmlDeviceGetFanSpeed_v2=0 badargs=0
  remove_dll
}

scenario_missing_required() {
  local entry
  for entry in $required; do
    echo "without $entry:"
    place_dll "no_$entry"
    default_state
    probe 1
    expect_out "${off_lines[@]}"
    expect_no_calls
    expect_calls attach=1 detach=1
  done
  remove_dll
}

scenario_missing_optional() {
  echo "without nvmlDeviceGetName:"
  place_dll no_nvmlDeviceGetName
  default_state
  probe 1
  expect_out "start module=1 device=1 loaded=1 name=GPU" "sample valid=1 fan=40 rpm=1500 temp=55"
  expect_calls nvmlShutdown=1 detach=1 badargs=0

  echo "without nvmlShutdown:"
  place_dll no_nvmlShutdown
  probe 1
  expect_out "start module=1 device=1 loaded=1 name=XY 100" "sample valid=1 fan=40 rpm=1500 temp=55" \
    "stop module=0 device=0 loaded=0 name=XY 100"
  expect_calls detach=1 badargs=0

  echo "without nvmlDeviceGetFanSpeedRPM:"
  place_dll no_nvmlDeviceGetFanSpeedRPM
  probe 1
  expect_out "sample valid=1 fan=40 rpm=0 temp=55"
  expect_calls nvmlShutdown=1 detach=1 badargs=0
  remove_dll
}

scenario_limits() {
  place_dll full
  set_state "name=NVIDIA XY 100" fan=100 rpm=65535 temp=150
  probe 1
  expect_out "start module=1 device=1 loaded=1 name=XY 100" "sample valid=1 fan=100 rpm=65535 temp=150"
  local reading
  for reading in "fan=101 temp=150" "fan=100 temp=151"; do
    echo "$reading:"
    set_state "name=NVIDIA XY 100" $reading rpm=1500
    probe 1
    expect_out "sample valid=0 fan=0 rpm=0 temp=0"
    expect_calls nvmlDeviceGetFanSpeed_v2=1 nvmlDeviceGetTemperature=1 nvmlDeviceGetFanSpeedRPM=0 \
      nvmlShutdown=1 badargs=0
  done
  remove_dll
}

scenario_failing_queries() {
  place_dll full
  echo "fan speed fails:"
  default_state fail=nvmlDeviceGetFanSpeed_v2
  probe 1
  expect_out "sample valid=0 fan=0 rpm=0 temp=0"
  expect_calls nvmlDeviceGetTemperature=0 nvmlShutdown=1 detach=1
  echo "temperature fails:"
  default_state fail=nvmlDeviceGetTemperature
  probe 1
  expect_out "sample valid=0 fan=0 rpm=0 temp=0"
  expect_calls nvmlDeviceGetFanSpeedRPM=0 nvmlShutdown=1 detach=1
  echo "rpm and name fail:"
  default_state fail=nvmlDeviceGetFanSpeedRPM fail=nvmlDeviceGetName
  probe 1
  expect_out "start module=1 device=1 loaded=1 name=GPU" "sample valid=1 fan=40 rpm=0 temp=55"
  expect_calls nvmlDeviceGetFanSpeedRPM=1 nvmlShutdown=1 detach=1 badargs=0
  remove_dll
}

case $step in
setup) do_setup ;;
cleanup) do_cleanup ;;
*)
  if ! declare -F "scenario_$step" >/dev/null; then
    echo "unknown scenario $step"
    exit 2
  fi
  "scenario_$step"
  ;;
esac
[ $failures -eq 0 ] && echo "ok: $step"
[ $failures -eq 0 ]
