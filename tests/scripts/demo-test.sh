#!/bin/sh
# scripts/run --demo on a virtual display: stamped readings reach the demo's CSV file within a
# few seconds, and the receiver simulator is gone once the program has ended.
#   demo-test.sh SOURCE_DIR BUILD_DIR
set -u
src=$1
export BRISK_BUILD_DIR=$2
export BRISK_NO_BUILD=1 # the test runs what the build made
export BRISK_DEMO_DIR=$(mktemp -d "${TMPDIR:-/tmp}/demo-test.XXXXXX")
export BRISK_DEMO_INTERVAL=200
export QT_QPA_PLATFORM=xcb
csv=$BRISK_DEMO_DIR/Documents/readings.csv
fail() { echo "demo-test: $*" >&2; cat "$BRISK_DEMO_DIR/run.log" >&2; exit 1; }

cd "$src" || exit 1
xvfb-run -a scripts/run --demo > "$BRISK_DEMO_DIR/run.log" 2>&1 &
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
rm -rf "$BRISK_DEMO_DIR"
echo "demo-test: readings arrived stamped; the simulator ended with the program"
