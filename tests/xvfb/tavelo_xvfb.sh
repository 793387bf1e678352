#!/usr/bin/env bash
# The real application on a private X server: start `tavelo --simulate`, check that the view
# is blank, press Alt+C, and check the screen until it shows the simulated camera's page at
# best fit; F5 three times must fill the Pages dock and the series folder, Ctrl+C must put
# the picture on the clipboard, Ctrl+R must bring up the remote control panel, and File > Exit
# with the panel still open must end the application with status 0. With openbox installed, a
# second start while the window is minimized must end silently and bring the window back.
#
#   tavelo_xvfb.sh TAVELO PAGE_ON_SCREEN OUTDIR
#
# Exits 0 on success, 1 on failure, 77 (skipped) when Xvfb, xdotool or ImageMagick's import
# is not installed. Every wait is bounded; the X server and the application are always ended.
# The screenshots are left in OUTDIR.
set -u

app=$1
checker=$2
out=$3

for tool in Xvfb xdotool import identify xwininfo xclip; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "SKIP: $tool is not installed (scripts/setup installs xvfb, xdotool, imagemagick, x11-utils, xclip)"
        exit 77
    fi
done

work=$(mktemp -d "${TMPDIR:-/tmp}/tavelo-xvfb.XXXXXX") || exit 1
mkdir -p "$out" "$work/home" "$work/config" "$work/tmp" "$work/runtime"
# A first start opens at the smallest window; the page checks read a picture of a size a
# user's window usually has, so the window starts from a stored 800 x 720 placement (tall
# enough for the Pages dock to show four thumbnails in their square rows). The
# sheet is not looked for: the thumbnails and Copy are then the pictures as shown, which the
# checks below compare with what the camera gave.
mkdir -p "$work/config/Noctra"
printf '[Settings]\nWindowPos="0,1,-1,-1,-1,-1,0,0,800,720"\nFindPage=0\n' >"$work/config/Noctra/Tavelo (ZEV).conf"
chmod 700 "$work/runtime"
rm -f "$out"/before.png "$out"/after.png "$out"/dock.png "$out"/clipboard.png "$out"/panel.png

xvfb_pid=""
app_pid=""
wm_pid=""

stop() {
    local pid=$1
    [ -n "$pid" ] || return 0
    kill "$pid" 2>/dev/null || return 0
    for _ in $(seq 1 20); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.25
    done
    kill -9 "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
}

