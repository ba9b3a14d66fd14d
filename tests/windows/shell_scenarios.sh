# Scenarios of the program's frame under Wine: single instance and hand-over, the hidden
# start in the tray, close, Exit and the end of a session, the light and dark palettes,
# the DPI from LogPixels with the window's size and fonts, and commands reaching the shared
# state. Run by tests/windows/harness/run-scenario.sh.
. "$(dirname "${BASH_SOURCE[0]}")/harness/app.sh"

PERSONALIZE='HKCU\Software\Microsoft\Windows\CurrentVersion\Themes\Personalize'

# expect WHAT EXPECTED ACTUAL
expect()
{
    [ "$2" = "$3" ] || hx_fail "$1: expected '$2', got '$3'"
    hx_log "ok $1: $3"
}

# A session whose cooler answers at a fixed 31.5 °C (none with "no-cooler").
shell_session()
{
    hx_session_begin
    [ "${1:-}" = no-cooler ] && return 0
    hx_control "device cooler 1e71 300c
set liquid 315"
    hx_start_sim
}

# Starts the program and waits for its window.
shell_launch()
{
    hx_start app "$HX_TIDEWATCH"
    hx_app_wait_window
}

app_running() { kill -0 "$(hx_pid_of app)" 2>/dev/null; }

# expect_exit_zero NAME: the started program ends with 0. Waited for here: a $(...) cannot
# wait for a child of this shell that has not been reaped yet.
expect_exit_zero()
{
    local code=0
    hx_wait_exit "$1" 5 || code=$?
    expect "exit code seen by Wine" 0 "$code"
}

# Conditions for hx_until, which runs them again at every try.
tray_icons_are() { [ "$(hx_app_tray_icons)" = "$1" ]; }
tray_held_is() { [ "$(hx_probe tray ${2:-})" = "$1" ]; } # VALUE [WINDOW]
iconic_is() { [ "$(hx_app_state iconic)" = "$1" ]; }
peek_is() { [ "$(hx_app_peek "$1" 4)" = "$2" ]; }           # NAME VALUE (32-bit)

# The dashboard opened by command 201 and shown.
open_dashboard()
{
    hx_probe post 0x111 201 0 >/dev/null
    hx_until 5 hx_app_visible_is 1 || hx_fail "the dashboard did not open"
}

# expect_background WHAT COLOUR: the dashboard's margin shows COLOUR within 3 s.
expect_background()
{
    hx_until 3 hx_app_background_is "$2" || hx_fail "$1: background $(hx_app_pixel 8 8), expected $2"
    hx_log "ok $1: $2"
}

# expect_background_kept WHAT COLOUR: after a forced repaint the margin still shows COLOUR.
expect_background_kept()
{
    hx_probe send 0x8001 0 0 >/dev/null # MsgStatusUpdated repaints the whole window
    hx_sleep 0.2
    expect "$1" "$2" "$(hx_app_pixel 8 8)"
}

set_theme() # VALUE TYPE, or "delete"
{
    if [ "$1" = delete ]; then
        wine reg delete "$PERSONALIZE" /v AppsUseLightTheme /f >/dev/null 2>&1
    else
        hx_reg_add "$PERSONALIZE" AppsUseLightTheme "$2" "$1"
    fi
}

# broadcast TEXT: WM_SETTINGCHANGE with TEXT ("-": none), sent and so handled on return.
broadcast() { hx_probe setting "$1" >/dev/null || hx_fail "the settings broadcast failed"; }

# expect_fonts DPI BODY HERO: the program's font code, run in the probe under the session's
# LogPixels, takes DPI from a window of its own and makes fonts of these heights.
expect_fonts()
{
    local fonts
    fonts=$(hx_probe fonts window)
    expect "probe window DPI" "$1" "$(awk '$1 == "dpi" {print $2}' <<<"$fonts")"
    expect "fonts at $1 DPI" "$2 400/$3 600/1" \
        "$(awk '$1 == "body" {b = $2 " " $3} $1 == "hero" {h = $2 " " $3} $1 == "first" {d = $3}
                END {print b "/" h "/" d}' <<<"$fonts")"
}

