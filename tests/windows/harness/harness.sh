# End-to-end harness for Windows programs under Wine: a library of hx_* functions, sourced
# by run-scenario.sh. Every end-to-end test of the real exe goes through it.
#
# Usage
#   A scenario is a bash function `scenario_NAME` in a script file; register it in CTest
#   from a tests/windows/<group>.cmake file:
#       include(${CMAKE_CURRENT_LIST_DIR}/harness/e2e.cmake)
#       tidewatch_e2e_scenario(NAME ${CMAKE_CURRENT_LIST_DIR}/my_scenarios.sh
#                              [ENV VAR=value ...])
#   It runs with the label e2e, after the fixture that prepares the cached Wine prefix
#   (build/windows/e2e/prefix: created once, 5-8 s; stand-in DLLs reinstalled every run).
#   Scenarios run side by side: each session links a prefix of its own from the prepared one
#   and starts its own wineserver, display and simulator, so a scenario may do anything to
#   its session but must not wait on fixed times where an event can be awaited (the machine
#   is busy with the others). Waits read files and the probe without starting a process per
#   turn (hx_wait_lines, hx_sleep, hx_probe in app.sh): a scenario's own loops should too.
#   By hand:  bash tests/windows/harness/run-scenario.sh SCRIPT NAME  (same environment).
#
#   A scenario looks like:
#       scenario_status_shows() {
#           hx_session_begin                      # Xvfb, openbox, wineserver (--headless: none)
#           hx_control "device cooler 1e71 300c
#       set liquid 315"                           # the simulated cooler's control file
#           hx_start_sim                          # returns once the simulator is ready
#           hx_start app "$HX_TIDEWATCH"          # runs in the background, PID kept
#           hx_wait_line "$HX_SIM_LOG" ' in cooler 64 7401' 5 || hx_fail "no status request"
#           hx_control "...
#       fault silent"                             # rewritten atomically; applied at the next request
#           hx_stop app                           # or hx_wait_exit app SECONDS
#       }
#   hx_run NAME EXE ARGS... runs a program to its end and returns its exit code; its output is
#   in $HX_SESSION/NAME.out and NAME.err (Windows lines end in CRLF: don't anchor on $).
#   hx_wait_line FILE REGEX SECONDS NAME stops waiting early once program NAME has ended.
#   hx_place_nvml VARIANT puts a stand-in nvml.dll (full, or no_ENTRYPOINT) into system32 for
#   the rest of the session (its readings: standins/nvml/nvml_standin.cpp).
#   hx_reg_add sets a registry value for the session; each session starts from the registry
#   as prepared, on a fresh wineserver. hx_gpu puts the full stand-in nvml.dll in place and
#   sets its readings; a session without it or hx_place_nvml has no nvml.dll. HX_SCREEN sets
#   the display's size (default 1280x1024x24) for a session begun after it.
#   hx_session_begin --headless skips the display for console programs; --display uses the
#   caller's $DISPLAY and its window manager instead of Xvfb (scripts/run on a desktop). A
#   new test program whose hid.dll and setupapi.dll must be the stand-ins needs its exe name
#   in HX_OVERRIDE_EXES below.
#   Failing: hx_fail MESSAGE (or return non-zero). Whatever happens, everything started is
#   stopped by PID and the wineserver killed; a "wine: Unhandled" on any program's stderr
#   fails the scenario unless hx_expect_crash NAME was called. Files stay in $HX_SESSION
#   (build/windows/e2e/sessions/NAME) for inspection. Simulator log format and control file
#   syntax: standins/kraken/kraken_sim_win32.cpp and sim_config.h. By default the simulated
#   cooler behaves like the real one (status pushes after InitA, answers to writes, a few ms
#   of latency, a queue of 32 reports per open handle): a scenario that needs the silent
#   cooler of old says `quiet` in its control text. hx_start NAME "$HX_POLLER" RATE [SECONDS]
#   runs a second program polling the cooler's interface beside the one under test
#   (standins/kraken/kraken_poller_win32.cpp). Driving the real exe
#   through tidewatch_probe.exe (its window, globals, pixels, tray icon): app.sh beside this.
#
# Environment (set by e2e.cmake; by hand, the defaults below find build/windows): HX_BUILD,
# HX_PREFIX, HX_SIM, HX_STANDIN_HID, HX_STANDIN_SETUPAPI, HX_WINEBOOT, HX_DECOY_HID, HX_NVML_STANDINS,
# HX_STANDIN_NVML, HX_TIDEWATCH and the test programs (HX_TRANSPORT_TEST, HX_POLLER).

