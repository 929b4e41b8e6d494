# What the application checks share, sourced by check-windows-app.sh and check-linux-app.sh:
# the check counter, a virtual display, the layout in pixels (from the program that prints
# app/layout.cpp's rectangles), window geometry and pixels, waiting for what a step waits for,
# and the steps both make: the main window's looks, keys, a press and a drag, and the About box
# with its animation. The sourcing script sets work (its scratch directory), app_pid (the running
# program) and defines find_window W H (the program's visible window of that size).

failures=0
check() {  # check DESCRIPTION COMMAND...
  local what=$1
  shift
  if "$@"; then
    echo "  ok: $what"
  else
    echo "  FAILED: $what" >&2
    failures=$((failures + 1))
  fi
}

# A display of our own, 1024 x 768; sets DISPLAY, xvfb_pid, screen_w and screen_h.
start_display() {  # start_display [XVFB_OPTION]
  exec 3>"$work/display"
  # ${1:-}: -noreset where a program starting just as the last one left must find the server up.
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp ${1:-} >/dev/null 2>&1 &
  xvfb_pid=$!
  wait_until 5 test -s "$work/display"
  exec 3>&-
  export DISPLAY=":$(cat "$work/display")"
  screen_w=1024 screen_h=768
}

# Polls COMMAND until it succeeds, for at most SECONDS; false when it never does.
wait_until() {  # wait_until SECONDS COMMAND... (whole seconds)
  local until=$((${EPOCHREALTIME/./} + $1 * 1000000))
  shift
  until "$@"; do
    [ "${EPOCHREALTIME/./}" -ge "$until" ] && return 1
    sleep 0.05
  done
}

# The windows' rectangles in layout pixels (main_w, about_button_x, box_w, close_button_y...),
# from the program that prints app/layout.cpp's layout.
load_layout() {  # load_layout PRINT_LAYOUT
  eval "$("$1")"
}
# The centre of rectangle NAME at SCALE, relative to its window: "X Y".
centre() {  # centre NAME SCALE
  local x=${1}_x y=${1}_y w=${1}_w h=${1}_h
  echo $(((${!x} + ${!w} / 2) * $2)) $(((${!y} + ${!h} / 2) * $2))
}

geometry() {  # prints "X Y W H" of window $1
  xdotool getwindowgeometry --shell "$1" |
    awk -F= '{v[$1] = $2} END {printf "%s %s %s %s \n", v["X"], v["Y"], v["WIDTH"], v["HEIGHT"]}'
}

pixel() {  # pixel IMAGE X Y: "r g b"
  convert "$1" -crop "1x1+$2+$3" +repage -depth 8 txt:- | awk -F'[ ,:()]+' 'NR == 2 {print $3, $4, $5}'
}

# Waits up to $1 seconds for the program to end; sets code to its exit code, or to "running".
wait_exit() {
  local steps=$(($1 * 20)) step=0
  code=running
  while kill -0 "$app_pid" 2>/dev/null; do
    [ "$step" -ge "$steps" ] && return
    sleep 0.05
    step=$((step + 1))
  done
  code=0
  wait "$app_pid" || code=$?
  app_pid=
}

# A press at FROM, five mouse steps of (DX,DY) with the button held, paced as a hand moves, and
# the release.
drag() {  # drag FROM_X FROM_Y DX DY
  xdotool mousemove "$1" "$2" mousedown 1
  move_and_release "$3" "$4"
}
move_and_release() {  # move_and_release DX DY
  for _ in 1 2 3 4 5; do xdotool sleep 0.05 mousemove_relative -- "$1" "$2"; done
  xdotool sleep 0.05 mouseup 1
}

bytes_at_least() {  # bytes_at_least FILE BYTES
  test "$(stat -c %s "$1" 2>/dev/null || echo 0)" -ge "$2"
}
at_place() {  # at_place WINDOW X Y: the window stands at X,Y
  test "$(geometry "$1" | cut -d' ' -f1,2)" = "$2 $3"
}
no_window() {  # no_window W H
  test -z "$(find_window "$1" "$2")"
}
# Sets the variable named VAR to the program's window of size W x H once it is there (empty after
# SECONDS without one).
await_window() {  # await_window VAR W H SECONDS
  awaited_w=$2 awaited_h=$3 awaited=
  wait_until "$4" eval 'awaited=$(find_window "$awaited_w" "$awaited_h"); test -n "$awaited"' || true
  printf -v "$1" %s "$awaited"
}

