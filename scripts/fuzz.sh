#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the INI engine's libFuzzer target with clang and runs it for a while.
# Usage: scripts/fuzz.sh [seconds] [extra libFuzzer options...]
# Crashing inputs are written to build-fuzz/artifacts/.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

seconds=${1:-60}
shift || true
fuzz_build=${VANTOR_FUZZ_BUILD_DIR:-$repo_root/build-fuzz}

ensure_packages "${build_packages[@]}" clang-14 libclang-rt-14-dev

CC=clang-14 CXX=clang++-14 cmake -S "$repo_root" -B "$fuzz_build" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF -DVANTOR_BUILD_TOOLS=ON -DVANTOR_BUILD_BENCHMARKS=OFF
cmake --build "$fuzz_build" --target inifuzz --parallel "$(nproc)"

# The fuzzer adds what it finds to its corpus; the seeds in the tree stay as they are.
corpus="$fuzz_build/corpus"
artifacts="$fuzz_build/artifacts"
mkdir -p "$corpus" "$artifacts"
cp -n "$repo_root"/tools/fuzz/corpus/* "$corpus"/

cd "$fuzz_build"
exec ./tools/fuzz/inifuzz -max_total_time="$seconds" -print_final_stats=1 \
    -artifact_prefix="$artifacts/" "$@" "$corpus"
