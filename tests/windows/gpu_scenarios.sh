# Scenarios of GPU telemetry under Wine: the real gpu.cpp over the Windows loader
# (gpu_probe.exe) against the stand-in nvml.dll files placed in and removed from the
# prefix's system32. Run by tests/windows/harness/run-scenario.sh; no display needed. Every
# session starts without an nvml.dll in system32.

HX_GPU_PROBE=${HX_GPU_PROBE:-$HX_BUILD/tests/gpu_probe.exe}

ENTRIES="nvmlInit_v2 nvmlDeviceGetHandleByIndex_v2 nvmlDeviceGetName nvmlShutdown
  nvmlDeviceGetFanSpeed_v2 nvmlDeviceGetFanSpeedRPM nvmlDeviceGetTemperature"
REQUIRED="nvmlInit_v2 nvmlDeviceGetHandleByIndex_v2 nvmlDeviceGetFanSpeed_v2 nvmlDeviceGetTemperature"
OFF_LINES=("start module=0 device=0 loaded=0 name=" "sample valid=0 fan=0 rpm=0 temp=0"
    "stop module=0 device=0 loaded=0 name=")

GPU_STATE=   # the stand-in's readings
GPU_CALLS=   # its call counts
GPU_RUN=     # the probe's folder, also its current directory
PROBE_OUT=   # the last probe's lines, without CR
PROBES=0     # probes run in this session

# gpu_begin: a headless session, the stand-in's files in it, the probe in its own folder.
gpu_begin()
{
    hx_session_begin --headless
    GPU_STATE=$HX_SESSION/nvml-state.txt
    GPU_CALLS=$HX_SESSION/nvml-calls.txt
    GPU_RUN=$HX_SESSION/run
    mkdir -p "$GPU_RUN"
    cp "$HX_GPU_PROBE" "$GPU_RUN/gpu_probe.exe"
    # Wine hands the environment to Windows processes unchanged: they need Windows paths.
    export NVML_STANDIN_STATE NVML_STANDIN_CALLS
    NVML_STANDIN_STATE=$(hx_winpath "$GPU_STATE")
    NVML_STANDIN_CALLS=$(hx_winpath "$GPU_CALLS")
}

# set_state KEY=VALUE...: the stand-in's readings, written whole, then renamed into place.
set_state() { printf '%s\n' "$@" >"$GPU_STATE.tmp" && mv "$GPU_STATE.tmp" "$GPU_STATE"; }
default_state() { set_state "name=NVIDIA GeForce XY 100" fan=40 rpm=1500 temp=55 "$@"; }

# probe [SAMPLES]: runs the probe (start, SAMPLES samples, stop) from its folder; its lines
# land in PROBE_OUT, the stand-in's counts in the calls file.
probe()
{
    rm -f "$GPU_CALLS"
    PROBES=$((PROBES + 1))
    local name=probe$PROBES
    pushd "$GPU_RUN" >/dev/null || hx_fail "no probe folder"
    hx_run_ok "$name" "$GPU_RUN/gpu_probe.exe" "${1:-1}"
    popd >/dev/null || true
    PROBE_OUT=$(tr -d '\r' <"$HX_SESSION/$name.out")
    sed 's/^/  | /' <<<"$PROBE_OUT" >&2
}

# expect_out LINE...: each line was printed by the last probe.
expect_out()
{
    local line
    for line in "$@"; do
        grep -Fxq -- "$line" <<<"$PROBE_OUT" || hx_fail "no line '$line'"
    done
}

