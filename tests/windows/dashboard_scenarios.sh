# Scenarios of the dashboard of the real Tidewatch.exe against the simulated cooler and the
# stand-in GPU library: screenshots in both themes at 96 and 144 DPI, what the user sees
# checked pixel by pixel, clicks and drags with xdotool, the GDI objects the program holds
# and the time one paint takes. Run by tests/windows/harness/run-scenario.sh.
#
# Texts are checked by rendering the expected text in the program's own font and colours
# (tidewatch_probe text) and comparing it with the same box of the screenshot: 0 differing
# pixels is a match. A left-aligned text is rendered into a box twice as wide, so that text
# the box would cut shows as ink beyond it and fails the check. Screenshots are kept in
# build/windows/e2e/screenshots/.
. "$(dirname "${BASH_SOURCE[0]}")/harness/app.sh"

HX_PROBE=${HX_PROBE:-$HX_BUILD/tests/tidewatch_probe.exe}
DASH_SHOTS=$HX_BUILD/e2e/screenshots
DASH_WINDOW=
DASH_WIDTH=
DASH_HEIGHT=
DASH_DPI=96     # the screen's (LogPixels)
DASH_LAYOUT=96  # the dashboard's layout DPI: lower on a screen too small for it
DASH_THEME=light
declare -A BOX LIGHT DARK CONTRAST

# Flags of DrawText: line, line-cut, centred.
DT_LINE=0x24
DT_LINE_CUT=0x8024
DT_CENTRED=0x25

# The 40 duties of a curve report as the simulator logs them (two hex digits each).
BALANCED_PUMP=3c3c3c3c3c3c3c3c3c3c3c3e40424446484a4c4e50525456585a5c5e606264646464646464646464
BALANCED_FANS=19191919191919191919191b1d1f212326292c2f32363a3e42464a4e52565a5b5c5d5e6061626364

probe() { hx_probe "$@"; }

# A flat manual curve of one duty in hex, 100% at 59 degrees.
flat_curve()
{
    local hex='' i
    for ((i = 0; i < 39; i++)); do hex+=$1; done
    printf '%s64' "$hex"
}

# The whole 64-byte curve report as the simulator logs it: 4 header bytes, 40 duties, zeros.
curve_report()
{
    local hex=$1$2
    while [ ${#hex} -lt 128 ]; do hex+=0; done
    printf '%s' "$hex"
}

# Relative address of a global of the exe (plus OFFSET bytes), from the link map.
dash_rva()
{
    local map=$HX_BUILD/Tidewatch.map base address
    base=$(awk '$2 == "__image_base__" {print $1}' "$map")
    address=$(awk -v name="$1" '$2 == name && $1 ~ /^0x/ {print $1}' "$map" | head -n 1)
    [ -n "$address" ] || hx_fail "no $1 in the link map"
    printf '0x%x' $((address - base + ${2:-0}))
}

# peek NAME SIZE [OFFSET]: a global of the running program.
peek() { probe peek "$(dash_rva "$1" "${3:-0}")" "$2"; }

# wait_peek NAME VALUE SECONDS [OFFSET]: until the global (4 bytes) has the value.
wait_peek()
{
    local deadline=$((SECONDS + $3 + 1))
    until [ "$(peek "$1" 4 "${4:-0}")" = "$2" ]; do
        [ $SECONDS -ge $deadline ] && return 1
        hx_sleep 0.05
    done
}

# wait_peek_least NAME VALUE SECONDS [OFFSET]: until the global (4 bytes) is at least VALUE.
wait_peek_least()
{
    local deadline=$((SECONDS + $3 + 1)) value
    while :; do
        value=$(peek "$1" 4 "${4:-0}")
        [ "${value:-0}" -ge "$2" ] && return 0
        [ $SECONDS -ge $deadline ] && return 1
        hx_sleep 0.1
    done
}

# The dashboard's rectangles and the palettes for a client of W x H at DPI (high contrast:
# from this session's system colours).
dash_layout()
{
    local name l t r b
    while read -r name l t r b; do BOX[$name]="$l $t $r $b"; done < <(probe layout "$1" "$2" "$3")
    while read -r name l; do LIGHT[$name]=$l; done < <(probe colours light)
    while read -r name l; do DARK[$name]=$l; done < <(probe colours dark)
    while read -r name l; do CONTRAST[$name]=$l; done < <(probe colours contrast)
    [ -n "${BOX[applyButton]:-}" ] && [ -n "${DARK[accent]:-}" ] || hx_fail "the probe gave no layout"
}

# colour SLOT: rrggbb of the slot in the theme shown now.
colour()
{
    case $DASH_THEME in
    dark) echo "${DARK[$1]}" ;;
    contrast) echo "${CONTRAST[$1]}" ;;
    *) echo "${LIGHT[$1]}" ;;
    esac
}

dash_shown() { DASH_WINDOW=$(hx_app_xwindow); }

# Starts the program at DASH_DPI in DASH_THEME, opens its window (by command 201, or with
# DASH_OPEN=second by starting the program again, as a user does) and reads the layout at the
# DPI it was laid out at. Keyboard cues show only after keyboard use, as Windows has it by
# default (Wine's prefix shows them always).
dash_start()
{
    hx_reg_add 'HKCU\Control Panel\Desktop' LogPixels REG_DWORD "$DASH_DPI"
    hx_reg_add 'HKCU\Control Panel\Desktop' UserPreferencesMask REG_BINARY 1000028012000000
    hx_reg_add 'HKCU\Software\Microsoft\Windows\CurrentVersion\Themes\Personalize' \
        AppsUseLightTheme REG_DWORD "$([ "$DASH_THEME" = dark ] && echo 0 || echo 1)"
    WINEDEBUG=${DASH_APP_DEBUG:--all} hx_start app "$HX_TIDEWATCH"
    local tries
    for ((tries = 0; tries < 100; tries++)); do probe find >/dev/null && break; hx_sleep 0.1; done
    if [ "${DASH_OPEN:-}" = second ]; then
        probe find >/dev/null || hx_fail "the program's window did not appear"
        HX_RUN_LIMIT=10 hx_run second "$HX_TIDEWATCH" || hx_fail "the second start did not hand over"
    else
        probe post 0x111 201 0 >/dev/null || hx_fail "the program's window did not appear"
    fi
    hx_until 10 dash_shown || hx_fail "the dashboard did not show"
    read -r DASH_WIDTH DASH_HEIGHT <<<"$(probe state | sed -n 's/.*client=\([0-9]*\)x\([0-9]*\).*/\1 \2/p')"
    [ -n "$DASH_HEIGHT" ] || hx_fail "no client size"
    DASH_LAYOUT=$(peek LayoutDpi 4)
    [ -n "$DASH_LAYOUT" ] || hx_fail "no layout DPI"
    dash_layout "$DASH_WIDTH" "$DASH_HEIGHT" "$DASH_LAYOUT"
}

