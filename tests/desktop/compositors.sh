# shellcheck shell=bash disable=SC2154  # $work is the sourcing session's folder
# Starting each headless compositor with XWayland, sourced by session.sh. Every start_NAME runs
# the compositor in the background under the session's XDG_RUNTIME_DIR, waits for its Wayland
# socket and its X display, and sets WAYLAND_DISPLAY, DISPLAY and COMPOSITOR_PID (plus what the
# compositor's own tools need, e.g. SWAYSOCK). Each compositor leads a process group of its own, so
# that stopping the group ends what it started too (XWayland, helpers, KWin's session program).
# It returns non-zero, with the reason in $why, when
# the compositor does not come up. The screen is 1280x800 everywhere.

# The binary that starts NAME, empty when the compositor is not installed. The X11 sessions
# (gnome-x11, kwin-x11, openbox) also need Xvfb.
compositor_binary() {
  case "$1" in
    weston) command -v weston ;;
    sway | wlroots) command -v sway ;;
    kwin) command -v kwin_wayland ;;
    gnome) command -v gnome-shell ;;
    gnome-x11) command -v Xvfb >/dev/null && command -v gnome-shell ;;
    kwin-x11) command -v Xvfb >/dev/null && command -v kwin_x11 ;;
    openbox) command -v Xvfb >/dev/null && command -v openbox ;;
  esac
}

# Whether NAME is an X11 session (no Wayland display at all).
x11_session() { case "$1" in *-x11 | openbox) return 0 ;; esac; return 1; }

# Whether the compositor gives windows the keyboard focus when headless. Weston's headless
# backend has no seat with a keyboard, so no window is ever focused or active there.
has_keyboard_focus() { [ "$1" != weston ]; }

# wait_for SECONDS COMMAND...: polls COMMAND every 0.1 s until it succeeds; false on timeout.
wait_for() {
  local end=$((SECONDS + $1))
  shift
  until "$@"; do
    [ "$SECONDS" -ge "$end" ] && return 1
    sleep 0.1
  done
}

compositor_alive() { kill -0 "$COMPOSITOR_PID" 2>/dev/null; }

start_weston() {
  local log="$work/weston.log"
  export WAYLAND_DISPLAY=halvric-weston
  setsid weston --backend=headless-backend.so --xwayland --socket="$WAYLAND_DISPLAY" --width=1280 --height=800 \
    --idle-time=0 --log="$log" >/dev/null 2>&1 &
  COMPOSITOR_PID=$!
  if ! wait_for 20 grep -qs "xserver listening on display" "$log"; then
    why="weston did not start XWayland: $(tail -3 "$log" 2>/dev/null | tr '\n' ' ')"
    return 1
  fi
  DISPLAY=$(sed -n 's/.*xserver listening on display \(:[0-9]*\).*/\1/p' "$log" | head -1)
  export DISPLAY
}

start_sway() {
  local env_file="$work/sway.env"
  # What a login into the desktop sets, and what the program reads to choose its services.
  export XDG_SESSION_TYPE=wayland XDG_CURRENT_DESKTOP=sway
  cat >"$work/sway.conf" <<EOF
output HEADLESS-1 resolution 1280x800 position 0 0
xwayland enable
focus_on_window_activation focus
exec sh -c 'printf "%s\\n%s\\n%s\\n" "\$WAYLAND_DISPLAY" "\$DISPLAY" "\$SWAYSOCK" > "$env_file.tmp" && mv "$env_file.tmp" "$env_file"'
EOF
  WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman WLR_HEADLESS_OUTPUTS=1 \
    setsid sway --config "$work/sway.conf" >"$work/sway.log" 2>&1 &
  COMPOSITOR_PID=$!
  if ! wait_for 20 test -s "$env_file"; then
    why="sway did not start: $(tail -3 "$work/sway.log" | tr '\n' ' ')"
    return 1
  fi
  { read -r WAYLAND_DISPLAY; read -r DISPLAY; read -r SWAYSOCK; } <"$env_file"
  export WAYLAND_DISPLAY DISPLAY SWAYSOCK
  [ -n "$DISPLAY" ] || { why="sway started without XWayland"; return 1; }
}

# Another wlroots compositor: Sway, but as a session that does not say it is Sway and gives no
# IPC socket, so that the program finds the window in front through the foreign-toplevel protocol
# alone, as on labwc, Wayfire or river.
start_wlroots() {
  start_sway || return 1
  export XDG_CURRENT_DESKTOP=wlroots
  unset SWAYSOCK
}

start_kwin() {
  export XDG_SESSION_TYPE=wayland XDG_CURRENT_DESKTOP=KDE KDE_SESSION_VERSION=5
  # kwin_wayland carries a file capability that a container without it cannot grant (exec fails
  # with EPERM); a copy without the capability runs the same. KWin's platform plugin only loads
  # into a binary of that name, so the copy keeps it.
  mkdir -p "$work/kwin-bin"
  cp "$(command -v kwin_wayland)" "$work/kwin-bin/kwin_wayland"
  local env_file="$work/kwin.env"
  export WAYLAND_DISPLAY=halvric-kwin
  # The program KWin starts reports the session's environment, then keeps the session open.
  setsid "$work/kwin-bin/kwin_wayland" --virtual --xwayland --socket "$WAYLAND_DISPLAY" --width 1280 --height 800 \
    --no-lockscreen --no-global-shortcuts --no-kactivities \
    --exit-with-session "sh -c 'printf \"%s\\n\" \"\$DISPLAY\" > $env_file.tmp && mv $env_file.tmp $env_file; exec sleep 3600'" \
    >"$work/kwin.log" 2>&1 &
  COMPOSITOR_PID=$!
  if ! wait_for 30 test -s "$env_file"; then
    why="kwin did not start: $(tail -3 "$work/kwin.log" | tr '\n' ' ')"
    return 1
  fi
  read -r DISPLAY <"$env_file"
  export DISPLAY
  [ -n "$DISPLAY" ] || { why="kwin started without XWayland"; return 1; }
}