# Programs whose hid.dll and setupapi.dll are the test stand-ins in system32 (per-exe
# overrides, so that Wine's own processes keep the builtin ones).
HX_OVERRIDE_EXES="Tidewatch.exe transport_wine_test.exe commands_wine_test.exe worker_wine_test.exe"
HX_BUILD=${HX_BUILD:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../../.." && pwd)/build/windows}
HX_PREFIX=${HX_PREFIX:-$HX_BUILD/e2e/prefix}
HX_SIM=${HX_SIM:-$HX_BUILD/standins/kraken_sim.exe}
HX_STANDIN_HID=${HX_STANDIN_HID:-$HX_BUILD/standins/system32/hid.dll}
HX_STANDIN_SETUPAPI=${HX_STANDIN_SETUPAPI:-$HX_BUILD/standins/system32/setupapi.dll}
HX_DECOY_HID=${HX_DECOY_HID:-$HX_BUILD/standins/decoy/hid.dll}
HX_TIDEWATCH=${HX_TIDEWATCH:-$HX_BUILD/Tidewatch.exe}
HX_WINEBOOT=${HX_WINEBOOT:-$HX_BUILD/standins/wineboot/wineboot.exe}
HX_TRANSPORT_TEST=${HX_TRANSPORT_TEST:-$HX_BUILD/tests/transport_wine_test.exe}
HX_POLLER=${HX_POLLER:-$HX_BUILD/standins/kraken_poller.exe}
HX_NVML_STANDINS=${HX_NVML_STANDINS:-$HX_BUILD/standins/nvml}
HX_STANDIN_NVML=${HX_STANDIN_NVML:-$HX_BUILD/standins/nvml/full/nvml.dll}

# Wine's own errors stay on: they are the last words of a program that ends early.
export WINEDEBUG=${HX_WINEDEBUG:--all,err+all}
# The first process of a session's new wineserver starts wineboot and waits for it. In the
# prepared prefix that is the test-only one (standins/wineboot), which only lets it go on: the
# real one starts services.exe with the device, plug-and-play, event log and RPC services,
# about 0.7 s of CPU a session, and the programs under test use none of them (no COM, no
# device notifications; the tray is explorer's, started with the first window).
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe=;wineboot.exe=n"
# The prepared prefix until a session begins; then the session's own copy of it.
export WINEPREFIX=$HX_PREFIX
HX_SYSTEM32=$HX_PREFIX/drive_c/windows/system32

HX_SESSION=
HX_SIM_LOG=
HX_CONTROL=
HX_PIDS=()          # PIDs started in this session, in order
HX_PID_NAMES=()     # their names
HX_EXPECTED_CRASHES=" "
HX_REAPED=" "       # PIDs whose end the scenario waited for or caused
HX_WINESERVER_PID=

# hx_log MESSAGE: to stderr and, once a session has begun, to its harness.log (ctest keeps a
# passing test's output only until its next run).
hx_log()
{
    local now=$EPOCHREALTIME line
    printf -v line '[hx %(%T)T.%03d] %s' "${now%.*}" $((10#${now#*.} / 1000)) "$*"
    printf '%s\n' "$line" >&2
    [ -z "$HX_SESSION" ] || printf '%s\n' "$line" >>"$HX_SESSION/harness.log"
}

# hx_sleep SECONDS: sleep without starting a process (a read that nothing answers). Waits
# poll often; a sleep(1) at every turn cost more CPU than the programs under test.
exec {HX_SLEEP_FD}<> <(:)
hx_sleep() { read -r -t "$1" -u "$HX_SLEEP_FD" _; return 0; }

hx_fail()
{
    hx_log "FAIL: $*"
    exit 1
}

# The Windows path of a Unix path (Wine's Z: drive is /).
hx_winpath() { printf 'Z:%s' "${1//\//\\}"; }

# Runs `wine` quietly, wineboot allowed; for setting up the prefix.
hx_wine() { WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe=;wineboot.exe=b" wine "$@" >/dev/null 2>&1; }

# --- The cached prefix ---------------------------------------------------------------------

hx_registry_text()
{
    printf 'Windows Registry Editor Version 5.00\r\n\r\n'
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\WineDbg]\r\n"ShowCrashDialog"=dword:00000000\r\n\r\n'
    # Wine 9 and later show their tray window on X's own desktop only when asked (Wine 8
    # always did); the icons and their tooltips are read from it.
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\Explorer]\r\n"ShowSystray"=dword:00000001\r\n\r\n'
    local exe
    for exe in $HX_OVERRIDE_EXES; do
        printf '[HKEY_CURRENT_USER\\Software\\Wine\\AppDefaults\\%s\\DllOverrides]\r\n' "$exe"
        printf '"hid"="native,builtin"\r\n"setupapi"="native,builtin"\r\n\r\n'
    done
}

# Creates the prefix once (Windows 10, no crash dialog, the per-exe overrides) and installs
# the stand-in DLLs into its system32, replacing Wine's placeholders.
hx_prepare_prefix()
{
    local stamp=$HX_PREFIX/.tidewatch-registry registry
    registry=$(hx_registry_text)
    mkdir -p "$(dirname "$HX_PREFIX")"
    if [ ! -f "$stamp" ]; then
        hx_log "creating the Wine prefix $HX_PREFIX"
        rm -rf "$HX_PREFIX"
        hx_wine wineboot -i || hx_fail "wineboot failed"
        hx_wine winecfg -v win10 || hx_fail "winecfg failed"
    fi
    if [ ! -f "$stamp" ] || [ "$(cat "$stamp")" != "$registry" ]; then
        local import=$HX_PREFIX.reg
        printf '%s' "$registry" >"$import"
        hx_wine regedit /S "$(hx_winpath "$import")" || hx_fail "regedit failed"
        wineserver -w
        printf '%s' "$registry" >"$stamp"
        rm -rf "$HX_PREFIX/.tidewatch-clean"
    fi
    wineserver -k 2>/dev/null
    wineserver -w 2>/dev/null
    # Every session starts from this registry (hx_session_begin restores it). It is taken
    # right after the import only: later the files hold whatever the last session left.
    if [ ! -d "$HX_PREFIX/.tidewatch-clean" ]; then
        mkdir -p "$HX_PREFIX/.tidewatch-clean"
        cp "$HX_PREFIX"/*.reg "$HX_PREFIX/.tidewatch-clean/"
    fi
    # rm first: sessions of earlier runs keep links to the files replaced here.
    local system32=$HX_PREFIX/drive_c/windows/system32
    rm -f "$system32/hid.dll" "$system32/setupapi.dll" "$system32/nvml.dll" "$system32/wineboot.exe"
    cp "$HX_STANDIN_HID" "$system32/hid.dll" || hx_fail "cannot install hid.dll"
    cp "$HX_STANDIN_SETUPAPI" "$system32/setupapi.dll" || hx_fail "cannot install setupapi.dll"
    cp "$HX_WINEBOOT" "$system32/wineboot.exe" || hx_fail "cannot install wineboot.exe"
    touch "$HX_PREFIX/.tidewatch-prepared"
}

# --- Session: display, window manager, wineserver -------------------------------------------

hx_remember() { HX_PIDS+=("$1"); HX_PID_NAMES+=("$2"); echo "$1 $2" >>"$HX_SESSION/pids"; }

# Where the prefix's wineserver listens: server-DEV-INODE of the prefix under the folder
# named in $WINEPREFIX/wineserver (Debian) or /tmp/.wine-UID.
hx_wineserver_socket()
{
    local base=/tmp/.wine-$(id -u)
    [ -f "$WINEPREFIX/wineserver" ] && base=/tmp/$(cat "$WINEPREFIX/wineserver")
    # shellcheck disable=SC2046
    printf '%s/server-%x-%x/socket' "$base" $(stat -c '%d %i' "$WINEPREFIX")
}

# A stand-in nvml.dll that a scenario placed in system32 (hx_place_nvml VARIANT, a folder
# under standins/nvml of the build) is in the session's prefix only. rm first: a file of the
# prepared prefix is shared with it through a link.
hx_place_nvml() { rm -f "$HX_SYSTEM32/nvml.dll" && cp "$HX_NVML_STANDINS/$1/nvml.dll" "$HX_SYSTEM32/nvml.dll"; }
hx_remove_nvml() { rm -f "$HX_SYSTEM32/nvml.dll"; }

# hx_session_prefix DIR: a prefix of the session's own at DIR, so that sessions can run side
# by side, each with its own wineserver. Files are links to the prepared prefix's (935 files,
# a few milliseconds), except the registry, which the session's wineserver rewrites: Wine
# replaces a registry file whole, but copies keep even an in-place write away from the cache.
# hx_teardown checks that nothing wrote through a link (hx_prefix_untouched).
hx_session_prefix()
{
    local dir=$1 pid
    if [ -d "$dir" ]; then
        # Leftovers of an interrupted run, which may have lost their wineserver.
        WINEPREFIX=$dir wineserver -k 2>/dev/null
        for pid in $(grep -lsFxz "WINEPREFIX=$dir" /proc/[0-9]*/environ | cut -d/ -f3); do
            kill -KILL "$pid" 2>/dev/null
        done
        rm -rf "$dir"
    fi
    cp -al "$HX_PREFIX" "$dir" || hx_fail "cannot link the prefix to $dir"
    rm -f "$dir"/*.reg
    cp "$HX_PREFIX/.tidewatch-clean/"*.reg "$dir/" || hx_fail "cannot copy the registry to $dir"
}

# hx_prefix_untouched: no file of the prepared prefix changed since it was prepared (a session
# that wrote into a linked file would have changed it for every later session).
hx_prefix_untouched()
{
    local changed
    changed=$(find "$HX_PREFIX" -path "$HX_PREFIX/.tidewatch-clean" -prune -o -type f \
        -newer "$HX_PREFIX/.tidewatch-prepared" -print 2>/dev/null | head -n 3)
    [ -z "$changed" ] && return 0
    hx_log "the prepared prefix was written through a link: $changed"
    return 1
}

# hx_session_begin [--headless | --display]: a fresh session folder with a prefix of its own
# (hx_session_prefix), Xvfb on a free display with openbox (not with --headless, nor with --display,
# which keeps $DISPLAY) and a wineserver of its own, all started as children of this shell.
hx_session_begin()
{
    local headless=0 own_display=0
    [ "${1:-}" = "--headless" ] && headless=1
    [ "${1:-}" = "--display" ] && own_display=1
    [ $own_display -eq 0 ] || [ -n "${DISPLAY:-}" ] || hx_fail "--display without a DISPLAY"
    [ -f "$HX_PREFIX/.tidewatch-prepared" ] || hx_fail "no prepared prefix: run the e2e_prefix test first"
    HX_SESSION=$HX_BUILD/e2e/sessions/$HX_SCENARIO
    mkdir -p "$HX_SESSION"
    hx_session_prefix "$HX_SESSION/prefix"
    find "$HX_SESSION" -mindepth 1 -maxdepth 1 ! -name prefix -exec rm -rf {} +
    export WINEPREFIX=$HX_SESSION/prefix
    HX_SYSTEM32=$WINEPREFIX/drive_c/windows/system32
    : >"$HX_SESSION/pids"
    HX_CONTROL=$HX_SESSION/control.txt
    HX_SIM_LOG=$HX_SESSION/sim.log
    export TIDEWATCH_SIM_CONTROL
    TIDEWATCH_SIM_CONTROL=$(hx_winpath "$HX_CONTROL")
    : >"$HX_CONTROL"
    export NVML_STANDIN_STATE NVML_STANDIN_CALLS
    NVML_STANDIN_STATE=$(hx_winpath "$HX_SESSION/nvml.txt")
    NVML_STANDIN_CALLS=$(hx_winpath "$HX_SESSION/nvml-calls.txt")

    # A wineserver of the session's own, in the foreground so that its PID is known; the
    # first Wine process would otherwise start one and pay for it. Servers are found by the
    # prefix folder's inode: one still serving a removed folder whose inode the new one got
    # (a run killed outright leaves its server) would serve this session too, with another
    # session's windows and mutexes in it. It is ended first.
    [ -S "$(hx_wineserver_socket)" ] && wineserver -k 2>/dev/null
    wineserver -f -p >"$HX_SESSION/wineserver.err" 2>&1 &
    HX_WINESERVER_PID=$!
    hx_remember "$HX_WINESERVER_PID" wineserver
    local tries
    for ((tries = 0; tries < 300; tries++)); do
        [ -S "$(hx_wineserver_socket)" ] && break
        kill -0 "$HX_WINESERVER_PID" 2>/dev/null || hx_fail "wineserver ended: $(cat "$HX_SESSION/wineserver.err")"
        hx_sleep 0.01
    done
    hx_sleep 0.05
    kill -0 "$HX_WINESERVER_PID" 2>/dev/null || hx_fail "the session's wineserver ended: $(cat "$HX_SESSION/wineserver.err")"
    if [ $headless -eq 1 ]; then
        unset DISPLAY
        return 0
    fi
    [ $own_display -eq 1 ] && { hx_session_serve; return 0; }
    # Other users' displays come and go on this machine: a display that does not answer
    # once announced is replaced by a new one, and a window manager that could not open
    # it is started again. -noreset keeps the server from resetting, and dropping a client
    # that connects meanwhile, whenever its last client leaves.
    local attempt xvfb wm
    for attempt in 1 2 3; do
        : >"$HX_SESSION/display"
        Xvfb -displayfd 3 -screen 0 "${HX_SCREEN:-1280x1024x24}" -nolisten tcp -noreset \
            3>"$HX_SESSION/display" >>"$HX_SESSION/xvfb.err" 2>&1 &
        xvfb=$!
        hx_remember $xvfb Xvfb
        hx_wait_file_text "$HX_SESSION/display" 10 || hx_fail "Xvfb did not start"
        export DISPLAY=":$(tr -dc 0-9 <"$HX_SESSION/display")"
        for ((tries = 0; tries < 200; tries++)); do
            xprop -root >/dev/null 2>&1 && break 2
            hx_sleep 0.01
        done
        hx_log "display $DISPLAY does not answer (attempt $attempt)"
        hx_stop_pid $xvfb
    done
    xprop -root >/dev/null 2>&1 || hx_fail "no display answers"
    for attempt in 1 2 3; do
        openbox --sm-disable >>"$HX_SESSION/openbox.err" 2>&1 &
        wm=$!
        hx_remember $wm openbox
        for ((tries = 0; tries < 500; tries++)); do
            xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && { hx_session_serve; return 0; }
            kill -0 $wm 2>/dev/null || break
            hx_sleep 0.01
        done
        hx_log "openbox did not start on $DISPLAY (attempt $attempt)"
        hx_stop_pid $wm
    done
    hx_fail "openbox did not start"
}

# The probe's server for scripts that drive the program through it (app.sh).
hx_session_serve() { ! declare -F hx_probe_serve >/dev/null || hx_probe_serve; }

# --- Waiting ---------------------------------------------------------------------------------

# hx_wait_used START_MS LIMIT WHAT: a wait that succeeded after more than a third of its
# LIMIT seconds (under load, its headroom is short) is logged as "slow wait".
hx_wait_used()
{
    local used=$((${EPOCHREALTIME/./} / 1000 - $1))
    ((used * 3 > $2 * 1000)) && hx_log "slow wait: $used ms of $2 s for $3"
    return 0
}

# hx_wait_file_text FILE SECONDS: until FILE has content.
hx_wait_file_text()
{
    local deadline=$((SECONDS + $2 + 1))
    while [ ! -s "$1" ]; do
        [ $SECONDS -ge $deadline ] && return 1
        hx_sleep 0.01
    done
}

# hx_wait_line FILE REGEX [SECONDS [NAME]]: until a line of FILE matches the extended REGEX
# (default 10 s). With NAME, gives up as soon as that started program has ended.
hx_wait_line() { hx_wait_lines "$1" "$2" 1 "${3:-10}" "${4:-}"; }

# hx_wait_lines FILE REGEX COUNT SECONDS [NAME [SKIP]]: until COUNT lines of FILE after its
# first SKIP lines match the extended REGEX; NAME as for hx_wait_line. FILE is read once,
# line by line as it grows (again from the start when replaced): no process is started per
# turn.
hx_wait_lines()
{
    local file=$1 pattern=$2 count=$3 limit=$4 pid= skip=${6:-0}
    local fd= line= rest= ended=0 seen=0 lines=0
    [ -n "${5:-}" ] && { pid=$(hx_pid_of "$5") || hx_fail "no program $5"; }
    local began=$((${EPOCHREALTIME/./} / 1000))
    local deadline=$((began + limit * 1000))
    while :; do
        if [ -n "$fd" ] && ! [ "$file" -ef "/proc/self/fd/$fd" ]; then
            exec {fd}<&-
            fd= rest= seen=0 lines=0
        fi
        [ -z "$fd" ] && [ -e "$file" ] && { exec {fd}<"$file" || fd=; }
        if [ -n "$fd" ]; then
            while IFS= read -r line <&"$fd"; do
                line=$rest$line rest=
                ((++lines > skip)) && [[ $line =~ $pattern ]] && ((++seen >= count)) && break 2
            done
            rest+=$line # the last line, not ended yet
            ((lines >= skip)) && [[ -n $rest && $rest =~ $pattern ]] && ((seen + 1 >= count)) && break
        fi
        if [ $ended -eq 1 ] || [ $((${EPOCHREALTIME/./} / 1000)) -ge "$deadline" ]; then
            [ -z "$fd" ] || exec {fd}<&-
            return 1
        fi
        # A program that ended has written its last: one more look.
        if [ -n "$pid" ] && ! kill -0 "$pid" 2>/dev/null; then
            ended=1
            continue
        fi
        hx_sleep 0.01
    done
    exec {fd}<&-
    hx_wait_used "$began" "$limit" "/$pattern/ in ${file##*/}"
}

