# Scenarios of the real device worker (worker_wine_test.exe: the worker on its thread with
# real events and a hidden window that records its messages) against the simulated cooler.
# Run by tests/windows/harness/run-scenario.sh. Times: the program's lines start with ms
# since it started, the simulator's with ms since it started; the two are aligned on a poll
# (the simulator's status request and the publication that followed it, about 1 ms apart).
# A publication is timed when the worker posted it (the message's time, to the ms).

HX_WORKER_TEST=${HX_WORKER_TEST:-$HX_BUILD/tests/worker_wine_test.exe}
. "$(dirname "${BASH_SOURCE[0]}")/cooler_reports.sh"

WORKER=          # name of the running test program
WORKER_OUT=      # its output
WORKER_COMMANDS= # its command file

CONNECTED=' status connected=1 link=0 '
NOT_FOUND=' status connected=0 link=1 '
LINK_FAILED=' status connected=0 link=2 '

# worker_start NAME: starts the test program with an empty command file.
worker_start()
{
    WORKER=$1
    WORKER_OUT=$HX_SESSION/$1.out
    WORKER_COMMANDS=$HX_SESSION/$1.commands
    : >"$WORKER_COMMANDS"
    hx_start "$1" "$HX_WORKER_TEST" "$(hx_winpath "$WORKER_COMMANDS")"
    hx_wait_line "$WORKER_OUT" ' started' 10 "$1" || hx_fail "the worker test did not start"
}

# worker_do COMMAND: adds a line to the command file and waits until it was carried out.
worker_do()
{
    { cat "$WORKER_COMMANDS"; printf '%s\n' "$1"; } >"$WORKER_COMMANDS.tmp"
    mv -f "$WORKER_COMMANDS.tmp" "$WORKER_COMMANDS"
    hx_wait_line "$WORKER_OUT" " did $1 " 5 "$WORKER" || hx_fail "the worker test did not carry out '$1'"
}

# worker_stop: stops the worker and checks that the program ended cleanly.
worker_stop()
{
    worker_do stop
    local code=0
    hx_wait_exit "$WORKER" 10 || code=$?
    [ $code -eq 0 ] || hx_fail "the worker test ended with $code"
}

# wait_count REGEX COUNT SECONDS: until the program's output has COUNT lines matching REGEX.
wait_count()
{
    hx_wait_lines "$WORKER_OUT" "$1" "$2" "$3" "$WORKER" && return 0
    kill -0 "$(hx_pid_of "$WORKER")" 2>/dev/null || hx_fail "the worker test ended early"
    hx_fail "fewer than $2 lines /$1/ after $3 s"
}

# sim_wait_after MARK REGEX SECONDS: until a simulator log line after line MARK matches.
sim_wait_after()
{
    hx_wait_lines "$HX_SIM_LOG" "$2" 1 "$3" "" "$1" || hx_fail "no simulator line /$2/ after $3 s"
}

# sim_time_after MARK REGEX: time of the first simulator log line after line MARK that matches.
sim_time_after() { tail -n +$(($1 + 1)) "$HX_SIM_LOG" | grep -aE -- "$2" | head -n 1 | cut -d' ' -f1; }

# out_times REGEX: times of the program's lines that match, one a line.
out_times() { grep -aE -- "$1" "$WORKER_OUT" | cut -d' ' -f1; }

# time_before REGEX NEXT: time of the last program line matching REGEX before the first
# line matching NEXT.
time_before() { sed -n "1,/$2/p" "$WORKER_OUT" | grep -aE -- "$1" | tail -n 1 | cut -d' ' -f1; }

# calc EXPRESSION: evaluated with awk, to whole ms.
calc() { awk "BEGIN { printf \"%.0f\", $1 }"; }

# expect_range WHAT VALUE LOW HIGH: LOW <= VALUE <= HIGH, and the value is logged.
expect_range()
{
    hx_log "measure $1 $2"
    awk -v v="$2" -v lo="$3" -v hi="$4" 'BEGIN { exit !(v >= lo && v <= hi) }' ||
        hx_fail "$1 is $2, not $3..$4"
}

# expect_periods WHAT LOW HIGH TIMES...: every gap between consecutive times in LOW..HIGH;
# logs them and their mean.
expect_periods()
{
    local what=$1 low=$2 high=$3
    shift 3
    local gaps
    gaps=$(printf '%s\n' "$@" | awk 'NR > 1 { printf "%.0f ", $1 - last } { last = $1 }')
    hx_log "measure ${what}_ms $gaps(mean $(printf '%s\n' "$@" | awk 'NR == 1 { first = $1 } { last = $1 } END { printf "%.0f", (last - first) / (NR - 1) }'))"
    local gap
    for gap in $gaps; do
        [ "$gap" -ge "$low" ] && [ "$gap" -le "$high" ] || hx_fail "a $what of $gap ms, not $low..$high"
    done
}

