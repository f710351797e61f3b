#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the preview generator and remakes what it draws: previews/*.jpg
# (the icon has its own script, make-icon.sh, which renders it from its SVG).
#
# The generator is built from the top-level project. Should that not
# configure or build, it is built on its own from a small wrapper
# project in the build folder, since it needs nothing but Qt Gui.
#
# Usage: scripts/make-artwork.sh [build folder]   (default: build-artwork/)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build-artwork}
case $build in
    /*) ;;
    *) build=$PWD/$build ;;
esac

cmake_args=(-DCMAKE_BUILD_TYPE=Release)
if command -v ninja >/dev/null 2>&1; then
    cmake_args+=(-G Ninja)
fi

build_with_project() {
    cmake -S "$root" -B "$build/project" "${cmake_args[@]}" -DBUILD_TESTING=OFF -DVANTOR_BUILD_TOOLS=ON &&
        cmake --build "$build/project" --config Release --parallel --target previewgen
}

build_tools_only() {
    local wrapper=$build/tools-only
    mkdir -p "$wrapper"
    cat >"$wrapper/CMakeLists.txt" <<EOF
cmake_minimum_required(VERSION 3.21)
project(VantorArtwork LANGUAGES CXX)
set(CMAKE_CXX_STANDARD 17)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
add_subdirectory("$root/tools/previewgen" previewgen)
EOF
    cmake -S "$wrapper" -B "$wrapper/build" "${cmake_args[@]}" &&
        cmake --build "$wrapper/build" --config Release --parallel --target previewgen
}

# Finds a built program below the given folder, wherever the generator put it.
find_tool() {
    local folder=$1 name=$2 found
    found=$(find "$folder" -type f \( -name "$name" -o -name "$name.exe" \) -perm -u+x -print -quit)
    if [[ -z $found ]]; then
        echo "make-artwork: $name was not built in $folder" >&2
        return 1
    fi
    printf '%s\n' "$found"
}

if build_with_project; then
    tools=$build/project/tools
else
    echo "make-artwork: the top-level project did not build; building the generator on its own" >&2
    build_tools_only
    tools=$build/tools-only/build
fi

previewgen=$(find_tool "$tools" previewgen)

"$previewgen" "$root/previews"

echo "make-artwork: wrote previews/*.jpg"
