# Sourced: gives the Windows programs a display. Uses the one in $DISPLAY when it
# answers; otherwise starts a virtual one (Xvfb) and stops it in pallisar_display_stop.
pallisar_xvfb_pid=""  # the display started by pallisar_display, if any
pallisar_xvfb_pids=()  # every display started here
pallisar_display() {
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    return 0
  fi
  pallisar_new_display DISPLAY || return 1
  pallisar_xvfb_pid=${pallisar_xvfb_pids[-1]}
}

# Starts a virtual display on a free number and exports its name in the variable named.
pallisar_new_display() { # variable name
  local n pid
  for n in 99 98 97 96 95 94 93 92 91 90; do
    [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    pid=$!
    for _ in $(seq 50); do
      if DISPLAY=":$n" xdpyinfo >/dev/null 2>&1; then
        pallisar_xvfb_pids+=("$pid")
        export "$1=:$n"
        return 0
      fi
      kill -0 "$pid" 2>/dev/null || break  # the number was taken meanwhile
      sleep 0.1
    done
    kill "$pid" 2>/dev/null || true
  done
  echo "display: could not start Xvfb" >&2
  return 1
}

pallisar_display_stop() {
  local pid
  for pid in "${pallisar_xvfb_pids[@]}"; do
    kill "$pid" 2>/dev/null || true
  done
}