# Switches the theme the way Windows announces it.
dash_theme()
{
    DASH_THEME=$1
    hx_reg_add 'HKCU\Software\Microsoft\Windows\CurrentVersion\Themes\Personalize' \
        AppsUseLightTheme REG_DWORD "$([ "$1" = dark ] && echo 0 || echo 1)"
    probe setting ImmersiveColorSet >/dev/null
}

# shot NAME: the window as the user sees it now, in $HX_SESSION/NAME.png.
shot()
{
    import -window "$DASH_WINDOW" "$HX_SESSION/$1.png" 2>/dev/null || hx_fail "no screenshot $1"
}

# keep NAME: the last screenshot NAME kept among the suite's screenshots.
keep()
{
    mkdir -p "$DASH_SHOTS"
    cp "$HX_SESSION/$1.png" "$DASH_SHOTS/$1.png"
}

# pixel NAME X Y: rrggbb of the screenshot at client (X, Y).
pixel()
{
    convert "$HX_SESSION/$1.png" -format "%[hex:p{$2,$3}]" info: 2>/dev/null | tr 'A-F' 'a-f' | cut -c1-6
}

expect_pixel() # WHAT NAME X Y RRGGBB
{
    local got
    got=$(pixel "$2" "$3" "$4")
    [ "$got" = "$5" ] || hx_fail "$1: pixel ($3, $4) of $2 is $got, not $5"
}

# until_pixel WHAT NAME X Y RRGGBB: fresh screenshots NAME until (X, Y) shows the colour (4 s).
until_pixel()
{
    local deadline=$((SECONDS + 4))
    while shot "$2" && [ "$(pixel "$2" "$3" "$4")" != "$5" ]; do
        [ $SECONDS -ge $deadline ] && hx_fail "$1: pixel ($3, $4) is $(pixel "$2" "$3" "$4"), not $5"
        hx_sleep 0.1
    done
}

# box_corner BOX DX DY: client (x, y) DX and DY inside the box's top-left corner.
box_corner() { local l t r b; read -r l t r b <<<"${BOX[$1]}"; echo "$((l + $2)) $((t + $3))"; }

# reference_diff NAME REFERENCE L T W H: the pixels of screenshot NAME's W x H box at (L, T)
# that differ from the reference's left W x H, or "cut" when the reference has ink right of
# that (its first pixel is background).
reference_diff()
{
    local diff colours
    diff=$(compare -metric AE "$HX_SESSION/$1.png[${5}x${6}+$3+$4]" "$2[${5}x${6}+0+0]" null: 2>&1)
    [ "$diff" = 0 ] || { echo "$diff"; return; }
    [ "$(identify -format '%w' "$2")" -gt "$5" ] || { echo 0; return; }
    colours=$(convert "$2" -crop "+$5+0" +repage -format '%k' info:)
    [ "$colours" = 1 ] && echo 0 || echo cut
}

# text_diff NAME BOX FONT FLAGS FG BG TEXT: reference_diff of TEXT drawn in the program's font
# at the box of screenshot NAME; BOX is a name of the layout or "l t r b".
text_diff()
{
    local name=$1 box=${BOX[$2]:-$2} font=$3 flags=$4 fg=$5 bg=$6 text=$7 l t r b
    read -r l t r b <<<"$box"
    local width=$((r - l)) reference=$HX_SESSION/expected-$name-$l-$t.bmp
    # Left-aligned text stays where it is in a wider box; centred and right-aligned would move.
    (((flags & 3) == 0)) && width=$((2 * width))
    probe text "$(hx_winpath "$reference")" "$DASH_LAYOUT" "$font" $width $((b - t)) "$flags" \
        "$fg" "$bg" "$text" >/dev/null || hx_fail "the probe could not draw '$text'"
    reference_diff "$name" "$reference" "$l" "$t" $((r - l)) $((b - t))
}

# temperature_diff NAME FG BG NUMBER: the same for the liquid temperature's row, NUMBER and
# its unit laid out as the program does.
temperature_diff()
{
    local l t r b reference=$HX_SESSION/expected-$1-temperature.bmp
    read -r l t r b <<<"${BOX[temperature]}"
    probe temperature "$(hx_winpath "$reference")" "$DASH_LAYOUT" $((2 * (r - l))) $((b - t)) \
        "$2" "$3" "$4" >/dev/null || hx_fail "the probe could not draw the temperature '$4'"
    reference_diff "$1" "$reference" "$l" "$t" $((r - l)) $((b - t))
}

# expect_shown WHAT DIFF ARGS...: a fresh screenshot makes `DIFF check ARGS...` print 0 within
# about 4 s (a change may need a paint or a publication to show); the last of ARGS is the text.
expect_shown()
{
    local what=$1 check=$2 deadline=$((SECONDS + 4)) diff
    shift 2
    while :; do
        shot check
        diff=$("$check" check "$@")
        [ "$diff" = 0 ] && return 0
        [ $SECONDS -ge $deadline ] && break
        hx_sleep 0.1
    done
    cp "$HX_SESSION/check.png" "$HX_SESSION/failed-$(tr -c 'a-zA-Z0-9' _ <<<"$what").png"
    [ "$diff" = cut ] && diff="its ink runs past the box" || diff="$diff pixels differ"
    hx_fail "$what: '${*: -1}' not shown whole ($diff)"
}

# expect_text WHAT BOX FONT FLAGS FG BG TEXT
expect_text() { expect_shown "$1" text_diff "${@:2}"; }

# expect_temperature WHAT FG BG NUMBER
expect_temperature() { expect_shown "$1" temperature_diff "${@:2}"; }

