#!/usr/bin/env bash
# Checks the SDL2 application on a virtual X display, without and with a window manager: window
# place and size, the pictures and buttons at the same pixels as the Windows build's window, the
# modal About box and its animation, dragging, keys that must do nothing, Exit, the close fade
# (its opacity steps) for Alt+F4 and SIGTERM, and the sound it plays through SDL's disk driver,
# compared byte for byte with the render of the module; then once at 2x (GDK_SCALE=2, and again
# through X resources' Xft.dpi), where both windows are the 1x ones enlarged pixel for pixel.
#   scripts/check-linux-app.sh NATIVE_JINGLE JINGLE_APP ARTIFACT_DIR
# Screenshots are kept in ARTIFACT_DIR; the Windows build's window, where the Wine check left it
# there, is compared with this one. Places come from print_layout beside JINGLE_APP.
set -euo pipefail
cd "$(dirname "$0")/.."
native=$(realpath "$1")
app=$(realpath "$2")
artifacts=$3
module=resources/jingle.xm
mkdir -p "$artifacts"
artifacts=$(realpath "$artifacts")  # the program runs from its own directory

work=$(mktemp -d)
xvfb_pid= wm_pid= app_pid= holder_pid=
cleanup() {
  [ -n "$app_pid" ] && kill -9 "$app_pid" 2>/dev/null || true
  [ -n "$holder_pid" ] && kill "$holder_pid" 2>/dev/null || true
  [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

source scripts/lib/app-checks.sh
start_display -noreset
load_layout "$(dirname "$app")/print_layout"

find_window() {  # find_window W H: the program's visible window of that size
  local id
  for id in $(xdotool search --onlyvisible --pid "$app_pid" 2>/dev/null); do
    if [ "$(geometry "$id" | cut -d' ' -f3,4)" = "$1 $2" ]; then
      echo "$id"
      return
    fi
  done
}
start_app() {  # start_app RUN_NAME [SCALE [VARIABLE=VALUE...]]: the window SCALE (1) times as large
  local scale=${2:-1}
  env "${@:3}" SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/capture-$1.raw" "$app" \
    >"$work/app-$1.out" 2>&1 &
  app_pid=$!
  await_window window $((main_w * scale)) $((main_h * scale)) 10
  [ -n "$window" ] || { echo "linux app: no window appeared" >&2; cat "$work/app-$1.out" >&2; exit 1; }
  read -r x y w h <<<"$(geometry "$window")"
  wait_until 5 painted "$x" "$y" "$scale" || true
}
echo "linux app: $app"
start_app main
check "main window is $main_w x $main_h, without border (got $w x $h)" test "$w x $h" = "$main_w x $main_h"
check "main window is centred (at $x,$y)" \
  test "$x,$y" = "$(((screen_w - main_w) / 2)),$(((screen_h - main_h) / 2))"
import -window root "$work/main.png"
cp "$work/main.png" "$artifacts/main-window-linux.png"
convert "$work/main.png" -crop "${main_w}x$main_h+$x+$y" +repage "$artifacts/main-window-linux-only.png"
check_main_window_looks "$work/main.png" "$x" "$y" 0
windows_shot="$artifacts/main-window-x86_64-only.png"
if [ -f "$windows_shot" ]; then
  # Outside the captions, which are drawn with other fonts, the two shells paint the same pixels.
  mask=(-fill black -draw "rectangle 13,192 70,210" -draw "rectangle 253,194 286,213")
  convert "$windows_shot" "${mask[@]}" "$work/windows-masked.png"
  convert "$artifacts/main-window-linux-only.png" "${mask[@]}" "$work/linux-masked.png"
  layout_diff=$(compare -fuzz 1% -metric AE "$work/windows-masked.png" "$work/linux-masked.png" null: 2>&1 || true)
  check "the window matches the Windows build's outside the captions ($layout_diff pixels differ)" \
    test "$layout_diff" = 0
else
  echo "  note: no Windows screenshot in $artifacts to compare with"
fi

check_keys_press_and_drag 1
check_about_box 1 "$artifacts/about-box-linux"

# Alt+F4: the window fades out, its opacity stepping down, then the process ends with code 0.
check_fade() {
  local distinct falling
  xdotool key --window "$window" alt+F4
  : >"$work/opacity.txt"
  sample_opacity() {
    xprop -id "$window" _NET_WM_WINDOW_OPACITY 2>/dev/null | awk '{print $3}' >>"$work/opacity.txt" || true
    ! kill -0 "$app_pid" 2>/dev/null
  }
  wait_until 5 sample_opacity || true
  distinct=$(awk '/^[0-9]/' "$work/opacity.txt" | sort -u | wc -l)
  falling=$(awk '/^[0-9]/ {if (n++ && $1 > prev) up++; prev = $1} END {print up + 0}' "$work/opacity.txt")
  check "Alt+F4 fades the window: $distinct distinct opacity steps, none rising" \
    test "$distinct" -ge 10 -a "$falling" = 0
  wait_exit 5
  check "after the fade the process ends with exit code 0 (got $code)" test "$code" = 0
}
check "8 s of sound reach the device before the close" \
  wait_until 30 bytes_at_least "$work/capture-main.raw" $((8 * 176400))
check_fade
captured=$(stat -c %s "$work/capture-main.raw" 2>/dev/null || echo 0)
compared=$((captured - 2 * 176400))
"$native" render "$module" --seconds $(((captured + 176399) / 176400 + 1)) --raw -o "$work/native.raw"
# SDL's disk driver writes silence while the device is paused, before the ring is handed over:
# the capture starts where its first sound lines up with the render's.
first_sound() { { cmp "$1" /dev/zero 2>/dev/null || true; } | awk '{print $5 + 0}'; }
offset=$(($(first_sound "$work/capture-main.raw") - $(first_sound "$work/native.raw")))
compared=$((compared - offset))
check "at least 5 s of sound were captured ($compared bytes after $offset bytes of lead-in)" \
  test "$offset" -ge 0 -a "$offset" -lt 176400 -a "$compared" -ge $((5 * 176400))
check "captured sound equals the render byte for byte" \
  cmp -i "$offset:0" -n "$compared" "$work/capture-main.raw" "$work/native.raw"

# Exit: at once, exit code 0.
start_app exit
read -r ex ey <<<"$(centre exit_button 1)"
xdotool mousemove $((x + ex)) $((y + ey)) click 1
wait_exit 1
check "Exit ends the process with exit code 0 within a second (got $code)" test "$code" = 0

# SIGTERM is a close request too.
start_app term
kill -TERM "$app_pid"
fading() { xprop -id "$window" _NET_WM_WINDOW_OPACITY 2>/dev/null | grep -q '= [0-9]'; }
check "SIGTERM starts the fade" wait_until 5 fading
wait_exit 5
check "after SIGTERM's fade the process ends with exit code 0 (got $code)" test "$code" = 0

# At twice the size, as GDK_SCALE=2 asks: both windows twice as large, the main window the 1x one
# enlarged pixel for pixel outside the captions (rendered at the larger size), and the buttons,
# the drag, the About box and the fade as at 1x.
start_app double 2 GDK_SCALE=2
check "at 2x the main window is $((2 * main_w)) x $((2 * main_h)) (got $w x $h)" \
  test "$w x $h" = "$((2 * main_w)) x $((2 * main_h))"
check "at 2x the main window is centred (at $x,$y)" \
  test "$x,$y" = "$(((screen_w - 2 * main_w) / 2)),$(((screen_h - 2 * main_h) / 2))"
import -window root "$work/main2x.png"
convert "$work/main2x.png" -crop "$((2 * main_w))x$((2 * main_h))+$x+$y" +repage "$artifacts/main-window-linux-2x.png"
mask=(-fill black -draw "rectangle 26,384 141,421" -draw "rectangle 506,388 573,427")
convert "$artifacts/main-window-linux-only.png" -sample 200% "${mask[@]}" "$work/enlarged-masked.png"
convert "$artifacts/main-window-linux-2x.png" "${mask[@]}" "$work/2x-masked.png"
scale_diff=$(compare -metric AE "$work/enlarged-masked.png" "$work/2x-masked.png" null: 2>&1 || true)
check "at 2x the window is the 1x one enlarged pixel for pixel outside the captions ($scale_diff differ)" \
  test "$scale_diff" = 0
check_keys_press_and_drag 2
check_about_box 2 "$artifacts/about-box-linux-2x"
check_fade

# X resources' Xft.dpi of 192 asks for 2x too; Exit is where it is drawn. The server forgets its
# root window's properties whenever its last client leaves: a client stays connected meanwhile.
xprop -root -spy RESOURCE_MANAGER >"$work/holder.out" 2>&1 &
holder_pid=$!
wait_until 5 test -s "$work/holder.out" || true
xprop -root -f RESOURCE_MANAGER 8s -set RESOURCE_MANAGER "$(printf 'Xft.dpi:\t192\n')"
start_app xft 2
xprop -root -remove RESOURCE_MANAGER
kill "$holder_pid"
holder_pid=
check "with Xft.dpi 192 the main window is $((2 * main_w)) x $((2 * main_h)) (got $w x $h)" \
  test "$w x $h" = "$((2 * main_w)) x $((2 * main_h))"
read -r ex ey <<<"$(centre exit_button 2)"
xdotool mousemove $((x + ex)) $((y + ey)) click 1
wait_exit 1
check "at 2x Exit ends the process with exit code 0 (got $code)" test "$code" = 0

# With a window manager the drag works the same.
openbox >/dev/null 2>&1 &
wm_pid=$!
wm_running() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
wait_until 10 wm_running || echo "  note: the window manager did not announce itself"
start_app wm
drag $((x + main_w / 2)) $((y + main_h / 6)) 8 5
check "a drag moves the window by the drag under a window manager (40,25)" \
  wait_until 5 at_place "$window" $((x + 40)) $((y + 25))
read -r x y _ _ <<<"$(geometry "$window")"
read -r ex ey <<<"$(centre exit_button 1)"
xdotool mousemove $((x + ex)) $((y + ey)) click 1
wait_exit 2
check "Exit under a window manager ends with code 0 (got $code)" test "$code" = 0

if [ "$failures" -gt 0 ]; then
  echo "linux app: $failures checks failed"
  exit 1
fi
echo "linux app: all checks passed"
