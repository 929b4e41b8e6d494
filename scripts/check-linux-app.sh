#!/usr/bin/env bash
# Checks the SDL2 application on a virtual X display, without and with a window manager: window
# place and size, the pictures and buttons at the same pixels as the Windows build's window, the
# modal About box and its animation, dragging, keys that must do nothing, Exit, the close fade
# (its opacity steps) for Alt+F4 and SIGTERM, and the sound it plays through SDL's disk driver,
# compared byte for byte with the render of the module; then once at 2x (GDK_SCALE=2, and again
# through X resources' Xft.dpi), where both windows are the 1x ones enlarged pixel for pixel.
#   scripts/check-linux-app.sh NATIVE_JINGLE JINGLE_APP ARTIFACT_DIR
# Screenshots are kept in ARTIFACT_DIR; the Windows build's window, where the Wine check left it
# there, is compared with this one.
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
start_display

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
  window=
  for _ in $(seq 100); do
    window=$(find_window $((300 * scale)) $((229 * scale)))
    [ -n "$window" ] && break
    sleep 0.1
  done
  [ -n "$window" ] || { echo "linux app: no window appeared" >&2; cat "$work/app-$1.out" >&2; exit 1; }
  sleep 0.5
  read -r x y w h <<<"$(geometry "$window")"
}
echo "linux app: $app"
start_app main
check "main window is 300 x 229, without border (got $w x $h)" test "$w x $h" = "300 x 229"
check "main window is centred (at $x,$y)" \
  test "$x,$y" = "$(((screen_w - 300) / 2)),$(((screen_h - 229) / 2))"
import -window root "$work/main.png"
cp "$work/main.png" "$artifacts/main-window-linux.png"
convert "$work/main.png" -crop "300x229+$x+$y" +repage "$artifacts/main-window-linux-only.png"
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

xdotool key --window "$window" Escape Return
sleep 0.3
check "Escape and Enter change nothing" test "$(geometry "$window")" = "$x $y $w $h "
drag $((x + 41)) $((y + 201)) 0 8
check "a press on a button does not move the window" test "$(geometry "$window")" = "$x $y $w $h "
check "no About box from a press released off the button" test -z "$(find_window 306 202)"
drag $((x + 150)) $((y + 40)) 8 5
read -r x2 y2 _ _ <<<"$(geometry "$window")"
check "a drag on the picture moves the window by the drag, no window manager ($((x2 - x)),$((y2 - y)))" \
  test "$((x2 - x)),$((y2 - y))" = "40,25"
x=$x2 y=$y2

xdotool mousemove $((x + 41)) $((y + 201)) click 1
about=
for _ in $(seq 50); do
  about=$(find_window 306 202)
  [ -n "$about" ] && break
  sleep 0.1
done
check "About opens a second window" test -n "$about"
if [ -n "$about" ]; then
  read -r ax ay _ _ <<<"$(geometry "$about")"
  sleep 2.5
  import -window root "$work/about1.png"
  sleep 0.3
  import -window root "$work/about2.png"
  cp "$work/about1.png" "$artifacts/about-box-linux.png"
  convert "$work/about1.png" -crop "306x202+$ax+$ay" +repage "$artifacts/about-box-linux-only.png"
  check_animation "$work/about1.png" "$work/about2.png" "$ax" "$ay"
  # Modal: a click on the main window's Exit changes nothing while the box is open.
  xdotool mousemove $((x + 269)) $((y + 203)) click 1
  sleep 0.5
  check "a click on the main window while the box is open changes nothing" kill -0 "$app_pid"
  xdotool mousemove $((ax + 286)) $((ay + 12)) click 1
  sleep 0.5
  check "the X closes the About box" test -z "$(find_window 306 202)"
fi

# Alt+F4: the window fades out, its opacity stepping down, then the process ends with code 0.
check_fade() {
  local distinct falling
  xdotool key --window "$window" alt+F4
  : >"$work/opacity.txt"
  for _ in $(seq 60); do
    xprop -id "$window" _NET_WM_WINDOW_OPACITY 2>/dev/null | awk '{print $3}' >>"$work/opacity.txt" || true
    kill -0 "$app_pid" 2>/dev/null || break
    sleep 0.05
  done
  distinct=$(awk '/^[0-9]/' "$work/opacity.txt" | sort -u | wc -l)
  falling=$(awk '/^[0-9]/ {if (n++ && $1 > prev) up++; prev = $1} END {print up + 0}' "$work/opacity.txt")
  check "Alt+F4 fades the window: $distinct distinct opacity steps, none rising" \
    test "$distinct" -ge 10 -a "$falling" = 0
  wait_exit 5
  check "after the fade the process ends with exit code 0 (got $code)" test "$code" = 0
}
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
xdotool mousemove $((x + 269)) $((y + 203)) click 1
wait_exit 1
check "Exit ends the process with exit code 0 within a second (got $code)" test "$code" = 0

