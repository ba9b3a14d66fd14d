# Scenarios of the real Tidewatch.exe's tray icon, menu and placement under Wine, against the
# simulated cooler. Run by tests/windows/harness/run-scenario.sh.
#
# What Wine gives: the icons live in windows of Wine's tray (the probe finds them), drawn
# at the small icon size on white; Shell_NotifyIconGetRect fails, so the window always goes to
# the work area's corner; the tray's tooltips are comctl32 tooltips of the tray's process,
# read back by the probe. Clicks on the icon are the callback message posted to the main
# window (MsgTrayNotify with the mouse message in lParam, as the shell sends it).
#
# With TIDEWATCH_PICTURES set to a folder, the scenarios that take the README's pictures
# copy them there.
. "$(dirname "${BASH_SOURCE[0]}")/harness/app.sh"

MAP=$HX_BUILD/Tidewatch.map
TRAY_NOTIFY=0x8003 # MsgTrayNotify

probe() { hx_probe "$@"; }

# peek NAME SIZE: a global of the running program, by its address in the link map.
peek()
{
    local base address
    base=$(awk '$2 == "__image_base__" {print $1}' "$MAP")
    address=$(awk -v name="$1" '$2 == name && $1 ~ /^0x/ {print $1}' "$MAP" | head -n 1)
    [ -n "$address" ] || hx_fail "no $1 in the link map"
    probe peek "$(printf '0x%x' $((address - base)))" "$2"
}

picture() # FILE: kept for the README when asked, without time stamps
{
    [ -n "${TIDEWATCH_PICTURES:-}" ] || return 0
    convert "$1" -strip -define png:exclude-chunks=date,time "$TIDEWATCH_PICTURES/$(basename "$1")" ||
        hx_fail "cannot write the picture $1"
}

cooler_log_count() { hx_count "$HX_SIM_LOG" " in cooler 64 $1"; }

# Starts the simulator with the control TEXT and the program, and waits for its first status
# and, with a cooler, for the screen state to be known.
start_with()
{
    hx_session_begin
    hx_control "$1"
    hx_start_sim
    hx_start app "$HX_TIDEWATCH"
    if [[ $1 == *"device cooler"* ]]; then
        hx_wait_line "$HX_SIM_LOG" ' out cooler 64 3101' 10 app || hx_fail "the screen state was not read"
        hx_wait_line "$HX_SIM_LOG" ' out cooler 64 7501' 10 app || hx_fail "no status was read"
    else
        until_equal 10 1 probe tray || hx_fail "no tray icon"
    fi
}

# Opens the window by the icon's double click: polls come every 750 ms from then on.
open_by_double_click()
{
    probe post $TRAY_NOTIFY 1 0x203 || hx_fail "cannot post to the window"
    until_equal 5 1 visible || hx_fail "the double click did not open the window"
}

visible() { probe state | sed -n 's/.*visible=\([01]\).*/\1/p'; }

# The window's state line; a probe that could not ask (a busy window) is asked again.
state_now()
{
    local out tries
    for ((tries = 0; tries < 20; tries++)); do
        out=$(probe state) && [ -n "$out" ] && { printf '%s\n' "$out"; return 0; }
        hx_sleep 0.1
    done
    return 1
}

# --- The tray's picture ------------------------------------------------------------------------

# tray_shot NAME: the icon's slot in the tray as $HX_SESSION/NAME.png, and the icon in it
# (trimmed of the tray's background) as NAME-icon.png.
tray_shot()
{
    hx_app_tray_shot "$HX_SESSION/$1.png" || hx_fail "no screenshot of the tray's icon"
    convert "$HX_SESSION/$1.png" -trim +repage "$HX_SESSION/$1-icon.png" 2>/dev/null
}

# Pixels of IMAGE within 6% of the colour RRGGBB.
colour_count() # IMAGE RRGGBB
{
    convert "$1" -fuzz 6% -fill black +opaque "#$2" -fill white -opaque "#$2" -format '%[fx:int(mean*w*h+0.5)]' info: 2>/dev/null
}

# shot_matches NAME REFERENCE: takes tray shots until the icon in it is REFERENCE pixel for
# pixel (the tray paints a little after it takes an icon), for at most 3 s; pixels that the
# reference marks ff00ff are not compared. Leaves the last count of differing pixels in
# $DIFFER.
shot_matches()
{
    local deadline=$((${EPOCHREALTIME/./} / 1000 + 3000)) mask=$HX_SESSION/$1-mask.png
    # White where not compared: lightened with it, both sides turn white there.
    convert "$2" -fill black +opaque '#ff00ff' -fill white -opaque '#ff00ff' "$mask"
    convert "$2" "$mask" -compose lighten -composite "$HX_SESSION/$1-expected.png"
    while :; do
        tray_shot "$1"
        convert "$HX_SESSION/$1-icon.png" "$mask" -compose lighten -composite "$HX_SESSION/$1-compared.png"
        DIFFER=$(compare -metric AE "$HX_SESSION/$1-compared.png" "$HX_SESSION/$1-expected.png" null: 2>&1)
        [ "$DIFFER" = 0 ] && return 0
        [ $((${EPOCHREALTIME/./} / 1000)) -ge $deadline ] && return 1
        hx_sleep 0.1
    done
}

