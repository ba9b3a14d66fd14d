# Scenarios of the real command set (commands_wine_test.exe) over the real Windows transport
# against the simulated cooler. Run by tests/windows/harness/run-scenario.sh.

HX_COMMANDS_TEST=${HX_COMMANDS_TEST:-$HX_BUILD/tests/commands_wine_test.exe}
. "$(dirname "${BASH_SOURCE[0]}")/cooler_reports.sh"

OPS=()      # the lines of the last run, one per operation, without CR
LOG_MARK=0  # simulator log lines before the last run

# commands NAME OPERATIONS...: runs the test program on the cooler; its lines land in OPS.
commands()
{
    local name=$1
    shift
    LOG_MARK=$(wc -l <"$HX_SIM_LOG")
    hx_run_ok "$name" "$HX_COMMANDS_TEST" "$@"
    mapfile -t OPS < <(tr -d '\r' <"$HX_SESSION/$name.out")
    printf '  | %s\n' "${OPS[@]}" >&2
}

# expect_op INDEX TEXT: operation INDEX (from 0) printed a line starting with TEXT.
expect_op()
{
    [[ ${OPS[$1]:-} == "$2"* ]] || hx_fail "operation $1: '${OPS[$1]:-}' does not start with '$2'"
}

# op_ms INDEX: the whole milliseconds operation INDEX took.
op_ms() { local ms=${OPS[$1]##*ms=}; echo "${ms%%.*}"; }

# expect_ms INDEX LOW HIGH: operation INDEX took LOW..HIGH ms.
expect_ms()
{
    local ms
    ms=$(op_ms "$1")
    [ "$ms" -ge "$2" ] && [ "$ms" -le "$3" ] || hx_fail "operation $1 took $ms ms, not $2..$3"
}

# The reports the simulated cooler read during the last run, as hex, one a line.
reports_read() { tail -n +$((LOG_MARK + 1)) "$HX_SIM_LOG" | awk '$2 == "in" && $3 == "cooler" { print $5 }'; }
# The reports it sent during the last run.
reports_sent() { tail -n +$((LOG_MARK + 1)) "$HX_SIM_LOG" | awk '$2 == "out" && $3 == "cooler" { print $4 " " $5 }'; }

scenario_commands_write_reports()
{
    hx_session_begin --headless
    hx_control "device cooler 1e71 300c"
    hx_start_sim
    commands writes init curve pump 2 0 curve fans 2 0 curve pump 0 60 curve fans 0 35 \
        brightness 50 2 status
    local i
    for i in 0 1 2 3 4 5; do expect_op $i "$(cut -d' ' -f1 <<<"${OPS[$i]}") ok=1"; done
    # The simulated cooler now runs the manual curves: 31.0 degrees gives 60% and 35%.
    expect_op 6 "status ok=1 connected=1 link=0 liquid=310 pumprpm=2040 pumpduty=60 fanrpm=700 fanduty=35 gpu=-7,-7,-7,-7"
    local expected
    expected=$(printf '%s\n' "$(padded 700201b801)" "$(padded 7001)" "$(balanced_pump)" \
        "$(balanced_fans)" "$(manual 72010100 60)" "$(manual 72020101 35)" \
        "$(padded 3002013200000102)" "$(padded 7401)")
    [ "$(reports_read)" = "$expected" ] || hx_fail "the cooler read other reports:
$(reports_read)
expected:
$expected"

    # A deaf cooler: InitA times out and InitB is not tried.
    hx_control "device cooler 1e71 300c
fault deaf"
    commands deaf init
    expect_op 0 "init ok=0"
    expect_ms 0 450 900
    [ -z "$(reports_read)" ] || hx_fail "a deaf cooler read a report"
}

scenario_commands_status_replies()
{
    hx_session_begin --headless
    # One fault per status request, by request number; an unasked report follows every
    # rejected reply, so that what the wait left unread shows.
    hx_control "device cooler 1e71 300c
fault unrelated 7 for 1
fault unrelated 8 after 1 for 1
fault patch status 16 10 after 2 for 1
fault patch status 15 100 after 3 for 1
fault patch status 16 1 after 3 for 1
fault patch status 19 101 after 4 for 1
fault patch status 25 101 after 5 for 1
fault unsolicited 1 after 2 for 4
fault unrelated 7 after 6 for 2
fault short 32 after 6 for 1
fault garbage after 7 for 1
fault silent after 8 for 1"
    hx_start_sim
    commands replies status status leftover status leftover status leftover status leftover \
        status leftover status status status status
    local good="connected=1 link=0 liquid=310 pumprpm=2040 pumpduty=60 fanrpm=800 fanduty=40 gpu=-7,-7,-7,-7"
    # Seven unrelated reports, then the reply on the eighth read.
    expect_op 0 "status ok=1 $good"
    # Eight unrelated reports use up the wait; the reply is left for the next read.
    expect_op 1 "status ok=0 $good"
    expect_ms 1 0 300
    expect_op 2 "leftover ok=1 bytes=7501"
    # Out of range (tenths 10; 100.1 degrees; pump duty 101; fan duty 101): failed at once,
    # the unasked report after the reply still unread, the record as it was.
    for i in 3 5 7 9; do
        expect_op $i "status ok=0 $good"
        expect_ms $i 0 170
        expect_op $((i + 1)) "leftover ok=1 bytes=0f01"
    done
    # Seven unrelated reports and a reply cut to 32 bytes; then seven and garbage for it.
    expect_op 11 "status ok=0 $good"
    expect_ms 11 0 300
    expect_op 12 "status ok=0 $good"
    expect_ms 12 0 300
    # No reply at all: the whole wait, 8 reads of 175 ms.
    expect_op 13 "status ok=0 $good"
    expect_ms 13 1390 1900
    hx_log "measure silent_status_reply_wait_ms $(op_ms 13)"
    expect_op 14 "status ok=1 $good"

    local sent
    sent=$(reports_sent | sed -n '17p') # 8 reports for the 1st request, then 8 unrelated
    [[ $sent == "64 7501"* ]] || hx_fail "the reply to the 2nd request was not the 9th report: $sent"
    [ "$(reports_sent | grep -c '^32 7501')" -eq 1 ] || hx_fail "no short reply was sent"

    # The limits of every field are accepted.
    hx_control "device cooler 1e71 300c
set liquid 1000
set pumprpm 65535
set pumpduty 100
set fanrpm 0
set fanduty 100"
    commands limits status
    expect_op 0 "status ok=1 connected=1 link=0 liquid=1000 pumprpm=65535 pumpduty=100 fanrpm=0 fanduty=100 gpu=-7,-7,-7,-7"
}

scenario_commands_screen_info()
{
    hx_session_begin --headless
    hx_control "device cooler 1e71 300c
fault patch screen 26 4 for 1
fault patch screen 24 101 after 1 for 1
fault unrelated 8 after 2 for 1"
    hx_start_sim
    # Mode 4 or brightness 101 stores neither value, nor does a wait without the reply.
    commands screen preset 77 2 screen screen screen leftover screen brightness 30 3 screen
    expect_op 0 "screen ok=0 brightness=77 mode=2"
    expect_op 1 "screen ok=0 brightness=77 mode=2"
    expect_op 2 "screen ok=0 brightness=77 mode=2"
    expect_op 3 "leftover ok=1 bytes=3101"
    expect_op 4 "screen ok=1 brightness=50 mode=1"
    expect_op 5 "brightness ok=1"
    expect_op 6 "screen ok=1 brightness=30 mode=3"
    reports_read | grep -qx "$(padded 3002011e00000103)" || hx_fail "the brightness report was not read as sent"
    [ "$(reports_read | grep -cx "$(padded 3001)")" -eq 5 ] || hx_fail "not five screen requests"
}
