#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds, and starts the program: on the player's own
# INI files when they are found, otherwise on copies of the examples in a
# scratch documents folder.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

ensure_packages "${build_packages[@]}"
build_project

program=$build_dir/vantor-configurator
arguments=()
if folder=$("$program" --locate); then
    echo "Editing your INI files in: $folder"
else
    scratch_home=${TMPDIR:-/tmp}/vantor-configurator-demo
    scratch_folder="$scratch_home/Documents/My Games/Vantor"
    mkdir -p "$scratch_folder"
    cp "$repo_root/examples/VantorPrefs.ini" "$repo_root/examples/Vantor.ini" "$scratch_folder/"
    echo "No Vantor INI files found in: $folder"
    echo "Editing copies of the examples instead, in: $scratch_folder"
    arguments=(--folder "$scratch_folder")
fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    ensure_packages xvfb xauth
    echo "No display found: starting on a virtual X screen (xvfb-run). Stop it with Ctrl+C."
    exec xvfb-run -a "$program" "${arguments[@]}"
fi
exec "$program" "${arguments[@]}"