# expect_badge NAME VALUE RRGGBB: the tray shows the program's badge for VALUE, pixel for
# pixel, mostly of the band colour with white digits; the shot is $HX_SESSION/NAME.png.
expect_badge()
{
    local reference=$HX_SESSION/badge-$2.ppm size
    size=$(probe badge "$2" "$(hx_winpath "$reference")") || hx_fail "the probe drew no badge"
    shot_matches "$1" "$reference" ||
        hx_fail "$1: the tray's icon ($(identify -format '%wx%h' "$HX_SESSION/$1-icon.png")) differs from the badge for $2 in $DIFFER pixels"
    local band white shot=$HX_SESSION/$1-icon.png
    band=$(colour_count "$shot" "$3")
    white=$(colour_count "$shot" ffffff)
    ((band > size * size / 2)) || hx_fail "$1: only $band pixels of #$3"
    ((white > size)) || hx_fail "$1: only $white white pixels for the digits"
    hx_log "ok: $1: the badge for $2 in #$3 ($band band pixels, $white white)"
}

# expect_icon NAME [V]: the tray shows the program's own icon, pixel for pixel where it is
# opaque; drawn over the badge for V when given: Wine's tray draws a new icon over the old
# one without clearing, so the icon's translucent edge takes a tint from what was before it
# (and from each redraw: those pixels are not compared).
expect_icon()
{
    local reference=$HX_SESSION/appicon.ppm
    probe appicon "$(hx_winpath "$HX_TIDEWATCH")" "$(hx_winpath "$reference")" ${2:-} >/dev/null ||
        hx_fail "the probe drew no icon"
    shot_matches "$1" "$reference" || hx_fail "$1: the tray's icon differs from the program's in $DIFFER pixels"
    hx_log "ok: $1: the program's icon"
}

tooltip() { probe tooltips | grep '^Tidewatch'; }
balloon() { probe tooltips | grep -v '^Tidewatch'; } # the text of the balloon Wine's tray shows
# reads LIQUID PUMP TIP: the cooler reads LIQUID (tenths) and PUMP (rpm) until the tooltip is TIP.
reads() { hx_control "$(printf 'device cooler 1e71 300c\nset fanrpm 760\nset liquid %s\nset pumprpm %s' "$1" "$2")"
    until_equal 20 "Tidewatch · $3 · Fans 760 RPM · Unchanged" tooltip || hx_fail "tooltip: $GOT"; }

# --- Reading an open menu ----------------------------------------------------------------------

# "x y w h" of the main menu (the tallest popup menu on screen) and of its open submenu.
menu_main() { probe menus | sort -k4 -n -r | head -n 1; }
menu_sub() { probe menus | sort -k4 -n -r | sed -n 2p; }

# menu_read NAME X Y W H: screenshot of the menu at X,Y as $HX_SESSION/NAME.png, read row by
# row. Sets MENU_SIG, one mark per entry: '-' separator, 'e' enabled, 'g' greyed (no black
# ink in its text), upper case when a check mark is drawn left of the text, '>' after an
# item with a submenu arrow; and MENU_Y, the screen row of each entry's centre.
# The menu must not have an item highlighted (no pointer on it).
menu_read()
{
    local out previous= tries
    # The menu paints a little after its window shows: read until two reads agree.
    for ((tries = 0; tries < 30; tries++)); do
        out=$(menu_rows "$@")
        [ -n "${out// /}" ] && [ "$out" = "$previous" ] && break
        previous=$out
        hx_sleep 0.05
    done
    MENU_SIG=$(sed -n 1p <<<"$out")
    read -r -a MENU_Y <<<"$(sed -n 2p <<<"$out")"
    hx_log "$1: $MENU_SIG"
}

