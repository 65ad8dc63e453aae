# Waiting in the shell tests, sourced by tests/e2e/common.sh and tests/windows/common.sh.
#
# poll SECONDS COMMAND...: runs COMMAND every tenth of a second until it succeeds; fails after
# SECONDS. Every wait of the end-to-end tests is a poll with a generous limit, never a fixed
# sleep, so a loaded machine only makes them slower. TALVOREN_TEST_WAIT_SCALE multiplies every
# limit (sanitizer builds start several times slower).
poll() {
  local end=$((SECONDS + $1 * ${TALVOREN_TEST_WAIT_SCALE:-1}))
  shift
  until "$@"; do
    [ $SECONDS -lt $end ] || return 1
    sleep 0.1
  done
}

# ended PID: true once that process has exited.
ended() { ! kill -0 "$1" 2> /dev/null; }