# scale LENGTH [DPI]: a logical length at DPI (the layout's by default), rounded as MulDiv.
scale() { echo $((($1 * ${2:-$DASH_LAYOUT} + 48) / 96)); }

# slider_x BOX MINIMUM PERCENT: x of the thumb at PERCENT, rounded as the program does.
slider_x()
{
    local l t r b span=$((100 - $2))
    read -r l t r b <<<"${BOX[$1]}"
    echo $((l + (2 * ($3 - $2) * (r - l) + span) / (2 * span)))
}

box_middle() { local l t r b; read -r l t r b <<<"${BOX[$1]}"; echo "$(((l + r) / 2)) $(((t + b) / 2))"; }

click_box() # BOX
{
    local x y
    read -r x y <<<"$(box_middle "$1")"
    xdotool mousemove --window "$DASH_WINDOW" "$x" "$y" click 1
}

# The next status request and the one after it reached the cooler (a whole poll turn passed).
two_polls()
{
    hx_wait_lines "$HX_SIM_LOG" ' in cooler 64 7401' 2 5 "" "$(hx_lines "$HX_SIM_LOG")" ||
        hx_fail "the cooler is no longer polled"
}

curve_writes() { hx_count "$HX_SIM_LOG" ' in cooler 64 72'; }

# sim_control TEXT: the simulator's control text, returning once the simulator applied it
# (a text it first meets inside a report would only count from the report after).
sim_control()
{
    local mark
    mark=$(hx_lines "$HX_SIM_LOG")
    hx_control "$1"
    hx_wait_lines "$HX_SIM_LOG" ' control$' 1 5 "" "$mark" ||
        hx_fail "the simulator did not apply its control text"
}

# The cooler (31.2 °C, pump 2210 RPM at 62%, fans 540 RPM at 27%) and the GPU of the pictures.
dash_cooler_and_gpu()
{
    hx_gpu "name=NVIDIA GeForce XY 100" fan=40 rpm=1500 temp=55
    hx_control "device cooler 1e71 300c
set liquid 312
set pumprpm 2210
set pumpduty 62
set fanrpm 540
set fanduty 27"
}

# The cooler connected (31.2 °C, pump 2210 RPM at 62%, fans 540 RPM at 27%) beside the GPU,
# Balanced applied with a click, and two samples in each ring (1.9 s apart at least), enough
# for a line and its marker.
dash_connect_balanced()
{
    dash_cooler_and_gpu
    wait_peek LatestStatus 1 10 || hx_fail "the cooler did not connect" # its field connected
    click_box balanced
    wait_peek AppliedProfile 2 5 || hx_fail "Balanced was not applied"
    # (a ring's sample count follows its 512 samples of 8 bytes)
    wait_peek_least CoolerHistory 2 10 4096 || hx_fail "no cooler history"
    wait_peek_least GpuHistory 2 10 4096 || hx_fail "no GPU history"
}

# The texts of that state in the theme shown now (WHAT names it in failures).
expect_connected_texts() # WHAT
{
    expect_text "header connected ($1)" header body $DT_LINE "$(colour textSecondary)" \
        "$(colour background)" 'KRAKEN ELITE  \u00b7  CONNECTED'
    expect_temperature "temperature connected ($1)" "$(colour text)" "$(colour background)" '31.2'
    expect_text "pump line ($1)" pumpLine body $DT_LINE_CUT "$(colour textSecondary)" \
        "$(colour background)" 'Pump  2210 RPM  62%'
    expect_text "GPU line ($1)" gpuLine body $DT_LINE "$(colour textSecondary)" \
        "$(colour background)" 'GPU  1500 RPM  40%  55 \u00b0C'
    expect_text "sentence ($1)" sentence body $DT_LINE_CUT "$(colour textSecondary)" \
        "$(colour background)" 'Balanced curve; 100% at 59 \u00b0C'
}

# --- How it looks ------------------------------------------------------------------------------

# The four faces of the dashboard at one DPI: waiting for a cooler, light then dark; then
# connected with a few history samples and Balanced applied, dark then light. Each face is
# kept as a screenshot and checked where the user looks first.
dashboard_looks()
{
    DASH_DPI=$1
    # A 144-DPI window is taller than the default screen.
    HX_SCREEN=1600x1400x24 hx_session_begin
    hx_control "device cooler 1e71 300c absent"
    hx_gpu "name=NVIDIA GeForce XY 100" fan=40 rpm=1500 temp=55 fail=nvmlDeviceGetTemperature
    hx_start_sim
    DASH_THEME=light
    dash_start
    local corner=$((DASH_WIDTH - 4)) balanced silent apply theme name
    read -r -a balanced <<<"$(box_corner balanced 2 2)"
    read -r -a silent <<<"$(box_corner silent 2 2)"
    read -r -a apply <<<"$(box_corner applyButton 2 2)"

    # Waiting: no cooler, a GPU whose readings fail.
    expect_text "pump line, no cooler" pumpLine body $DT_LINE_CUT "$(colour textSecondary)" \
        "$(colour background)" 'Cooler not found'
    for theme in light dark; do
        [ "$theme" = dark ] && dash_theme dark
        name=waiting-$theme-$DASH_DPI
        expect_text "header waiting ($theme)" header body $DT_LINE "$(colour textSecondary)" \
            "$(colour background)" 'KRAKEN ELITE  \u00b7  WAITING'
        expect_temperature "temperature waiting ($theme)" "$(colour textMuted)" \
            "$(colour background)" '--.-'
        expect_text "GPU line without readings ($theme)" gpuLine body $DT_LINE \
            "$(colour textSecondary)" "$(colour background)" 'GPU  \u2014'
        shot "$name"
        keep "$name"
        [ "$(text_diff "$name" header body $DT_LINE "$(colour textSecondary)" "$(colour background)" \
            'KRAKEN ELITE  \u00b7  CONNECTED')" != 0 ] || hx_fail "the text check took WAITING for CONNECTED"
        expect_pixel "background ($theme)" "$name" "$corner" 4 "$(colour background)"
        expect_pixel "Balanced not selected ($theme)" "$name" "${balanced[@]}" "$(colour background)"
        expect_pixel "Apply muted ($theme)" "$name" "${apply[@]}" "$(colour textMuted)"
    done

    # Connected, with history and a GPU, Balanced applied.
    dash_connect_balanced
    for theme in dark light; do
        dash_theme $theme
        name=connected-$theme-$DASH_DPI
        expect_connected_texts "$theme"
        shot "$name"
        keep "$name"
        expect_pixel "background ($theme)" "$name" "$corner" 4 "$(colour background)"
        expect_pixel "Balanced selected ($theme)" "$name" "${balanced[@]}" "$(colour accent)"
        expect_pixel "Silent not selected ($theme)" "$name" "${silent[@]}" "$(colour background)"
    done
    sim_control "device cooler 1e71 300c
set liquid 1000"
    expect_temperature "the widest temperature" "$(colour text)" "$(colour background)" '100.0'
}