# The About button's face shows COLOUR ("R G B") on the screen, its window at X,Y (SCALE times the
# layout): its blue once painted, black while pressed.
about_face() {  # about_face X Y SCALE COLOUR
  import -window root "$work/face.png" 2>/dev/null &&
    test "$(pixel "$work/face.png" $(($1 + (about_button_x + 4) * $3)) $(($2 + (about_button_y + 3) * $3)))" = "$4"
}
painted() {  # painted X Y SCALE
  about_face "$1" "$2" "$3" "0 174 255"
}

# Keys that do nothing, a press on a button that shows it pressed and ends off it (no move, no
# About box), and a drag on the picture that moves the window by the drag; x and y follow the
# window.
check_keys_press_and_drag() {  # check_keys_press_and_drag SCALE
  local s=$1 ax ay
  xdotool key --window "$window" Escape Return
  read -r ax ay <<<"$(centre about_button "$s")"
  xdotool mousemove $((x + ax)) $((y + ay)) mousedown 1
  check "a pressed button shows a black face" wait_until 5 about_face "$x" "$y" "$s" "0 0 0"
  move_and_release 0 8
  check "the program still runs after Escape and Enter" kill -0 "$app_pid"
  check "Escape, Enter and a press on a button do not move the window" at_place "$window" "$x" "$y"
  drag $((x + main_w * s / 2)) $((y + main_h * s / 6)) 8 5
  check "a drag on the picture moves the window by the drag (40,25)" \
    wait_until 5 at_place "$window" $((x + 40)) $((y + 25))
  check "no About box from the press released off the button" no_window $((box_w * s)) $((box_h * s))
  read -r x y _ _ <<<"$(geometry "$window")"
}

# Credits are up in the About box at AX,AY: its animation area holds the text's light pixels. The
# frames that follow show the first lines low in the area, as they come up from below.
credits_up() {  # credits_up AX AY SCALE
  local s=$3
  import -window root "$work/credits.png" 2>/dev/null || return 1
  convert "$work/credits.png" -crop "$((304 * s))x$((176 * s))+$(($1 + s))+$(($2 + 25 * s))" \
    +repage -channel G -separate -threshold 50% -format "%[fx:mean * w * h]" info: |
    awk -v s="$s" '{exit !($1 >= 500 * s * s)}'
}

next_frame() {  # next_frame LAST NEXT: waits (2 s at most) for a screenshot other than LAST
  shot_differs() { import -window root "$2" 2>/dev/null && ! cmp -s "$1" "$2"; }
  wait_until 2 shot_differs "$1" "$2" || true
}

# About: a click opens the box of the layout's size; once the credits are up, two screenshots
# show the animation moving; a click on the main window's Exit does nothing while the box is open;
# the box's X closes it. Screenshots go to ARTIFACT_PREFIX-*.png.
check_about_box() {  # check_about_box SCALE ARTIFACT_PREFIX
  local s=$1 bx by cx cy ex ey
  read -r bx by <<<"$(centre about_button "$s")"
  xdotool mousemove $((x + bx)) $((y + by)) click 1
  await_window about $((box_w * s)) $((box_h * s)) 5
  check "About opens a $((box_w * s)) x $((box_h * s)) box" test -n "$about"
  [ -n "$about" ] || return 0
  # The box may be placed after it is mapped: its place is taken once two looks agree.
  settled() { local now; now=$(geometry "$about"); [ "$now" = "${last_place:-}" ] || { last_place=$now; false; }; }
  last_place=
  wait_until 5 settled || true
  read -r ax ay _ _ <<<"$last_place"
  check "the credits come up in the About box" wait_until 10 credits_up "$ax" "$ay" "$s"
  # Two frames that follow the one that showed the credits, each a change from the last.
  next_frame "$work/credits.png" "$work/about1.png"
  next_frame "$work/about1.png" "$work/about2.png"
  cp "$work/about1.png" "$2.png"
  convert "$work/about1.png" -crop "$((box_w * s))x$((box_h * s))+$ax+$ay" +repage "$2-only.png"
  check_animation "$work/about1.png" "$work/about2.png" "$ax" "$ay" "$s"
  read -r ex ey <<<"$(centre exit_button "$s")"
  xdotool mousemove $((x + ex)) $((y + ey)) click 1
  # Two frames drawn since the click: the program has taken it in before the box closes.
  next_frame "$work/about2.png" "$work/after1.png"
  next_frame "$work/after1.png" "$work/after2.png"
  check "a click on the main window while the box is open changes nothing" \
    eval 'kill -0 "$app_pid" && test -n "$(find_window $((box_w * s)) $((box_h * s)))"'
  read -r cx cy <<<"$(centre close_button "$s")"
  xdotool mousemove $((ax + cx)) $((ay + cy)) click 1
  check "the X closes the About box" wait_until 5 no_window $((box_w * s)) $((box_h * s))
}

