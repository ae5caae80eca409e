#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Reads the crafted files once each through the targets that read them, then
# fuzzes each target for a while from its seeds. A crash, a leak, an input
# over 10 s or 2 GB fails; the input is kept in <build>/fuzz/artifacts/.
#   fuzz/run.sh <build folder> [seconds a target] [targets at once]
set -uo pipefail
dir=$1/fuzz
seconds=${2:-60}
jobs=${3:-1}
here=$(dirname "$0")
limits=(-rss_limit_mb=2048 -timeout=10)
mkdir -p "$dir/artifacts"

# Each target: the kind of file it reads, and options of its own. The
# candidates' input is a whole page of lines: long from the start.
targets=("fuzz_pdf_text pdf -dict=$here/pdf.dict" "fuzz_ocr_page pdf -dict=$here/pdf.dict"
         "fuzz_mp3_tags mp3 -dict=$here/id3.dict" "fuzz_candidates candidates -max_len=16384 -len_control=0")

# Given files, libFuzzer runs each once.
replay() {
    local target=$1 kind=$2 log=$dir/$1.crafted.log
    if timeout 120 "$dir/$target" "${limits[@]}" -artifact_prefix="$dir/artifacts/$target-crafted-" \
        "$dir/crafted/$kind"/* >"$log" 2>&1; then
        echo "$target: $(grep -c '^Executed' "$log") crafted files read"
    else
        echo "$target FAILED on a crafted file (rc $?):"; grep -v '^INFO' "$log" | tail -60
        return 1
    fi
}

fuzz() {
    local target=$1 kind=$2 log=$dir/$1.log
    # Afresh each time: a corpus grown by earlier runs, slow inputs and all,
    # would be read whole before the clock is looked at.
    rm -rf "$dir/corpus/$target" && mkdir -p "$dir/corpus/$target"
    if "$dir/$target" "${limits[@]}" "${@:3}" -max_total_time="$seconds" -artifact_prefix="$dir/artifacts/$target-" \
        "$dir/corpus/$target" "$dir/seeds/$kind" >"$log" 2>&1; then
        echo "$target: $(grep -E '^#[0-9]+' "$log" | tail -1 | cut -c1-100)"
    else
        echo "$target FAILED:"; grep -v -E '^(#[0-9]+|INFO)' "$log" | tail -60
        return 1
    fi
}

failed=0
for step in replay fuzz; do
    running=0
    for t in "${targets[@]}"; do
        # shellcheck disable=SC2086  # the words of a target's line
        set -- $t
        "$step" "$@" &
        running=$((running + 1))
        if [ "$running" -ge "$jobs" ]; then wait -n || failed=1; running=$((running - 1)); fi
    done
    while [ "$running" -gt 0 ]; do wait -n || failed=1; running=$((running - 1)); done
done
exit $failed