scenario_dashboard_looks_96() { dashboard_looks 96; }
scenario_dashboard_looks_144() { dashboard_looks 144; }

# --- Small screens -----------------------------------------------------------------------------

# On a screen too small for the dashboard at its DPI it is laid out at a lower DPI and fits
# whole: the window on screen with its margin, the widest temperature uncut, Apply within
# reach and writing. The screenshot is kept as fitted-SCREEN-DPI.
dashboard_fits() # SCREEN DPI
{
    local width height
    IFS=x read -r width height <<<"$1"
    DASH_DPI=$2
    HX_SCREEN=$1x24 hx_session_begin
    hx_control "device cooler 1e71 300c
set liquid 1000"
    hx_start_sim
    dash_start
    hx_log "laid out at $DASH_LAYOUT DPI, client ${DASH_WIDTH}x$DASH_HEIGHT"
    [ "$DASH_LAYOUT" -lt "$DASH_DPI" ] || hx_fail "laid out at $DASH_LAYOUT DPI on a $1 screen"
    [ "${DASH_WIDTH}x$DASH_HEIGHT" = "$(scale 480)x$(scale 792)" ] ||
        hx_fail "client ${DASH_WIDTH}x$DASH_HEIGHT at $DASH_LAYOUT DPI"
    expect_on_screen "placed"

    wait_peek LatestStatus 1 10 || hx_fail "the cooler did not connect"
    expect_temperature "the widest temperature" "$(colour text)" "$(colour background)" '100.0'
    expect_text "sentence" sentence body $DT_LINE_CUT "$(colour textSecondary)" \
        "$(colour background)" 'Current cooler curve unchanged'
    shot "fitted-$1-$2"
    keep "fitted-$1-$2"
    click_box applyButton
    hx_wait_line "$HX_SIM_LOG" " in cooler 64 $(curve_report 72010100 "$(flat_curve 3c)")\$" 5 ||
        hx_fail "Apply wrote no manual pump curve"
    expect_text "Apply caption after the write" applyButton body $DT_CENTRED "$(colour background)" \
        "$(colour accent)" 'Applied'

    # Pushed half off the screen, it comes back inside at a change of the work area or the
    # display (WM_SETTINGCHANGE with SPI_SETWORKAREA, WM_DISPLAYCHANGE).
    local message
    for message in "0x1A 0x2F" "0x7E 24"; do
        xdotool windowmove --sync "$DASH_WINDOW" $((width / 2)) $((height / 2))
        # The program learns of the move from X a little later: a message before that would
        # see the window where it was.
        hx_until 5 pushed_off || hx_fail "the window was not moved"
        probe send $message 0 >/dev/null || hx_fail "message $message not delivered"
        expect_on_screen "after message $message"
    done

    # Dragged onto a 120-DPI monitor: the suggested rectangle as it is, partly off the screen,
    # layout scaled; fitted when the drag ends.
    local rect="$((width - 300)) 40 $((width + 300)) 700"
    probe send 0x231 0 0 >/dev/null # WM_ENTERSIZEMOVE
    probe dpichanged 120 $rect >/dev/null || hx_fail "WM_DPICHANGED not delivered"
    expect_equal "during the drag" "${rect// /,}" "$(probe state | sed -n 's/.*outer=//p')"
    expect_equal "layout DPI during the drag" $(((DASH_LAYOUT * 120 + DASH_DPI / 2) / DASH_DPI)) "$(peek LayoutDpi 4)"
    probe send 0x232 0 0 >/dev/null # WM_EXITSIZEMOVE
    expect_on_screen "after the drag"
    expect_equal "layout DPI after the drag" "$DASH_LAYOUT" "$(peek LayoutDpi 4)"
}

# expect_on_screen WHAT: the window lies on the screen (width x height) with the margin.
# pushed_off: the program sees its window half off the screen.
pushed_off()
{
    local left
    IFS=, read -r left _ <<<"$(probe state | sed -n 's/.*outer=//p')"
    ((left >= width / 2 - 20))
}

# The program has moved it when its message returns; X and the window manager may still
# report a configuration from before for a moment, which Wine then takes back.
on_screen()
{
    local m left top right bottom
    m=$(scale 12 "$DASH_DPI")
    IFS=, read -r left top right bottom <<<"$(probe state | sed -n 's/.*outer=//p')"
    GOT="$left,$top,$right,$bottom is not $m inside the ${width}x$height screen"
    ((left >= m && top >= m && right <= width - m && bottom <= height - m))
}
expect_on_screen() { hx_until 3 on_screen || hx_fail "$1: the window $GOT"; }

scenario_dashboard_fits_1366x768_96() { dashboard_fits 1366x768 96; }
scenario_dashboard_fits_1920x1080_144() { dashboard_fits 1920x1080 144; }

# --- Profile buttons ---------------------------------------------------------------------------

# The app's message trace (WINEDEBUG=+message) from line $1 on: true when the main window
# painted with no status publication (8001), apply report (8002) or timer since that line.
painted_unprompted()
{
    awk -v from="$1" 'NR > from && /spy_enter_message/ && /L"Tidewatch"/ {
            if ($0 ~ /\[(8001|8002|0113)\]/) cause = 1
            if ($0 ~ /WM_PAINT dispatched/) { if (!cause) found = 1; cause = 0 }
        } END { exit !found }' "$HX_SESSION/app.err"
}

