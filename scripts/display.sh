# Sourced: gives the Windows programs a display. Uses the one in $DISPLAY when it
# answers; otherwise starts a virtual one (Xvfb) and stops it in pallisar_display_stop.
pallisar_xvfb_pid=""
pallisar_display() {
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    return 0
  fi
  local n
  for n in 99 98 97 96 95; do
    [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    pallisar_xvfb_pid=$!
    export DISPLAY=":$n"
    for _ in $(seq 50); do
      xdpyinfo >/dev/null 2>&1 && return 0
      sleep 0.1
    done
    kill "$pallisar_xvfb_pid" 2>/dev/null || true
  done
  echo "display: could not start Xvfb" >&2
  return 1
}
pallisar_display_stop() {
  [ -n "$pallisar_xvfb_pid" ] && kill "$pallisar_xvfb_pid" 2>/dev/null || true
}