scenario_starts_hidden_in_tray()
{
    shell_session
    shell_launch
    expect "starts hidden" 0 "$(hx_app_state visible)"
    expect "tray icon held" 1 "$(hx_probe tray)"
    hx_until 3 tray_icons_are 1 || hx_fail "the tray shows $(hx_app_tray_icons) icons"
    expect "client size at 96 DPI" 480x792 "$(hx_app_state client)"
    expect "CurrentDpi" 96 "$(hx_app_peek CurrentDpi 4)"
    expect "laid out at the window's DPI" 96 "$(hx_app_peek LayoutDpi 4)"
    expect_fonts 96 -13 -56
    expect "version from its own resource" 1.7.0 \
        "$(hx_app_peek VersionMajor 2).$(hx_app_peek VersionMinor 2).$(hx_app_peek VersionBuild 2)"
    local micros
    micros=$(hx_app_peek StartupMicros 8)
    [ "${micros:-0}" -gt 0 ] && [ "$micros" -lt 5000000 ] || hx_fail "StartupMicros is '$micros'"
    hx_log "StartupMicros = $micros"
    # A restarted shell has lost the icon and announces itself: the program adds it again.
    expect "icon removed as by a shell restart" 1 "$(hx_probe tray-delete)"
    expect "icon gone" 0 "$(hx_probe tray)"
    expect "TaskbarCreated handled" 0 "$(hx_probe taskbar)"
    expect "icon back after TaskbarCreated" 1 "$(hx_probe tray)"
}

scenario_second_start_hands_over()
{
    shell_session
    # A copy run as administrator holds a mutex this start cannot open: it is a second copy.
    hx_start holder "$HX_PROBE" deny-mutex 3000
    hx_wait_line "$HX_SESSION/holder.out" '^held' 10 holder || hx_fail "the probe could not hold the mutex"
    local code=0
    HX_RUN_LIMIT=10 hx_run denied "$HX_TIDEWATCH" || code=$?
    expect "beside an elevated copy: exit code, cooler opened" "0 0" "$code $(hx_count "$HX_SIM_LOG" ' open cooler')"
    hx_wait_exit holder 10 >/dev/null || hx_fail "the mutex holder did not end"
    shell_launch
    hx_until 3 tray_icons_are 1 || hx_fail "no tray icon"
    HX_RUN_LIMIT=10 hx_run second "$HX_TIDEWATCH" || code=$?
    expect "second start's exit code" 0 $code
    expect "windows of the class" 1 "$(hx_probe count)"
    hx_until 5 hx_app_visible_is 1 || hx_fail "the first instance's window did not appear"
    expect "tray icons" 1 "$(hx_app_tray_icons)"
    app_running || hx_fail "the first instance ended"
    # A minimised window comes back where it was.
    local outer
    outer=$(hx_app_state outer)
    hx_probe post 0x112 0xF020 0 >/dev/null # WM_SYSCOMMAND SC_MINIMIZE
    hx_until 5 iconic_is 1 || hx_fail "the window did not minimise"
    HX_RUN_LIMIT=10 hx_run third "$HX_TIDEWATCH" || hx_fail "the third start failed"
    hx_until 5 iconic_is 0 || hx_fail "the hand-over did not restore the minimised window"
    expect "restored in place" "$outer" "$(hx_app_state outer)"
    expect "visible" 1 "$(hx_app_state visible)"
    # An installer's Restart Manager (ENDSESSION_CLOSEAPP) is agreed to; a close it then
    # cancels leaves the program running; one it carries out ends it, its icon gone.
    expect "a Restart Manager's query" 1 "$(hx_probe send 0x11 0 1)"
    hx_probe send 0x16 0 1 >/dev/null # WM_ENDSESSION 0: cancelled
    hx_sleep 0.5
    app_running || hx_fail "a cancelled Restart Manager close ended the program"
    expect "tray icon kept" 1 "$(hx_probe tray)"
    hx_probe send 0x16 1 1 >/dev/null
    expect_exit_zero app
    expect "tray icons after it" 0 "$(hx_app_tray_icons)"
}

# Started the way a Startup-folder shortcut set to "Minimized" starts it (the show state in
# its start-up information): hidden at start, and the first Open shows the window normally.
# The close button hides it; a WM_CLOSE from another program ends it.
scenario_close_hides()
{
    shell_session
    hx_start app start /wait /min /unix "$HX_TIDEWATCH"
    hx_app_wait_window
    expect "hidden and not minimised at start" 0/0 "$(hx_app_state visible)/$(hx_app_state iconic)"
    open_dashboard
    expect "the first Open shows the window normally" 0 "$(hx_app_state iconic)"
    hx_probe post 0x112 0xF060 0 >/dev/null # WM_SYSCOMMAND SC_CLOSE: the close button
    hx_until 5 hx_app_visible_is 0 || hx_fail "SC_CLOSE did not hide the window"
    hx_sleep 0.5
    app_running || hx_fail "the program ended after SC_CLOSE"
    expect "tray icon kept" 1 "$(hx_probe tray)"
    hx_probe post 0x8003 1 0x203 >/dev/null # a double click on the tray icon
    hx_until 5 hx_app_visible_is 1 || hx_fail "a double click on the tray icon did not open it"
    # taskkill without /f: a WM_CLOSE of its own ends the program, its icon gone.
    hx_probe post 0x10 0 0 >/dev/null
    expect_exit_zero app
    expect "tray icons after WM_CLOSE" 0 "$(hx_app_tray_icons)"
}