# Waits until the main window has painted after a publication, so that nothing is pending,
# and prints the trace's line count then.
# clicked_and_settled LINE: the window took a click after line LINE of its message trace and
# has painted whatever that asked for.
clicked_and_settled()
{
    hx_wait_lines "$HX_SESSION/app.err" 'L"Tidewatch" +\[0202\] WM_LBUTTONUP returned' 1 3 "" "$1" ||
        hx_fail "the click did not arrive"
    probe settle 3000 >/dev/null || hx_fail "the window did not settle"
}

# expect_balanced_written WRITES: Balanced's pump and fan curves reach the cooler as exactly
# two reports more than WRITES, and the program records Balanced as applied.
expect_balanced_written()
{
    hx_wait_line "$HX_SIM_LOG" " in cooler 64 $(curve_report 72020101 "$BALANCED_FANS")\$" 5 ||
        hx_fail "Balanced's fan curve was not written"
    hx_has "$HX_SIM_LOG" " in cooler 64 $(curve_report 72010100 "$BALANCED_PUMP")\$" ||
        hx_fail "Balanced's pump curve was not written"
    [ "$(curve_writes)" = $(($1 + 2)) ] || hx_fail "not exactly two curve reports were written"
    wait_peek AppliedProfile 2 5 || hx_fail "Balanced was not recorded as applied"
}

quiet_point()
{
    local start lines deadline=$((SECONDS + 8))
    start=$(wc -l <"$HX_SESSION/app.err")
    while :; do
        lines=$(wc -l <"$HX_SESSION/app.err")
        if awk -v from="$start" 'NR > from && /L"Tidewatch"/ {
                if ($0 ~ /spy_enter_message.*\[8001\]/) seen = 1
                if (seen && $0 ~ /WM_PAINT returned/) done = 1
            } END { exit !done }' <(head -n "$lines" "$HX_SESSION/app.err"); then
            echo "$lines"
            return 0
        fi
        [ $SECONDS -ge $deadline ] && hx_fail "no publication painted"
        hx_sleep 0.02
    done
}

scenario_dashboard_profile_buttons()
{
    hx_session_begin
    # A cooler that never answers: the link opens but never connects, and a status is
    # published only every few seconds, so a repaint of the window can be told apart.
    hx_control "device cooler 1e71 300c
fault silent"
    hx_start_sim
    DASH_APP_DEBUG=+timestamp,+message dash_start
    local from balanced point
    read -r -a balanced <<<"$(box_corner balanced 2 2)"
    expect_text "pump line, link not answering" pumpLine body $DT_LINE_CUT "$(colour textSecondary)" \
        "$(colour background)" 'Opening local HID interface\u2026'

    # Not connected: a click on Balanced asks for nothing and repaints nothing. Under load Wine
    # at times hands the foreground to its desktop after the window opens; the click would
    # then activate it, which repaints the focus ring: the window is made the foreground first.
    probe foreground-set >/dev/null
    from=$(quiet_point)
    click_box balanced
    clicked_and_settled "$from"
    ! painted_unprompted "$from" || hx_fail "a click on a profile button repainted while not connected"
    [ "$(peek ApplyPending 4)" = 0 ] || hx_fail "a click while not connected left a request"
    # The check sees a repaint: a press on a slider makes one (still well before the next
    # publication).
    from=$(wc -l <"$HX_SESSION/app.err")
    read -r -a point <<<"$(box_middle pumpSlider)"
    xdotool mousemove --window "$DASH_WINDOW" "${point[0]}" "${point[1]}" click 1
    clicked_and_settled "$from"
    painted_unprompted "$from" || hx_fail "the repaint of a slider press was not seen"

    # Connected: nothing left over is written.
    hx_control "device cooler 1e71 300c"
    wait_peek LatestStatus 1 10 || hx_fail "the cooler did not connect"
    two_polls
    [ "$(curve_writes)" = 0 ] || hx_fail "a curve was written for a click made while not connected"

    # A write that fails: the button never turns selected, neither while the request is under
    # way nor after it failed.
    sim_control "device cooler 1e71 300c
fault deaf after 1"
    click_box balanced
    shot applying
    expect_pixel "Balanced while its write is under way" applying "${balanced[@]}" "$(colour background)"
    wait_peek ApplyResult -1 5 || hx_fail "the failed write was not reported"
    shot failed
    expect_pixel "Balanced after its write failed" failed "${balanced[@]}" "$(colour background)"
    [ "$(peek AppliedProfile 4)" = -1 ] || hx_fail "a failed write changed the applied profile"
    # The failed write dropped the link, and the deaf cooler keeps it down.
    wait_peek LatestStatus 0 5 || hx_fail "the link stayed up after a failed write"

    # A write that succeeds: both of Balanced's curves, then the button turns selected. The
    # cooler hears again while the program waits between two links: Wine's pipes can lose the
    # end of a write that is being cancelled as the other end starts to read, and the
    # program's write to the deaf cooler is cancelled after 500 ms.
    local mark
    mark=$(hx_lines "$HX_SIM_LOG")
    hx_wait_lines "$HX_SIM_LOG" ' close cooler$' 1 10 "" "$mark" || hx_fail "the program kept the deaf cooler open"
    hx_control "device cooler 1e71 300c
step healthy"
    wait_peek LatestStatus 1 10 || hx_fail "the cooler did not come back"
    local writes
    writes=$(curve_writes)
    click_box balanced
    expect_balanced_written "$writes"
    until_pixel "Balanced turned selected" applied "${balanced[@]}" "$(colour accent)"
}

# --- Sliders and Apply -------------------------------------------------------------------------