# hx_lines FILE: how many lines FILE has now (a mark for hx_wait_lines' SKIP).
hx_lines() { wc -l <"$1" 2>/dev/null || echo 0; }

# hx_has FILE REGEX / hx_count FILE REGEX: lines of FILE matching now.
hx_has() { grep -aqE -- "$2" "$1" 2>/dev/null; }
hx_count() { grep -acE -- "$2" "$1" 2>/dev/null; }

# hx_reg_add KEY NAME TYPE DATA: a registry value for this session's programs, e.g.
#   hx_reg_add 'HKCU\Control Panel\Desktop' LogPixels REG_DWORD 120
# (about 0.1 s; takes effect for programs started afterwards).
# A probe serving the session is started again, to read the new value.
hx_reg_add()
{
    wine reg add "$1" /v "$2" /t "$3" /d "$4" /f >/dev/null 2>&1 || hx_fail "reg add $1 $2 failed"
    [ -z "${HX_PROBE_PID:-}" ] || hx_probe_serve
}

# --- The simulated cooler --------------------------------------------------------------------

# hx_control TEXT: the simulator's control file, replaced atomically (write, then rename).
hx_control()
{
    printf '%s\n' "$1" >"$HX_CONTROL.tmp" && mv -f "$HX_CONTROL.tmp" "$HX_CONTROL"
}

