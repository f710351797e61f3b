#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test headless.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

# The real-window test drives the program under Xvfb with xdotool.
ensure_packages "${build_packages[@]}" xvfb xauth xdotool
build_project
cd "$build_dir"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 900 "$@"