scenario_dashboard_slider_and_apply()
{
    hx_session_begin
    hx_control "device cooler 1e71 300c"
    hx_start_sim
    dash_start
    wait_peek LatestStatus 1 10 || hx_fail "the cooler did not connect"
    expect_text "pump slider label at start" "$(slider_label pumpSlider)" body $DT_LINE \
        "$(colour text)" "$(colour background)" 'Pump  60%'

    # The curve chart's points for 25 degrees at 70% (pump) and 30% (fans): empty now.
    local x pumpY fanY
    read -r x pumpY fanY <<<"$(chart_points 250 70 30)"
    shot before-apply
    expect_pixel "curve chart before any apply" before-apply "$x" "$pumpY" "$(colour background)"

    # Drag the pump slider's thumb from 60 to 70: the label follows, nothing is written.
    local y from to
    read -r from y <<<"$(slider_x pumpSlider 50 60) $(box_middle pumpSlider | cut -d' ' -f2)"
    to=$(slider_x pumpSlider 50 70)
    xdotool mousemove --window "$DASH_WINDOW" "$from" "$y" mousedown 1 \
        mousemove --window "$DASH_WINDOW" $(((from + to) / 2)) "$y" \
        mousemove --window "$DASH_WINDOW" "$to" "$y" mouseup 1
    expect_text "pump slider label after the drag" "$(slider_label pumpSlider)" body $DT_LINE \
        "$(colour text)" "$(colour background)" 'Pump  70%'
    [ "$(peek ManualPumpDuty 4)" = 70 ] || hx_fail "the drag did not set the pump duty to 70"

    # A drag of the fan slider whose capture is taken away (WM_CANCELMODE, as when another
    # window takes the mouse) ends there: the button goes up outside the window, and a
    # later press outside every control moves nothing. Apply below writes the fans' 30%.
    local fans30 fans40
    fans30=$(slider_x fanSlider 20 30)
    fans40=$(slider_x fanSlider 20 40)
    y=$(box_middle fanSlider | cut -d' ' -f2)
    xdotool mousemove --window "$DASH_WINDOW" "$fans30" "$y" mousedown 1 \
        mousemove --window "$DASH_WINDOW" "$fans40" "$y"
    wait_peek ManualFanDuty 40 5 || hx_fail "the fan slider did not follow the drag"
    xdotool mousemove --window "$DASH_WINDOW" "$fans30" "$y"
    wait_peek ManualFanDuty 30 5 || hx_fail "the fan slider did not follow the drag back"
    probe send 0x1F 0 0 >/dev/null
    xdotool mousemove 1 1 mouseup 1
    xdotool mousemove --window "$DASH_WINDOW" $((DASH_WIDTH - 8)) 8 click 1
    hx_sleep 0.3
    [ "$(peek ManualFanDuty 4)" = 30 ] ||
        hx_fail "a press outside the controls after a lost capture set the fans to $(peek ManualFanDuty 4)%"
    two_polls
    [ "$(curve_writes)" = 0 ] || hx_fail "a drag wrote to the cooler"

    # Apply: flat manual curves, "Applied" for about 1800 ms.
    click_box applyButton
    hx_wait_line "$HX_SIM_LOG" " in cooler 64 $(curve_report 72020101 "$(flat_curve 1e)")\$" 5 ||
        hx_fail "the manual fan curve was not written"
    local written=$((${EPOCHREALTIME/./} / 1000))
    hx_has "$HX_SIM_LOG" " in cooler 64 $(curve_report 72010100 "$(flat_curve 46)")\$" ||
        hx_fail "the manual pump curve was not written"
    expect_text "Apply caption after the write" applyButton body $DT_CENTRED "$(colour background)" \
        "$(colour accent)" 'Applied'
    wait_peek ApplyResult 0 5 || hx_fail "the caption did not return"
    local shown=$((${EPOCHREALTIME/./} / 1000 - written))
    hx_log "measure applied_caption_ms=$shown"
    [ $shown -ge 1500 ] && [ $shown -le 2800 ] || hx_fail "\"Applied\" was shown for $shown ms"
    expect_text "Apply caption afterwards" applyButton body $DT_CENTRED "$(colour background)" \
        "$(colour accent)" 'Apply'

    # The curve chart shows the curves written, and the sentence says so.
    expect_text "sentence after Apply" sentence body $DT_LINE_CUT "$(colour textSecondary)" \
        "$(colour background)" 'Manual fixed duty; 100% at 59 \u00b0C'
    shot after-apply
    keep after-apply
    line_near after-apply "$x" "$pumpY" "$(colour accent)" || hx_fail "no pump curve at 70%"
    line_near after-apply "$x" "$fanY" "$(colour blue)" || hx_fail "no fan curve at 30%"
}

# The box of a slider's label: from 28 to 12 before the slider, one above it.
slider_label()
{
    local l t r b one left twelve
    read -r l t r b <<<"${BOX[$1]}"
    left=$(scale 28)
    one=$(scale 1)
    twelve=$(scale 12)
    echo "$left $((t - one)) $((l - twelve)) $b"
}

# chart_points TENTHS PUMP FANS: x of the temperature and y of both duties on the curve chart.
chart_points()
{
    local l t r b
    read -r l t r b <<<"${BOX[curveChart]}"
    local h=$((b - t)) w=$((r - l))
    echo "$((l + (($1 - 200) * w * 2 + 390) / 780)) $((b - ($2 * h * 2 + 100) / 200)) $((b - ($3 * h * 2 + 100) / 200))"
}

# line_near NAME X Y RRGGBB: the colour is within a pixel of (X, Y), where a 2-pixel line is.
line_near()
{
    local dy
    for dy in -1 0 1; do
        [ "$(pixel "$1" "$2" $(($3 + dy)))" = "$4" ] && return 0
    done
    return 1
}

# --- Keyboard ------------------------------------------------------------------------------------

# ring_point BOX: client (x, y) of the focus ring's inner column left of the box, halfway down.
ring_point()
{
    local l t r b
    read -r l t r b <<<"${BOX[$1]}"
    echo "$((l - $(scale 2) - 1)) $(((t + b) / 2))"
}

keys() { xdotool key --delay 80 "$@"; }