# Starts the simulator on the control file and waits until it serves its pipes.
hx_start_sim()
{
    hx_start sim "$HX_SIM" "$(hx_winpath "$HX_CONTROL")" "$(hx_winpath "$HX_SIM_LOG")"
    hx_wait_line "$HX_SIM_LOG" ' ready' 15 sim || hx_fail "the simulator did not start: $(cat "$HX_SESSION/sim.err")"
}

# --- The stand-in GPU library ----------------------------------------------------------------

# hx_gpu KEY=VALUE...: the stand-in nvml.dll in the prefix's system32 for programs started
# afterwards, with these readings (name=, fan=, rpm=, temp=, fail=ENTRY; see
# standins/nvml/nvml_standin.cpp). The readings are rewritten atomically at every call and
# re-read by the stand-in at every call it takes.
hx_gpu()
{
    [ -f "$HX_SYSTEM32/nvml.dll" ] || cp "$HX_STANDIN_NVML" "$HX_SYSTEM32/nvml.dll" || hx_fail "cannot install nvml.dll"
    printf '%s\n' "$@" >"$HX_SESSION/nvml.txt.tmp" && mv -f "$HX_SESSION/nvml.txt.tmp" "$HX_SESSION/nvml.txt"
}

# --- Programs --------------------------------------------------------------------------------

