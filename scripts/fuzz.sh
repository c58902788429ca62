#!/bin/sh
# Runs every fuzz target of a build made with -DQUORVALINE_FUZZ=ON, one after
# the other, each for a bounded time, starting from its checked-in seed corpus
# (fuzz/corpus/<target>). What a target adds to the corpus stays in the build
# folder; a crash, a sanitizer report, an input that runs longer than the
# per-input timeout or a process above the memory limit fails the run, and
# the input is kept as <build>/fuzz/artifacts/<target>-crash-....
#
#   scripts/fuzz.sh BUILD_DIR [TARGET ...]
#
# QUORVALINE_FUZZ_SECONDS  time per target (default 60)
# QUORVALINE_FUZZ_RSS_MB   libFuzzer's -rss_limit_mb (default 2048)
# QUORVALINE_FUZZ_TIMEOUT  seconds one input may take (default 10)
set -e
cd "$(dirname "$0")/.."

build=${1:?usage: scripts/fuzz.sh BUILD_DIR [TARGET ...]}
shift
seconds=${QUORVALINE_FUZZ_SECONDS:-60}
rss_mb=${QUORVALINE_FUZZ_RSS_MB:-2048}
timeout=${QUORVALINE_FUZZ_TIMEOUT:-10}

targets="$*"
if [ -z "$targets" ]; then
    targets=$(ls fuzz/corpus)
fi

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="detect_leaks=1"
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

mkdir -p "$build/fuzz/artifacts"
failed=""
for target in $targets; do
    binary="$build/fuzz/$target"
    if [ ! -x "$binary" ]; then
        echo "fuzz: $binary is missing (configure with -DQUORVALINE_FUZZ=ON)" >&2
        exit 2
    fi
    work="$build/fuzz/corpus/$target"
    mkdir -p "$work"
    echo "== $target: ${seconds}s, -rss_limit_mb=$rss_mb, -timeout=$timeout"
    if "$binary" -max_total_time="$seconds" -rss_limit_mb="$rss_mb" -timeout="$timeout" \
        -print_final_stats=1 -artifact_prefix="$build/fuzz/artifacts/$target-" \
        "$work" "fuzz/corpus/$target" >"$build/fuzz/$target.log" 2>&1; then
        grep -E '^stat::number_of_executed_units|^stat::peak_rss_mb' "$build/fuzz/$target.log" |
            tr '\n' ' '
        echo
    else
        tail -n 40 "$build/fuzz/$target.log"
        failed="$failed $target"
    fi
done

if [ -n "$failed" ]; then
    echo "fuzz: failed:$failed (logs in $build/fuzz/, inputs in $build/fuzz/artifacts/)" >&2
    exit 1
fi
echo "fuzz: every target ran ${seconds}s without a finding"
