# Sourced by the layer checks, which run the Windows layer-probe under Wine many times over.
#
#   wine_run OUT PROGRAM ARGS...
#
# Runs the Windows program with standard output in OUT, error output in OUT.err and input from
# /dev/null; returns its exit status. Output goes to files, never to a pipe: processes Wine
# leaves running would hold a pipe open and the reader would never see its end.
#
# A run that fails without a byte on either stream never reached the probe's own code: every
# failing exit of the probe says why on error output, and a crash makes Wine print its
# exception report. Wine itself failed to start the program. This was seen once on a freshly
# made Wine prefix (status 1, nothing printed) and not again in many hundreds of runs. Such a
# run is made once more, and a line beginning "note:" on error output says so, so the log keeps
# it. A second silent failure is returned as it is.
wine_run() {
    local out=$1 status
    shift
    wine "$@" >"$out" 2>"$out.err" </dev/null
    status=$?
    if [ $status -ne 0 ] && [ ! -s "$out" ] && [ ! -s "$out.err" ]; then
        echo "note: Wine ended '$*' with status $status before the program printed anything; running it once more" >&2
        wine "$@" >"$out" 2>"$out.err" </dev/null
        status=$?
        echo "note: the second run ended with status $status" >&2
    fi
    return $status
}
