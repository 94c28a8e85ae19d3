#!/usr/bin/env bash
# One compositor's checks, run inside a D-Bus session as the unprivileged test user:
#   session.sh COMPOSITOR HALVRIC HALVRICCTL PROBE_WINDOW PROVIDERS_FILE
# Starts the compositor headless with XWayland (or an X11 session's window manager on Xvfb),
# runs `halvric --simulate level11` in it the way a user starts it (no platform chosen), and
# checks that
#   - the main window is mapped (by the compositor's window manager) and, where the compositor can
#     be asked (Sway), that the compositor lists it;
#   - a DPI press of the simulated mouse brings the on-screen display up in the top-left corner
#     of the screen while the keyboard focus stays on the main window;
#   - the foreground provider reports an X client's window (through XWayland in a Wayland
#     session) that the test opens: the profile linked to it becomes the mouse's profile;
#   - the same for a native Wayland window, where PROVIDERS_FILE names this compositor as one
#     with a provider for native windows; otherwise that check is skipped, saying so.
# With HALVRIC_DESKTOP_MEASURE=N the program's start-up (process start to the window's first
# exposure) is also measured N times as an X client and as a native Wayland client.
# Prints one line per check ("PASS", "FAIL" or "SKIP" and the detail); exits 1 when a check
# failed (the compositor not starting included), 77 when the compositor is not installed.
set -uo pipefail

comp=$1 halvric=$2 ctl=$3 probe=$4 providers=$5
xprobe="$(dirname "$probe")/desktop_x_window_probe"
here=$(dirname "$0")
# shellcheck source=compositors.sh
. "$here/compositors.sh"

[ -n "$(compositor_binary "$comp")" ] || { echo "SKIP $comp: not installed"; exit 77; }