# expect_calls KEY=COUNT...: the stand-in's counts; a calls file never written counts as zero.
expect_calls()
{
    local pair key want got
    for pair in "$@"; do
        key=${pair%%=*}
        want=${pair#*=}
        got=$(sed -n "s/^$key=//p" "$GPU_CALLS" 2>/dev/null | tr -d '\r')
        [ "${got:-0}" = "$want" ] || hx_fail "$key called ${got:-0} times, expected $want"
    done
}

# No entry point was called.
expect_no_calls()
{
    local entry
    for entry in $ENTRIES; do expect_calls "$entry=0"; done
}

# Without nvml.dll in system32 telemetry is off, even with a copy beside the exe (which is
# also the current directory); placed there it is found, sampled, shut down once and
# unloaded; removed, it is gone again.
scenario_gpu_library_placement()
{
    gpu_begin
    default_state
    cp "$HX_NVML_STANDINS/full/nvml.dll" "$GPU_RUN/nvml.dll"
    probe 1
    rm -f "$GPU_RUN/nvml.dll"
    expect_out "${OFF_LINES[@]}"
    expect_calls attach=0

    hx_place_nvml full
    probe 2
    expect_out "start module=1 device=1 loaded=1 name=XY 100" "stop module=0 device=0 loaded=0 name=XY 100"
    [ "$(grep -cFx 'sample valid=1 fan=40 rpm=1500 temp=55' <<<"$PROBE_OUT")" = 2 ] || hx_fail "not two samples"
    expect_calls attach=1 detach=1 exitdetach=0 nvmlInit_v2=1 nvmlDeviceGetHandleByIndex_v2=1 \
        nvmlDeviceGetName=1 nvmlShutdown=1 nvmlDeviceGetFanSpeed_v2=2 nvmlDeviceGetTemperature=2 \
        nvmlDeviceGetFanSpeedRPM=2 badargs=0

    hx_remove_nvml
    probe 1
    expect_out "${OFF_LINES[@]}"
    expect_calls attach=0
}

# A failed start unloads the library: after nvmlShutdown only when the library had been
# initialised; a missing required entry point means no call at all.
scenario_gpu_start_failures()
{
    gpu_begin
    hx_log "nvmlInit_v2 fails:"
    hx_place_nvml full
    default_state fail=nvmlInit_v2
    probe 1
    expect_out "${OFF_LINES[@]}"
    expect_calls attach=1 detach=1 nvmlInit_v2=1 nvmlDeviceGetHandleByIndex_v2=0 nvmlShutdown=0 \
        nvmlDeviceGetFanSpeed_v2=0 badargs=0

    hx_log "no device at index 0:"
    default_state fail=nvmlDeviceGetHandleByIndex_v2
    probe 1
    expect_out "${OFF_LINES[@]}"
    expect_calls attach=1 detach=1 nvmlInit_v2=1 nvmlDeviceGetHandleByIndex_v2=1 nvmlShutdown=1 \
        nvmlDeviceGetName=0 nvmlDeviceGetFanSpeed_v2=0 badargs=0

    local entry
    default_state
    for entry in $REQUIRED; do
        hx_log "without $entry:"
        hx_place_nvml "no_$entry"
        probe 1
        expect_out "${OFF_LINES[@]}"
        expect_no_calls
        expect_calls attach=1 detach=1
    done
}

# A missing optional entry point drops only its feature.
scenario_gpu_missing_optional()
{
    gpu_begin
    default_state
    hx_log "without nvmlDeviceGetName:"
    hx_place_nvml no_nvmlDeviceGetName
    probe 1
    expect_out "start module=1 device=1 loaded=1 name=GPU" "sample valid=1 fan=40 rpm=1500 temp=55"
    expect_calls nvmlShutdown=1 detach=1 badargs=0

    hx_log "without nvmlShutdown:"
    hx_place_nvml no_nvmlShutdown
    probe 1
    expect_out "start module=1 device=1 loaded=1 name=XY 100" "sample valid=1 fan=40 rpm=1500 temp=55" \
        "stop module=0 device=0 loaded=0 name=XY 100"
    expect_calls detach=1 badargs=0

    hx_log "without nvmlDeviceGetFanSpeedRPM:"
    hx_place_nvml no_nvmlDeviceGetFanSpeedRPM
    probe 1
    expect_out "sample valid=1 fan=40 rpm=0 temp=55"
    expect_calls nvmlShutdown=1 detach=1 badargs=0
}

# Samples at the range limits, and samples whose queries fail.
scenario_gpu_samples()
{
    gpu_begin
    hx_place_nvml full
    set_state "name=NVIDIA XY 100" fan=100 rpm=65535 temp=150
    probe 1
    expect_out "start module=1 device=1 loaded=1 name=XY 100" "sample valid=1 fan=100 rpm=65535 temp=150"
    local reading
    for reading in "fan=101 temp=150" "fan=100 temp=151"; do
        hx_log "$reading:"
        # shellcheck disable=SC2086
        set_state "name=NVIDIA XY 100" $reading rpm=1500
        probe 1
        expect_out "sample valid=0 fan=0 rpm=0 temp=0"
        expect_calls nvmlDeviceGetFanSpeed_v2=1 nvmlDeviceGetTemperature=1 nvmlDeviceGetFanSpeedRPM=0 \
            nvmlShutdown=1 badargs=0
    done

    hx_log "fan speed fails:"
    default_state fail=nvmlDeviceGetFanSpeed_v2
    probe 1
    expect_out "sample valid=0 fan=0 rpm=0 temp=0"
    expect_calls nvmlDeviceGetTemperature=0 nvmlShutdown=1 detach=1
    hx_log "temperature fails:"
    default_state fail=nvmlDeviceGetTemperature
    probe 1
    expect_out "sample valid=0 fan=0 rpm=0 temp=0"
    expect_calls nvmlDeviceGetFanSpeedRPM=0 nvmlShutdown=1 detach=1
    hx_log "rpm and name fail:"
    default_state fail=nvmlDeviceGetFanSpeedRPM fail=nvmlDeviceGetName
    probe 1
    expect_out "start module=1 device=1 loaded=1 name=GPU" "sample valid=1 fan=40 rpm=0 temp=55"
    expect_calls nvmlDeviceGetFanSpeedRPM=1 nvmlShutdown=1 detach=1 badargs=0
}

# nvml.dll placed in system32 after the program started: the GPU is read within 70 s (the
# retry a minute after the first start-up), the library loaded once and released at Exit.
scenario_gpu_library_appears()
{
    . "$(dirname "${BASH_SOURCE[0]}")/harness/app.sh"
    hx_session_begin
    hx_start app "$HX_TIDEWATCH"
    until_equal 15 1 hx_app_peek LatestStatus 4 4 || hx_fail "no status published: $GOT"
    hx_gpu "name=NVIDIA XY 100" fan=40 rpm=1500 temp=55
    until_equal 70 1 hx_app_peek LatestStatus 4 28 || hx_fail "no GPU within 70 s"
    hx_probe post 0x111 202 0 && hx_wait_exit app 5 || hx_fail "no clean Exit"
    expect_equal "loaded once, released" "attach=1 detach=1" "$(grep -aE '^(attach|detach)=' "$HX_SESSION/nvml-calls.txt" | tr -d '\r' | tr '\n' ' ' | sed 's/ $//')"
}
