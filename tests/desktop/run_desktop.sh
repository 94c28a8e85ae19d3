#!/usr/bin/env bash
# The desktop program on real Wayland compositors, each headless with XWayland:
#   run_desktop.sh BUILD_DIR SOURCE_DIR COMPOSITOR...
# COMPOSITOR: weston, sway, wlroots (Sway seen as any wlroots compositor), kwin, gnome (Wayland),
# or gnome-x11, kwin-x11, openbox (X11 sessions on Xvfb, for comparison).
# Each compositor runs in a D-Bus session of its own (dbus-run-session) as an unprivileged user:
# run as root, as CI does, the checks run as the user "halvric-test", made when missing. Each
# compositor gets a minute at most. Exits 1 when a check failed, 77 when every compositor was
# skipped (none installed), 0 otherwise. See session.sh for the checks.
set -uo pipefail

build=$1 src=$2
shift 2
here="$src/tests/desktop"
halvric="$build/src/halvric"
ctl="$build/src/halvricctl"
probe="$build/tests/desktop_probe_window"
providers="$here/native_providers"
budget=${HALVRIC_DESKTOP_SECONDS:-60}
user="halvric-test"

for tool in dbus-run-session xdotool timeout; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
for program in "$halvric" "$ctl" "$probe" "$(dirname "$probe")/desktop_x_window_probe"; do
  [ -x "$program" ] || { echo "SKIP: $program is not built"; exit 77; }
done

as_user=()
if [ "$(id -u)" -eq 0 ]; then
  id "$user" >/dev/null 2>&1 || useradd --system --create-home --shell /bin/bash "$user" ||
    { echo "FAIL: cannot create the user $user"; exit 1; }
  as_user=(runuser -u "$user" --)
else
  user=$(id -un)
fi
home=$(getent passwd "$user" | cut -d: -f6)

# The test user must reach the programs, these scripts and the program's resources. A checkout in
# a folder closed to others (root's home, on some CI runners) is copied to a temporary folder the
# user can read.
source_dir=$src
if [ ${#as_user[@]} -gt 0 ] &&
  ! "${as_user[@]}" test -x "$halvric" -a -x "$ctl" -a -x "$probe" -a -r "$here/session.sh" -a -r "$src/resources"; then
  stage=$(mktemp -d)
  trap 'rm -rf "$stage"' EXIT
  mkdir "$stage/bin" "$stage/desktop"
  cp "$halvric" "$ctl" "$probe" "$(dirname "$probe")/desktop_x_window_probe" "$stage/bin/"
  cp "$here"/* "$stage/desktop/"
  cp -r "$src/resources" "$stage/resources"
  chmod -R a+rX "$stage"
  halvric=$stage/bin/halvric ctl=$stage/bin/halvricctl probe=$stage/bin/desktop_probe_window
  here=$stage/desktop providers=$stage/desktop/native_providers source_dir=$stage
fi

status=77
for comp in "$@"; do
  # A clean environment: only what a login would give, so nothing of the caller's display leaks.
  "${as_user[@]}" env -i PATH=/usr/local/bin:/usr/bin:/bin HOME="$home" USER="$user" HALVRIC_SOURCE_DIR="$source_dir" \
    HALVRIC_DESKTOP_MEASURE="${HALVRIC_DESKTOP_MEASURE:-}" \
    timeout -k 5 "$budget" dbus-run-session -- bash "$here/session.sh" "$comp" "$halvric" "$ctl" "$probe" "$providers"
  rc=$?
  case $rc in
    0) [ "$status" = 77 ] && status=0 ;;
    77) ;;
    124 | 137) echo "FAIL $comp: over the budget of $budget s"; status=1 ;;
    *) status=1 ;;
  esac
done
exit "$status"
