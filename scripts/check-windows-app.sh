#!/usr/bin/env bash
# Checks the Windows application under Wine on a virtual X display, as a person would use it:
# window place and size, the pictures and buttons on screen, dragging, keys that must do nothing,
# the About box and its animation, the close fade and Exit, and the sound it plays, captured
# through an ALSA file device and compared byte for byte with the native render of the module.
#   scripts/check-windows-app.sh NATIVE_JINGLE JINGLE_APP_EXE x86_64|i686 ARTIFACT_DIR
# Screenshots are kept in ARTIFACT_DIR. Places come from print_layout in the native build
# (NATIVE_JINGLE's directory, app/). Needs Xvfb, xdotool, ImageMagick and Wine (wine64 for a
# 64-bit program, wine32 for a 32-bit one).
set -euo pipefail
cd "$(dirname "$0")/.."
native=$(realpath "$1")
exe=$(realpath "$2")
arch=$3
artifacts=$4
module=resources/jingle.xm
mkdir -p "$artifacts"
artifacts=$(realpath "$artifacts")  # the program runs from its own directory

wine=/usr/lib/wine/wine64
[ "$arch" = i686 ] && wine=/usr/lib/wine/wine
if ! "$wine" --version >/dev/null 2>&1; then
  # A kernel without 32-bit emulation cannot start 32-bit Wine; say so instead of failing.
  echo "windows app ($arch): SKIPPED: this machine cannot run $wine ($("$wine" --version 2>&1 | head -1))"
  exit 0
fi

work=$(mktemp -d)
xvfb_pid=
cleanup() {
  [ -n "${app_pid:-}" ] && kill "$app_pid" 2>/dev/null || true
  WINEPREFIX="$work/prefix" /usr/lib/wine/wineserver -k 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

source scripts/lib/app-checks.sh
start_display
load_layout "$(dirname "$native")/app/print_layout"

# A fresh Wine prefix with Tahoma (the templates' font), no window manager waits, and a relay
# trace of the fade call alone.
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
"$wine" wineboot -i >/dev/null 2>&1
mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
cp /usr/share/wine/fonts/tahoma*.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
"$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
"$wine" reg add 'HKCU\Software\Wine\Debug' /v RelayInclude /d 'user32.AnimateWindow' /f >/dev/null 2>&1
/usr/lib/wine/wineserver -w

write_capture_config "$work/asound.conf" "$work/capture.raw"
cp "$exe" "$work/jingle-app.exe"

# The program's visible window of the given size (it also has a 1 x 1 input method window).
find_window() {  # find_window W H
  local id
  for id in $(xdotool search --onlyvisible --class jingle-app 2>/dev/null); do
    if [ "$(geometry "$id" | cut -d' ' -f3,4)" = "$1 $2" ]; then
      echo "$id"
      return
    fi
  done
}

start_app() {  # start_app RUN_NAME
  rm -f "$work/capture.raw"
  relay="$artifacts/relay-$arch-$1.log"
  (cd "$work" && ALSA_CONFIG_PATH="$work/asound.conf" WINEDEBUG=+relay \
    exec "$wine" jingle-app.exe >"$work/app.out" 2>"$relay") &
  app_pid=$!
  window=
  shown_or_ended() { window=$(find_window "$main_w" "$main_h"); [ -n "$window" ] || ! kill -0 "$app_pid" 2>/dev/null; }
  wait_until 15 shown_or_ended || true
  if [ -z "$window" ]; then
    wait_exit 1
    echo "windows app ($arch): no window appeared (exit: $code)" >&2
    return 1
  fi
  read -r x y _ _ <<<"$(geometry "$window")"
  wait_until 10 painted "$x" "$y" 1 || true
}

# Wine now and then ends a program's first start in a fresh prefix before it opens a window; a
# start that shows no window is tried again.
start_app_retrying() {
  local attempt
  for attempt in 1 2 3 4; do
    start_app "$1" && return 0
    /usr/lib/wine/wineserver -w 2>/dev/null || true
  done
  exit 1
}

echo "windows app ($arch): $exe"
start_app_retrying close
read -r x y w h <<<"$(geometry "$window")"
# A caption or border would make the window larger than the template's client area.
check "main window is $main_w x $main_h, without caption or border (got $w x $h)" \
  test "$w x $h" = "$main_w x $main_h"
check "main window is centred (at $x,$y)" \
  test "$x,$y" = "$(((screen_w - main_w) / 2)),$(((screen_h - main_h) / 2))"
import -window root "$work/main.png"
cp "$work/main.png" "$artifacts/main-window-$arch.png"
convert "$work/main.png" -crop "${main_w}x$main_h+$x+$y" +repage "$artifacts/main-window-$arch-only.png"

check_main_window_looks "$work/main.png" "$x" "$y" 1%

check_keys_press_and_drag 1
check_about_box 1 "$artifacts/about-box-$arch"

# Closing: Alt+F4 fades the window out over 1,792 ms (Wine does not animate it; the call is
# traced), then the process ends with exit code 0. The device is drained faster than real time:
# it has taken 12 s of sound by the close.
check "12 s of sound reach the device before the close" \
  wait_until 60 bytes_at_least "$work/capture.raw" $((12 * 176400))
xdotool key --window "$window" alt+F4 2>/dev/null
wait_exit 10
check "Alt+F4 ends the process with exit code 0 (got $code)" test "$code" = 0
check "the close blends the window out over 1,792 ms" \
  grep -aqiE 'AnimateWindow\([0-9a-fx]+,0*700,0*90000\)' "$artifacts/relay-$arch-close.log"

# The sound: what the device received equals the render from the first frame. The last two
# seconds are left out: once the mixing thread has stopped, the device plays on through the ring
# until it is reset, and those blocks are not rendered anew.
captured=$(stat -c %s "$work/capture.raw" 2>/dev/null || echo 0)
compared=$((captured - 2 * 176400))
check "at least 10 s of sound were captured ($compared bytes compared)" test "$compared" -ge $((10 * 176400))
"$native" render "$module" --seconds $(((captured + 176399) / 176400 + 1)) --raw -o "$work/native.raw"
# Under Wine the file device is drained about four times faster than real time, so on a busy
# machine the mixing thread can fall behind late in the capture: at least the first 10 s must
# match, and the whole capture should.
first_difference=$(cmp -n "$compared" "$work/capture.raw" "$work/native.raw" 2>/dev/null |
  awk '{print $5 + 0}' || true)
if [ -z "$first_difference" ]; then
  echo "  ok: all $compared bytes compared equal the render"
else
  echo "  note: the capture equals the render up to byte $first_difference of $compared"
fi
check "captured sound equals the render byte for byte over at least 10 s" \
  test "${first_difference:-$compared}" -gt $((10 * 176400))

# Exit: no fade, ends at once with exit code 0.
/usr/lib/wine/wineserver -w 2>/dev/null || true
start_app_retrying exit
read -r ex ey <<<"$(centre exit_button 1)"
xdotool mousemove $((x + ex)) $((y + ey)) click 1
wait_exit 1
check "Exit ends the process with exit code 0 within a second (got $code)" test "$code" = 0
check "Exit does not fade" bash -c "! grep -aq 'Call user32.AnimateWindow' '$artifacts/relay-$arch-exit.log'"

if [ "$failures" -gt 0 ]; then
  echo "windows app ($arch): $failures checks failed"
  exit 1
fi
echo "windows app ($arch): all checks passed"
