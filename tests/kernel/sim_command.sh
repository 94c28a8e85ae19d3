#!/usr/bin/env bash
# Sends one command to halvric-usbsim and prints its answer. Usage: sim_command.sh COMMAND [ARGS]
# halvric-usbsim reads commands from the fifo SIM_CTL and answers each with one line in SIM_OUT,
# in order. Checks that run side by side (and the window test, a separate program) take turns
# through a lock, each counting the answers before it writes, so each reads its own answer.
# After an attach or a detach it waits for udev to finish the events. Exit code 0 when the
# answer starts with "ok".
set -u
: "${SIM_CTL:?}" "${SIM_OUT:?}"
reply=$(
  exec 9>"$SIM_CTL.lock"
  flock 9
  # Counted and read with bash's own mapfile: a process started per poll costs much under emulation.
  mapfile -t lines <"$SIM_OUT"
  want=$((${#lines[@]} + 1))
  echo "$*" >"$SIM_CTL"
  for _ in $(seq 1 1200); do
    mapfile -t lines <"$SIM_OUT"
    [ "${#lines[@]}" -ge "$want" ] && break
    sleep 0.05
  done
  echo "${lines[want - 1]:-}"
)
case "$1" in attach | detach) udevadm settle -t 30 ;; esac
echo "$reply"
[ "${reply#ok}" != "$reply" ]