menu_rows() # NAME X Y W H
{
    local file=$HX_SESSION/$1.png
    import -window root -crop "$4x$5+$2+$3" +repage "$file" 2>/dev/null || hx_fail "no screenshot of the menu"
    convert "$file" -colorspace gray -depth 8 txt:- | awk -v W="$4" -v H="$5" -v Y0="$3" -F'[,: ]+' '
        function flush() {
            if (state != 1) return
            mark = dark > 0 ? "e" : "g"
            if (check > 0) mark = toupper(mark)
            if (arrow > 0) mark = mark ">"
            sig = sig " " mark
            ys = ys " " (Y0 + int((top + bottom) / 2))
        }
        NR > 1 {
            x = $1; y = $2; v = $0
            sub(/.*gray\(/, "", v); sub(/\).*/, "", v); v += 0
            if (y < 1 || y >= H - 1 || x < 2 || x >= W - 2) next
            if (x >= 16 && x < W - 16) { if (v < 200) any[y]++; if (v < 60) ink[y]++ }
            else if (x < 16) { if (v < 200) left[y]++ }
            else if (v < 200) right[y]++
        }
        END {
            # An entry ends after three blank rows: a descender may leave one or two.
            state = 0
            for (y = 1; y < H - 1; y++) {
                if (any[y] > 0.8 * (W - 32) && ink[y] == 0) {
                    if (state != 2) { flush(); sig = sig " -"; ys = ys " " (Y0 + y); state = 2 }
                    continue
                }
                if (any[y] + left[y] + right[y] == 0) {
                    if (state == 1 && y - bottom >= 3) { flush(); state = 0 }
                    if (state == 2) state = 0
                    continue
                }
                if (state != 1) { state = 1; top = y; dark = 0; check = 0; arrow = 0 }
                dark += ink[y]; check += left[y]; arrow += right[y]; bottom = y
            }
            flush()
            print substr(sig, 2)
            print substr(ys, 2)
        }'
}

# open_menu NAME: the right click with the pointer at 300,200, where the menu's top-left
# corner lands: as from the shell, a move report over the icon (WM_MOUSEMOVE), then
# WM_RBUTTONUP. Sets MENU_X, MENU_W, MENU_H and reads the menu as NAME.
open_menu() # NAME
{
    xdotool mousemove 300 200
    probe post $TRAY_NOTIFY 1 0x200 || hx_fail "cannot post to the window"
    probe post $TRAY_NOTIFY 1 0x205 || hx_fail "cannot post to the window"
    until_equal 5 1 eval 'probe menus | wc -l' || hx_fail "no menu opened"
    local rect
    read -r -a rect <<<"$(menu_main)"
    MENU_X=${rect[0]} MENU_W=${rect[2]} MENU_H=${rect[3]}
    menu_read "$1" "${rect[0]}" "${rect[1]}" "${rect[2]}" "${rect[3]}"
}

# open_submenu ENTRY NAME: the pointer on the main menu's ENTRY (0-based row of the menu) until
# its submenu shows, then reads that as NAME. Sets SUB_X, SUB_W and SUB_SIG, SUB_Y.
open_submenu()
{
    xdotool mousemove $((MENU_X + MENU_W / 2)) "${MENU_Y[$1]}"
    until_equal 5 2 eval 'probe menus | wc -l' || hx_fail "no submenu opened"
    local rect main_sig=$MENU_SIG main_y=("${MENU_Y[@]}")
    read -r -a rect <<<"$(menu_sub)"
    SUB_X=${rect[0]} SUB_W=${rect[2]}
    menu_read "$2" "${rect[0]}" "${rect[1]}" "${rect[2]}" "${rect[3]}"
    SUB_SIG=$MENU_SIG SUB_Y=("${MENU_Y[@]}")
    MENU_SIG=$main_sig MENU_Y=("${main_y[@]}")
}

menu_click() # X Y
{
    xdotool mousemove "$1" "$2" click 1
    until_equal 15 0 eval 'probe menus | wc -l' || hx_fail "the menu stayed open"
}

# Keyboard input reaches a Wine menu only through its own X window: the program's hidden
# window cannot take the X focus that SetForegroundWindow gives it on Windows.
foreground_is_ours() { probe foreground | cut -d' ' -f1; }

menu_keys() # KEY...
{
    local window
    window=$(xwininfo -root -tree | awk -v g="${MENU_W}x${MENU_H}+${MENU_X}+" '/"tidewatch.exe"/ && index($0, g) {print $1; exit}')
    [ -n "$window" ] || hx_fail "no X window for the menu"
    xdotool windowfocus --sync "$window"
    # The keys go to the foreground window. The program made its own the foreground one
    # before its menu, but under load Wine at times hands the foreground to its desktop
    # window a moment later, as it follows the X focus; Windows' shell lets the program
    # keep it.
    if ! until_equal 2 1 foreground_is_ours; then
        hx_log "the foreground stayed with Wine's $(probe foreground | cut -d' ' -f2-): given back to the program"
        probe foreground-set >/dev/null
        until_equal 2 1 foreground_is_ours || hx_fail "the program's window cannot be the foreground one"
    fi
    xdotool key --delay 50 "$@"
}

# Main menu rows: 0 Open, 1 -, 2 Profiles, 3 Silent, 4 Balanced, 5 Performance, 6 Aggressive,
# 7 -, 8 Manual duty, 9 Pump, 10 Fans, 11 Apply manual, 12 -, 13 Screen, 14 -, 15 Exit.
ROW_BALANCED=4 ROW_PUMP=9 ROW_FANS=10 ROW_EXIT=15

