#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Renders the application icon from its one source,
# resources/icons/hicolor/scalable/apps/vantor-configurator.svg, into
#   resources/icons/hicolor/<N>x<N>/apps/vantor-configurator.png   (the sizes installed on Linux)
#   resources/app.ico   (16, 24, 32, 48, 64 and 256 px: the window icon and the Windows program's)
#
# Run it by hand after changing the SVG and commit what it writes; builds only read the results.
#
# Usage: scripts/make-icon.sh
set -euo pipefail

source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
ensure_packages librsvg2-bin icoutils

hicolor=$repo_root/resources/icons/hicolor
svg=$hicolor/scalable/apps/vantor-configurator.svg
theme_sizes=(16 32 64 128)
ico_sizes=(16 24 32 48 64 256)

render() {
    local size=$1 out=$2
    mkdir -p "$(dirname "$out")"
    rsvg-convert --width "$size" --height "$size" --output "$out" "$svg"
}

for size in "${theme_sizes[@]}"; do
    render "$size" "$hicolor/${size}x${size}/apps/vantor-configurator.png"
done

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
ico_images=()
for size in "${ico_sizes[@]}"; do
    render "$size" "$scratch/$size.png"
    # The largest size stays PNG inside the .ico, as Windows has read it since Vista;
    # the small ones become plain bitmaps, which every reader takes.
    if [ "$size" -ge 256 ]; then
        ico_images+=("--raw=$scratch/$size.png")
    else
        ico_images+=("$scratch/$size.png")
    fi
done
icotool --create --output "$repo_root/resources/app.ico" "${ico_images[@]}"

echo "make-icon: wrote resources/app.ico and resources/icons/hicolor/*/apps/vantor-configurator.png"
