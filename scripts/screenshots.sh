#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Remakes docs/screenshots/*.png: every page of the window on the example INI
# pair, in a real X window on a virtual screen.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

ensure_packages "${build_packages[@]}" xvfb xauth
build_project -DVANTOR_BUILD_TOOLS=ON

scratch_home=$(mktemp -d)
trap 'rm -rf "$scratch_home"' EXIT
mkdir -p "$scratch_home/Documents/My Games/Vantor"
cp "$repo_root/examples/VantorPrefs.ini" "$repo_root/examples/Vantor.ini" "$scratch_home/Documents/My Games/Vantor/"
mkdir -p "$repo_root/docs/screenshots"

cd "$repo_root"
HOME=$scratch_home xvfb-run -a -s "-screen 0 1280x1024x24 -dpi 96" \
    "$build_dir/tools/screenshots/vantor-screenshots" "$repo_root/docs/screenshots"
