# What the application checks share, sourced by check-windows-app.sh and check-linux-app.sh:
# the check counter, a virtual display, window geometry and pixels, waiting for the program to
# end, and the checks of the main window's looks and of the About box's animation. The sourcing
# script sets work (its scratch directory) and app_pid (the running program).

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
start_display() {
  exec 3>"$work/display"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
  exec 3>&-
  export DISPLAY=":$(cat "$work/display")"
  screen_w=1024 screen_h=768
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

drag() {  # drag FROM_X FROM_Y DX DY: five mouse steps of (DX,DY) with the button held
  xdotool mousemove "$1" "$2" mousedown 1
  sleep 0.2
  for _ in 1 2 3 4 5; do xdotool mousemove_relative -- "$3" "$4"; sleep 0.05; done
  xdotool mouseup 1
  sleep 0.5
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
# BMP (window pixel (2,3) shows picture (17,0)), and both buttons show blue faces inside a white
# outline. FUZZ lets the picture's colours move by a step on their way to the screen.
check_main_window_looks() {  # check_main_window_looks SHOT X Y FUZZ
  local shot=$1 x=$2 y=$3 fuzz=$4 differing button name bx by face edge
  convert "$shot" -crop "297x180+$((x + 2))+$((y + 3))" +repage "$work/shown.png"
  convert resources/background.bmp -crop "297x180+17+0" +repage "$work/expected.png"
  differing=$(compare -fuzz "$fuzz" -metric AE "$work/shown.png" "$work/expected.png" null: 2>&1 || true)
  check "background picture is shown unchanged ($differing pixels differ)" test "$differing" = 0
  for button in "about 11 190" "exit 251 192"; do
    read -r name bx by <<<"$button"
    face=$(pixel "$shot" $((x + bx + 4)) $((y + by + 3)))
    edge=$(pixel "$shot" $((x + bx)) $((y + by + 10)))
    check "$name button shows a blue face ($face) and a white outline ($edge)" \
      test "$face/$edge" = "0 174 255/255 255 255"
  done
}

# Two screenshots 300 ms apart of the About box at AX,AY: the animation area's visible part moves,
# its border is black, and inside it there are only the noise's reds, the text colour and the
# shades between them. SCALE (1) is the box's multiple of its layout's pixels.
check_animation() {  # check_animation SHOT1 SHOT2 AX AY [SCALE]
  local s=${5:-1} area changed classes
  area="$((304 * s))x$((176 * s))+$(($3 + s))+$(($4 + 25 * s))"
  convert "$1" -crop "$area" +repage "$work/a1.png"
  convert "$2" -crop "$area" +repage "$work/a2.png"
  changed=$(compare -metric AE "$work/a1.png" "$work/a2.png" null: 2>&1 || true)
  check "two frames 300 ms apart differ in the animation area ($changed pixels)" test "$changed" -gt 1000
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
