#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds in Release (in its own build folder) and runs every benchmark headless,
# then prints a summary of all figures. Benchmarks print; they never fail on a time.
#
#   scripts/bench.sh            all benchmarks, the usual number of runs
#   scripts/bench.sh --quick    fewer runs (rough figures in a shorter time)
#
# VANTOR_BENCH_BUILD_DIR chooses the build folder (default: build-bench); TMPDIR
# chooses where the scratch files go (the benchmarks also run a pass on /dev/shm).
set -euo pipefail

repo_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export VANTOR_BUILD_DIR=${VANTOR_BENCH_BUILD_DIR:-$repo_root/build-bench}
source "$repo_root/scripts/common.sh"

quick=0
for argument in "$@"; do
    case $argument in
        --quick) quick=1 ;;
        *) echo "usage: $0 [--quick]" >&2; exit 2 ;;
    esac
done

ensure_packages "${build_packages[@]}"
# Only what the benchmarks need: no tests, no helper tools.
build_project -DCMAKE_BUILD_TYPE=Release -DVANTOR_BUILD_BENCHMARKS=ON -DBUILD_TESTING=OFF -DVANTOR_BUILD_TOOLS=OFF

export QT_QPA_PLATFORM=offscreen
export LC_ALL=C.UTF-8
bench_dir=$build_dir/bench
log=$(mktemp)
trap 'rm -f "$log"' EXIT

if [ "$quick" -eq 1 ]; then
    startup_args=(--samples 5 --warm-samples 10)
    apply_args=(--samples 50)
    store_args=(--scale 34)
else
    startup_args=()
    apply_args=()
    store_args=()
fi

for run in "vantor_bench_startup ${startup_args[*]:-}" \
           "vantor_bench_apply ${apply_args[*]:-}" \
           "vantor_bench_store ${store_args[*]:-}"; do
    read -r -a command <<<"$run"
    echo
    "$bench_dir/${command[0]}" "${command[@]:1}" | tee -a "$log" | grep -v '^SUMMARY|'
done

echo
echo "== Summary =="
echo "Machine: $(nproc) CPUs, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')"
{
    echo "benchmark|configuration|figure (median)|ratio|goal|verdict"
    grep '^SUMMARY|' "$log" | cut -d'|' -f2-
} | awk -F'|' '
    { for (i = 1; i <= NF; ++i) { cell[NR, i] = $i; if (length($i) > width[i]) width[i] = length($i) }
      if (NF > columns) columns = NF }
    END {
        for (row = 1; row <= NR; ++row) {
            line = ""
            for (i = 1; i <= columns; ++i)
                line = line (i > 1 ? " | " : "") sprintf("%-" width[i] "s", cell[row, i])
            print "  " line
            if (row == 1) {
                rule = ""
                for (i = 1; i <= columns; ++i) {
                    dashes = sprintf("%" width[i] "s", ""); gsub(/ /, "-", dashes)
                    rule = rule (i > 1 ? "-+-" : "") dashes
                }
                print "  " rule
            }
        }
    }'
misses=$(grep '^SUMMARY|' "$log" | grep -c '|NOT MET$' || true)
secondary=$(grep '^SUMMARY|' "$log" | grep -c '|not met (secondary)$' || true)
echo
echo "Goals not met: $misses (and $secondary secondary figures)."