scenario_session_end()
{
    shell_session
    shell_launch
    expect "WM_QUERYENDSESSION allows" 1 "$(hx_probe send 0x11 0 0)"
    hx_probe send 0x16 0 0 >/dev/null # WM_ENDSESSION 0: the logoff was cancelled
    hx_sleep 0.5
    app_running || hx_fail "WM_ENDSESSION 0 ended the program"
    expect "tray icon kept" 1 "$(hx_probe tray)"
    local ended
    ended=$(hx_probe end 0x16 1 0 5000)
    expect "WM_ENDSESSION 1 ends with 0" 0 "$(awk '$1 == "ended" {print $3}' <<<"$ended")"
    expect_exit_zero app
}

scenario_exit_ends_promptly()
{
    shell_session
    shell_launch
    hx_wait_line "$HX_SIM_LOG" ' out cooler 64 7501' 10 app || hx_fail "no status was read"
    local ended ms
    ended=$(hx_probe end 0x111 202 0 5000)
    [[ $ended == ended* ]] || hx_fail "Exit: $ended"
    ms=$(awk '{print $2}' <<<"$ended")
    hx_log "Exit took $ms ms"
    expect "Exit's exit code" 0 "$(awk '{print $3}' <<<"$ended")"
    # The worker waits on the stop event between turns: nothing near the 2000 ms bound.
    [ "$ms" -lt 1000 ] || hx_fail "Exit took $ms ms with an idle worker"
    expect "windows left" 0 "$(hx_probe count)"
    expect_exit_zero app
}

scenario_exit_while_cooler_silent()
{
    shell_session no-cooler
    # Initialised, then silent: every reply wait runs to its end (8 reads of 175 ms), so the
    # worker's turn lasts seconds and shutdown stops waiting for it after 2000 ms.
    hx_control "device cooler 1e71 300c
fault silent"
    hx_start_sim
    shell_launch
    local window
    window=$(hx_probe find)
    hx_wait_line "$HX_SIM_LOG" ' in cooler 64 3001' 10 app || hx_fail "the worker asked for nothing"
    hx_probe_alone end 0x111 202 0 8000 >"$HX_SESSION/end.out" &
    local ender=$!
    hx_until 3 tray_held_is 0 "$window" || hx_fail "the tray icon stayed after Exit"
    # Once the process is gone the shell forgets its icon anyway.
    app_running || hx_fail "the tray icon went only with the process"
    hx_log "ok tray icon removed while shutdown waits for the worker"
    wait $ender
    local ended ms
    ended=$(cat "$HX_SESSION/end.out")
    [[ $ended == ended* ]] || hx_fail "Exit with a silent cooler: $ended"
    ms=$(awk '{print $2}' <<<"$ended")
    hx_log "Exit took $ms ms with a silent cooler"
    expect "Exit's exit code" 0 "$(awk '{print $3}' <<<"$ended")"
    # About 2.1 s: the 2000 ms bound on the wait plus the process's end, with room for a
    # busy machine; a wait for the whole turn would take well over 2.8 s.
    [ "$ms" -le 2500 ] || hx_fail "Exit took $ms ms"
}

opened_at_least() { [ "$(hx_count "$HX_SIM_LOG" ' open cooler')" -ge "$1" ]; }

# A start that meets a copy shutting down (Exit with a silent cooler keeps it waiting up to
# 2 s for its worker) makes a new copy instead of handing over to the dying one: exactly one
# runs afterwards, with its window and its tray icon. Eight rounds, each new copy started
# 0.2 s after the last one's Exit.
scenario_start_during_shutdown()
{
    shell_session no-cooler
    hx_control "device cooler 1e71 300c
fault silent"
    hx_start_sim
    shell_launch
    local round old=app new code
    for ((round = 1; round <= 8; round++)); do
        new=app$round
        # The worker is inside a turn that the silent cooler makes last.
        hx_until 10 opened_at_least $round || hx_fail "round $round: the cooler was not opened"
        hx_probe post 0x111 202 0 >/dev/null || hx_fail "round $round: no window to exit"
        hx_sleep 0.2
        kill -0 "$(hx_pid_of $old)" 2>/dev/null || hx_fail "round $round: the old copy had ended already"
        hx_start $new "$HX_TIDEWATCH"
        code=0
        hx_wait_exit $old 5 || code=$?
        expect "round $round: the old copy's exit code" 0 $code
        hx_until 5 tray_held_is 1 || hx_fail "round $round: no tray icon"
        expect "round $round: windows of the class" 1 "$(hx_probe count)"
        kill -0 "$(hx_pid_of $new)" 2>/dev/null || hx_fail "round $round: the new copy ended"
        old=$new
    done
}