# The program's status and apply lines from the line matching FROM on, each reduced to a
# letter: C connected, N no cooler, F link failed, A apply finished.
status_kinds()
{
    sed -n "/$1/,\$p" "$WORKER_OUT" | awk '
        / status / { printf "%s", ($3 == "connected=1" ? "C" : $4 == "link=1" ? "N" : "F") }
        / applied / { printf "A" }'
}

scenario_worker_without_cooler()
{
    hx_session_begin # the hidden window needs a display
    hx_control "step no cooler"
    hx_start_sim

    # A stop in the wait after a fruitless search ends the thread at once. GPU telemetry
    # starts with the thread, rides along with every publication, and ends with it.
    local calls=$HX_SESSION/nvml-calls.txt
    export NVML_STANDIN_STATE NVML_STANDIN_CALLS
    NVML_STANDIN_STATE=$(hx_winpath "$HX_SESSION/nvml-state.txt")
    NVML_STANDIN_CALLS=$(hx_winpath "$calls")
    printf '%s\n' "name=NVIDIA XY 100" fan=40 rpm=1500 temp=55 >"$HX_SESSION/nvml-state.txt"
    hx_place_nvml full
    worker_start idle
    wait_count "$NOT_FOUND" 2 5
    worker_stop
    [ "$(status_kinds started)" = NN ] || hx_fail "not only not-found publications: $(status_kinds started)"
    [ "$(hx_count "$WORKER_OUT" ' gpu=1')" -eq 2 ] || hx_fail "a publication without a GPU sample"
    local pair
    for pair in attach=1 nvmlInit_v2=1 nvmlDeviceGetFanSpeed_v2=2 nvmlShutdown=1 detach=1 exitdetach=0 badargs=0; do
        hx_has "$calls" "^$pair"$'\r'"?\$" || hx_fail "GPU library calls: not $pair"
    done
    hx_remove_nvml
    # From the thread's start: Wine's making of the first window before it is no part of it.
    expect_range first_publication_ms "$(calc "$(out_times "$NOT_FOUND" | head -n 1) - $(out_times ' started' | head -n 1)")" 0 1000
    expect_range stop_in_search_wait_ms "$(sed -n 's/.* ended after=//p' "$WORKER_OUT" | tr -d '\r')" 0 250

    # No cooler: a not-found publication about every second, which the wake of an apply
    # request does not hasten; the request waits for a cooler. The cooler plugged in is
    # found within about a second and the curves are written right after its initialisation.
    worker_start plugged
    wait_count "$NOT_FOUND" 1 5
    worker_do "apply 2"
    wait_count "$NOT_FOUND" 4 10
    expect_periods no_cooler_period 995 1450 $(out_times "$NOT_FOUND")
    ! hx_has "$WORKER_OUT" ' applied ' || hx_fail "an apply finished without a cooler"
    local mark
    mark=$(wc -l <"$HX_SIM_LOG")
    hx_control "device cooler 1e71 300c"
    wait_count "$CONNECTED" 2 5
    # The apply finished after the initialisation, before the first poll was published; the
    # wake that the request left ends the first poll wait at once.
    [ "$(status_kinds started)" = NNNNACC ] || hx_fail "publications and applies: $(status_kinds started)"
    hx_has "$WORKER_OUT" ' applied profile=2 result=1' || hx_fail "no successful apply of profile 2"
    expect_range pending_wake_poll_gap_ms "$(calc "$(out_times "$CONNECTED" | sed -n 2p) - $(out_times "$CONNECTED" | head -n 1)")" 0 300
    local expected
    expected=$(printf '%s\n' "$(padded 700201b801)" "$(padded 7001)" "$(padded 3001)" \
        "$(balanced_pump)" "$(balanced_fans)" "$(padded 7401)")
    [ "$(tail -n +$((mark + 1)) "$HX_SIM_LOG" | awk '$2 == "in" { print $5 }' | head -n 6)" = "$expected" ] ||
        hx_fail "not initialisation, screen query, curves and poll in this order"
    local plugged opened polled
    plugged=$(sim_time_after "$mark" ' control$')
    opened=$(sim_time_after "$mark" ' open cooler$')
    polled=$(sim_time_after "$mark" ' in cooler 64 7401')
    expect_range plug_to_found_ms "$(calc "$opened - $plugged")" 0 1500
    expect_range plug_to_first_poll_ms "$(calc "$polled - $plugged")" 0 1600
    worker_stop
    expect_range stop_in_poll_wait_ms "$(sed -n 's/.* ended after=//p' "$WORKER_OUT" | tr -d '\r')" 0 250
}

