#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package: installs what is missing, builds in Release for the prefix
# /usr (in its own build folder) and runs CPack's DEB generator, whose Depends come from
# dpkg-shlibdeps. Prints the package's path, size and control fields.
#
#   scripts/package.sh     ->  build-package/vantor-configurator_<version>_<arch>.deb
#   apt-get install ./build-package/vantor-configurator_<version>_<arch>.deb
#
# VANTOR_PACKAGE_BUILD_DIR chooses the build folder (default: build-package).
set -euo pipefail

repo_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export VANTOR_BUILD_DIR=${VANTOR_PACKAGE_BUILD_DIR:-$repo_root/build-package}
source "$repo_root/scripts/common.sh"

# dpkg-shlibdeps comes with dpkg-dev; CPack finds the binaries to give it with file.
ensure_packages "${build_packages[@]}" dpkg-dev file
build_project -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DBUILD_TESTING=OFF -DVANTOR_BUILD_TOOLS=OFF -DVANTOR_BUILD_BENCHMARKS=OFF
rm -f "$build_dir"/vantor-configurator_*.deb
(cd "$build_dir" && cpack -G DEB)

deb=$(echo "$build_dir"/vantor-configurator_*.deb)
[ -f "$deb" ] || { echo "error: CPack made no package" >&2; exit 1; }
echo
echo "Package: $deb ($(du -k "$deb" | cut -f1) KiB)"
dpkg-deb --field "$deb" Package Version Architecture Installed-Size Depends Recommends
