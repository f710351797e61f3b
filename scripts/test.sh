#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds, and runs every test headless.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

# The real-window and package tests drive the program under Xvfb with xdotool, and compare
# screenshots (ImageMagick) with and without a platform theme (qt6ct); Qt's German words
# (qt6-translations-l10n) stand for the player's language; reuse checks every file's licence;
# the package test builds the .deb with debhelper (dpkg-dev), checks it with lintian, and
# validates its desktop entry and metainfo; clang's FuzzedDataProvider.h (libclang-rt-14-dev) lets
# the fuzz corpus run as a test.
ensure_packages "${build_packages[@]}" libclang-rt-14-dev xvfb xauth xdotool imagemagick qt6ct qt6-translations-l10n reuse dpkg-dev \
    debhelper lintian desktop-file-utils appstream
build_project
cd "$build_dir"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 900 "$@"