# --- Scenarios ----------------------------------------------------------------------------------

# The badge shows the whole degrees in the band's colour, is redrawn only when that number
# changes, and the tooltip carries every figure.
scenario_tray_badge_follows_the_liquid()
{
    start_with "device cooler 1e71 300c
set liquid 427
set pumprpm 980
set fanrpm 760"
    until_equal 10 43 peek TrayBadgeValue 4 || hx_fail "badge value $GOT"
    expect_equal "badge drawn at the small icon size" 16 "$(peek TrayBadgeSize 4)"
    expect_badge amber 43 d28a24
    expect_equal "tooltip" "Tidewatch · 42.7 °C · Pump 980 RPM · Fans 760 RPM · Unchanged" "$(tooltip)"
    open_by_double_click
    local badge
    badge=$(peek TrayBadgeIcon 8)
    # 42.6 still reads 43: the tooltip changes, the badge is not drawn again.
    hx_control "device cooler 1e71 300c
set liquid 426
set pumprpm 980
set fanrpm 760"
    until_equal 10 "Tidewatch · 42.6 °C · Pump 980 RPM · Fans 760 RPM · Unchanged" tooltip ||
        hx_fail "tooltip: $GOT"
    expect_equal "the badge kept for 42.6" "$badge" "$(peek TrayBadgeIcon 8)"
    hx_control "device cooler 1e71 300c
set liquid 375"
    until_equal 10 38 peek TrayBadgeValue 4 || hx_fail "badge value $GOT"
    [ "$(peek TrayBadgeIcon 8)" != "$badge" ] || hx_fail "38 kept the badge of 43"
    expect_badge green 38 399a64
    # The README's picture: the program's badges at 16, 20, 24, 28 and 32 pixels (one row
    # each; every digit once), four times enlarged. The tray shows these same pixels, checked
    # here and at the other scales.
    local size value rows=()
    for size in 16 20 24 28 32; do
        local files=()
        for value in 27 39 41 58 60; do
            probe badge $value "$(hx_winpath "$HX_SESSION/readme-$value-$size.ppm")" $size >/dev/null ||
                hx_fail "the probe drew no badge at $size"
            files+=("$HX_SESSION/readme-$value-$size.ppm")
        done
        convert "${files[@]}" -bordercolor white -border 2 +append "$HX_SESSION/readme-$size.png"
        rows+=("$HX_SESSION/readme-$size.png")
    done
    convert "${rows[@]}" -background white -gravity west -append -filter point -resize 400% \
        "$HX_SESSION/tray-badge.png"
    picture "$HX_SESSION/tray-badge.png"
}

# At 125 % and 150 % the tray takes the badge drawn for its small icon size (20 and 24
# pixels), which it shows unscaled, pixel for pixel; without the cooler, the program's icon
# loaded at that size.
tray_badge_at_scale() # DPI SIZE
{
    hx_session_begin
    hx_reg_add 'HKCU\Control Panel\Desktop' LogPixels REG_DWORD "$1"
    hx_control "device cooler 1e71 300c
set liquid 472"
    hx_start_sim
    hx_start app "$HX_TIDEWATCH"
    until_equal 10 47 peek TrayBadgeValue 4 || hx_fail "badge value $GOT"
    expect_equal "badge drawn at the small icon size" "$2" "$(peek TrayBadgeSize 4)"
    expect_badge red-$1 47 e25b45
    expect_equal "the tray's icon, not scaled" "${2}x$2" "$(identify -format '%wx%h' "$HX_SESSION/red-$1-icon.png")"
    hx_control "device cooler 1e71 300c
fault unplug"
    until_equal 10 -1 peek TrayBadgeValue 4 || hx_fail "badge value $GOT after the unplug"
    expect_icon unplugged-$1 47
}

scenario_tray_badge_at_120() { tray_badge_at_scale 120 20; }
scenario_tray_badge_at_144() { tray_badge_at_scale 144 24; }

# Unplugged, the tray shows the program's icon and says so; plugged back at the same
# temperature, the badge is drawn anew.
scenario_tray_unplug_and_replug()
{
    start_with "device cooler 1e71 300c
set liquid 427"
    open_by_double_click
    until_equal 10 43 peek TrayBadgeValue 4 || hx_fail "badge value $GOT"
    hx_control "device cooler 1e71 300c
set liquid 427
fault unplug"
    until_equal 10 "Tidewatch · Kraken disconnected" tooltip || hx_fail "tooltip: $GOT"
    expect_equal "no badge value" -1 "$(peek TrayBadgeValue 4)"
    expect_equal "no badge icon" 0 "$(peek TrayBadgeIcon 8)"
    expect_icon unplugged 43
    expect_equal "the program's icon in the tray" 1 "$(probe tray)"
    hx_control "device cooler 1e71 300c
set liquid 427
step plugged back"
    until_equal 10 43 peek TrayBadgeValue 4 || hx_fail "badge value $GOT after the re-plug"
    expect_badge replugged 43 d28a24
}

