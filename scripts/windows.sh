#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Cross-builds the Windows program on Debian 12: one self-contained vantor-configurator.exe,
# packed with its preview pictures as vantor-configurator-<version>-windows-x64.zip.
# With --test it also builds the Windows tests and runs them, and the real program, under Wine.
#
# The static Qt for Windows comes from, in this order: the cache
# (~/.cache/vantor-configurator/qt-<version>-<recipe hash>); a prebuilt archive of the same
# recipe (VANTOR_QT_WINDOWS_PREBUILT, a .tar.xz or the folder holding it, else
# ../shared/windows beside the checkout); else it is built from Debian's source (about 40
# minutes on 2 cores; VANTOR_QT_FROM_SOURCE=1 builds it so even when a prebuilt one is there).
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
source "$repo_root/scripts/windows/qt-recipe.sh"

usage() {
    echo "usage: $0 [--test]" >&2
    exit 2
}
run_tests=false
case $# in
0) ;;
1) [ "$1" = --test ] && run_tests=true || usage ;;
*) usage ;;
esac

win_build_dir=${VANTOR_WINDOWS_BUILD_DIR:-$repo_root/build-windows}
cache_root=${XDG_CACHE_HOME:-${HOME:-/root}/.cache}/vantor-configurator
toolchain=$repo_root/scripts/windows/mingw64-toolchain.cmake
recipe_hash=$(cat "$repo_root/scripts/windows/qt-recipe.sh" "$toolchain" | sha256sum | cut -c1-12)
qt_dir=$cache_root/qt-$qt_version-$recipe_hash
prebuilt_name=qt6-windows-x64-static-$qt_version.tar.xz
started=$SECONDS

step() {
    printf '\n== %s (%d s so far)\n' "$*" $((SECONDS - started))
}

windows_packages=(cmake ninja-build g++ qt6-base-dev qt6-base-dev-tools
    g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 zip)
# fonts-wine: Wine's own Tahoma, which stands in for the dialog font "MS Shell Dlg 2" as on Windows.
test_packages=(wine wine64 fonts-wine xvfb xauth xdotool imagemagick libx11-dev unzip)

# The prebuilt archive, if one can be found.
find_prebuilt() {
    local candidates=()
    if [ -n "${VANTOR_QT_WINDOWS_PREBUILT:-}" ]; then
        candidates+=("$VANTOR_QT_WINDOWS_PREBUILT")
    fi
    candidates+=("$repo_root/../shared/windows")
    # A git worktree elsewhere: also look beside the main checkout.
    local common
    if common=$(git -C "$repo_root" rev-parse --path-format=absolute --git-common-dir 2>/dev/null); then
        candidates+=("$(dirname "$common")/../shared/windows")
    fi
    local candidate
    for candidate in "${candidates[@]}"; do
        [ -d "$candidate" ] && candidate=$candidate/$prebuilt_name
        if [ -f "$candidate" ]; then
            readlink -f "$candidate"
            return 0
        fi
    done
    return 1
}

# Unpacks the prebuilt archive into the cache, if it was made with this recipe's toolchain.
unpack_prebuilt() {
    local archive=$1
    echo "Unpacking the prebuilt Qt $qt_version for Windows: $archive"
    rm -rf "$qt_dir"
    mkdir -p "$qt_dir"
    tar -xJf "$archive" -C "$qt_dir" --strip-components=1
    if ! cmp -s "$qt_dir/mingw64-toolchain.cmake" "$toolchain" ||
        [ ! -f "$qt_dir/lib/cmake/Qt6/qt.toolchain.cmake" ]; then
        echo "The prebuilt Qt was not made with this recipe's toolchain; not using it."
        rm -rf "$qt_dir"
        return 1
    fi
    touch "$qt_dir/.complete"
}

# deb-src for the Debian entries, so that apt-get source finds Qt's source package.
enable_source_packages() {
    if apt-cache showsrc "$qt_source_package" 2>/dev/null | grep -q '^Package:'; then
        return
    fi
    echo "Enabling Debian's source packages (deb-src) for apt-get source"
    if [ -f /etc/apt/sources.list.d/debian.sources ]; then
        as_root sed -i 's/^Types: deb$/Types: deb deb-src/' /etc/apt/sources.list.d/debian.sources
    fi
    if [ -f /etc/apt/sources.list ] && grep -q '^deb ' /etc/apt/sources.list; then
        grep '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' |
            while IFS= read -r line; do
                grep -qxF "$line" /etc/apt/sources.list || echo "$line"
            done | as_root tee -a /etc/apt/sources.list >/dev/null
    fi
    as_root env DEBIAN_FRONTEND=noninteractive apt-get update -qq
}