start_gnome() {
  local log="$work/gnome.log"
  export XDG_SESSION_TYPE=wayland XDG_CURRENT_DESKTOP=GNOME
  system_bus_stand_in
  enable_focus_extension
  setsid gnome-shell --headless --wayland --virtual-monitor 1280x800 >"$log" 2>&1 &
  COMPOSITOR_PID=$!
  if ! wait_for 40 grep -qs "Using public X11 display" "$log"; then
    why="gnome-shell did not start: $(grep -v '^dbus-daemon' "$log" | tail -3 | tr '\n' ' ')"
    return 1
  fi
  DISPLAY=$(sed -n 's/.*Using public X11 display \(:[0-9]*\).*/\1/p' "$log" | head -1)
  WAYLAND_DISPLAY=$(sed -n "s/.*Using Wayland display name '\([^']*\)'.*/\1/p" "$log" | head -1)
  # Its XWayland admits the clients of the cookie it wrote into the runtime folder.
  XAUTHORITY=$(ls "$XDG_RUNTIME_DIR"/.mutter-Xwaylandauth.* 2>/dev/null | head -1)
  export WAYLAND_DISPLAY DISPLAY XAUTHORITY
  # The shell is ready for windows once it says it started.
  wait_for 30 grep -q "GNOME Shell started" "$log" || { why="gnome-shell did not finish starting"; return 1; }
  close_overview
}

# The program's GNOME Shell extension (the variant for GNOME 43 and 44), installed for the test
# user and enabled as the README tells users to, before the shell starts.
enable_focus_extension() {
  local id=halvric-focus@halvric.github.io
  local dest="$HOME/.local/share/gnome-shell/extensions/$id"
  rm -rf "$dest"
  mkdir -p "$dest"
  cp "$HALVRIC_SOURCE_DIR/resources/gnome-shell/$id/gnome-43/"* "$dest/"
  gsettings set org.gnome.shell disable-user-extensions false
  gsettings set org.gnome.shell enabled-extensions "['$id']"
}

# The shell asks the system bus for logind and gives up without one; a container has none. The
# session bus stands in: the names it lacks make the shell carry on without them.
system_bus_stand_in() { export DBUS_SYSTEM_BUS_ADDRESS=$DBUS_SESSION_BUS_ADDRESS; }

# The shell starts in its overview, which keeps the focus from every window until it closes.
close_overview() {
  gdbus call --session --dest org.gnome.Shell --object-path /org/gnome/Shell \
    --method org.freedesktop.DBus.Properties.Set org.gnome.Shell OverviewActive "<false>" >/dev/null ||
    { why="gnome-shell's overview did not close"; return 1; }
}

# Xvfb on a free display for the X11 sessions; sets DISPLAY and XVFB_PID.
start_xvfb() {
  local n
  for n in $(seq 140 199); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    setsid Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
    XVFB_PID=$!
    export DISPLAY=":$n"
    # Ours must be the server that answers (not one still shutting down on that display).
    wait_for 10 xdpyinfo >/dev/null 2>&1 && sleep 0.2 && kill -0 "$XVFB_PID" 2>/dev/null && return 0
    kill "$XVFB_PID" 2>/dev/null
  done
  why="no X display for Xvfb"
  return 1
}

# An X11 session's window manager is up once it has claimed the screen's WM_S0 selection.
wm_running() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"; }

start_openbox() {
  start_xvfb || return 1
  setsid openbox --sm-disable >"$work/openbox.log" 2>&1 &
  COMPOSITOR_PID=$!
  wait_for 20 wm_running || { why="openbox did not start: $(tail -3 "$work/openbox.log" | tr '\n' ' ')"; return 1; }
}

start_kwin-x11() {
  start_xvfb || return 1
  setsid kwin_x11 --replace >"$work/kwin-x11.log" 2>&1 &
  COMPOSITOR_PID=$!
  wait_for 30 wm_running || { why="kwin_x11 did not start: $(tail -3 "$work/kwin-x11.log" | tr '\n' ' ')"; return 1; }
}

start_gnome-x11() {
  start_xvfb || return 1
  system_bus_stand_in
  setsid gnome-shell --x11 --replace >"$work/gnome-x11.log" 2>&1 &
  COMPOSITOR_PID=$!
  wait_for 40 grep -qs "GNOME Shell started" "$work/gnome-x11.log" ||
    { why="gnome-shell did not start: $(grep -v '^dbus-daemon' "$work/gnome-x11.log" | tail -3 | tr '\n' ' ')"; return 1; }
  close_overview
}