# The menu tells the state: headings greyed, nothing checked before an apply, the start duties
# checked in their submenus; a profile chosen with the mouse writes its two curves and is
# checked at the next opening; a duty chosen writes nothing.
scenario_tray_menu_profile_by_mouse()
{
    start_with "device cooler 1e71 300c
set liquid 427"
    open_menu menu-start
    expect_equal "menu at start" "e - g e e e e - g e> e> e - e> - e" "$MENU_SIG"
    open_submenu $ROW_PUMP pump-start
    expect_equal "pump submenu at 60%" "e E e e e e" "$SUB_SIG"
    menu_click $((MENU_X + MENU_W / 2)) "${MENU_Y[$ROW_BALANCED]}"
    hx_wait_line "$HX_SIM_LOG" ' in cooler 64 7202' 5 app || hx_fail "no fan curve written"
    expect_equal "curves written" "1 1" "$(cooler_log_count 7201) $(cooler_log_count 7202)"
    grep -aE ' in cooler 64 720[12]' "$HX_SIM_LOG" | head -n 1 | grep -q ' 7201' || hx_fail "the fan curve came first"
    until_equal 5 2 peek AppliedProfile 4 || hx_fail "applied profile $GOT"

    open_menu menu-balanced
    expect_equal "Balanced checked" "e - g e E e e - g e> e> e - e> - e" "$MENU_SIG"
    open_submenu $ROW_PUMP pump-open
    # The README's picture: both menus as they stand.
    import -window root -crop "$((SUB_X + SUB_W - MENU_X + 16))x$((MENU_H + 16))+$((MENU_X - 8))+$((200 - 8))" +repage \
        "$HX_SESSION/tray-menu.png" 2>/dev/null
    picture "$HX_SESSION/tray-menu.png"
    # 70% is the submenu's third row.
    menu_click $((SUB_X + SUB_W / 2)) "${SUB_Y[2]}"
    until_equal 5 70 peek ManualPumpDuty 4 || hx_fail "pump duty $GOT"
    hx_sleep 0.5 # a request would have woken the worker at once
    expect_equal "nothing more written" "1 1 0" \
        "$(cooler_log_count 7201) $(cooler_log_count 7202) $(cooler_log_count 3002)"
}

# Without a cooler: the profiles, "Apply manual" and the screen submenu are greyed, the duty
# submenus are not, and a fan duty chosen with the keyboard changes only the manual value.
scenario_tray_menu_greyed_without_cooler()
{
    start_with "device mouse 046d c52b"
    open_menu menu-offline
    expect_equal "menu without a cooler" "e - g g g g g - g e> e> g - g> - e" "$MENU_SIG"
    open_submenu $ROW_FANS fans-offline
    expect_equal "fans submenu at 30%" "e E e e e e e e e" "$SUB_SIG"
    # The keyboard takes it from there: the first Down enters the open submenu on 20%, two
    # more reach 40%.
    menu_keys Down Down Down Return
    until_equal 15 0 eval 'probe menus | wc -l' || hx_fail "the menu stayed open"
    until_equal 5 40 peek ManualFanDuty 4 || hx_fail "fan duty $GOT"
    expect_equal "no report written" 0 "$(hx_count "$HX_SIM_LOG" ' in ')"
}

# Brightness chosen with the keyboard, once the screen state is known: one write of the
# level with the screen mode sent back.
scenario_tray_menu_brightness_by_keyboard()
{
    start_with "device cooler 1e71 300c
set brightness 50
set mode 1"
    open_menu menu-screen
    [[ $MENU_SIG == *" - e> - e" ]] || hx_fail "the screen submenu is greyed: $MENU_SIG"
    # Up from nothing selects Exit, Up again the Screen item; Right opens its submenu on
    # "Off", Down moves to 25%.
    menu_keys Up Up Right Down Return
    until_equal 15 0 eval 'probe menus | wc -l' || hx_fail "the menu stayed open"
    hx_wait_line "$HX_SIM_LOG" ' in cooler 64 3002' 5 app || hx_fail "no brightness written"
    hx_sleep 0.3
    expect_equal "one brightness write" 1 "$(cooler_log_count 3002)"
    hx_has "$HX_SIM_LOG" ' in cooler 64 30020119000001' || hx_fail "not 25% in mode 1: $(grep -a ' 3002' "$HX_SIM_LOG")"
    expect_equal "curves written" 0 "$(cooler_log_count 720)"
}