# An ALSA configuration whose default device writes what it plays to a file.
write_capture_config() {  # write_capture_config CONFIG_FILE CAPTURE_FILE
  cat >"$1" <<CONF
pcm.!default {
  type file
  slave.pcm { type null }
  file "$2"
  format "raw"
}
CONF
}

# The main window in a screenshot, its window at X,Y: the upper part of the picture equals the
# BMP where the layout places it, and both buttons show blue faces inside a white outline. FUZZ
# lets the picture's colours move by a step on their way to the screen.
check_main_window_looks() {  # check_main_window_looks SHOT X Y FUZZ
  local shot=$1 x=$2 y=$3 fuzz=$4 differing button name bx by face edge
  local top=$((picture_y > background_y ? picture_y : background_y))
  convert "$shot" -crop "${background_w}x180+$((x + background_x))+$((y + top))" +repage "$work/shown.png"
  convert resources/background.bmp -crop "${background_w}x180+$((background_x - picture_x))+$((top - picture_y))" \
    +repage "$work/expected.png"
  differing=$(compare -fuzz "$fuzz" -metric AE "$work/shown.png" "$work/expected.png" null: 2>&1 || true)
  check "background picture is shown unchanged ($differing pixels differ)" test "$differing" = 0
  for button in "about $about_button_x $about_button_y" "exit $exit_button_x $exit_button_y"; do
    read -r name bx by <<<"$button"
    face=$(pixel "$shot" $((x + bx + 4)) $((y + by + 3)))
    edge=$(pixel "$shot" $((x + bx)) $((y + by + 10)))
    check "$name button shows a blue face ($face) and a white outline ($edge)" \
      test "$face/$edge" = "0 174 255/255 255 255"
  done
}

# Two screenshots of the About box at AX,AY: the animation area's visible part moves,
# its border is black, and inside it there are only the noise's reds, the text colour and the
# shades between them. SCALE (1) is the box's multiple of its layout's pixels.
check_animation() {  # check_animation SHOT1 SHOT2 AX AY [SCALE]
  local s=${5:-1} area changed classes
  area="$((304 * s))x$((176 * s))+$(($3 + s))+$(($4 + 25 * s))"
  convert "$1" -crop "$area" +repage "$work/a1.png"
  convert "$2" -crop "$area" +repage "$work/a2.png"
  changed=$(compare -metric AE "$work/a1.png" "$work/a2.png" null: 2>&1 || true)
  check "two frames differ in the animation area ($changed pixels)" test "$changed" -gt 1000
  convert "$work/a1.png" -depth 8 txt:- | awk -F'[ ,:()]+' -v s="$s" '
    NR == 1 { next }
    {
      x = $1; y = $2; r = $3; g = $4; b = $5
      if (x < s || y < s) { if (r + g + b != 0) border++; next }
      ok = 0
      if (g == 0 && b == 0 && (r == 192 || r == 208)) { ok = 1; reds++ }
      else if (g - b <= 2 && b - g <= 2) {
        for (base = 192; base <= 208; base += 16) {
          expect = base + (254 - base) * g / 254
          if (r - expect <= 3 && expect - r <= 3) ok = 1
        }
        if (ok) text++
      }
      if (!ok) { bad++; if (bad <= 3) printf "  stray pixel %d,%d: %d %d %d\n", x, y, r, g, b > "/dev/stderr" }
    }
    END {
      printf "  animation area: %d red, %d text pixels, %d stray, %d border pixels not black\n", reds, text, bad, border
      exit (bad > 0 || border > 0 || reds < 20000 * s * s || text < 500 * s * s)
    }' && classes=0 || classes=1
  check "animation border is black and its inside holds only the reds and the text" test "$classes" = 0
}