scenario_worker_poll_cadence()
{
    hx_session_begin # the hidden window needs a display
    hx_control "device cooler 1e71 300c"
    hx_start_sim
    worker_start poll

    # Hidden: the wait of 2000 ms plus the turn's I/O.
    wait_count "$CONNECTED" 3 15
    expect_periods hidden_period 1995 2450 $(out_times "$CONNECTED")
    # Shown: the worker wakes at once, then waits 750 ms.
    worker_do show
    wait_count "$CONNECTED" 7 10
    local shown
    shown=$(out_times ' did show ')
    expect_range show_to_poll_ms "$(calc "$(out_times "$CONNECTED" | sed -n 4p) - $shown")" 0 300
    expect_periods visible_period 745 1150 $(out_times "$CONNECTED" | tail -n 4)

    # A brightness request wakes the worker: written with the mode as read, then read back.
    local mark
    mark=$(wc -l <"$HX_SIM_LOG")
    worker_do "brightness 30"
    wait_count "$CONNECTED" $(($(hx_count "$WORKER_OUT" "$CONNECTED") + 1)) 3
    [ "$(tail -n +$((mark + 1)) "$HX_SIM_LOG" | awk '$2 == "in" { print $5 }' | head -n 3)" = \
        "$(printf '%s\n' "$(padded 3002011e00000101)" "$(padded 3001)" "$(padded 7401)")" ] ||
        hx_fail "not the brightness write, its read-back and the poll"

    # The cable pulled just after a poll: the next poll fails (link failed), then searches
    # find nothing (not found) until it is back.
    mark=$(wc -l <"$HX_SIM_LOG")
    hx_control "device cooler 1e71 300c
fault unplug"
    wait_count "$LINK_FAILED" 1 3
    wait_count "$NOT_FOUND" 2 8
    local replug polls
    replug=$(wc -l <"$HX_SIM_LOG")
    polls=$(hx_count "$WORKER_OUT" "$CONNECTED")
    hx_control "device cooler 1e71 300c
step plugged back"
    wait_count "$CONNECTED" $((polls + 1)) 8
    worker_stop
    [[ $(status_kinds ' did show ') == CCCCC*FNN*C ]] && [[ $(status_kinds ' did show ') != *F*F* ]] ||
        hx_fail "publications after showing: $(status_kinds ' did show ')"
    local failed
    failed=$(out_times "$LINK_FAILED")
    expect_range link_failed_to_not_found_ms "$(calc "$(out_times "$NOT_FOUND" | head -n 1) - $failed")" 745 1150
    expect_periods not_found_period 995 1450 $(out_times "$NOT_FOUND")

    # Unplug to the link-failed publication, on the program's clock.
    local unplugged last_request last_poll
    unplugged=$(sim_time_after "$mark" ' unplug$')
    last_request=$(head -n "$mark" "$HX_SIM_LOG" | grep -a ' in cooler 64 7401' | tail -n 1 | cut -d' ' -f1)
    last_poll=$(time_before "$CONNECTED" "$LINK_FAILED")
    expect_range unplug_to_link_failed_ms "$(calc "$failed - ($last_poll - $last_request) - $unplugged")" 0 1150
    # Re-plug to the first poll of the new connection, on the simulator's clock.
    local plugged polled
    plugged=$(sim_time_after "$replug" ' plug$')
    polled=$(sim_time_after "$replug" ' in cooler 64 7401')
    expect_range replug_to_found_ms "$(calc "$(sim_time_after "$replug" ' open cooler$') - $plugged")" 0 1500
    expect_range replug_to_connected_ms "$(calc "$polled - $plugged")" 0 1600
}

scenario_worker_silent_cooler()
{
    hx_session_begin # the hidden window needs a display
    hx_control "device cooler 1e71 300c"
    hx_start_sim
    worker_start silent
    worker_do show
    wait_count "$CONNECTED" 2 5

    # The cooler stops answering: the next poll waits out its 8 reads and fails; a stop given
    # during that wait is honoured once the turn has published.
    local mark
    mark=$(wc -l <"$HX_SIM_LOG")
    hx_control "device cooler 1e71 300c
fault silent"
    sim_wait_after "$mark" ' in cooler 64 7401' 3
    worker_do stop
    hx_wait_exit "$WORKER" 10 || hx_fail "the worker test did not end"
    [[ $(status_kinds started) == *CF ]] || hx_fail "the failed poll was not published: $(status_kinds started)"
    local request last_request last_poll failed
    request=$(sim_time_after "$mark" ' in cooler 64 7401')
    last_request=$(head -n "$mark" "$HX_SIM_LOG" | grep -a ' in cooler 64 7401' | tail -n 1 | cut -d' ' -f1)
    last_poll=$(time_before "$CONNECTED" "$LINK_FAILED")
    failed=$(out_times "$LINK_FAILED")
    expect_range silent_reply_wait_ms "$(calc "$failed - ($last_poll - $last_request) - $request")" 1390 1950
    expect_range silent_turn_period_ms "$(calc "$failed - $last_poll")" 2140 2800
    expect_range stop_during_reply_wait_ms "$(sed -n 's/.* ended after=//p' "$WORKER_OUT" | tr -d '\r')" 800 2300
}