# SIGTERM is a close request too.
start_app term
kill -TERM "$app_pid"
sleep 1
check "SIGTERM starts the fade" kill -0 "$app_pid"
wait_exit 5
check "after SIGTERM's fade the process ends with exit code 0 (got $code)" test "$code" = 0

# At twice the size, as GDK_SCALE=2 asks: both windows twice as large, the main window the 1x one
# enlarged pixel for pixel outside the captions (rendered at the larger size), and the buttons,
# the drag, the About box and the fade as at 1x.
start_app double 2 GDK_SCALE=2
check "at 2x the main window is 600 x 458 (got $w x $h)" test "$w x $h" = "600 x 458"
check "at 2x the main window is centred (at $x,$y)" \
  test "$x,$y" = "$(((screen_w - 600) / 2)),$(((screen_h - 458) / 2))"
import -window root "$work/main2x.png"
convert "$work/main2x.png" -crop "600x458+$x+$y" +repage "$artifacts/main-window-linux-2x.png"
mask=(-fill black -draw "rectangle 26,384 141,421" -draw "rectangle 506,388 573,427")
convert "$artifacts/main-window-linux-only.png" -sample 200% "${mask[@]}" "$work/enlarged-masked.png"
convert "$artifacts/main-window-linux-2x.png" "${mask[@]}" "$work/2x-masked.png"
scale_diff=$(compare -metric AE "$work/enlarged-masked.png" "$work/2x-masked.png" null: 2>&1 || true)
check "at 2x the window is the 1x one enlarged pixel for pixel outside the captions ($scale_diff differ)" \
  test "$scale_diff" = 0
drag $((x + 300)) $((y + 80)) 8 5
read -r x2 y2 _ _ <<<"$(geometry "$window")"
check "at 2x a drag on the picture moves the window by the drag ($((x2 - x)),$((y2 - y)))" \
  test "$((x2 - x)),$((y2 - y))" = "40,25"
x=$x2 y=$y2
xdotool mousemove $((x + 82)) $((y + 402)) click 1
about=
for _ in $(seq 50); do
  about=$(find_window 612 404)
  [ -n "$about" ] && break
  sleep 0.1
done
check "at 2x About opens a 612 x 404 box" test -n "$about"
if [ -n "$about" ]; then
  read -r ax ay _ _ <<<"$(geometry "$about")"
  sleep 2.5
  import -window root "$work/about1.png"
  sleep 0.3
  import -window root "$work/about2.png"
  cp "$work/about1.png" "$artifacts/about-box-linux-2x.png"
  check_animation "$work/about1.png" "$work/about2.png" "$ax" "$ay" 2
  xdotool mousemove $((ax + 572)) $((ay + 24)) click 1
  sleep 0.5
  check "at 2x the X closes the About box" test -z "$(find_window 612 404)"
fi
check_fade

# X resources' Xft.dpi of 192 asks for 2x too; Exit is where it is drawn. The server forgets its
# root window's properties whenever its last client leaves: a client stays connected meanwhile.
xprop -root -spy RESOURCE_MANAGER >"$work/holder.out" 2>&1 &
holder_pid=$!
for _ in $(seq 50); do [ -s "$work/holder.out" ] && break; sleep 0.1; done
xprop -root -f RESOURCE_MANAGER 8s -set RESOURCE_MANAGER "$(printf 'Xft.dpi:\t192\n')"
start_app xft 2
xprop -root -remove RESOURCE_MANAGER
kill "$holder_pid"
holder_pid=
check "with Xft.dpi 192 the main window is 600 x 458 (got $w x $h)" test "$w x $h" = "600 x 458"
xdotool mousemove $((x + 538)) $((y + 406)) click 1
wait_exit 1
check "at 2x Exit ends the process with exit code 0 (got $code)" test "$code" = 0

# With a window manager the drag works the same.
openbox >/dev/null 2>&1 &
wm_pid=$!
sleep 1
start_app wm
drag $((x + 150)) $((y + 40)) 8 5
read -r x2 y2 _ _ <<<"$(geometry "$window")"
check "a drag moves the window by the drag under a window manager ($((x2 - x)),$((y2 - y)))" \
  test "$((x2 - x)),$((y2 - y))" = "40,25"
xdotool mousemove $((x2 + 269)) $((y2 + 203)) click 1
wait_exit 2
check "Exit under a window manager ends with code 0 (got $code)" test "$code" = 0

if [ "$failures" -gt 0 ]; then
  echo "linux app: $failures checks failed"
  exit 1
fi
echo "linux app: all checks passed"
