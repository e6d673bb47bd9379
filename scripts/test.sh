#!/usr/bin/env bash
# Sets up and runs every test: native unit tests under AddressSanitizer and
# UndefinedBehaviorSanitizer, the Windows builds, the Windows tests under
# Wine on a headless X server, and bounded fuzzing runs.
#   FUZZ_SECONDS=60 (each target)
set -u
cd "$(dirname "$0")/.."
root=$PWD
scripts/setup.sh || exit 1
scripts/build.sh native windows windows-x64 fuzz || exit 1

. scripts/wine-env.sh
ensure_display || exit 1
trap '"$WINESERVER" -k 2>/dev/null; stop_display' EXIT
ensure_wineprefix

failed=0
passed_count=0
failed_count=0
# Runs one ctest preset and adds its counts to the totals.
run_ctest() {
    local log=build/ctest-$1.log
    ctest --preset "$@" 2>&1 | tee "$log"
    [ "${PIPESTATUS[0]}" -eq 0 ] || failed=1
    local line total bad
    line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -1)
    total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$line")
    bad=$(sed -E 's/.*passed, ([0-9]+) tests? failed.*/\1/' <<<"$line")
    if [ -z "$line" ]; then failed=1; return; fi
    passed_count=$((passed_count + total - bad))
    failed_count=$((failed_count + bad))
}
echo "== native tests"
run_ctest native -j2
echo "== Windows tests under Wine"
run_ctest windows-x64

echo "== the release, under Wine in a fresh prefix"
if scripts/package.sh >build/package.log 2>&1 &&
    python3 tests/e2e/release.py --bin build/windows-x64 2>&1 | tee build/release.log &&
    [ "${PIPESTATUS[0]}" -eq 0 ]; then
    ran=$(sed -n 's/^Ran \([0-9]*\) tests\{0,1\} in .*/\1/p' build/release.log | tail -1)
    passed_count=$((passed_count + ${ran:-0}))
else
    echo "release FAILED:"; tail -40 build/package.log
    failed=1; failed_count=$((failed_count + 1))
fi

echo "== the shipped 32-bit build, under user-mode emulation"
skipped_count=0
for attempt in 1 2; do
    timeout 1200 python3 tests/e2e/smoke32.py --bin build/windows --tools build/windows-x64 2>&1 |
        tee build/smoke32.log
    result=${PIPESTATUS[0]}
    [ "$result" -eq 3 ] && [ $attempt -eq 1 ] && { echo "trying the 32-bit scenario once more"; continue; }
    break
done
case $result in
0) passed_count=$((passed_count + 1)) ;;
2) skipped_count=$((skipped_count + 1)) ;;
*) failed=1; failed_count=$((failed_count + 1)) ;;
esac

echo "== fuzzing"
seconds=${FUZZ_SECONDS:-60}
for target in trigger_parse unpack_text output_play patterns; do
    corpus=build/fuzz/corpus-$target
    mkdir -p "$corpus"
    cp -n fuzz/corpus/$target/* "$corpus"/ 2>/dev/null
    if build/fuzz/fuzz/fuzz_$target -max_total_time="$seconds" -max_len=70000 \
        "$corpus" >build/fuzz/$target.log 2>&1; then
        echo "fuzz_$target: $(ls "$corpus" | wc -l) corpus inputs, no fault in ${seconds}s"
        passed_count=$((passed_count + 1))
    else
        echo "fuzz_$target FAILED:"; tail -40 build/fuzz/$target.log
        failed=1; failed_count=$((failed_count + 1))
    fi
done

echo "== summary (tests and fuzz runs)"
[ $failed -ne 0 ] && [ $failed_count -eq 0 ] && failed_count=1
if [ $skipped_count -gt 0 ]; then
    echo "$passed_count passed, $failed_count failed, $skipped_count skipped"
else
    echo "$passed_count passed, $failed_count failed"
fi
exit $failed
