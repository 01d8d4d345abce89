#!/bin/sh
# Runs a command with an X display, starting a private Xvfb when there is none
# (its screen QUORREL_SCREEN, 1280x1024x24 unless set).
if [ -n "$DISPLAY" ]; then
    exec "$@"
fi
number=90
while [ -e "/tmp/.X$number-lock" ] || [ -e "/tmp/.X11-unix/X$number" ]; do
    number=$((number + 1))
done
Xvfb ":$number" -screen 0 "${QUORREL_SCREEN:-1280x1024x24}" -nolisten tcp >/dev/null 2>&1 &
server=$!
tries=0
while [ ! -e "/tmp/.X11-unix/X$number" ] && [ $tries -lt 100 ]; do
    sleep 0.1
    tries=$((tries + 1))
done
DISPLAY=":$number" "$@"
status=$?
kill "$server" 2>/dev/null
wait "$server" 2>/dev/null
exit $status
