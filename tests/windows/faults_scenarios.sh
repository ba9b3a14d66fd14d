# The fault matrix: the real Tidewatch.exe under Wine against a simulated cooler that fails in
# every way it can, and a GPU library that does. Each scenario checks that the program keeps
# running (no crash, its window answers at once), shows the right state (LatestStatus read
# through the link map, the tray's tooltip), loses no request (what was asked during a fault
# is written once the cooler is back, or its failure is reported through ApplyResult) and
# leaks nothing (the program's GDI objects and kernel handles and the session's USER handles
# come back to what they were). Run by tests/windows/harness/run-scenario.sh.
#
# Covered elsewhere against the real exe, so only combined with faults here: the icon and
# tooltip after a taskbar restart (tray_taskbar_restart; here, the objects across ten), a
# second start, the end of a session and Exit with an idle or silent worker (the shell's
# scenarios; here, a second start and the end of a session while the cooler is silent, Exit
# while it refuses initialisation).
. "$(dirname "${BASH_SOURCE[0]}")/harness/app.sh"

MAP=$HX_BUILD/Tidewatch.map
DECOYS=$(dirname "$HX_DECOY_HID")

COOLER="device cooler 1e71 300c
set liquid 427
set pumprpm 980
set fanrpm 760"
READINGS="Tidewatch · 42.7 °C · Pump 980 RPM · Fans 760 RPM"
DISCONNECTED="Tidewatch · Kraken disconnected"
CONNECTED="1 0"   # LatestStatus connected, linkState
NOT_FOUND="0 1"
LINK_FAILED="0 2"
REQUIRED="nvmlInit_v2 nvmlDeviceGetHandleByIndex_v2 nvmlDeviceGetFanSpeed_v2 nvmlDeviceGetTemperature"
APP=app # the name the running program was started under

probe() { hx_probe "$@"; }

# rva NAME [OFFSET]: the address of a global of the program, relative to its image base.
rva()
{
    local base address
    base=$(awk '$2 == "__image_base__" {print $1}' "$MAP")
    address=$(awk -v name="$1" '$2 == name && $1 ~ /^0x/ {print $1}' "$MAP" | head -n 1)
    [ -n "$address" ] || hx_fail "no $1 in the link map"
    printf '0x%x' $((address - base + ${2:-0}))
}

# peek NAME SIZE [OFFSET]: a global (or a field of one) of the running program.
peek() { probe peek "$(rva "$1" "${3:-0}")" "$2"; }

link_state() { echo "$(peek LatestStatus 4 0) $(peek LatestStatus 4 4)"; }
# LatestStatus's GPU fields: valid, fan percent, fan rpm, temperature.
gpu_fields() { echo "$(peek LatestStatus 4 28) $(peek LatestStatus 4 32) $(peek LatestStatus 4 36) $(peek LatestStatus 4 40)"; }
applied_and_brightness() { echo "$(peek AppliedProfile 4) $(peek ScreenBrightness 4)"; }
tooltip() { probe tooltips | grep '^Tidewatch'; }
balloon() { probe tooltips | grep -v '^Tidewatch'; } # the balloon Wine's tray shows
not_held() { echo $(($(peek LatestStatus 4 44) >> 3 & 1)); } # ConditionCurveNotHeld
visible() { probe state | sed -n 's/.*visible=\([01]\).*/\1/p'; }

# expect_state WHAT SECONDS LINK TOOLTIP: LatestStatus reaches LINK (within SECONDS, 10 at
# least, as for wait_after) and the tray's tooltip reads TOOLTIP (a prefix of it when it ends
# in ' · ').
expect_state()
{
    until_equal "$(($2 < 10 ? 10 : $2))" "$3" link_state || hx_fail "$1: link state '$GOT', expected '$3'"
    local tip
    tip=$(tooltip)
    if [[ $4 == *' · ' ]]; then
        [[ $tip == "$4"* ]] || hx_fail "$1: tooltip '$tip', expected '$4...'"
    else
        [ "$tip" = "$4" ] || hx_fail "$1: tooltip '$tip', expected '$4'"
    fi
    hx_log "ok: $1: $3, '$tip'"
}

# expect_alive WHAT: the program runs, has not crashed, and its window answers a message.
expect_alive()
{
    local pid
    pid=$(hx_pid_of "$APP") || hx_fail "no program $APP"
    kill -0 "$pid" 2>/dev/null || hx_fail "$1: the program ended"
    ! hx_crashed "$APP" || hx_fail "$1: the program crashed"
    local answer
    answer=$(probe send 0 0 0)
    [ "$answer" = 0 ] || hx_fail "$1: the window does not answer: $answer"
}

# choose ID: the command ID (WM_COMMAND), as the tray menu or a second instance posts it.
choose() { probe post 0x111 "$1" 0 || hx_fail "cannot post command $1"; }

# --- The simulated cooler's log ----------------------------------------------------------------

log_mark() { hx_lines "$HX_SIM_LOG"; }
# count_after MARK REGEX: simulator log lines after line MARK that match.
count_after() { tail -n +$(($1 + 1)) "$HX_SIM_LOG" | grep -acE -- "$2"; }
# wait_after MARK REGEX SECONDS [COUNT]: until COUNT (default 1) such lines are there, waiting
# 10 s at least (a limit, not a figure the program must meet: on a busy machine a poll comes
# late).
wait_after() { hx_wait_lines "$HX_SIM_LOG" "$2" "${4:-1}" "$(($3 < 10 ? 10 : $3))" "" "$1"; }

