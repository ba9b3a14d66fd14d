# The benchmark's session under the end-to-end harness (run by scripts/bench, not by the
# suite): Tidewatch and the baseline side by side under one Wine, results as "key value"
# lines in $HX_SESSION/results.

. "$(dirname "${BASH_SOURCE[0]}")/../windows/harness/app.sh"

bench_result() { echo "$1 $2" >>"$HX_SESSION/results"; }

# The relative address of a global of the exe, from the link map.
bench_rva()
{
    local map=$HX_BUILD/Tidewatch.map base address
    base=$(awk '$2 == "__image_base__" {print $1}' "$map")
    address=$(awk -v name="$1" '$2 == name && $1 ~ /^0x/ {print $1}' "$map" | head -n 1)
    printf '0x%x' $((address - base))
}

bench_out() { tr -d '\r' <"$HX_SESSION/$1.out"; }

scenario_bench()
{
    local probe=$HX_BUILD/tests/bench_probe.exe peek=$HX_BUILD/tests/tidewatch_probe.exe
    local baseline=$HX_BUILD/tests/tidewatch_baseline.exe
    hx_session_begin
    hx_control "device cooler 1e71 300c"
    hx_start_sim

    # Start-up: process creation to window, the program's and the baseline's runs in turns
    # under the same Wine.
    local runs=${BENCH_STARTS:-31} times
    HX_RUN_LIMIT=$((30 + 3 * runs)) hx_run_ok startup "$probe" startup Harrowsoft.Tidewatch "$(hx_winpath "$HX_TIDEWATCH")" \
        Tidewatch.Baseline "$(hx_winpath "$baseline")" $runs
    read -r -a times <<<"$(bench_out startup)"
    bench_result startup_app_us "${times[0]}"
    bench_result startup_base_us "${times[1]}"
    bench_result startup_ratio "${times[2]}"

    # One minute connected with the dashboard open, beside the baseline with its window open.
    hx_start app "$HX_TIDEWATCH"
    hx_app_wait_window # holds the mutex (the runs above left polls in the log already)
    hx_run_ok open "$HX_TIDEWATCH"
    hx_start base "$baseline"
    sleep 1
    hx_run_ok open_base "$baseline"
    hx_run_ok micros "$peek" peek "$(bench_rva StartupMicros)" 8
    bench_result startup_micros "$(bench_out micros)"

    # Click on Silent and Balanced in turn, until both curve reports reach the cooler.
    local i x
    for i in 1 2 3 4 5 6; do
        x=$((i % 2 ? 78 : 186))
        hx_run_ok click$i "$probe" click $x 602 "$(hx_winpath "$HX_SIM_LOG")"
        bench_result click_us "$(bench_out click$i)"
        sleep 0.3
    done

    hx_run_ok paint "$probe" paint 200
    bench_result paint_us "$(bench_out paint | cut -d' ' -f1)"

    sleep "${BENCH_SETTLE_SECONDS:-60}"
    bench_result rss_app_kb "$(awk '/VmRSS/ {print $2}' "/proc/$(hx_pid_of app)/status")"
    bench_result rss_base_kb "$(awk '/VmRSS/ {print $2}' "/proc/$(hx_pid_of base)/status")"
    hx_run_ok paint2 "$probe" paint 200
    bench_result paint_us "$(bench_out paint2 | cut -d' ' -f1)"
    hx_stop base
    hx_stop app
}

# bench_cpu WHAT SECONDS: the CPU time Tidewatch and the baseline use over SECONDS, each as a
# share of one core in percent.
bench_cpu()
{
    local hz app base
    hz=$(getconf CLK_TCK)
    app=$(hx_cpu_ticks app)
    base=$(hx_cpu_ticks base)
    sleep "$2"
    app=$(($(hx_cpu_ticks app) - app))
    base=$(($(hx_cpu_ticks base) - base))
    bench_result "cpu_${1}_app_pct" "$(awk -v t="$app" -v hz="$hz" -v s="$2" 'BEGIN { printf "%.3f", 100 * t / hz / s }')"
    bench_result "cpu_${1}_base_pct" "$(awk -v t="$base" -v hz="$hz" -v s="$2" 'BEGIN { printf "%.3f", 100 * t / hz / s }')"
}

# CPU time with the window hidden: connected to a cooler that pushes its status twice a second,
# then with no cooler at all, beside the baseline left hidden as well.
scenario_bench_cpu()
{
    local seconds=${BENCH_CPU_SECONDS:-120} mark
    hx_session_begin
    hx_control "device cooler 1e71 300c"
    hx_start_sim
    hx_start app "$HX_TIDEWATCH"
    hx_start base "$HX_BUILD/tests/tidewatch_baseline.exe"
    hx_wait_line "$HX_SIM_LOG" ' in cooler 64 7401' 10 || hx_fail "the program did not poll"
    sleep 5
    mark=$(wc -l <"$HX_SIM_LOG")
    bench_cpu connected "$seconds"
    bench_result pushes_per_s "$(tail -n +$((mark + 1)) "$HX_SIM_LOG" | grep -ac ' out cooler 64 7502' |
        awk -v s="$seconds" '{ printf "%.2f", $1 / s }')"
    [ "$(tail -n +$((mark + 1)) "$HX_SIM_LOG" | grep -ac ' close cooler')" = 0 ] ||
        hx_fail "the link dropped while measuring"

    hx_control "step no cooler"
    sleep 5
    bench_cpu no_cooler "$seconds"
    hx_stop base
    hx_stop app
}

