# Sourced: morvane_start_xvfb starts our own Xvfb on a free display number and
# exports DISPLAY; morvane_stop_xvfb ends it (and only it) by its process id.

morvane_start_xvfb() {
  local n
  for n in $(seq 90 140); do
    [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] && continue
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    MORVANE_XVFB_PID=$!
    local i
    for i in $(seq 1 50); do
      [ -e /tmp/.X11-unix/X$n ] && break
      sleep 0.1
    done
    if kill -0 "$MORVANE_XVFB_PID" 2>/dev/null; then
      export DISPLAY=":$n"
      return 0
    fi
  done
  echo "could not start Xvfb" >&2
  return 1
}

morvane_stop_xvfb() {
  if [ -n "${MORVANE_XVFB_PID:-}" ]; then
    kill "$MORVANE_XVFB_PID" 2>/dev/null
    wait "$MORVANE_XVFB_PID" 2>/dev/null
    MORVANE_XVFB_PID=
  fi
}