build_qt_from_source() {
    echo "No prebuilt Qt for Windows found: building Qt $qt_version (static, x86_64) from Debian's"
    echo "source package $qt_source_package. This takes about 40 minutes on 2 cores (about 1,000"
    echo "build steps, counted below); later runs take it from $qt_dir."
    ensure_packages "${qt_build_packages[@]}"
    enable_source_packages

    local work=$cache_root/qt-$qt_version-$recipe_hash-work
    rm -rf "$work" "$qt_dir"
    mkdir -p "$work/source" "$qt_dir"
    (cd "$work/source" && apt-get source -qq "$qt_source_package")
    local source
    source=$(find "$work/source" -mindepth 1 -maxdepth 1 -type d -name "$qt_source_package-$qt_version*" | head -n 1)
    [ -n "$source" ] || {
        echo "error: apt-get source gave no $qt_source_package $qt_version (found: $(ls "$work/source"))" >&2
        exit 1
    }
    (cd "$source" && qt_patch_source)

    # Qt's generated qt.toolchain.cmake loads this copy, which stays with the installed Qt.
    cp "$toolchain" "$qt_dir/mingw64-toolchain.cmake"
    cmake -S "$source" -B "$work/build" "${qt_configure_options[@]}" \
        -DCMAKE_TOOLCHAIN_FILE="$qt_dir/mingw64-toolchain.cmake" \
        -DCMAKE_INSTALL_PREFIX="$qt_dir"
    cmake --build "$work/build" --parallel "$(nproc)"
    cmake --install "$work/build" >/dev/null
    rm -rf "$work"
    touch "$qt_dir/.complete"
}

obtain_qt() {
    if [ -f "$qt_dir/.complete" ]; then
        echo "Qt $qt_version for Windows: $qt_dir"
        return
    fi
    local archive
    if [ "${VANTOR_QT_FROM_SOURCE:-0}" != 1 ] && archive=$(find_prebuilt) && unpack_prebuilt "$archive"; then
        return
    fi
    build_qt_from_source
}

step "Installing what is missing"
ensure_packages "${windows_packages[@]}"
if $run_tests; then
    ensure_packages "${test_packages[@]}"
fi

step "Qt $qt_version for Windows"
obtain_qt

step "Building vantor-configurator.exe"
testing=OFF
if $run_tests; then
    testing=ON
fi
cmake -S "$repo_root" -B "$win_build_dir" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$qt_dir/lib/cmake/Qt6/qt.toolchain.cmake" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_EXE_LINKER_FLAGS=-s \
    -DVANTOR_BUILD_TOOLS=OFF -DBUILD_TESTING=$testing >/dev/null
cmake --build "$win_build_dir" --parallel "$(nproc)"

step "Packing the zip"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$win_build_dir/CMakeCache.txt")
[ -n "$version" ] || { echo "error: no project version in $win_build_dir/CMakeCache.txt" >&2; exit 1; }
name=vantor-configurator-$version-windows-x64
package=$win_build_dir/package/$name
rm -rf "$win_build_dir/package"
mkdir -p "$package/previews"
cp "$win_build_dir/vantor-configurator.exe" "$package/"
cp "$repo_root"/previews/*.jpg "$package/previews/"
# Notepad and every other Windows editor read CR LF.
sed -e "s/@VERSION@/$version/" -e 's/$/\r/' "$repo_root/resources/windows-readme.txt" >"$package/README.txt"
rm -f "$win_build_dir/$name.zip"
(cd "$win_build_dir/package" && zip -qrX9 "$win_build_dir/$name.zip" "$name")
echo "$win_build_dir/$name.zip ($(du -k "$win_build_dir/$name.zip" | cut -f1) KiB;" \
    "vantor-configurator.exe $(du -k "$package/vantor-configurator.exe" | cut -f1) KiB)"

if $run_tests; then
    step "Testing under Wine"
    # WM_DELETE_WINDOW for the real-window test, sent from the Linux side like a window manager.
    mkdir -p "$win_build_dir/host"
    g++ -O2 -o "$win_build_dir/host/wmdelete" "$repo_root/tests/realwindow/wmdelete.cpp" -lX11
    # The real-window test runs the program as a player gets it: unpacked from the zip.
    rm -rf "$win_build_dir/unzipped"
    unzip -q "$win_build_dir/$name.zip" -d "$win_build_dir/unzipped"
    bash "$repo_root/tests/windows/wine-tests.sh" "$win_build_dir" \
        "$win_build_dir/unzipped/$name/vantor-configurator.exe" "$repo_root/examples" "$win_build_dir/host/wmdelete"
fi
step "Done"