# "Exit" chosen from the menu ends the program and takes its icon away.
scenario_tray_menu_exit()
{
    start_with "device cooler 1e71 300c"
    local window
    window=$(probe find)
    open_menu menu-exit
    menu_click $((MENU_X + MENU_W / 2)) "${MENU_Y[$ROW_EXIT]}"
    local code=0
    hx_wait_exit app 10 || code=$?
    expect_equal "exit code" 0 "$code"
    expect_equal "icon gone" 0 "$(probe tray "$window")"
}

gdi_table() { probe gdi | sed -n 's/.*table=\([0-9-]*\).*/\1/p'; }

# Notifications that reach the window while its menu is open (the menu's loop dispatches
# them) open no second menu and leave no GDI object behind; the end of the session with the
# menu open ends the program.
scenario_tray_menu_stacked_and_session_end()
{
    start_with "device mouse 046d c52b"
    local window
    window=$(probe find)
    # The first menu of the process makes objects that stay: counted from after it.
    open_menu menu-first
    menu_keys Escape
    until_equal 5 0 eval 'probe menus | wc -l' || hx_fail "Escape left the menu open"
    local before after
    before=$(gdi_table)
    open_menu menu-flooded
    probe post $TRAY_NOTIFY 1 0x205 60 || hx_fail "cannot post to the window"
    probe post $TRAY_NOTIFY 1 0x7B >/dev/null
    probe settle 3000 >/dev/null
    hx_sleep 0.5
    expect_equal "menus open after 61 more notifications" 1 "$(probe menus | wc -l)"
    menu_keys Escape
    until_equal 5 0 eval 'probe menus | wc -l' || hx_fail "Escape left the menu open"
    after=$(gdi_table)
    hx_log "GDI objects $before before the menu, $after after it"
    [ "${after:-999}" -le "${before:-0}" ] || hx_fail "GDI objects grew from $before to $after"

    open_menu menu-session-end
    expect_equal "WM_ENDSESSION handled" 0 "$(probe send 0x16 1 0)"
    local code=0
    hx_wait_exit app 5 || code=$?
    expect_equal "exit code at the end of the session, menu open" 0 "$code"
    expect_equal "icon gone" 0 "$(probe tray "$window")"
}

# A single left click does nothing, a double click opens the window in the work area's corner
# (Wine reports no icon rectangle) and never the menu, and leaves a visible window where it is;
# a keyboard selection (a right click the pointer did not make) opens the menu there too. At each
# DPI the screen is large enough for the whole window: a window manager keeps a window that
# does not fit on the screen, so the too-large case is checked natively only.
tray_clicks_and_placement() # DPI SCREEN
{
    local dpi=$1
    HX_SCREEN=$2 hx_session_begin
    hx_reg_add 'HKCU\Control Panel\Desktop' LogPixels REG_DWORD "$dpi"
    hx_control "device mouse 046d c52b"
    hx_start_sim
    hx_start app "$HX_TIDEWATCH"
    until_equal 10 1 probe tray || hx_fail "no tray icon"
    probe post $TRAY_NOTIFY 1 0x202 # WM_LBUTTONUP
    hx_sleep 0.3
    expect_equal "a single click leaves the window hidden" 0 "$(visible)"
    open_by_double_click
    expect_equal "no menu on a double click" 0 "$(probe menus | wc -l)"
    local wl wt wr wb wdpi left top right bottom state
    read -r _ wl wt wr wb _ wdpi <<<"$(probe workarea)"
    expect_equal "window DPI" "$dpi" "$wdpi"
    state=$(state_now)
    IFS=, read -r left top right bottom <<<"${state##*outer=}"
    local m=$(((12 * dpi + 48) / 96))
    hx_log "work $wl,$wt,$wr,$wb; window $left,$top,$right,$bottom; margin $m"
    ((bottom - top <= wb - wt - 2 * m)) || hx_fail "the window does not fit the screen"
    expect_equal "right edge $m inside the work area" $((wr - m)) "$right"
    expect_equal "bottom edge $m inside the work area" $((wb - m)) "$bottom"
    # Moved by hand while visible, it stays where it was put at the next double click.
    xdotool windowmove --sync "$(hx_app_xwindow)" 100 50
    local moved tries
    for ((tries = 0; tries < 50; tries++)); do
        moved=$(state_now)
        [ "$moved" != "$state" ] && break
        hx_sleep 0.05
    done
    [ "$moved" != "$state" ] || hx_fail "the window did not move"
    probe post $TRAY_NOTIFY 1 0x203
    hx_sleep 0.3
    expect_equal "a visible window is not placed again" "$moved" "$(state_now)"
    # A keyboard selection: without a notification version, the mouse
    # messages the shell sends for it, with no move report of the pointer before them.
    xdotool mousemove 300 200
    menu_in_corner "a right click the pointer did not make" 0x205 "$wr" "$wb"
}