bench_now_ms() { echo $((${EPOCHREALTIME/./} / 1000)); }

# Ten minutes connected with the window hidden, the cooler pushing its status twice a second
# and a second program polling it once a second, its liquid wandering: the link never drops,
# and every reading the program holds (liquid and pump speed, sampled about twice a second) is
# one the cooler sent within the last three poll periods (6 s: a poll held up by a busy machine
# is no fault; a reading the cooler never sent, or one long gone, is).
scenario_bench_shared()
{
    local seconds=${BENCH_SHARED_SECONDS:-600} samples reading again connected mark offset=
    local end b0 b1 try unread=0 status figures
    status=$(bench_rva LatestStatus) figures=$(printf '0x%x' $(($(bench_rva LatestStatus) + 8)))
    hx_session_begin
    samples=$HX_SESSION/samples
    hx_control "device cooler 1e71 300c
drift on"
    hx_start_sim
    hx_start app "$HX_TIDEWATCH"
    hx_wait_line "$HX_SIM_LOG" ' in cooler 64 7401' 10 app || hx_fail "the program did not poll"
    hx_start poller "$HX_BUILD/standins/kraken_poller.exe" 1
    # The simulator's clock against this shell's: it logs a new control text soon after it was
    # written, never before; the least of five differences is the closest.
    for try in 1 2 3 4 5; do
        mark=$(hx_lines "$HX_SIM_LOG")
        b0=$(bench_now_ms)
        hx_control "device cooler 1e71 300c
drift on
# clock $try"
        hx_wait_lines "$HX_SIM_LOG" ' control$' 1 10 "" "$mark" || hx_fail "the simulator did not take the control text"
        b1=$(($(tail -n +$((mark + 1)) "$HX_SIM_LOG" | grep -a ' control$' | head -n 1 | cut -d. -f1) - b0))
        [ -z "$offset" ] || [ "$b1" -lt "$offset" ] && offset=$b1
    done

    # Each sample through the session's probe (no process started per sample): the figures,
    # the link, then the figures again; figures that changed in between (a publication between
    # the two reads) or a read that failed make no sample.
    end=$(($(bench_now_ms) + seconds * 1000))
    while [ "$(bench_now_ms)" -lt "$end" ]; do
        b0=$(bench_now_ms)
        if reading=$(hx_probe peek "$figures" 8) && connected=$(hx_probe peek "$status" 4) &&
            again=$(hx_probe peek "$figures" 8) && [ -n "$reading" ] && [ "$reading" = "$again" ]; then
            b1=$(bench_now_ms)
            echo "$((b0 + offset)) $((b1 + offset)) $((reading & 0xFFFFFFFF)) $((reading >> 32)) $connected" >>"$samples"
        else
            unread=$((unread + 1))
        fi
        hx_sleep 0.2
    done
    hx_stop poller
    # Every status the cooler sent (a reply to either program, or a push): time, liquid in
    # tenths, pump rpm.
    grep -aE ' out cooler 64 750[12]' "$HX_SIM_LOG" | awk '
        function nibble(i) { return index("0123456789abcdef", substr($5, i, 1)) - 1 }
        function byte(i) { return nibble(2 * i + 1) * 16 + nibble(2 * i + 2) }
        { printf "%d %d %d\n", $1, byte(15) * 10 + byte(16), byte(17) + 256 * byte(18) }' >"$HX_SESSION/statuses"
    bench_result shared_unread "$unread"
    bench_result shared_samples "$(wc -l <"$samples")"
    bench_result shared_not_connected "$(awk '$5 != 1' "$samples" | wc -l)"
    # Opened by the program once; any more of its opens is a dropped link. The poller's opens
    # are its own: it opens again after a write that ran out of time on a busy machine.
    bench_result shared_poller_opens "$(grep -ac ' open' "$HX_SESSION/poller.out")"
    bench_result shared_link_drops "$(($(grep -ac ' open cooler$' "$HX_SIM_LOG") - 1 - $(grep -ac ' open' "$HX_SESSION/poller.out")))"
    bench_result shared_pushes_per_s "$(grep -ac ' out cooler 64 7502' "$HX_SIM_LOG" | awk -v s="$seconds" '{ printf "%.2f", $1 / s }')"
    bench_result shared_poller_answered "$(grep -ac ' poll ok ' "$HX_SESSION/poller.out")"
    bench_result shared_poller_failed "$(grep -ac ' poll failed' "$HX_SESSION/poller.out")"
    # A reading agrees when a status with the same liquid and pump speed was sent between three
    # poll periods before the sample and the sample's end. Also kept: the oldest a reading was
    # (from the newest such status to the sample's start), in ms.
    awk '
        NR == FNR { t[NR] = $1; l[NR] = $2; r[NR] = $3; n = NR; next }
        $5 == 1 { newest = -1
          for (i = 1; i <= n && t[i] <= $2; i++) if (l[i] == $3 && r[i] == $4) newest = t[i]
          if (newest < 0 || newest < $1 - 6000) bad++
          else if ($1 - newest > oldest) oldest = $1 - newest }
        END { printf "shared_readings_disagreeing %d\nshared_oldest_reading_ms %d\n", bad, oldest }' \
        "$HX_SESSION/statuses" "$samples" >>"$HX_SESSION/results"
    hx_stop app
}
