#!/bin/sh
# scripts/run --demo on a virtual display: stamped readings reach the demo's CSV file within a
# few seconds, Test > Communications Test (from the keyboard) starts the stand-in for Linescope on
# the demo's port, and the receiver simulator is gone once the program has ended.
#   demo-test.sh SOURCE_DIR BUILD_DIR
set -u
# The whole test on one virtual display, so that it can type into the program.
if [ -z "${BRISK_DEMO_TEST_DISPLAY:-}" ]; then
    BRISK_DEMO_TEST_DISPLAY=1 exec xvfb-run -a "$0" "$@"
fi
src=$1
export BRISK_BUILD_DIR=$2
export BRISK_NO_BUILD=1 # the test runs what the build made
export BRISK_DEMO_DIR=$(mktemp -d "${TMPDIR:-/tmp}/demo-test.XXXXXX")
export BRISK_DEMO_INTERVAL=200
export QT_QPA_PLATFORM=xcb
csv=$BRISK_DEMO_DIR/Documents/readings.csv
linescope_log=$BRISK_DEMO_DIR/linescope.log
fail() { echo "demo-test: $*" >&2; cat "$BRISK_DEMO_DIR/run.log" >&2; exit 1; }

cd "$src" || exit 1
had_linescope=0
[ -e "$BRISK_BUILD_DIR/Linescope" ] && had_linescope=1
scripts/run --demo > "$BRISK_DEMO_DIR/run.log" 2>&1 &
run=$!

tries=0
while [ $tries -lt 300 ]; do
    [ -f "$csv" ] && [ "$(wc -l < "$csv")" -ge 3 ] && break
    sleep 0.1
    tries=$((tries + 1))
done
[ -f "$csv" ] && [ "$(wc -l < "$csv")" -ge 3 ] || fail "no readings in $csv within 30 s"
# Every line: a 12-hour time stamp, a comma, the reading, CR LF.
bad=$(grep -cv "$(printf '^[0-9]\\{1,2\\}:[0-9][0-9]:[0-9][0-9] [AP]M,12\\.345\r$')" "$csv")
[ "$bad" -eq 0 ] || fail "unexpected lines in $csv: $(od -c "$csv" | head)"

# Alt+E opens the Test menu, Enter takes its one entry.
window=$(xdotool search --name '^Tapline Brisk - Demo' | head -n 1)
[ -n "$window" ] || fail "no main window"
tries=0
while [ ! -s "$linescope_log" ] && [ $tries -lt 10 ]; do
    xdotool windowfocus --sync "$window" key alt+e
    sleep 0.5
    xdotool key Return
    sleep 1
    tries=$((tries + 1))
done
grep -qx -- 'args -H -ASKWIRELESS -C9 -B9600 -PN -D8 -S1' "$linescope_log" 2>/dev/null ||
    fail "Test > Communications Test started no Linescope on COM9: $(cat "$linescope_log" 2>&1)"

sim=$(cat "$BRISK_DEMO_DIR/receiver-sim.pid")
program=$(pgrep -f "tapline-brisk $BRISK_DEMO_DIR/Documents/Demo.tpln_brisk")
[ -n "$program" ] || fail "the program is not running"
kill $program
wait $run
tries=0
while kill -0 "$sim" 2>/dev/null && [ $tries -lt 50 ]; do
    sleep 0.1
    tries=$((tries + 1))
done
kill -0 "$sim" 2>/dev/null && fail "the receiver simulator still runs after the program ended"
[ "$had_linescope" = 0 ] && [ -e "$BRISK_BUILD_DIR/Linescope" ] &&
    fail "the demo left its Linescope stand-in in the build folder"
rm -rf "$BRISK_DEMO_DIR"
echo "demo-test: readings arrived stamped; Linescope started; the simulator ended with the program"
