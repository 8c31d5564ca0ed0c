#!/usr/bin/env bash
# End-to-end scenarios: the real program in a real X server (run this under
# xvfb-run), driven with xdotool the way a user would drive it.
#
#   run_scenario.sh <scenario> <vorlane executable> <network file>
#
# Scenarios:
#   startup-failure     a message window appears, no main window; OK ends the program with a non-zero status
set -uo pipefail

scenario=$1
program=$2
network=$3

fail() {
    echo "FAIL ($scenario): $*" >&2
    [[ -n "${pid:-}" ]] && kill -9 "$pid" 2>/dev/null
    exit 1
}

# Waits up to 20 s for a window whose title matches exactly; prints its id.
wait_for_window() {
    local title=$1 id
    for _ in $(seq 1 200); do
        id=$(xdotool search --onlyvisible --name "^${title}\$" 2>/dev/null | head -n 1)
        if [[ -n "$id" ]]; then
            echo "$id"
            return 0
        fi
        sleep 0.1
    done
    return 1
}

# Waits up to 20 s for the program to end and sets $status to its exit
# status. Called in this shell, never in $(...): only the program's parent
# can wait for it, and a subshell is not its parent.
wait_for_exit() {
    for _ in $(seq 1 200); do
        if ! kill -0 "$pid" 2>/dev/null; then
            wait "$pid"
            status=$?
            return 0
        fi
        sleep 0.1
    done
    return 1
}

press() {
    local window=$1
    shift
    xdotool windowfocus --sync "$window" || fail "could not focus window $window"
    xdotool key --delay 50 "$@"
}

export QT_QPA_PLATFORM=xcb
export NWSIM_NETWORK=$network
"$program" &
pid=$!

case "$scenario" in
startup-failure)
    box=$(wait_for_window "Vorlane") || fail "no message window titled Vorlane"
    if xdotool search --onlyvisible --name "^Disk Usage\$" >/dev/null 2>&1; then
        fail "the main window appeared although start-up failed"
    fi
    press "$box" Return
    wait_for_exit || fail "the program did not end after OK"
    [[ "$status" != 0 ]] || fail "exit status 0 after a start-up failure"
    ;;
*)
    fail "unknown scenario"
    ;;
esac
echo "PASS ($scenario)"