work=$(mktemp -d)
export XDG_RUNTIME_DIR="$work/run" HALVRIC_DATA_DIR="$work/data" LC_ALL=C.UTF-8
mkdir -m 700 "$XDG_RUNTIME_DIR" "$HALVRIC_DATA_DIR"
unset QT_QPA_PLATFORM DISPLAY WAYLAND_DISPLAY
state="$work/mouse.json"
pids=()
cleanup() {
  local p
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
  [ -n "${COMPOSITOR_PID:-}" ] && kill -- "-$COMPOSITOR_PID" 2>/dev/null
  sleep 0.3
  for p in "${pids[@]}"; do kill -9 "$p" 2>/dev/null; done
  [ -n "${COMPOSITOR_PID:-}" ] && kill -9 -- "-$COMPOSITOR_PID" 2>/dev/null
  # The X server is gone before the next session looks for a free display: a dying server still
  # answers on its abstract socket, and a new one on the same display would not start.
  if [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null; then
    for _ in $(seq 1 50); do kill -0 "$XVFB_PID" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$XVFB_PID" 2>/dev/null
  fi
  rm -rf "$work"
}
trap cleanup EXIT

failed=0
pass() { echo "PASS $comp: $*"; }
fail() { echo "FAIL $comp: $*"; failed=1; }
skip() { echo "SKIP $comp: $*"; }

t0=$SECONDS
why=""
# Installed but not starting is a failure: a skip here would hide a broken set-up for good.
if ! "start_$comp"; then
  echo "FAIL $comp: did not start: $why"
  exit 1
fi
pass "started in $((SECONDS - t0)) s (WAYLAND_DISPLAY=${WAYLAND_DISPLAY:-none} DISPLAY=$DISPLAY)"

# The program's start-up to its window's first exposure, in seconds, on Qt platform $1 ("" for
# the program's own choice); empty when the window did not show within 20 s.
startup_seconds() {
  local log="$work/startup.log" p
  QT_QPA_PLATFORM=$1 HALVRIC_REPORT_STARTUP=1 "$halvric" --simulate=level11 --sim-state "$work/measure.json" \
    >/dev/null 2>"$log" &
  p=$!
  wait_for 20 grep -q "window mapped after" "$log"
  sed -n 's/.*window mapped after \([0-9.]*\) s.*/\1/p' "$log"
  kill "$p" 2>/dev/null
  wait "$p" 2>/dev/null
}

if [ -n "${HALVRIC_DESKTOP_MEASURE:-}" ]; then
  platforms=(xcb wayland)
  x11_session "$comp" && platforms=(xcb)
  for platform in "${platforms[@]}"; do
    figures=""
    for _ in $(seq "$HALVRIC_DESKTOP_MEASURE"); do figures="$figures $(startup_seconds "$platform")"; done
    echo "INFO $comp: start-up as $platform client (s):$figures"
  done
fi

# Links: profile 3 to the X client, profile 4 to the native one, two copies of the probe
# window under names of their own.
cp "$probe" "$work/probe-x11"
cp "$probe" "$work/probe-wayland"
"$ctl" link set 3 "$work/probe-x11" >/dev/null
"$ctl" link set 4 "$work/probe-wayland" >/dev/null

HALVRIC_REPORT_DESKTOP=1 HALVRIC_REPORT_STARTUP=1 "$halvric" --simulate=level11 --sim-state "$state" >"$work/halvric.out" 2>"$work/halvric.err" &
pids+=($!)

# --- the main window ---
main=""
main_window() {
  main=$(xdotool search --onlyvisible --classname '^halvric$' 2>/dev/null | head -1)
  [ -n "$main" ]
}
if wait_for 20 main_window; then
  wait_for 5 grep -q "window mapped after" "$work/halvric.err"
  pass "main window mapped ($(sed -n 's/^halvric: \(window mapped after .*\)/\1/p' "$work/halvric.err" | head -1))"
else
  fail "main window not shown within 20 s: $(tr '\n' ' ' <"$work/halvric.err")"
  exit 1
fi
grep -q "native Wayland client" "$work/halvric.err" && fail "the program ran as a native Wayland client"
if [ "$comp" = sway ]; then
  if swaymsg -t get_tree | grep -q '"class": "halvric"'; then
    pass "sway's tree lists the main window"
  else
    fail "sway's tree does not list the main window"
  fi
fi

# --- the on-screen display ---
# The simulated mouse's DPI button is the developer key F8 of a simulated run, sent to the main
# window as an X key event (the compositor's own input is not needed, and Weston's headless
# XWayland has none). Where the compositor gives windows the keyboard focus, the new main window
# has it first, and must keep it while the display shows.
osd=""
osd_window() {
  local w
  for w in $(xdotool search --onlyvisible --classname '^halvric$' 2>/dev/null); do
    [ "$w" != "$main" ] && osd=$w && return 0
  done
  return 1
}
# The key does something once the window has read the mouse, which it does after showing:
# press again every half second until the display shows.
press_dpi() {
  xdotool key --window "$main" F8 2>/dev/null
  local _
  for _ in 1 2 3 4 5; do
    osd_window && return 0
    sleep 0.1
  done
  return 1
}
focused() { [ "$(xdotool getwindowfocus 2>/dev/null)" = "$main" ]; }
if has_keyboard_focus "$comp" && ! wait_for 10 focused; then
  fail "the main window did not get the keyboard focus (focus: $(xdotool getwindowfocus 2>/dev/null))"
fi
if wait_for 10 press_dpi; then
  eval "$(xdotool getwindowgeometry --shell "$osd")"
  if [ "$X" = 0 ] && [ "$Y" = 0 ]; then
    pass "on-screen display shown at its corner (${WIDTH}x${HEIGHT}+$X+$Y)"
  else
    fail "on-screen display at +$X+$Y instead of the top-left corner"
  fi
  if ! has_keyboard_focus "$comp"; then
    skip "focus: $comp's headless backend has no keyboard, no window ever has the focus"
  elif focused; then
    pass "the keyboard focus stayed on the main window while the display showed"
  else
    fail "the focus left the main window when the display showed (focus: $(xdotool getwindowfocus 2>/dev/null), display: $osd)"
  fi
  # Click-through and top-most, as the X server holds them: the display's input shape is empty,
  # and it is stacked above the main window that was in front when it appeared.
  if xs=$("$xprobe" "$osd" "$main" 2>&1); then
    if grep -q '^input_rectangles 0$' <<<"$xs"; then
      pass "the on-screen display lets clicks through (empty input shape)"
    else
      fail "the on-screen display takes clicks: $(tr '\n' ' ' <<<"$xs")"
    fi
    if grep -q '^above_other 1$' <<<"$xs"; then
      pass "the on-screen display is stacked above the window in front ($(grep override_redirect <<<"$xs"))"
    else
      fail "the on-screen display is below the main window: $(tr '\n' ' ' <<<"$xs")"
    fi
    # A window raised while the display shows (a click on a game, say) must not cover it: press
    # the DPI button again, raise the main window, and read the stacking while the display shows.
    xdotool key --window "$main" F8 2>/dev/null
    sleep 0.3
    xdotool windowraise "$main" 2>/dev/null
    sleep 0.3
    if ! osd_window; then
      fail "the on-screen display was gone 0.6 s after a DPI press"
    elif xs=$("$xprobe" "$osd" "$main" 2>&1) && grep -q '^above_other 1$' <<<"$xs"; then
      pass "the on-screen display stays above a window raised while it shows"
    else
      fail "a window raised while the display shows covers it: $(tr '\n' ' ' <<<"$xs")"
    fi
  else
    fail "the on-screen display's window cannot be read: $xs"
  fi
else
  fail "no on-screen display within 10 s of pressing the DPI button"
fi

# --- the foreground provider ---
# Which way the program learns the window in front here (it says so once at start).
wait_for 5 grep -q "window in front from" "$work/halvric.err"
echo "INFO $comp: $(sed -n 's/^halvric: \(window in front from .*\)/\1/p' "$work/halvric.err" | head -1)"
# The profile the simulated mouse has now (1-5), read from its shared state.
profile() {
  "$ctl" --simulate=level11 --sim-state "$state" --json show 2>/dev/null |
    python3 -c 'import json, sys; print(*[p["profile"] for p in json.load(sys.stdin)["profiles"] if p["active"]])' 2>/dev/null
}
profile_is() { [ "$(profile)" = "$1" ]; }

if ! has_keyboard_focus "$comp"; then
  skip "foreground: $comp's headless backend has no keyboard, no window ever comes to the front"
  echo "INFO $comp: checks done in $((SECONDS - t0)) s"
  exit "$failed"
fi

"$work/probe-x11" 50 -platform xcb >/dev/null 2>&1 &
pids+=($!)
if wait_for 10 profile_is 3; then
  pass "X client's window in front: the profile linked to it is active"
else
  fail "X client's window in front, but the profile is $(profile), not 3"
fi

if x11_session "$comp"; then
  skip "native Wayland window: an X11 session has none"
elif ! grep -qx "$comp" <(sed 's/#.*//; s/[[:space:]]//g' "$providers"); then
  skip "native Wayland window: no provider for this compositor yet"
else
  "$work/probe-wayland" 50 -platform wayland >/dev/null 2>&1 &
  pids+=($!)
  if wait_for 10 profile_is 4; then
    pass "native Wayland window in front: the profile linked to it is active"
  else
    fail "native Wayland window in front, but the profile is $(profile), not 4"
  fi
fi

echo "INFO $comp: checks done in $((SECONDS - t0)) s"
exit "$failed"
