#!/usr/bin/env bash
# Builds everything and runs every test: native, native with sanitizers (address and undefined behaviour,
# then threads), and Windows under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

jobs=$(nproc)
werror=OFF
[ "${CI:-}" = "true" ] && werror=ON
status=0
summary=()

run_preset() {
    local preset=$1
    shift
    cmake --preset "$preset" -DMELODRIFT_WERROR=$werror >/dev/null
    cmake --build --preset "$preset" -j "$jobs"
    if ctest --preset "$preset" -j "$jobs" --timeout 600 "$@" 2>&1 | tee "build/ctest-$preset.log"; then
        summary+=("$preset: $(grep -E 'tests passed' "build/ctest-$preset.log" | tail -1)")
    else
        summary+=("$preset: FAILED $(grep -E 'tests passed' "build/ctest-$preset.log" | tail -1)")
        status=1
    fi
}

mkdir -p build
run_preset native
ASAN_OPTIONS=detect_leaks=1 run_preset native-asan
# A data race ends the test that finds it, with its own exit status.
TSAN_OPTIONS="halt_on_error=1 exitcode=66" run_preset native-tsan

source scripts/wine-env.sh
wine_env_start
trap wine_env_stop EXIT
# Under Wine, now and then a test program or a process it starts does not come up at all while others
# run beside it (it hangs before main, or its start fails); such a test gets a second try. A test that
# fails twice fails the run.
run_preset windows --repeat until-pass:2

printf '%s\n' "${summary[@]}"
exit $status