cleanup() {
    stop "$app_pid"
    stop "$wm_pid"
    stop "$xvfb_pid"
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP

fail() {
    echo "FAIL: $*"
    for log in "$work/app.log" "$work/xvfb.log"; do
        if [ -s "$log" ]; then
            echo "--- $(basename "$log")"
            tail -n 20 "$log"
        fi
    done
    exit 1
}

# Runs "$@" every half second until it succeeds or `seconds` have passed.
poll() {
    local seconds=$1
    shift
    local end=$((SECONDS + seconds))
    until "$@"; do
        [ "$SECONDS" -lt "$end" ] || return 1
        sleep 0.5
    done
}

app_running() {
    kill -0 "$app_pid" 2>/dev/null
}

# A display of our own: Xvfb picks a free number and writes it to fd 3 once it accepts
# connections.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset \
    3>"$work/display" >"$work/xvfb.log" 2>&1 </dev/null &
xvfb_pid=$!
poll 30 test -s "$work/display" || fail "Xvfb gave no display within 30 s"
display=$(head -n 1 "$work/display")
export DISPLAY=":$display"
# The server asks for no cookie; a user's cookie for a display of the same number must not
# be offered to it.
export XAUTHORITY="$work/no-xauthority"

# Its own home, settings and temporary folder: the single-instance lock and the stored window
# placement never meet a user's.
run_tavelo() {
    env -u WAYLAND_DISPLAY -u QT_SCALE_FACTOR -u QT_SCREEN_SCALE_FACTORS \
        HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime" \
        XDG_CACHE_HOME="$work/cache" \
        TMPDIR="$work/tmp" QT_QPA_PLATFORM=xcb LC_ALL=C \
        ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" \
        "$app" --simulate </dev/null
}
run_tavelo >"$work/app.log" 2>&1 &
app_pid=$!

window=$(timeout 60 xdotool search --sync --onlyvisible --name '^Tavelo$' 2>/dev/null | head -n 1)
[ -n "$window" ] || fail "no main window within 60 s"
app_running || fail "tavelo ended early"

shot() {
    import -window root "$1" 2>>"$work/import.log"
}
blank_shown() {
    shot "$out/before.png" && "$checker" blank "$out/before.png" >"$work/check.txt"
}
poll 30 blank_shown || {
    cat "$work/check.txt"
    fail "the window was not drawn with a blank view within 30 s"
}
echo "before Alt+C: $(cat "$work/check.txt")"

# Alt+C until the page shows: the first press may go to the start-up picture, and Capture is
# enabled only after the first connection check.
page_shown() {
    shot "$out/after.png" && "$checker" page "$out/after.png" >"$work/check.txt"
}
captured=""
for attempt in $(seq 1 10); do
    app_running || fail "tavelo ended"
    timeout 10 xdotool windowfocus --sync "$window" 2>/dev/null
    xdotool key --clearmodifiers alt+c
    if poll 8 page_shown; then
        captured=$attempt
        break
    fi
done
cat "$work/check.txt"
[ -n "$captured" ] || fail "the page did not show after ten Alt+C presses"
echo "the page shows after Alt+C press $captured"

# F5 three times: Capture to Series. The Pages dock then shows four thumbnails (the Alt+C
# capture and the three series pages) and the series folder holds three files.
dock_shown() {
    shot "$out/dock.png" && "$checker" dock 4 "$out/dock.png" >"$work/check.txt"
}
for _ in 1 2 3; do
    timeout 10 xdotool windowfocus --sync "$window" 2>/dev/null
    xdotool key --clearmodifiers F5
    sleep 1
done
poll 30 dock_shown || {
    cat "$work/check.txt"
    fail "the Pages dock did not show four thumbnails within 30 s of three F5 presses"
}
cat "$work/check.txt"
series=$(ls "$work/home/Pictures/Tavelo" 2>/dev/null | tr '\n' ' ')
[ "$series" = "page-001.JPG page-002.JPG page-003.JPG " ] || fail "series folder holds: $series"
echo "series: $series"

# Ctrl+C puts the shown picture, the series' last, on the clipboard: read back as PNG it
# decodes to that picture's size.
want=$(identify -format '%wx%h' "$work/home/Pictures/Tavelo/page-003.JPG" 2>/dev/null)
clipboard_holds_picture() {
    timeout 10 xclip -selection clipboard -t image/png -o >"$out/clipboard.png" 2>/dev/null &&
        [ "$(identify -format '%wx%h' "$out/clipboard.png" 2>/dev/null)" = "$want" ]
}
timeout 10 xdotool windowfocus --sync "$window" 2>/dev/null
xdotool key --clearmodifiers ctrl+c
poll 20 clipboard_holds_picture || fail "the clipboard holds no $want PNG within 20 s of Ctrl+C"
echo "the clipboard holds the shown picture as a $want PNG"

# Ctrl+R opens the remote control panel, a 330 x 480 window.
timeout 10 xdotool windowfocus --sync "$window" 2>/dev/null
xdotool key --clearmodifiers ctrl+r
panel=$(timeout 30 xdotool search --sync --onlyvisible --name '^Remote control$' 2>/dev/null |
    head -n 1)
[ -n "$panel" ] || fail "no remote control panel within 30 s of Ctrl+R"
size=$(xwininfo -id "$panel" 2>/dev/null | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}')
[ "$size" = "330x480" ] || fail "the panel is $size, not 330x480"
sleep 1
shot "$out/panel.png" || true
app_running || fail "tavelo ended"
echo "the remote control panel is open ($size)"

# A second start while the window is minimized ends by itself and brings the window back.
# Minimizing needs a window manager; without openbox this step is left out.
viewable() {
    xwininfo -id "$window" 2>/dev/null | grep -q 'Map State: IsViewable'
}
if command -v openbox >/dev/null 2>&1; then
    openbox --sm-disable >"$work/openbox.log" 2>&1 &
    wm_pid=$!
    sleep 1
    xdotool windowminimize "$window" 2>/dev/null
    poll 10 bash -c "! xwininfo -id $window | grep -q 'Map State: IsViewable'" ||
        fail "the window was not minimized"
    timeout 20 bash -c "$(declare -f run_tavelo); app='$app' work='$work' run_tavelo" \
        >"$work/second.log" 2>&1
    second=$?
    [ "$second" -eq 0 ] || fail "the second start ended with status $second"
    [ ! -s "$work/second.log" ] || fail "the second start wrote: $(head -c 300 "$work/second.log")"
    poll 10 viewable || fail "the minimized window did not come back after a second start"
    app_running || fail "tavelo ended"
    echo "a second start ended silently and brought the minimized window back"
    stop "$wm_pid"
    wm_pid=""
fi

# File > Exit while the panel is open: the panel goes with the view and the application ends
# by itself. (Leaks are not looked for here: the display's own libraries keep memory to the
# end of a real session; the unit tests look for ours.)
app_ended() {
    ! app_running
}
timeout 10 xdotool windowfocus --sync "$window" 2>/dev/null
xdotool key --clearmodifiers alt+f
sleep 1
xdotool key --clearmodifiers x
poll 30 app_ended || fail "tavelo still runs 30 s after File > Exit"
wait "$app_pid"
status=$?
app_pid=""
[ "$status" -eq 0 ] || fail "tavelo ended with status $status after File > Exit"
echo "PASS: page shown at best fit, three series pages in the dock, remote control panel opened, tavelo ended with status 0"
exit 0
