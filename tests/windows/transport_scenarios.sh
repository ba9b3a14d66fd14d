# Scenarios of the real Windows transport (transport_wine_test.exe) against the simulated
# cooler, and of the harness itself. Run by tests/windows/harness/run-scenario.sh.

# The test program's case, which must end in PASS; its measures are echoed for the log.
transport_case()
{
    hx_run_ok test "$HX_TRANSPORT_TEST" "$@"
    grep -a '^measure ' "$HX_SESSION/test.out" | tr -d '\r' >&2 || true
}

sim_log_has() { hx_has "$HX_SIM_LOG" "$1" || hx_fail "the simulator log lacks /$1/"; }
sim_log_lacks() { ! hx_has "$HX_SIM_LOG" "$1" || hx_fail "the simulator log has /$1/"; }

# 64-byte report as the simulator logs it: the given hex, then zeros.
padded()
{
    local hex=$1
    while [ ${#hex} -lt 128 ]; do hex+=0; done
    printf '%s' "$hex"
}

# Paths with other ids are passed over unopened; a path without ids is opened and asked; the
# cooler's ids with reports of another length, or without preparsed data, are not the cooler.
scenario_no_matching_interface()
{
    hx_session_begin --headless
    hx_control "device mouse 046d c52b
device sibling 1e71 300d upperids
device pad 046d c52b noids
device broken 1e71 300c noattr
device keys 1e71 300c report 9
device bare 1e71 300c nocaps
device busy 1e71 300c held
device gone 1e71 300c absent"
    hx_start_sim
    transport_case none
    sim_log_lacks ' open mouse'
    sim_log_lacks ' open sibling'
    local name
    for name in pad broken keys bare; do
        sim_log_has " open $name"
        sim_log_has " close $name"
    done
    sim_log_lacks ' open busy'
    sim_log_lacks ' open gone'
}

scenario_skips_held_interface()
{
    hx_session_begin --headless
    hx_control "device busy 1e71 300c held
device cooler 1e71 300c"
    hx_start_sim
    sim_log_has ' held busy'
    transport_case picks cooler
}

scenario_opens_first_of_two()
{
    hx_session_begin --headless
    hx_control "device first 1e71 300c
device second 1e71 300c"
    hx_start_sim
    transport_case picks first
    sim_log_lacks ' open second'
}

scenario_skips_unreadable_interfaces()
{
    hx_session_begin --headless
    hx_control "device longpath 1e71 300c nodetail
device broken 1e71 300c noattr
device mouse 046d c52b
device cooler 1e71 300c"
    hx_start_sim
    transport_case picks cooler
    sim_log_lacks ' open longpath'
    hx_wait_line "$HX_SIM_LOG" ' close broken' 5 || hx_fail "broken was not closed"
}

# The stand-ins show each interface as Windows would: its ids in its device path (any case, or
# none) and its report lengths through hid.dll's preparsed data.
scenario_interfaces_as_windows_lists_them()
{
    hx_session_begin --headless
    hx_control "device cooler 1e71 300c
device keyboard 046d c31c report 9 upperids
device odd 1e71 300c report 64 65 noids
device bare 1e71 300c nocaps"
    hx_start_sim
    transport_case interfaces
    local expected='interface \\.\pipe\tidewatch-sim-cooler#vid_1e71&pid_300c in=64 out=64
interface \\.\pipe\tidewatch-sim-keyboard#VID_046D&PID_C31C in=9 out=9
interface \\.\pipe\tidewatch-sim-odd in=64 out=65
interface \\.\pipe\tidewatch-sim-bare#vid_1e71&pid_300c nocaps'
    local got
    got=$(grep -a '^interface ' "$HX_SESSION/test.out" | tr -d '\r')
    [ "$got" = "$expected" ] || hx_fail "the interfaces: $got"
}

scenario_round_trip()
{
    hx_session_begin --headless
    hx_control "device cooler 1e71 300c
set liquid 427
set pumprpm 4660
fault unrelated 2"
    hx_start_sim
    transport_case roundtrip
    sim_log_has " in cooler 64 $(padded 7401)\$"
    sim_log_has ' out cooler 64 3101'
    sim_log_has ' out cooler 64 7503'
    sim_log_has ' out cooler 64 7501'
}

# The cooler as it behaves by default, and its late, power-loss, other-controller and
# write-fail faults, each read through the real transport.
scenario_realistic_cooler()
{
    hx_session_begin --headless
    hx_control "device cooler 1e71 300c
set liquid 427
fault late after 3 for 1"
    hx_start_sim
    transport_case realistic
    sim_log_has " out cooler 64 $(padded 7101)\$"

    hx_control "device cooler 1e71 300c
set pushes off
fault unsolicited 16"
    transport_case queues
    [ "$(hx_count "$HX_SIM_LOG" ' dropped cooler 64')" -eq 38 ] || hx_fail "not 19 dropped for each handle"

    hx_control "device cooler 1e71 300c
fault powerloss 400 after 1"
    transport_case powerloss
    sim_log_has ' powerloss$'

    hx_control "device cooler 1e71 300c
fault othercontroller 1"
    transport_case othercontroller
    sim_log_has ' othercontroller$'

    hx_control "device cooler 1e71 300c
fault writefail"
    local mark
    mark=$(wc -l <"$HX_SIM_LOG")
    transport_case writefail
    [ "$(tail -n +$((mark + 1)) "$HX_SIM_LOG" | grep -ac ' writefail cooler')" -eq 3 ] || hx_fail "not three writes refused"
    ! tail -n +$((mark + 1)) "$HX_SIM_LOG" | grep -aq ' in cooler' || hx_fail "a write went through"
}

scenario_short_read_fails()
{
    hx_session_begin --headless
    hx_control "device cooler 1e71 300c
fault short 32"
    hx_start_sim
    transport_case short
    sim_log_has ' out cooler 32 7501'
}

scenario_silent_read_times_out()
{
    hx_session_begin --headless
    hx_control "device cooler 1e71 300c
fault silent"
    hx_start_sim
    transport_case silent
    sim_log_has ' in cooler 64 7401'
    sim_log_lacks ' out cooler'
}

scenario_deaf_write_times_out()
{
    hx_session_begin --headless
    hx_control "device cooler 1e71 300c
fault deaf after 1"
    hx_start_sim
    transport_case deaf
    [ "$(hx_count "$HX_SIM_LOG" ' in cooler')" -eq 1 ] || hx_fail "the deaf device read a second report"
    sim_log_has ' deaf'
}

scenario_long_command_refused()
{
    hx_session_begin --headless
    hx_control "device cooler 1e71 300c"
    hx_start_sim
    transport_case long
    hx_wait_line "$HX_SIM_LOG" ' close cooler' 5 || hx_fail "the cooler was not closed"
    [ "$(hx_count "$HX_SIM_LOG" ' in cooler')" -eq 1 ] || hx_fail "more than the one short command was written"
    sim_log_has " in cooler 64 $(padded 7001)\$"
}

# A hid.dll beside the program (as in a Downloads folder) is not what it loads.
scenario_planted_hid_not_loaded()
{
    hx_session_begin --headless
    hx_control "device cooler 1e71 300c"
    hx_start_sim
    local folder=$HX_SESSION/downloads
    mkdir -p "$folder"
    cp "$HX_TRANSPORT_TEST" "$HX_DECOY_HID" "$folder/"
    export TIDEWATCH_DECOY_MARKER
    TIDEWATCH_DECOY_MARKER=$(hx_winpath "$HX_SESSION/decoy-loaded")
    hx_run_ok test "$folder/$(basename "$HX_TRANSPORT_TEST")" planted
    [ -f "$HX_SESSION/decoy-loaded" ] || hx_fail "the decoy's load was not seen"
}

scenario_unplug_and_back()
{
    hx_session_begin --headless
    hx_control "device cooler 1e71 300c
fault unplug after 1"
    hx_start_sim
    hx_start test "$HX_TRANSPORT_TEST" unplug
    hx_wait_line "$HX_SESSION/test.out" '^unplugged' 10 || hx_fail "the test did not see the cooler leave"
    sim_log_has ' unplug$'
    hx_control "device cooler 1e71 300c
step plugged back"
    local code=0
    hx_wait_exit test 15 || code=$?
    cat "$HX_SESSION/test.out" | tr -d '\r' >&2
    [ $code -eq 0 ] || hx_fail "the test exited with $code"
    sim_log_has ' plug$'
}

# A crash is reported from stderr and does not hang on a crash dialog.
scenario_harness_detects_crash()
{
    hx_session_begin
    local code=0 start=$SECONDS
    HX_RUN_LIMIT=20 hx_run crasher "$HX_TRANSPORT_TEST" crash || code=$?
    [ $code -ne 124 ] || hx_fail "the crashed program hung"
    hx_crashed crasher || hx_fail "the crash was not seen on stderr"
    hx_expect_crash crasher
    hx_log "crash seen after $((SECONDS - start)) s"
}

# Deliberately fails while the simulator and a test program run; used by the next one.
scenario_fails_midway()
{
    hx_session_begin
    hx_control "device cooler 1e71 300c
fault unplug after 1"
    hx_start_sim
    hx_start test "$HX_TRANSPORT_TEST" unplug # waits for a replug that never comes
    hx_wait_line "$HX_SESSION/test.out" '^unplugged' 10
    hx_fail "deliberately, with everything running"
}

# A program crashing when no crash was expected fails its scenario.
scenario_crashes_unexpectedly()
{
    hx_session_begin --headless
    hx_run crasher "$HX_TRANSPORT_TEST" crash
    return 0
}

# Runs scenario NAME of this file in a runner of its own; sets NESTED_OUTPUT, returns its code.
nested_scenario()
{
    local code=0
    NESTED_OUTPUT=$(bash "$(dirname "${BASH_SOURCE[0]}")/harness/run-scenario.sh" "${BASH_SOURCE[0]}" "$1" 2>&1) ||
        code=$?
    return $code
}

scenario_harness_tears_down_after_failure()
{
    ! nested_scenario fails_midway || hx_fail "a failing scenario passed"
    grep -q '^FAIL fails_midway' <<<"$NESTED_OUTPUT" || hx_fail "no FAIL line: $NESTED_OUTPUT"
    local pids=$HX_BUILD/e2e/sessions/fails_midway/pids pid name
    [ "$(wc -l <"$pids")" -ge 5 ] || hx_fail "the failing scenario did not start everything: $(cat "$pids")"
    while read -r pid name; do
        if kill -0 "$pid" 2>/dev/null; then
            hx_fail "$name (PID $pid) still runs after teardown"
        fi
    done <"$pids"

    ! nested_scenario crashes_unexpectedly || hx_fail "an unexpected crash passed"
    grep -q 'crasher crashed' <<<"$NESTED_OUTPUT" || hx_fail "the crash was not reported: $NESTED_OUTPUT"
}

# The product exe starts under the harness, with its display, and exits cleanly; a second
# program polls the same interface beside it, both are answered and neither loses its link.
scenario_exe_polls_the_cooler()
{
    hx_session_begin
    hx_control "device cooler 1e71 300c"
    hx_start_sim
    hx_start app "$HX_TIDEWATCH"
    hx_wait_line "$HX_SIM_LOG" ' in cooler 64 7001' 10 || hx_fail "the program did not initialise the cooler"
    hx_wait_line "$HX_SIM_LOG" ' in cooler 64 7401' 10 || hx_fail "the program did not poll the cooler"
    hx_run_ok poller "$HX_POLLER" 4 3
    grep -aq '^polls 12 answered 12' "$HX_SESSION/poller.out" || hx_fail "the second program: $(tail -n 1 "$HX_SESSION/poller.out")"
    [ "$(hx_count "$HX_SIM_LOG" ' open cooler')" -eq 2 ] || hx_fail "a link was opened again"
    [ "$(hx_count "$HX_SIM_LOG" ' out cooler 64 7502')" -ge 4 ] || hx_fail "no status pushed"
    hx_stop app
}