# menu_in_corner WHAT NOTICE RIGHT BOTTOM: the icon's NOTICE opens the menu with its
# bottom-right corner on the work area's (RIGHT, BOTTOM); Escape closes it.
menu_in_corner()
{
    probe post $TRAY_NOTIFY 1 "$2"
    until_equal 5 1 eval 'probe menus | wc -l' || hx_fail "$1 opened no menu"
    local rect
    read -r -a rect <<<"$(menu_main)"
    expect_equal "$1: the menu in the work area's corner" "$3 $4" \
        "$((rect[0] + rect[2])) $((rect[1] + rect[3]))"
    MENU_X=${rect[0]} MENU_W=${rect[2]} MENU_H=${rect[3]}
    menu_keys Escape
    until_equal 15 0 eval 'probe menus | wc -l' || hx_fail "the menu stayed open"
}

scenario_tray_clicks_and_placement_96() { tray_clicks_and_placement 96 1280x1024x24; }
scenario_tray_clicks_and_placement_120() { tray_clicks_and_placement 120 1600x1200x24; }
scenario_tray_clicks_and_placement_144() { tray_clicks_and_placement 144 1920x1440x24; }
# Too small a screen for the dashboard at its DPI: laid out smaller, it still fits the corner.
scenario_tray_clicks_and_placement_small() { tray_clicks_and_placement 96 1366x768x24; }

# A restarted shell (the icon gone, then "TaskbarCreated") gets the icon back with its badge
# and the full tooltip.
scenario_tray_taskbar_restart()
{
    start_with "device cooler 1e71 300c
set liquid 427
set pumprpm 980
set fanrpm 760"
    until_equal 10 43 peek TrayBadgeValue 4 || hx_fail "badge value $GOT"
    expect_equal "the shell lets the icon go" 1 "$(probe untray)"
    expect_equal "icon gone" 0 "$(probe tray)"
    probe taskbar >/dev/null || hx_fail "TaskbarCreated not delivered"
    expect_equal "icon back" 1 "$(probe tray)"
    expect_badge restarted 43 d28a24
    expect_equal "tooltip" "Tidewatch · 42.7 °C · Pump 980 RPM · Fans 760 RPM · Unchanged" "$(tooltip)"
}

# Alerts lead the tooltip and the header (red) and turn the badge red, with one balloon as each
# starts: Wine's tray shows it ~2 s after the request, for 10 s, as a tooltip (never if re-sent).
scenario_tray_alerts()
{
    start_with "device cooler 1e71 300c"
    reads 314 0 "PUMP STOPPED · 31.4 °C · Pump 0 RPM" # the window hidden
    expect_badge pump-stopped $((100 + 31)) e25b45
    until_equal 10 "Pump at 0 RPM. Check its cable and power." balloon || hx_fail "balloon: $GOT"
    open_by_double_click
    hx_until 5 hx_app_header_is 'KRAKEN ELITE  \u00b7  PUMP STOPPED' e25b45 || hx_fail "no alert in the header"
    hx_app_screenshot "$HX_SESSION/dashboard-pump-stopped.png" && picture "$HX_SESSION/dashboard-pump-stopped.png"
    until_equal 30 "" balloon || hx_fail "the balloon was asked for again"
    reads 562 0 "PUMP STOPPED · LIQUID HOT · 56.2 °C · Pump 0 RPM"
    until_equal 10 "Liquid at 56.2 °C. Check the pump and the fans." balloon || hx_fail "balloon: $GOT"
    reads 562 980 "LIQUID HOT · 56.2 °C · Pump 980 RPM"
    reads 314 0 "PUMP STOPPED · 31.4 °C · Pump 0 RPM" # the liquid ends at once, the pump anew
    until_equal 10 "Pump at 0 RPM. Check its cable and power." balloon || hx_fail "balloon: $GOT"
    reads 314 980 "31.4 °C · Pump 980 RPM"
    expect_equal "the badge in its band again" 31 "$(peek TrayBadgeValue 4)"
    reads 314 0 "PUMP STOPPED · 31.4 °C · Pump 0 RPM"
    until_equal 15 "Pump at 0 RPM. Check its cable and power." balloon || hx_fail "balloon: $GOT"
    until_equal 20 "" balloon || hx_fail "the balloon stays"
    # Four dropouts of the link with the pump stopped: one episode, no balloon again.
    local opens tries=0
    opens=$(hx_count "$HX_SIM_LOG" ' open cooler$')
    hx_control "$(printf 'device cooler 1e71 300c\nset fanrpm 760\nset liquid 314\nset pumprpm 0\nfault patch status 15 200 every 5')"
    while (($(hx_count "$HX_SIM_LOG" ' open cooler$') < opens + 4)); do
        ((tries++ < 120)) || hx_fail "the link did not drop four times"
        [ -z "$(balloon)" ] || hx_fail "a balloon again after a dropout: $(balloon)"
        hx_sleep 0.5
    done
    hx_sleep 3
    expect_equal "no balloon after four dropouts" "" "$(balloon)"
}

