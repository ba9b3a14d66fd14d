# Helpers for driving the real Tidewatch.exe under the harness through the probe
# (tests/windows/probe.cpp): its window, its state and globals, its pixels and its tray icon.
# Sourced after harness.sh by scenario scripts and by scripts/run.

HX_PROBE=${HX_PROBE:-$HX_BUILD/tests/tidewatch_probe.exe}
HX_MAP=${HX_MAP:-$HX_BUILD/Tidewatch.map}

# Screen colours (RRGGBB) of the palettes' backgrounds, COLORREFs 0xEEF3F4 and 0x101516.
HX_LIGHT_BACKGROUND=f4f3ee
HX_DARK_BACKGROUND=161510

HX_PROBE_PID=  # the probe serving this session's requests (hx_probe_serve)
HX_PROBE_IN=   # its request and answer pipes, open in this shell
HX_PROBE_OUT=

# hx_probe ARGS...: runs a probe request; prints its output without CRs, returns its exit
# code. Served by the session's probe when one runs, else by a probe of its own. Requests
# run one at a time: a request that must run beside others (in the background) goes through
# hx_probe_alone.
hx_probe()
{
    [ -n "$HX_PROBE_PID" ] || { hx_probe_alone "$@"; return; }
    local IFS=$'\x1f' line rc=1
    printf '%s\n' "$*" >&"$HX_PROBE_IN" || return 1
    while IFS= read -r line <&"$HX_PROBE_OUT"; do
        line=${line%$'\r'}
        if [[ $line == $'\x1e'* ]]; then
            rc=${line#$'\x1e'}
            break
        fi
        printf '%s\n' "$line"
    done
    return "$rc"
}

# hx_probe_alone ARGS...: the request in a probe process of its own (about 0.1 s of CPU).
hx_probe_alone()
{
    local out rc
    out=$(wine "$HX_PROBE" "$@" 2>/dev/null)
    rc=$?
    [ -n "$out" ] && printf '%s\n' "${out//$'\r'/}"
    return $rc
}

# hx_probe_serve: (re)starts the probe that serves hx_probe for the rest of the session.
# Called by hx_session_begin and after hx_reg_add: a Wine process reads the DPI and the system
# colours once, when it starts. Runs in the scenario's shell, not in a $(...).
hx_probe_serve()
{
    hx_probe_unserve
    local fifo=$HX_SESSION/probe
    rm -f "$fifo.in" "$fifo.out"
    mkfifo "$fifo.in" "$fifo.out" || hx_fail "no pipes for the probe"
    wine "$HX_PROBE" serve <"$fifo.in" >"$fifo.out" 2>"$HX_SESSION/probe.err" &
    hx_remember $! probe
    HX_PROBE_PID=$!
    exec {HX_PROBE_IN}>"$fifo.in" {HX_PROBE_OUT}<"$fifo.out"
}

hx_probe_unserve()
{
    [ -n "$HX_PROBE_PID" ] || return 0
    exec {HX_PROBE_IN}>&- {HX_PROBE_OUT}<&-
    hx_stop_pid "$HX_PROBE_PID"
    HX_PROBE_PID=
}

# hx_until SECONDS COMMAND...: until COMMAND succeeds, tried every 50 ms; 1 when time ran out.
# COMMAND runs anew at every try: pass a function, not a test of a "$(...)" taken once.
hx_until()
{
    local limit=$1 began=$((${EPOCHREALTIME/./} / 1000))
    local deadline=$((began + limit * 1000))
    shift
    until "$@" >/dev/null 2>&1; do
        [ $((${EPOCHREALTIME/./} / 1000)) -ge "$deadline" ] && return 1
        hx_sleep 0.05
    done
    hx_wait_used "$began" "$limit" "$*"
}

# hx_app_wait_window [SECONDS]: until the program's main window exists and its start-up is
# over (it has measured it: fonts built, the icon in the tray), default 15 s. The window can
# be found while the program is still setting it up.
hx_app_wait_window()
{
    hx_until "${1:-15}" hx_probe find || hx_fail "the program's window did not appear"
    hx_until "${1:-15}" hx_app_started || hx_fail "the program's start-up did not end"
}
hx_app_started() { [[ $(hx_app_peek StartupMicros 8) =~ ^[1-9][0-9]*$ ]]; }

# hx_app_state FIELD: visible, iconic, client (WxH) or outer of the main window.
hx_app_state() { hx_probe state | tr ' ' '\n' | sed -n "s/^$1=//p"; }

hx_app_visible_is() { [ "$(hx_app_state visible)" = "$1" ]; }

# hx_app_peek NAME SIZE [OFFSET]: a global (its field at OFFSET) found by name in the link map.
hx_app_peek()
{
    local base address
    base=$(awk '$2 == "__image_base__" {print $1}' "$HX_MAP")
    address=$(awk -v name="$1" '$2 == name && $1 ~ /^0x/ {print $1}' "$HX_MAP" | head -n 1)
    [ -n "$base" ] && [ -n "$address" ] || hx_fail "no $1 in $HX_MAP"
    hx_probe peek "$(printf '0x%x' $((address - base + ${3:-0})))" "$2"
}

# hx_app_xwindow: the X window of the visible dashboard (its client area). xdotool ends on an
# X error when a window it lists vanishes before it is looked at (Wine 10 makes and drops
# X windows of its own at a program's start): the search is tried again.
hx_app_xwindow()
{
    local window tries
    for ((tries = 0; tries < 5; tries++)); do
        window=$(xdotool search --onlyvisible --name '^Tidewatch$' 2>/dev/null | head -n 1)
        [ -n "$window" ] && { echo "$window"; return 0; }
        hx_sleep 0.05
    done
    return 1
}

# hx_x_capture WINDOW FILE: an X window's content as PNG. `import` waits forever when the
# window vanishes under it, hence the time limit.
hx_x_capture() { [ -n "$1" ] && timeout -k 1 5 import -display "$DISPLAY" -window "$1" "$2" 2>/dev/null; }

# hx_app_screenshot FILE: the dashboard as the user sees it, as PNG.
hx_app_screenshot() { hx_x_capture "$(hx_app_xwindow)" "$1"; }

# hx_app_pixel X Y: the colour (rrggbb) of the visible dashboard at client point X,Y, once
# the paint it owed has begun.
hx_app_pixel()
{
    local shot=$HX_SESSION/pixel.png
    hx_probe settle 3000 >/dev/null
    hx_sleep 0.05 # the paint has begun: let it reach the screen
    hx_app_screenshot "$shot" || { echo none; return 1; }
    convert "$shot" -format "%[hex:p{$1,$2}]" info: 2>/dev/null | tr 'A-F' 'a-f'
}

# hx_app_background_is RRGGBB: the dashboard's margin (8,8 lies outside every row) shows it.
hx_app_background_is() { [ "$(hx_app_pixel 8 8)" = "$1" ]; }

# hx_app_header_is TEXT [RRGGBB]: the dashboard's header row (light theme, 96 DPI) shows TEXT
# (\uXXXX escapes allowed), pixel for pixel as the probe draws it in the program's font.
hx_app_header_is()
{
    local l t r b fg bg shot=$HX_SESSION/header.png drawn=$HX_SESSION/header.bmp
    read -r l t r b <<<"$(hx_probe layout 480 792 96 | awk '$1 == "header" { print $2, $3, $4, $5 }')"
    fg=${2:-$(hx_probe colours light | awk '$1 == "textSecondary" { print $2 }')} # else secondary
    bg=$(hx_probe colours light | awk '$1 == "background" { print $2 }')
    hx_probe text "$(hx_winpath "$drawn")" 96 body $((r - l)) $((b - t)) 0x24 "$fg" "$bg" "$1" >/dev/null &&
        hx_probe settle 3000 >/dev/null && hx_app_screenshot "$shot" &&
        [ "$(compare -metric AE "$shot[$((r - l))x$((b - t))+$l+$t]" "$drawn" null: 2>&1)" = 0 ]
}

# hx_app_tray_icons: how many icons Wine's tray shows (0 when it is gone), as the probe finds
# their windows.
hx_app_tray_icons() { hx_probe trayicons | grep -c .; }

# hx_app_tray_shot FILE: the first icon that Wine's tray shows, with its slot, as PNG.
hx_app_tray_shot()
{
    local x y w h
    read -r x y w h <<<"$(hx_probe trayicons | head -n 1)"
    [ -n "$h" ] && timeout -k 1 5 import -display "$DISPLAY" -window root -crop "${w}x$h+$x+$y" +repage "$1" 2>/dev/null
}

# until_equal SECONDS EXPECTED COMMAND...: until COMMAND prints EXPECTED; the last output is
# left in $GOT.
until_equal()
{
    local limit=$1 expected=$2
    shift 2
    local began=$((${EPOCHREALTIME/./} / 1000))
    local deadline=$((began + limit * 1000))
    while :; do
        GOT=$("$@")
        [ "$GOT" = "$expected" ] && { hx_wait_used "$began" "$limit" "$* = $expected"; return 0; }
        [ $((${EPOCHREALTIME/./} / 1000)) -ge $deadline ] && return 1
        hx_sleep 0.05
    done
}

expect_equal() # WHAT EXPECTED ACTUAL
{
    [ "$2" = "$3" ] || hx_fail "$1: expected '$2', got '$3'"
    hx_log "ok: $1"
}
