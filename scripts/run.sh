#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program: on the player's own
# INI files when they are found, otherwise on copies of the examples in a
# scratch documents folder.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

ensure_packages "${build_packages[@]}"
build_project

if folder=$("$build_dir/tools/locate/vantor-locate"); then
    echo "Editing your INI files in: $folder"
else
    scratch_home=${TMPDIR:-/tmp}/vantor-configurator-demo
    scratch_folder="$scratch_home/Documents/My Games/Vantor"
    mkdir -p "$scratch_folder"
    cp "$repo_root/examples/VantorPrefs.ini" "$repo_root/examples/Vantor.ini" "$scratch_folder/"
    echo "No Vantor INI files found in: $folder"
    echo "Editing copies of the examples instead, in: $scratch_folder"
    export HOME=$scratch_home
    unset XDG_CONFIG_HOME WINEPREFIX
fi

program=$build_dir/vantor-configurator
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    ensure_packages xvfb xauth
    echo "No display found: starting on a virtual X screen (xvfb-run). Stop it with Ctrl+C."
    exec xvfb-run -a "$program"
fi
exec "$program"