# The cooler's family, one model after another, each behind the lighting controller and the
# bootloader (neither ever opened): connected under its own name, its readings in the
# tooltip, Balanced written with its own header, and nothing asked of what it lacks. The
# README's pictures of a Z and an X model's dashboard.
family_app_gone() { ! probe find; }

scenario_tray_family()
{
    hx_session_begin
    hx_control "step none"
    hx_start_sim
    # Balanced's pump curve: 60% to 30 degrees, then 2% more a degree, 100% from 50.
    local body='' d
    for ((d = 20; d < 60; d++)); do
        body+=$(printf '%02x' $((d <= 30 ? 60 : d >= 50 ? 100 : 60 + 2 * (d - 30))))
    done
    body+=$(printf '0%.0s' {1..40})
    local model
    for model in "300c KRAKEN ELITE" "300c KRAKEN ELITE answers off" "3012 KRAKEN ELITE V2" \
        "3012 KRAKEN ELITE V2 answers off" "300e KRAKEN" "300e KRAKEN answers on" "3014 KRAKEN PLUS" \
        "3014 KRAKEN PLUS answers on" "3008 KRAKEN Z" "2007 KRAKEN X" "2014 KRAKEN X"; do
        local id=${model%% *} name=${model#* } answers=
        [[ $name == *" answers "* ]] && answers="set answers ${name##* }" name=${name% answers *}
        local header=01 fans=" · Fans 760 RPM" x=0
        [[ $name == "KRAKEN Z" || $name == "KRAKEN X" ]] && header=00
        [[ $name == "KRAKEN X" ]] && fans= x=1
        local mark
        mark=$(hx_lines "$HX_SIM_LOG")
        hx_control "device lighting 1e71 2012
device boot 1e71 3011
device lighting2 1e71 2021
device cooler 1e71 $id
set liquid 314
set pumprpm 980
$([ $x = 1 ] || echo set fanrpm 760)
$answers"
        hx_start app "$HX_TIDEWATCH"
        hx_app_wait_window
        hx_wait_lines "$HX_SIM_LOG" ' out cooler 64 750[12]' 1 10 app "$mark" || hx_fail "$model: no status"
        probe post 0x111 212 0 || hx_fail "cannot post to the window" # Balanced
        until_equal 10 "Tidewatch · 31.4 °C · Pump 980 RPM$fans · Balanced" tooltip || hx_fail "$model: tooltip $GOT"
        local sent
        sent=$(tail -n +$((mark + 1)) "$HX_SIM_LOG" | grep -a ' in cooler ' | cut -d' ' -f5)
        grep -qx "7201${header}00$body" <<<"$sent" || hx_fail "$model: pump curve $(grep '^7201' <<<"$sent")"
        if [ $x = 1 ]; then
            ! grep -q '^7202\|^3001' <<<"$sent" || hx_fail "$model: a fan curve or screen query sent"
        else
            grep -q "^7202${header}${header}" <<<"$sent" || hx_fail "$model: fan curve $(grep '^7202' <<<"$sent")"
            grep -q '^3001' <<<"$sent" || hx_fail "$model: no screen query"
        fi
        # Pushes alone: no reply to a status request came, and the status was taken all the same.
        if [[ $answers == *off || ( $id =~ 300e|3014|2007|2014 && -z $answers ) ]]; then
            ! tail -n +$((mark + 1)) "$HX_SIM_LOG" | grep -aq ' out cooler 64 7501' || hx_fail "$model: a status reply"
        fi
        open_by_double_click
        hx_until 15 hx_app_header_is "$name  \u00b7  CONNECTED" || hx_fail "$model: header"
        if [[ $id == 3008 || $id == 2007 ]]; then
            local shot=$HX_SESSION/dashboard-kraken-${name##* }.png
            hx_app_screenshot "${shot,,}" && picture "${shot,,}"
        fi
        if [ $x = 1 ]; then
            open_menu "menu-$id"
            expect_equal "$model: no fan duty nor screen" "e - g e E e e - g e> e - e" "$MENU_SIG"
            xdotool key Escape
            until_equal 15 0 eval 'probe menus | wc -l' || hx_fail "the menu stayed open"
        fi
        hx_stop app
        hx_until 15 family_app_gone || hx_fail "the program stayed"
        hx_log "ok: $model"
    done
    ! grep -aE ' (open|in) (lighting|boot)' "$HX_SIM_LOG" || hx_fail "the lighting controller or the bootloader opened"
}