# The keyboard alone drives the dashboard: opened by a second start with the focus on Silent
# and no ring; Tab shows the ring and moves it; Space on Performance writes its curves; the
# window hidden by Esc opens again on Performance; Right twice on the pump slider changes only
# the value and Enter on Apply writes the flat manual curves; a click hides the ring.
scenario_dashboard_keyboard()
{
    hx_session_begin
    hx_control "device cooler 1e71 300c"
    hx_start_sim
    DASH_OPEN=second dash_start
    wait_peek LatestStatus 1 10 || hx_fail "the cooler did not connect"
    expect_equal "focus on opening" 0 "$(peek DashboardFocus 4)"
    local ring apply writes
    read -r -a ring <<<"$(ring_point performance)"
    read -r -a apply <<<"$(ring_point applyButton)"
    shot keys-opened
    expect_pixel "no ring before a key" keys-opened "${ring[@]}" "$(colour background)"

    keys Tab Tab
    until_pixel "the ring on Performance" keys-ring "${ring[@]}" "$(colour accent)"
    keep keys-ring
    writes=$(curve_writes)
    keys space
    wait_peek AppliedProfile 3 5 || hx_fail "Performance was not applied"
    [ "$(curve_writes)" = $((writes + 2)) ] || hx_fail "Space on Performance did not write both curves"

    keys Escape
    until_equal 5 0 hx_app_state visible || hx_fail "Esc did not hide the window"
    probe post 0x111 201 0 >/dev/null
    until_equal 5 1 hx_app_state visible || hx_fail "the window did not open again"
    expect_equal "focus on opening after Performance" 2 "$(peek DashboardFocus 4)"

    # The sliders hold Performance's duties now; two steps of 10 up from the pump's.
    local pump fans
    pump=$(peek ManualPumpDuty 4)
    fans=$(peek ManualFanDuty 4)
    pump=$(((pump / 10 + 2) * 10 > 100 ? 100 : (pump / 10 + 2) * 10))
    keys Tab Tab Right Right
    expect_text "pump slider label after two steps" "$(slider_label pumpSlider)" body $DT_LINE \
        "$(colour text)" "$(colour background)" "Pump  $pump%"
    two_polls
    [ "$(curve_writes)" = $((writes + 2)) ] || hx_fail "a slider key wrote to the cooler"
    keys Tab Tab Return
    hx_wait_line "$HX_SIM_LOG" " in cooler 64 $(curve_report 72020101 "$(flat_curve "$(printf %02x "$fans")")")\$" 5 ||
        hx_fail "the manual fan curve at $fans% was not written"
    hx_has "$HX_SIM_LOG" " in cooler 64 $(curve_report 72010100 "$(flat_curve "$(printf %02x "$pump")")")\$" ||
        hx_fail "the manual pump curve at $pump% was not written"
    until_pixel "the ring on Apply" keys-apply "${apply[@]}" "$(colour accent)"

    # A click on no control hides the ring and leaves the focus.
    xdotool mousemove --window "$DASH_WINDOW" 8 8 click 1
    until_pixel "no ring after a click" keys-clicked "${apply[@]}" "$(colour background)"
    expect_equal "focus after the click" 6 "$(peek DashboardFocus 4)"
    keys Escape
    until_equal 5 0 hx_app_state visible || hx_fail "Esc did not hide the window"
}

# --- Cost of a paint ---------------------------------------------------------------------------

# The GDI objects the program holds stay the same over many paints, and one paint's time.
scenario_dashboard_paint_cost()
{
    hx_session_begin
    hx_control "device cooler 1e71 300c"
    hx_gpu "name=NVIDIA GeForce XY 100" fan=40 rpm=1500 temp=55
    hx_start_sim
    DASH_APP_DEBUG=+timestamp,+message dash_start
    wait_peek LatestStatus 1 10 || hx_fail "the cooler did not connect"
    probe post 0x111 212 0 >/dev/null # Balanced, so that the curves are drawn too
    wait_peek AppliedProfile 2 5 || hx_fail "Balanced was not applied"

    local gdi
    gdi=$(probe gdi)
    hx_log "measure $gdi"
    [[ $gdi == *" self_delta=7 self_back=1"* ]] || hx_fail "the GDI count is not a sound measure here: $gdi"
    local from result
    from=$(wc -l <"$HX_SESSION/app.err")
    result=$(probe paint 300)
    hx_log "measure $result"
    local before after
    before=$(sed -n 's/.*table_before=\([0-9-]*\).*/\1/p' <<<"$result")
    after=$(sed -n 's/.*table_after=\([0-9-]*\).*/\1/p' <<<"$result")
    [ "${before:--1}" -gt 0 ] || hx_fail "no GDI count: $result"
    # A publication may be under way at either count (the tray icon it makes holds objects
    # for a moment); a leak of even one object a paint would show as hundreds.
    [ $((after - before)) -le 4 ] || hx_fail "GDI objects grew from $before to $after over 600 paints"

    # The paints that the window's own thread dispatched, timed by the trace on that thread.
    local paint
    paint=$(awk -v from="$from" -F: 'NR > from && /L"Tidewatch"/ && /\[000f\] WM_PAINT/ {
            if (/dispatched/) start = $1
            else if (/returned/ && start != "") { total += $1 - start; n++; start = "" }
        } END { if (n) printf "paints=%d ms_per_paint=%.2f", n, 1000 * total / n }' "$HX_SESSION/app.err")
    hx_log "measure dispatched $paint"
    local ms
    ms=$(sed -n 's/.*ms_per_paint=\([0-9.]*\).*/\1/p' <<<"$paint")
    [ -n "$ms" ] || hx_fail "no paint was timed"
    awk -v ms="$ms" 'BEGIN { exit !(ms < 40) }' || hx_fail "a paint took $ms ms"

    # A theme switch redraws the title bar at once, not at the next activation.
    from=$(wc -l <"$HX_SESSION/app.err")
    dash_theme dark
    awk -v from="$from" 'NR > from && /L"Tidewatch"/ && /WM_NCACTIVATE/ { found = 1 }
        END { exit !found }' "$HX_SESSION/app.err" || hx_fail "the theme switch left the frame as it was"
}

# --- High contrast -----------------------------------------------------------------------------