# control TEXT: the simulator's control text, once the simulator has taken it.
control()
{
    local mark
    mark=$(log_mark)
    hx_control "$1"
    wait_after "$mark" ' control$' 3 || hx_fail "the simulator did not take: $1"
}

# Returns right after the simulator has answered a poll: the next one is a poll wait away.
after_a_poll()
{
    local mark
    mark=$(log_mark)
    wait_after "$mark" ' out [a-z]+ 64 7501' 4 || hx_fail "no poll was answered"
}

# The 64-byte report as the simulator logs it: the given hex, then zeros.
padded()
{
    local hex=$1
    while [ ${#hex} -lt 128 ]; do hex+=0; done
    printf '%s' "$hex"
}

# open_gaps MARK: the ms between the simulator's successive opens of the cooler after MARK.
open_gaps()
{
    tail -n +$(($1 + 1)) "$HX_SIM_LOG" | grep -a ' open cooler$' | cut -d' ' -f1 |
        awk 'NR > 1 { printf "%d\n", $1 - last } { last = $1 }'
}

# expect_paced_retries WHAT SECONDS: a cooler that fails before its first poll is opened again
# and again, each time at least a second after the last, and the program meanwhile uses under
# 1 % of a core.
expect_paced_retries()
{
    local mark ticks gaps gap hz
    hz=$(getconf CLK_TCK)
    mark=$(log_mark)
    ticks=$(hx_cpu_ticks "$APP")
    hx_sleep "$2"
    ticks=$(($(hx_cpu_ticks "$APP") - ticks))
    gaps=$(open_gaps "$mark" | tr '\n' ' ')
    hx_log "measure $1: opened again after ms: $gaps; cpu $ticks ticks of $hz a second in $2 s"
    [ "$(open_gaps "$mark" | wc -l)" -ge $(($2 / 3)) ] || hx_fail "$1: not opened again: $gaps"
    for gap in $gaps; do
        [ "$gap" -ge 990 ] || hx_fail "$1: opened again after $gap ms"
    done
    ((ticks * 100 < hz * $2)) || hx_fail "$1: $ticks ticks of CPU in $2 s"
}

# --- Objects -----------------------------------------------------------------------------------

# "gdi=N users=N handles=N": the program's GDI objects (its handle table) and kernel handles,
# and the session's USER handles (Wine has no count per process). Each measure proves itself
# sound by counting 7 objects made by the probe.
objects_line()
{
    local gdi users handles measure
    gdi=$(probe gdi)
    users=$(probe users)
    handles=$(probe handles)
    for measure in "$gdi" "$users" "$handles"; do
        [[ $measure == *" self_delta=7 self_back=1" ]] || { echo "unsound: $measure"; return; }
    done
    gdi=${gdi#*table=}
    users=${users#users=}
    handles=${handles#handles=}
    echo "gdi=${gdi%% *} users=${users%% *} handles=${handles%% *}"
}

# objects_baseline: the counts the program holds at rest, the least of each over a second and
# a half (two polls): a paint, a badge or tooltip change or a search holds more for a moment.
# A reading the program's own work disturbed (unsound) is taken again.
objects_baseline()
{
    local i sound=0 line gdi users handles least_gdi=999999 least_users=999999 least_handles=999999
    for ((i = 0; i < 14 && sound < 7; i++)); do
        ((i == 0)) || hx_sleep 0.25
        line=$(objects_line)
        [[ $line == gdi=* ]] || continue
        sound=$((sound + 1))
        gdi=${line#gdi=} gdi=${gdi%% *}
        users=${line#*users=} users=${users%% *}
        handles=${line#*handles=}
        ((gdi < least_gdi)) && least_gdi=$gdi
        ((users < least_users)) && least_users=$users
        ((handles < least_handles)) && least_handles=$handles
    done
    ((sound >= 3)) || { echo "$line"; return; }
    echo "gdi=$least_gdi users=$least_users handles=$least_handles"
}

# expect_objects WHAT BASELINE: the counts come back to BASELINE within a few seconds (a paint,
# a tray update or a search may hold an object for a moment).
expect_objects()
{
    until_equal 6 "$2" objects_line || hx_fail "$1: $GOT, were $2"
    hx_log "measure objects $1: $GOT"
}

# --- Starting ----------------------------------------------------------------------------------

# fault_start CONTROL: a session, the simulator on CONTROL and the program connected to it,
# its window open (a poll every 750 ms).
fault_start()
{
    hx_session_begin
    hx_control "$1"
    hx_start_sim
    hx_start "$APP" "$HX_TIDEWATCH"
    hx_wait_line "$HX_SIM_LOG" ' out [a-z]+ 64 7501' 10 "$APP" || hx_fail "no status was read"
    choose 201
    until_equal 5 1 visible || hx_fail "the window did not open"
    until_equal 5 "$CONNECTED" link_state || hx_fail "not connected: $GOT"
}

# --- Scenarios ---------------------------------------------------------------------------------

# The cable pulled during a poll, during an apply (pump curve written, fan curve not) and during
# a brightness write. Requests made while the cooler is away are written once it is back; the
# half-written apply is reported as failed and not repeated; the brightness whose write was cut
# is written again once the cooler is back.
scenario_faults_cable_pulled()
{
    fault_start "$COOLER"
    local baseline mark
    baseline=$(objects_baseline)
    hx_log "measure objects start: $baseline"

    hx_log "During a poll: the request read, no reply, the device gone"
    after_a_poll
    # Marked once the cooler is silent: a status it pushed before does not answer this poll.
    control "$COOLER
fault silent
fault unplug after 1"
    mark=$(log_mark)
    expect_state "pulled during a poll" 4 "$NOT_FOUND" "$DISCONNECTED"
    expect_equal "the poll was cut" "1 0" "$(count_after "$mark" ' in cooler 64 7401') $(count_after "$mark" ' out cooler')"
    expect_equal "no badge" -1 "$(peek TrayBadgeValue 4)"
    choose 212 # Balanced
    choose 251 # brightness 25%
    hx_sleep 0.3
    expect_equal "apply and brightness wait" "1 25" "$(peek ApplyPending 4) $(peek BrightnessRequest 4)"
    expect_alive "unplugged"
    mark=$(log_mark)
    control "$COOLER
step plugged back"
    expect_state "plugged back" 5 "$CONNECTED" "$READINGS · "
    wait_after "$mark" " in cooler 64 $(padded 3002011900000101)" 3 || hx_fail "the brightness was not written"
    expect_equal "curves written" "1 1" "$(count_after "$mark" ' in cooler 64 7201') $(count_after "$mark" ' in cooler 64 7202')"
    until_equal 3 "2 25" applied_and_brightness ||
        hx_fail "applied profile and brightness: $GOT"
    expect_state "Balanced applied" 3 "$CONNECTED" "$READINGS · Balanced"

    hx_log "During an apply: the pump curve written, then the device gone"
    after_a_poll
    mark=$(log_mark)
    control "$COOLER
fault unplug after 1"
    choose 213 # Performance
    until_equal 2 -1 peek ApplyResult 4 || hx_fail "the failed apply was not reported: $GOT"
    expect_equal "applied profile kept" 2 "$(peek AppliedProfile 4)"
    expect_equal "pump written, fans not" "1 0" "$(count_after "$mark" ' in cooler 64 7201') $(count_after "$mark" ' in cooler 64 7202')"
    expect_state "pulled during an apply" 4 "$NOT_FOUND" "$DISCONNECTED"
    mark=$(log_mark)
    control "$COOLER
step plugged back again"
    expect_state "plugged back after the apply" 5 "$CONNECTED" "$READINGS · Balanced"
    after_a_poll
    # The applied Balanced (60 % at 20 degrees) is written to the new link, not the failed
    # Performance (75 %).
    expect_equal "Balanced written again" "1 1" \
        "$(count_after "$mark" ' in cooler 64 720101003c') $(count_after "$mark" ' in cooler 64 7202')"
    until_equal 3 0 peek ApplyResult 4 || hx_fail "the failed result stays: $GOT"

    hx_log "During a brightness write: the write waiting on a deaf cooler, then the device gone"
    after_a_poll
    mark=$(log_mark)
    control "$COOLER
fault deaf"
    # The simulator reads the report it was already waiting for: a poll at once is the last.
    choose 201
    wait_after "$mark" ' deaf$' 3 || hx_fail "the cooler did not turn deaf"
    choose 253 # 100%
    until_equal 1 -1 peek BrightnessRequest 4 || hx_fail "the brightness request was not taken: $GOT"
    control "$COOLER
fault deaf
fault unplug"
    until_equal 2 100 peek BrightnessRequest 4 || hx_fail "the cut brightness write was lost: $GOT"
    expect_state "pulled during a brightness write" 4 "$NOT_FOUND" "$DISCONNECTED"
    expect_equal "the brightness not read" "1 0" "$(count_after "$mark" ' in cooler') $(count_after "$mark" ' in cooler 64 3002')"
    expect_alive "unplugged again"
    mark=$(log_mark)
    control "$COOLER
step plugged back a third time"
    wait_after "$mark" " in cooler 64 $(padded 3002016400000101)" 5 || hx_fail "the brightness was not written"
    until_equal 3 100 peek ScreenBrightness 4 || hx_fail "screen brightness $GOT"
    expect_state "plugged back after the brightness" 5 "$CONNECTED" "$READINGS · Balanced"
    expect_alive "at the end"
    expect_objects "after three pulled cables" "$baseline"
}

# A silent cooler: every reply wait runs out, the link fails and is opened again; the window
# answers throughout (a second start hands over to it at once), an apply is still written (the
# cooler reads), and at the end of the session the program is gone within about 2.1 s although
# its worker is in a reply wait.
scenario_faults_silent_cooler()
{
    fault_start "$COOLER"
    local baseline mark
    baseline=$(objects_baseline)
    after_a_poll
    mark=$(log_mark)
    control "$COOLER
fault silent"
    expect_state "silent" 4 "$LINK_FAILED" "$DISCONNECTED"
    expect_equal "no badge" -1 "$(peek TrayBadgeValue 4)"
    expect_alive "silent"

    probe post 0x112 0xF060 0 # SC_CLOSE hides the window
    until_equal 3 0 visible || hx_fail "SC_CLOSE did not hide the window"
    local start=$SECONDS code=0
    HX_RUN_LIMIT=10 hx_run second "$HX_TIDEWATCH" || code=$?
    expect_equal "a second start ends" 0 "$code"
    until_equal 3 1 visible || hx_fail "the second start did not open the window"
    ((SECONDS - start <= 3)) || hx_fail "the hand-over took $((SECONDS - start)) s"
    expect_equal "one window of the class" 1 "$(probe count)"

    choose 211 # Silent
    until_equal 6 1 peek AppliedProfile 4 || hx_fail "the apply was not written to the silent cooler: $GOT"
    expect_equal "curves written" "1 1" "$(count_after "$mark" ' in cooler 64 7201') $(count_after "$mark" ' in cooler 64 7202')"
    expect_state "still silent" 3 "$LINK_FAILED" "$DISCONNECTED"
    wait_after "$mark" ' open cooler' 3 || hx_fail "the silent cooler was not opened again"

    mark=$(log_mark)
    control "$COOLER
step answers again"
    expect_state "answers again" 6 "$CONNECTED" "$READINGS · Silent"
    expect_objects "after the silence" "$baseline"

    hx_log "The session ends while the cooler is silent and the worker is in a long turn"
    mark=$(log_mark)
    control "$COOLER
fault silent
step again"
    # After the failed poll the cooler is opened again: its screen query and its poll each
    # wait 1.4 s for nothing, longer than shutdown waits for the worker.
    wait_after "$mark" ' in cooler 64 3001' 5 || hx_fail "the silent cooler was not opened again"
    expect_equal "WM_QUERYENDSESSION" 1 "$(probe send 0x11 0 0)"
    local began ended
    began=${EPOCHREALTIME/./}
    probe send 0x16 1 0 >/dev/null # WM_ENDSESSION, handled when it returns
    hx_wait_exit "$APP" 5 || hx_fail "the program did not end after WM_ENDSESSION"
    ended=$(((${EPOCHREALTIME/./} - began) / 1000))
    hx_log "measure end_of_session_with_silent_cooler_ms $ended"
    # 2000 ms for the worker and the process's end.
    ((ended >= 1800 && ended <= 2700)) || hx_fail "the program took $ended ms to end"
    expect_equal "windows left" 0 "$(probe count)"
}

# A deaf cooler refuses initialisation again and again (every write times out): the program
# opens it anew a second after each refusal, without leaking; requests made meanwhile wait
# and are written once it reads again; Exit in the middle of it is prompt.
scenario_faults_deaf_cooler()
{
    fault_start "$COOLER"
    local baseline mark
    baseline=$(objects_baseline)
    after_a_poll
    mark=$(log_mark)
    control "$COOLER
fault deaf"
    expect_state "deaf" 3 "$LINK_FAILED" "$DISCONNECTED"
    choose 214 # Apply manual
    choose 250 # screen off
    wait_after "$mark" ' open cooler' 4 2 || hx_fail "not opened again"
    local refused opens
    refused=$(objects_baseline)
    opens=$(count_after "$mark" ' open cooler')
    expect_paced_retries "deaf" 6
    # The report the simulator was already waiting for is read; nothing after it.
    expect_equal "nothing read but the next poll" 1 "$(count_after "$mark" ' in cooler')"
    expect_equal "requests wait" "1 0" "$(peek ApplyPending 4) $(peek BrightnessRequest 4)"
    expect_state "still deaf" 1 "$LINK_FAILED" "$DISCONNECTED"
    expect_alive "deaf"
    hx_log "measure objects refused: $refused"
    expect_objects "after $(($(count_after "$mark" ' open cooler') - opens)) more refusals" "$refused"

    mark=$(log_mark)
    control "$COOLER
step reads again"
    expect_state "reads again" 5 "$CONNECTED" "$READINGS · Manual"
    wait_after "$mark" " in cooler 64 $(padded 3002010000000101)" 3 || hx_fail "the screen was not switched off"
    expect_equal "curves written" "1 1" "$(count_after "$mark" ' in cooler 64 7201') $(count_after "$mark" ' in cooler 64 7202')"
    expect_equal "applied and screen" "0 0" "$(applied_and_brightness)"
    expect_objects "after the deaf spell" "$baseline"

    hx_log "Exit while the cooler refuses initialisation"
    mark=$(log_mark)
    control "$COOLER
fault deaf
step again"
    expect_state "deaf again" 3 "$LINK_FAILED" "$DISCONNECTED"
    # Opened again: the worker waits on its first write.
    wait_after "$mark" ' open cooler' 3 || hx_fail "the deaf cooler was not opened again"
    local began ended
    began=${EPOCHREALTIME/./}
    choose 202
    hx_wait_exit "$APP" 5 || hx_fail "the program did not end after Exit"
    ended=$(((${EPOCHREALTIME/./} - began) / 1000))
    hx_log "measure exit_while_refused_ms $ended"
    # The worker notices the stop between two attempts: at most one write's 500 ms.
    ((ended <= 1500)) || hx_fail "Exit took $ended ms"
}

# Replies the program must read past or refuse: unrelated reports before them (seven are
# read past, eight use up the wait), a flood of unasked reports after every report (an apply
# among them), out-of-range and garbage replies. A refused reply fails the link, which is
# opened again; what was asked meanwhile is written; a good cooler is connected at once
# afterwards.
scenario_faults_bad_replies()
{
    fault_start "$COOLER"
    local baseline mark
    baseline=$(objects_baseline)

    mark=$(log_mark)
    # No pushes: one landing in a reply wait would end it before the seven unrelated reports.
    control "$COOLER
set pushes off
fault unrelated 7"
    wait_after "$mark" ' in cooler 64 7401' 3 2 || hx_fail "no polls"
    expect_state "seven unrelated reports before each reply" 1 "$CONNECTED" "$READINGS · "
    expect_equal "link kept" 0 "$(count_after "$mark" ' close cooler')"

    mark=$(log_mark)
    # Without latency the flood after each write has come before the next request; with it,
    # the flood after a write lands in the next reply wait, which reads 8 reports at most.
    control "$COOLER
set latency 0
fault unsolicited 16"
    wait_after "$mark" ' in cooler 64 7401' 3 || hx_fail "no polls"
    choose 212 # Balanced
    until_equal 3 2 peek AppliedProfile 4 || hx_fail "the apply in the flood: $GOT"
    wait_after "$mark" ' in cooler 64 7401' 4 3 || hx_fail "no polls after the apply"
    expect_state "sixteen unasked reports after every report" 1 "$CONNECTED" "$READINGS · Balanced"
    expect_equal "link kept through the flood and the apply" 0 "$(count_after "$mark" ' close cooler')"
    hx_log "measure flood_reports_sent $(count_after "$mark" ' out cooler 64 0f01')"

    # The cooler still reads what it is sent: requests made meanwhile are written at the next
    # opening, between its refused screen query and its refused poll.
    local fault profile=Balanced quiet
    for fault in "unrelated 8" "patch status 16 10" "patch status 25 101" "garbage"; do
        mark=$(log_mark)
        # A push is a status too: one landing among the eight would end the wait.
        quiet=
        [[ $fault == unrelated* ]] && quiet="set pushes off"
        control "$COOLER
$quiet
fault $fault"
        expect_state "$fault" 3 "$LINK_FAILED" "$DISCONNECTED"
        expect_equal "$fault: no reading kept" 0 "$(peek LatestStatus 4 8)"
        case $fault in
        unrelated*)
            choose 215 # Aggressive
            until_equal 4 4 peek AppliedProfile 4 || hx_fail "$fault: the apply was not written: $GOT"
            profile=Aggressive
            ;;
        garbage)
            choose 251 # 25%
            wait_after "$mark" " in cooler 64 $(padded 3002011900000101)" 4 ||
                hx_fail "$fault: the brightness was not written"
            ;;
        esac
        wait_after "$mark" ' open cooler' 4 || hx_fail "$fault: the cooler was not opened again"
        expect_alive "$fault"
        control "$COOLER
step after $fault"
        expect_state "good again after $fault" 4 "$CONNECTED" "$READINGS · $profile"
    done
    expect_equal "the screen at 25%" 25 "$(peek ScreenBrightness 4)"
    expect_objects "after the bad replies" "$baseline"
}

# sim_time_of MARK REGEX: the simulator's time (ms, whole) of the first line after MARK that
# matches.
sim_time_of() { tail -n +$(($1 + 1)) "$HX_SIM_LOG" | grep -aE -- "$2" | head -n 1 | cut -d' ' -f1 | cut -d. -f1; }

# expect_curves_again WHAT MARK: after MARK the cooler is opened and initialised anew, and the
# pump and then the fan curve of Balanced are written once each, after that link's first poll.
expect_curves_again()
{
    wait_after "$2" ' in cooler 64 7202' 5 || hx_fail "$1: the curves were not written again"
    after_a_poll
    expect_equal "$1: curves written once" "1 1" \
        "$(count_after "$2" ' in cooler 64 7201') $(count_after "$2" ' in cooler 64 7202')"
    local order
    order=$(tail -n +$(($2 + 1)) "$HX_SIM_LOG" | grep -aoE ' in cooler 64 (7002|7401|720[12])' | cut -d' ' -f5 | tr '\n' ' ')
    [[ $order == *"7002 7401 7201 7202 "* ]] || hx_fail "$1: reports in the order $order"
}

# The cooler loses its power: it comes back with its factory curves and brightness, and the
# program writes the applied curves again once the new link has polled. A resume from sleep
# announced by Windows opens and initialises the cooler anew (within the minute, no re-write).
scenario_faults_power_loss_and_resume()
{
    fault_start "$COOLER"
    local baseline mark back fans
    baseline=$(objects_baseline)
    choose 212 # Balanced
    until_equal 3 2 peek AppliedProfile 4 || hx_fail "Balanced was not applied: $GOT"
    after_a_poll
    mark=$(log_mark)
    # Gone for 5 s: long enough for a busy machine's probe to see it gone.
    control "$COOLER
fault powerloss 5000"
    expect_state "power lost" 4 "$NOT_FOUND" "$DISCONNECTED"
    wait_after "$mark" ' plug$' 15 || hx_fail "the cooler did not come back"
    expect_curves_again "after the power loss" "$mark"
    back=$(sim_time_of "$mark" ' plug$')
    fans=$(sim_time_of "$mark" ' in cooler 64 7202')
    hx_log "measure power_back_to_second_curve_report_ms $((fans - back))"
    expect_state "back after the power loss" 3 "$CONNECTED" "$READINGS · Balanced"
    local loss
    for loss in 1 2 3; do # short ones, 12 s apart: each re-written, none taken for a rival
        hx_sleep 12
        mark=$(log_mark)
        control "$COOLER
fault powerloss 300
step $loss"
        wait_after "$mark" ' plug$' 15 || hx_fail "short power loss $loss: not back"
        expect_curves_again "after short power loss $loss" "$mark"
        expect_equal "short power loss $loss: not held" 0 "$(not_held)"
    done

    mark=$(log_mark)
    probe post 0x218 0x4 0 # WM_POWERBROADCAST, PBT_APMSUSPEND
    after_a_poll
    expect_equal "nothing written on suspend" 0 "$(count_after "$mark" ' in cooler 64 72')"
    mark=$(log_mark)
    probe post 0x218 0x12 0 # PBT_APMRESUMEAUTOMATIC
    wait_after "$mark" ' in cooler 64 700201b8' 5 || hx_fail "not initialised again after a resume"
    after_a_poll
    expect_equal "after a resume: opened anew, curves written" "1 0" \
        "$(count_after "$mark" ' open cooler') $(count_after "$mark" ' in cooler 64 72')"
    expect_alive "after the resume"
    expect_objects "after the power loss and the resume" "$baseline"
}

# Another program writes flat duty curves every second: the curves are written again after
# three polls that disagree, once more a minute later, and then no more (nor after dropouts,
# nor after searches that find the cooler held by another program);
# the tooltip and the header say that the curve is not held until the user applies again.
scenario_faults_other_controller()
{
    fault_start "$COOLER"
    local mark first second
    choose 212 # Balanced
    until_equal 3 2 peek AppliedProfile 4 || hx_fail "Balanced was not applied: $GOT"
    mark=$(log_mark)
    control "$COOLER
fault othercontroller 1"
    wait_after "$mark" ' in cooler 64 7201' 25 || hx_fail "the curves were not written again"
    wait_after "$mark" ' in cooler 64 7201' 200 2 || hx_fail "not written again a minute later"
    first=$(sim_time_of "$mark" ' in cooler 64 7201')
    second=$(tail -n +$((mark + 1)) "$HX_SIM_LOG" | grep -a ' in cooler 64 7201' | sed -n 2p | cut -d' ' -f1 | cut -d. -f1)
    hx_log "measure rewrites_apart_ms $((second - first))"
    ((second - first >= 60000)) || hx_fail "written again after $((second - first)) ms"
    until_equal 25 1 not_held || hx_fail "not shown as not held"
    expect_state "not held" 1 "$CONNECTED" "$READINGS · Balanced (not held)"
    hx_until 5 hx_app_header_is 'KRAKEN ELITE  \u00b7  CURVE NOT HELD' || hx_fail "the header does not say so"
    until_equal 10 1 eval "probe tooltips | grep -cF 'Close it and apply a profile.'" || hx_fail "no balloon"
    mark=$(log_mark) # reads that fail now and then: the link drops and is opened again
    control "$COOLER
fault othercontroller 1
fault patch status 15 200 every 6"
    wait_after "$mark" ' open cooler' 40 4 || hx_fail "the link did not drop four times"
    expect_equal "after four dropouts: re-writes, not held" "0 1" \
        "$(count_after "$mark" ' in cooler 64 72') $(not_held)"
    # A poll times out and, before the next search, another program holds the cooler:
    # searched for once a second, nothing written.
    mark=$(log_mark)
    control "$COOLER
fault silent"
    wait_after "$mark" ' close cooler$' 10 || hx_fail "the silent link was not closed"
    control "device cooler 1e71 300c held"
    expect_state "held" 5 "$NOT_FOUND" "$DISCONNECTED"
    hx_sleep 4.5
    control "$COOLER
fault othercontroller 1"
    expect_state "the dropouts over" 3 "$CONNECTED" "$READINGS · Balanced (not held)"
    after_a_poll
    expect_equal "after four held searches: writes, not held" "0 1" \
        "$(count_after "$mark" ' in cooler 64 72') $(not_held)"

    choose 212
    until_equal 10 0 not_held || hx_fail "Apply did not clear it (ApplyResult $(peek ApplyResult 4))"
    expect_state "applied again" 1 "$CONNECTED" "$READINGS · Balanced"
    hx_until 5 hx_app_header_is 'KRAKEN ELITE  \u00b7  CONNECTED' || hx_fail "the header still says so"
    expect_alive "after the other controller"
}

# A cooler without its SATA power (liquid 0xFF 0xFF, the pump at 0 RPM) after an apply: still
# connected, with COOLER FAULT and one balloon, and no curve written. Then one whose every
# write fails at once although it is listed and opens: the link fails before its first poll
# and is opened again only after a second's pause, with the program under 1 % of a core;
# once the cooler is sound it is connected.
scenario_faults_refused_at_once()
{
    fault_start "$COOLER"
    local baseline mark
    baseline=$(objects_baseline)
    choose 212 # Balanced
    until_equal 3 2 peek AppliedProfile 4 || hx_fail "Balanced was not applied: $GOT"
    mark=$(log_mark)
    control "$COOLER
set liquid nosata
set pumprpm 0"
    until_equal 20 "Tidewatch · PUMP STOPPED · COOLER FAULT · Pump 0 RPM · Fans 760 RPM · Balanced" tooltip ||
        hx_fail "no SATA power: tooltip $GOT"
    expect_equal "no SATA power: still connected" "$CONNECTED" "$(link_state)"
    until_equal 15 "The cooler reports a fault. Check its SATA power cable." balloon || hx_fail "balloon: $GOT"
    until_equal 20 "" balloon || hx_fail "the balloon stays: $GOT"
    hx_sleep 4
    expect_equal "no SATA power: one balloon" "" "$(balloon)"
    expect_equal "no SATA power: the red band alone" 200 "$(peek TrayBadgeValue 4)"
    expect_alive "no SATA power"
    expect_equal "no SATA power: curve writes" 0 "$(count_after "$mark" ' in cooler 64 72')"
    control "$COOLER
step powered"
    until_equal 20 "$READINGS · Balanced" tooltip || hx_fail "powered: tooltip $GOT"
    control "$COOLER
fault writefail"
    expect_state "every write refused" 4 "$LINK_FAILED" "$DISCONNECTED"
    expect_paced_retries "every write refused" 10
    expect_alive "every write refused"
    control "$COOLER
step writes again"
    expect_state "writes again" 4 "$CONNECTED" "$READINGS · "
    expect_objects "after the refusals" "$baseline"
}

# Two coolers: the first is taken, the second never opened. An interface held by another
# program is passed over; when it is the only one, there is no cooler; released, it is taken
# and the apply asked for meanwhile written.
scenario_faults_two_coolers_and_held()
{
    local interfaces="device busy 1e71 300c held
device first 1e71 300c
device second 1e71 300c
set liquid 427
set pumprpm 980
set fanrpm 760"
    fault_start "$interfaces"
    local baseline mark
    baseline=$(objects_baseline)
    after_a_poll
    expect_equal "the held one passed over, the second never opened" "1 0 0 1" \
        "$(hx_count "$HX_SIM_LOG" ' held busy$') $(hx_count "$HX_SIM_LOG" ' open busy$') $(hx_count "$HX_SIM_LOG" ' open second$') $(hx_count "$HX_SIM_LOG" ' open first$')"
    expect_state "the first of two" 1 "$CONNECTED" "$READINGS · "

    control "device busy 1e71 300c held
set liquid 427"
    expect_state "only a held interface" 5 "$NOT_FOUND" "$DISCONNECTED"
    choose 213 # Performance
    expect_alive "held"

    mark=$(log_mark)
    control "device busy 1e71 300c
set liquid 427
set pumprpm 980
set fanrpm 760"
    expect_state "released" 5 "$CONNECTED" "$READINGS · Performance"
    expect_equal "the apply written to it" "1 1" "$(count_after "$mark" ' in busy 64 7201') $(count_after "$mark" ' in busy 64 7202')"
    expect_objects "after the held interface" "$baseline"
}

# gpu_run NAME VALID: starts the program, connected, and checks that it publishes gpuValid
# VALID and runs; then Exit, with exit code 0, and no window of the class left (a start
# while the server still holds the last one's mutex would only hand over to it).
gpu_run()
{
    APP=$1
    hx_start "$APP" "$HX_TIDEWATCH"
    until_equal 20 "$CONNECTED" link_state || hx_fail "$1: not connected: $GOT"
    until_equal 3 "$2" peek LatestStatus 4 28 || hx_fail "$1: gpuValid $GOT"
    expect_alive "$1"
    choose 202
    local code=0
    hx_wait_exit "$APP" 5 || code=$?
    expect_equal "$1: gpuValid $2, exit code" 0 "$code"
    until_equal 5 0 probe count || hx_fail "$1: a window is left"
}

# The GPU library missing, missing each required entry point, failing to start, and failing
# each sampling call while the program runs: the GPU fields stay invalid, the program runs.
scenario_faults_gpu_library()
{
    hx_session_begin
    hx_control "$COOLER"
    hx_start_sim
    gpu_run no-library 0
    local entry
    for entry in $REQUIRED; do
        hx_place_nvml "no_$entry"
        gpu_run "no-$entry" 0
        expect_equal "no-$entry: library loaded and unloaded, nothing called" "attach=1 detach=1 nvmlInit_v2=0" \
            "$(grep -aE '^(attach|detach|nvmlInit_v2)=' "$HX_SESSION/nvml-calls.txt" | tr -d '\r' | tr '\n' ' ' | sed 's/ $//')"
    done
    hx_place_nvml full
    for entry in nvmlInit_v2 nvmlDeviceGetHandleByIndex_v2; do
        hx_gpu "name=NVIDIA XY 100" fan=40 rpm=1500 temp=55 "fail=$entry"
        gpu_run "failing-$entry" 0
    done

    hx_gpu "name=NVIDIA XY 100" fan=40 rpm=1500 temp=55
    APP=sampling
    hx_start "$APP" "$HX_TIDEWATCH"
    until_equal 20 "$CONNECTED" link_state || hx_fail "not connected: $GOT"
    choose 201 # a poll, and a sample, every 750 ms
    until_equal 3 "1 40 1500 55" gpu_fields ||
        hx_fail "GPU sample: $GOT"
    for entry in nvmlDeviceGetFanSpeed_v2 nvmlDeviceGetTemperature; do
        hx_gpu "name=NVIDIA XY 100" fan=40 rpm=1500 temp=55 "fail=$entry"
        until_equal 3 "0 0 0 0" gpu_fields ||
            hx_fail "$entry failing: GPU fields $GOT"
        expect_alive "$entry failing"
        expect_equal "$entry failing: the cooler still read" "$CONNECTED" "$(link_state)"
    done
    hx_gpu "name=NVIDIA XY 100" fan=40 rpm=1500 temp=55 fail=nvmlDeviceGetFanSpeedRPM
    until_equal 3 "1 40 0 55" gpu_fields ||
        hx_fail "nvmlDeviceGetFanSpeedRPM failing: GPU fields $GOT"
    hx_gpu "name=NVIDIA XY 100" fan=45 rpm=1600 temp=60
    until_equal 3 "1 45 1600 60" gpu_fields ||
        hx_fail "the GPU is not read again: $GOT"
    choose 202
    local code=0
    hx_wait_exit "$APP" 5 || code=$?
    expect_equal "sampling: exit code" 0 "$code"
    expect_equal "the library unloaded at the end" "attach=1 detach=1" \
        "$(grep -aE '^(attach|detach)=' "$HX_SESSION/nvml-calls.txt" | tr -d '\r' | tr '\n' ' ' | sed 's/ $//')"
}

# dwmapi.dll, nvml.dll and hid.dll planted beside a copy of the exe (as in a Downloads folder,
# which is also its current directory) are never loaded, with Wine told to prefer a native
# dwmapi.dll; the decoys are shown to load for a program that asks for them by name.
scenario_faults_planted_dlls()
{
    hx_session_begin
    hx_control "$COOLER"
    hx_start_sim
    local folder=$HX_SESSION/downloads marker=$HX_SESSION/decoys-loaded
    mkdir -p "$folder"
    cp "$HX_TIDEWATCH" "$DECOYS/hid.dll" "$DECOYS/dwmapi.dll" "$DECOYS/nvml.dll" "$folder/"
    cp "$HX_PROBE" "$folder/loader.exe"
    export TIDEWATCH_DECOY_MARKER WINEDLLOVERRIDES
    TIDEWATCH_DECOY_MARKER=$(hx_winpath "$marker")
    WINEDLLOVERRIDES="$WINEDLLOVERRIDES;dwmapi=n,b"
    pushd "$folder" >/dev/null || hx_fail "no folder"
    local name
    for name in dwmapi.dll nvml.dll; do
        wine "$folder/loader.exe" load "$name" >/dev/null 2>&1
        grep -aqx "$name" "$marker" 2>/dev/null || hx_fail "the decoy $name does not load where it is asked for"
    done
    rm -f "$marker"

    local HX_TIDEWATCH=$folder/Tidewatch.exe
    gpu_run planted 0
    [ ! -e "$marker" ] || hx_fail "a decoy was loaded: $(cat "$marker")"
    hx_gpu "name=NVIDIA XY 100" fan=40 rpm=1500 temp=55
    gpu_run planted-with-system-library 1
    [ ! -e "$marker" ] || hx_fail "a decoy was loaded: $(cat "$marker")"
    popd >/dev/null || true
}

# GDI objects, USER handles and kernel handles across 2 000 status updates, each updating the
# tray icon and repainting the open window: an object kept by one update in a thousand shows.
scenario_faults_objects_status_updates()
{
    fault_start "$COOLER"
    probe repeat 200 0x8001 0 0 >/dev/null || hx_fail "the status updates were not taken"
    local baseline result
    baseline=$(objects_baseline)
    hx_log "measure objects before: $baseline"
    result=$(probe repeat 2000 0x8001 0 0) # MsgStatusUpdated
    hx_log "measure status_updates $result"
    [[ $result == "sent=2000 "* ]] || hx_fail "status updates: $result"
    expect_alive "after the status updates"
    expect_objects "after 2000 status updates" "$baseline"
    expect_state "after the status updates" 1 "$CONNECTED" "$READINGS · Unchanged"
}

# The same across 200 badge changes (the cooler reads 40.0 and 41.0 by turns, and each
# command 201 wakes the worker for a poll at once) and 10 taskbar restarts.
scenario_faults_objects_badge_changes()
{
    fault_start "device cooler 1e71 300c
set liquid 400
fault patch status 15 41 every 2"
    local badge baseline result
    badge=$(rva TrayBadgeValue)
    probe wake-until 20 "$badge" 2000 >/dev/null || hx_fail "the badge does not change"
    baseline=$(objects_baseline)
    hx_log "measure objects before: $baseline"
    result=$(probe wake-until 200 "$badge" 2000)
    hx_log "measure badge_changes $result"
    [[ $result == "changes=200 "* ]] || hx_fail "badge changes: $result"
    expect_alive "after the badge changes"
    expect_objects "after 200 badge changes" "$baseline"

    local i
    for ((i = 0; i < 10; i++)); do
        [ "$(probe untray)" = 1 ] || hx_fail "the shell could not let the icon go"
        probe taskbar >/dev/null || hx_fail "TaskbarCreated not delivered"
        [ "$(probe tray)" = 1 ] || hx_fail "no icon after taskbar restart $i"
    done
    expect_objects "after 10 taskbar restarts" "$baseline"
}
