#!/usr/bin/env bash
# Runs one end-to-end scenario under the harness (see harness.sh for how to write one):
#   run-scenario.sh SCRIPT NAME    sources SCRIPT and runs scenario_NAME, then tears down
#   run-scenario.sh --prepare      prepares the cached Wine prefix (the CTest fixture)
# Prints "PASS NAME (seconds)" or "FAIL NAME"; exit code 0 only on PASS.
set -u -o pipefail
# Without address-space randomisation, for every program started from here. Debian's Wine has
# no preloader: the kernel puts a process's heap anywhere in the gigabyte above Wine's loader
# (0x7d000000), and about one start in 1 600 it lies over the page that Windows keeps at
# 0x7ffe0000; that process then ends at once ("failed to map the shared user data").
if [ -z "${HX_NO_ASLR:-}" ] && setarch "$(uname -m)" -R true 2>/dev/null; then
    HX_NO_ASLR=1 exec setarch "$(uname -m)" -R bash "$0" "$@"
fi
here=$(cd "$(dirname "$0")" && pwd)
. "$here/harness.sh"

if [ "${1:-}" = --prepare ]; then
    hx_prepare_prefix
    echo "prefix ready: $HX_PREFIX"
    exit 0
fi
[ $# -eq 2 ] || { echo "usage: run-scenario.sh SCRIPT NAME | --prepare" >&2; exit 2; }
HX_SCENARIO=$2
. "$1"
declare -F "scenario_$HX_SCENARIO" >/dev/null || { echo "no scenario_$HX_SCENARIO in $1" >&2; exit 2; }

hx_started=${EPOCHREALTIME/./}
hx_finish()
{
    local code=$?
    trap - EXIT INT TERM
    hx_teardown || code=1
    local ms=$(((${EPOCHREALTIME/./} - hx_started) / 1000))
    if [ $code -eq 0 ]; then
        printf 'PASS %s (%d.%03d s)\n' "$HX_SCENARIO" $((ms / 1000)) $((ms % 1000))
    else
        printf 'FAIL %s (%d.%03d s); files in %s\n' "$HX_SCENARIO" $((ms / 1000)) $((ms % 1000)) "${HX_SESSION:-?}"
    fi
    exit $code
}
trap hx_finish EXIT
trap 'hx_log "stopped by a signal"; exit 1' INT TERM HUP

"scenario_$HX_SCENARIO"