# With high contrast on, every colour of the dashboard, charts included, is one of the system
# colours (here a black high-contrast scheme's); off again, the app mode's palette returns.
# Both switches are live: on the settings broadcast and on the system colours' change.
scenario_dashboard_high_contrast()
{
    hx_session_begin
    local name value
    while read -r name value; do
        hx_reg_add 'HKCU\Control Panel\Colors' "$name" REG_SZ "$value"
    done <<<"Window 0 0 0
WindowText 255 255 255
Hilight 26 235 255
HilightText 0 0 0
GrayText 63 242 63
ButtonFace 0 0 0"
    hx_control "device cooler 1e71 300c absent"
    hx_gpu "name=NVIDIA GeForce XY 100"
    hx_start_sim
    dash_start
    expect_equal "the scheme's window colour" 000000 "${CONTRAST[background]}"
    dash_connect_balanced

    # Wine's high contrast is always off: the program is told otherwise, then the setting's
    # broadcast follows as Windows sends it.
    probe contrast "$(dash_rva __imp_SystemParametersInfoW)" 1 >/dev/null ||
        hx_fail "cannot turn high contrast on for the program"
    probe send 0x1A 0x43 0 >/dev/null # WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST
    DASH_THEME=contrast
    expect_connected_texts "high contrast"
    expect_text "Apply (high contrast)" applyButton body $DT_CENTRED "$(colour onFill)" \
        "$(colour accent)" 'Apply'
    shot high-contrast-96
    keep high-contrast-96
    local balanced silent
    read -r -a balanced <<<"$(box_corner balanced 2 2)"
    read -r -a silent <<<"$(box_corner silent 2 2)"
    expect_pixel "Balanced selected (high contrast)" high-contrast-96 "${balanced[@]}" "$(colour accent)"
    expect_pixel "Silent not selected (high contrast)" high-contrast-96 "${silent[@]}" "$(colour background)"
    # Not one pixel in a colour of the app mode's palettes, fixed series colours included.
    local shown own
    shown=$(convert "$HX_SESSION/high-contrast-96.png" -format %c histogram:info:- |
        sed -n 's/.*#\([0-9A-Fa-f]\{6\}\).*/\1/p' | tr 'A-F' 'a-f')
    for own in "${LIGHT[@]}" "${DARK[@]}"; do
        ! grep -qx "$own" <<<"$shown" || hx_fail "a colour of the app mode's palettes is shown: $own"
    done
    hx_log "ok: $(wc -l <<<"$shown") colours shown, none of the app mode's"

    # Off again: the change of the system colours brings the app mode's palette back.
    probe contrast "$(dash_rva __imp_SystemParametersInfoW)" 0 >/dev/null || hx_fail "cannot turn high contrast off"
    probe send 0x15 0 0 >/dev/null # WM_SYSCOLORCHANGE
    DASH_THEME=light
    expect_text "header (light again)" header body $DT_LINE "$(colour textSecondary)" \
        "$(colour background)" 'KRAKEN ELITE  \u00b7  CONNECTED'
    shot light-again
    expect_pixel "Balanced selected (light again)" light-again "${balanced[@]}" "$(colour accent)"
}

# --- Screen readers ----------------------------------------------------------------------------

# tree: the accessible tree as another process reads it (probe access), in $TREE.
tree() { TREE=$(probe access) || hx_fail "no accessible tree: $TREE"; }

# element ID FIELD: a field of child ID's line of $TREE (2 role, 3 state, 4..7 location, 8 hit,
# text: name|value).
element() { grep -m1 "^$1 " <<<"$TREE" | cut -d' ' -f"${2/text/9-}"; }

expect_element() { expect_equal "child $1 ($3)" "$2" "$(element "$1" text)"; }

# A screen reader in another process reads and drives the dashboard: the elements in reading
# order with their live texts, each where a hit test finds it; the focus following Tab;
# Balanced pressed by its default action writes both curves and turns checked; a slider set
# moves; the events raised; a call on the tree held after the window is gone fails cleanly.
scenario_dashboard_screen_reader()
{
    hx_session_begin
    dash_cooler_and_gpu
    hx_start_sim
    DASH_APP_DEBUG=+hook dash_start
    wait_peek LatestStatus 1 10 || hx_fail "the cooler did not connect"
    wait_peek_least CoolerHistory 1 10 4096 || hx_fail "no cooler history"
    tree
    expect_equal "children" 17 "$(grep -c '^[0-9]' <<<"$TREE")"
    expect_element 1 'KRAKEN ELITE  ·  CONNECTED|' header
    expect_element 2 'Liquid|31.2 °C' temperature
    expect_element 5 'GPU  1500 RPM  40%  55 °C|' "GPU line"
    expect_element 6 'COOLER|Fans 27%, Temp 31 °C' "cooler chart"
    expect_element 8 'COOLER CURVE  ·  EDITABLE|No curve written this run' "curve chart"
    expect_element 10 'Balanced|' "Balanced"
    expect_element 13 'Pump|60 %' "pump slider"
    expect_element 15 'Apply|' "Apply"
    local id l t r b
    for id in 1 2 6 9 10 11 12 13 14 15 16 17; do
        expect_equal "hit test of child $id" "$id" "$(element $id 8)"
    done
    read -r l t r b <<<"${BOX[balanced]}"
    expect_equal "size of Balanced" "$((r - l)) $((b - t))" "$(element 10 6) $(element 10 7)"

    probe foreground-set >/dev/null
    keys Tab
    tree
    expect_equal "focus after Tab" 10 "$(sed -n 's/^focus //p' <<<"$TREE")"
    (( 0x$(element 10 3) & 4 )) || hx_fail "Balanced is not focused after Tab"

    local writes
    writes=$(curve_writes)
    expect_equal "default action of Balanced" "result 00000000" "$(probe access press 10)"
    expect_balanced_written "$writes"
    tree
    (( 0x$(element 10 3) & 0x10 )) || hx_fail "Balanced is not checked once applied"
    (( 0x$(element 9 3) & 0x10 )) && hx_fail "Silent is checked"
    expect_element 8 'COOLER CURVE  ·  EDITABLE|Pump  62%, Fans  27% at 31 °C' "curve chart, Balanced"

    # The events as the program raises them (its trace: Wine 8 does not pass them on to a
    # hook in another process): the focus moving on with Tab, the pump slider set.
    keys Tab
    expect_equal "pump slider set" "result 00000000" "$(probe access set 13 '70 %')"
    expect_equal "pump duty set" 70 "$(peek ManualPumpDuty 4)"
    hx_wait_line "$HX_SESSION/app.err" 'NotifyWinEvent 8005, 0x[0-9a-f]+, -4, 11$' 3 ||
        hx_fail "no focus event for Performance"
    hx_wait_line "$HX_SESSION/app.err" 'NotifyWinEvent 800e, 0x[0-9a-f]+, -4, 13$' 3 ||
        hx_fail "no value event for the pump slider"

    # Disconnected (80010108, 800401fd) or, the process ending or ended, unreachable
    # (800706be, 800706ba): an error, not a hang or a crash.
    local after
    after=$(probe access-exit | tail -n 1)
    [[ $after =~ ^after\ 8[0-9a-f]{7}$ ]] || hx_fail "a call after the window is gone: $after"
}
