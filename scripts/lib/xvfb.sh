# Sourced by the entry scripts: starts a private Xvfb on a free display and exports DISPLAY.
# The server ends with the calling shell.
start_xvfb() {
  local size=${1:-1920x1080x24} n
  for n in $(seq 90 140); do
    [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] && continue
    Xvfb :$n -screen 0 "$size" -nolisten tcp >/dev/null 2>&1 &
    CVL_XVFB_PID=$!
    for _ in $(seq 1 100); do
      if DISPLAY=:$n xdpyinfo >/dev/null 2>&1; then
        export DISPLAY=:$n
        trap 'kill $CVL_XVFB_PID 2>/dev/null || true' EXIT
        return 0
      fi
      kill -0 $CVL_XVFB_PID 2>/dev/null || break
      sleep 0.1
    done
  done
  echo "could not start Xvfb" >&2
  return 1
}