# hx_start NAME EXE ARGS...: starts a Windows program in the background; output in
# $HX_SESSION/NAME.out and NAME.err.
hx_start()
{
    local name=$1
    shift
    wine "$@" >"$HX_SESSION/$name.out" 2>"$HX_SESSION/$name.err" &
    hx_remember $! "$name"
}

hx_pid_of()
{
    local i
    for ((i = ${#HX_PIDS[@]} - 1; i >= 0; i--)); do
        [ "${HX_PID_NAMES[$i]}" = "$1" ] && { echo "${HX_PIDS[$i]}"; return 0; }
    done
    return 1
}

# hx_wait_exit NAME [SECONDS]: waits for a started program to end (default 20 s) and
# returns its exit code; 124 when it did not end in time.
hx_wait_exit()
{
    local pid limit=${2:-20} tries
    pid=$(hx_pid_of "$1") || hx_fail "no program $1"
    for ((tries = 0; tries < limit * 100; tries++)); do
        kill -0 "$pid" 2>/dev/null || break
        hx_sleep 0.01
    done
    kill -0 "$pid" 2>/dev/null && return 124
    HX_REAPED+="$pid "
    wait "$pid"
}

# hx_stop NAME: ends a started program (TERM, then KILL after 2 s).
hx_stop() { local pid; pid=$(hx_pid_of "$1") && hx_stop_pid "$pid"; }

# hx_cpu_ticks NAME: the clock ticks (getconf CLK_TCK a second) of CPU time that program NAME
# has used so far, in user and system mode.
hx_cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$(hx_pid_of "$1")/stat"; }

hx_stop_pid()
{
    local pid=$1 tries i
    if ! kill -0 "$pid" 2>/dev/null; then
        for ((i = 0; i < ${#HX_PIDS[@]}; i++)); do
            [ "${HX_PIDS[$i]}" = "$pid" ] && [[ $HX_REAPED != *" $pid "* ]] && hx_report_end "$i"
        done
        wait "$pid" 2>/dev/null
        return 0
    fi
    HX_REAPED+="$pid "
    kill -TERM "$pid" 2>/dev/null
    for ((tries = 0; tries < 200; tries++)); do
        kill -0 "$pid" 2>/dev/null || break
        hx_sleep 0.01
    done
    kill -KILL "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    return 0
}

# hx_run NAME EXE ARGS...: runs a Windows program to its end (at most HX_RUN_LIMIT s, default
# 30) and returns its exit code.
hx_run()
{
    hx_start "$@"
    hx_wait_exit "$1" "${HX_RUN_LIMIT:-30}"
}

# hx_run_ok NAME EXE ARGS...: hx_run, failing the scenario on a non-zero exit.
hx_run_ok()
{
    local code=0
    hx_run "$@" || code=$?
    [ $code -eq 0 ] && return 0
    cat "$HX_SESSION/$1.out" >&2
    hx_fail "$1 exited with $code"
}

# hx_crashed NAME: the program reported an unhandled exception.
hx_crashed() { grep -aq 'wine: Unhandled' "$HX_SESSION/$1.err" 2>/dev/null; }

# hx_expect_crash NAME: a crash of NAME does not fail the scenario.
hx_expect_crash() { HX_EXPECTED_CRASHES+="$1 "; }

# --- Teardown --------------------------------------------------------------------------------

# hx_report_end INDEX: program INDEX of HX_PIDS ended on its own, neither waited for nor
# stopped by the scenario: its exit code and the last lines of its output, to stderr.
hx_report_end()
{
    local pid=${HX_PIDS[$1]} name=${HX_PID_NAMES[$1]} code=0 file
    wait "$pid" 2>/dev/null || code=$?
    HX_REAPED+="$pid "
    hx_log "$name (pid $pid) had ended on its own with exit code $code"
    for file in "$HX_SESSION/$name.err" "$HX_SESSION/$name.out"; do
        [ -s "$file" ] && tail -n 8 "$file" | tr -d '\r' | sed "s|^|  ${file##*/}: |" >&2
    done
    return 0
}

# hx_report_ends: hx_report_end for every such program.
hx_report_ends()
{
    local i
    for ((i = 0; i < ${#HX_PIDS[@]}; i++)); do
        [[ $HX_REAPED == *" ${HX_PIDS[$i]} "* ]] || kill -0 "${HX_PIDS[$i]}" 2>/dev/null || hx_report_end "$i"
    done
}

# Stops everything this session started, newest first, by PID; the wineserver with all
# Wine processes of the prefix. Returns non-zero when a program crashed unexpectedly.
hx_teardown()
{
    [ -n "$HX_SESSION" ] || return 0
    local i name crashed=0
    hx_report_ends
    ! declare -F hx_probe_unserve >/dev/null || hx_probe_unserve
    # Programs first, newest first; then every Wine process of the prefix with its
    # wineserver; then the window manager and the display.
    for ((i = ${#HX_PIDS[@]} - 1; i >= 0; i--)); do
        case ${HX_PID_NAMES[$i]} in
        wineserver | Xvfb | openbox) ;;
        # The simulator keeps nothing unwritten. Under load Wine has twice been seen to fault
        # inside its own code while ending it on TERM (overlapped pipe I/O pending).
        sim) kill -KILL "${HX_PIDS[$i]}" 2>/dev/null; wait "${HX_PIDS[$i]}" 2>/dev/null ;;
        *) hx_stop_pid "${HX_PIDS[$i]}" ;;
        esac
    done
    if [ -n "$HX_WINESERVER_PID" ]; then
        HX_REAPED+="$HX_WINESERVER_PID "
        wineserver -k 2>/dev/null
        hx_stop_pid "$HX_WINESERVER_PID"
    fi
    for ((i = ${#HX_PIDS[@]} - 1; i >= 0; i--)); do
        case ${HX_PID_NAMES[$i]} in
        Xvfb | openbox) hx_stop_pid "${HX_PIDS[$i]}" ;;
        esac
    done
    for ((i = 0; i < ${#HX_PIDS[@]}; i++)); do
        name=${HX_PID_NAMES[$i]}
        if hx_crashed "$name" && [[ $HX_EXPECTED_CRASHES != *" $name "* ]]; then
            hx_log "$name crashed:"
            grep -a -A3 'wine: Unhandled' "$HX_SESSION/$name.err" >&2
            crashed=1
        fi
    done
    hx_prefix_untouched || crashed=1
    HX_PIDS=()
    HX_PID_NAMES=()
    HX_WINESERVER_PID=
    return $crashed
}