scenario_theme_follows_colour_set()
{
    shell_session
    shell_launch
    open_dashboard
    expect_background "no AppsUseLightTheme: light" $HX_LIGHT_BACKGROUND
    set_theme 0 REG_DWORD
    broadcast WindowsThemeElement
    expect_background_kept "another setting does not re-theme" $HX_LIGHT_BACKGROUND
    broadcast -
    expect_background_kept "a setting change without text does not re-theme" $HX_LIGHT_BACKGROUND
    broadcast ImmersiveColorSet
    expect_background "AppsUseLightTheme 0: dark, live" $HX_DARK_BACKGROUND
    set_theme 1 REG_DWORD
    broadcast ImmersiveColorSet
    expect_background "AppsUseLightTheme 1: light" $HX_LIGHT_BACKGROUND
    set_theme 0 REG_DWORD
    broadcast ImmersiveColorSet
    expect_background "dark again" $HX_DARK_BACKGROUND
    set_theme 0 REG_SZ
    broadcast ImmersiveColorSet
    expect_background "AppsUseLightTheme as a string: light" $HX_LIGHT_BACKGROUND
    set_theme 0 REG_DWORD
    broadcast ImmersiveColorSet
    expect_background "dark again" $HX_DARK_BACKGROUND
    set_theme delete
    broadcast ImmersiveColorSet
    expect_background "AppsUseLightTheme removed: light" $HX_LIGHT_BACKGROUND
}

scenario_dark_at_start_120_dpi()
{
    # 990 pixels of client need a screen taller than the default to be laid out at 120 DPI.
    HX_SCREEN=1600x1200x24
    shell_session
    hx_reg_add 'HKCU\Control Panel\Desktop' LogPixels REG_DWORD 120
    set_theme 0 REG_DWORD
    shell_launch
    expect "CurrentDpi" 120 "$(hx_app_peek CurrentDpi 4)"
    expect "client size at 120 DPI" 600x990 "$(hx_app_state client)"
    expect_fonts 120 -17 -70
    open_dashboard
    expect_background "AppsUseLightTheme 0 at start: dark" $HX_DARK_BACKGROUND
}

scenario_fonts_at_144_dpi()
{
    # A window is never made taller than the screen: 1188 pixels need a tall one.
    HX_SCREEN=1920x1440x24
    shell_session
    hx_reg_add 'HKCU\Control Panel\Desktop' LogPixels REG_DWORD 144
    shell_launch
    expect "CurrentDpi" 144 "$(hx_app_peek CurrentDpi 4)"
    expect "client size at 144 DPI" 720x1188 "$(hx_app_state client)"
    expect_fonts 144 -20 -84
}

# Without a cooler requests stay pending, so every value can be read back as set.
scenario_commands_reach_shared_state()
{
    shell_session no-cooler
    shell_launch
    hx_probe post 0x111 232 0 >/dev/null
    hx_probe post 0x111 244 0 >/dev/null
    hx_probe post 0x111 251 0 >/dev/null
    hx_until 3 peek_is BrightnessRequest 25 || hx_fail "brightness not requested"
    expect "pump from command 232" 70 "$(hx_app_peek ManualPumpDuty 4)"
    expect "fans from command 244" 60 "$(hx_app_peek ManualFanDuty 4)"
    hx_probe post 0x111 212 0 >/dev/null
    hx_until 3 peek_is ApplyPending 1 || hx_fail "no apply pending"
    expect "Balanced requested by command 212" 2 "$(hx_app_peek RequestedProfile 4)"
    hx_probe post 0x8002 2 0 >/dev/null # apply finished without a status: Balanced's first point
    hx_until 3 peek_is ManualPumpDuty 60 || hx_fail "the sliders did not follow"
    expect "apply finished moves the sliders" 60/25 \
        "$(hx_app_peek ManualPumpDuty 4)/$(hx_app_peek ManualFanDuty 4)"
    hx_probe post 0x8002 9 0 >/dev/null # a stray report names no profile
    hx_probe post 0x111 230 0 >/dev/null
    hx_until 3 peek_is ManualPumpDuty 50 || hx_fail "command 230 lost"
    expect "a stray apply report leaves the sliders" 50/25 \
        "$(hx_app_peek ManualPumpDuty 4)/$(hx_app_peek ManualFanDuty 4)"
    expect "unknown command ids pass to the default" 0 "$(hx_probe send 0x111 999 0)"
}
