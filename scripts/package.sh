#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package the Debian way: debhelper over CMake (debian/), run by
# dpkg-buildpackage on a copy of the source tree, so that the distribution's hardening flags,
# shared library dependencies, stripping, docs and changelog apply. Installs what the build
# needs, checks the package with lintian (no error, no warning) and prints its fields.
#
#   scripts/package.sh     ->  build-package/vantor-configurator_<version>_<arch>.deb
#   apt-get install ./build-package/vantor-configurator_<version>_<arch>.deb
#
# VANTOR_PACKAGE_BUILD_DIR chooses the folder (default: build-package).
set -euo pipefail

repo_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export VANTOR_BUILD_DIR=${VANTOR_PACKAGE_BUILD_DIR:-$repo_root/build-package}
source "$repo_root/scripts/common.sh"

# debian/control's Build-Depends, and the tools that build and check the package.
ensure_packages "${build_packages[@]}" debhelper dpkg-dev lintian
rm -rf "$build_dir"
mkdir -p "$build_dir/source"
# The files git knows or would take (a developer's new files too), without the build folders.
(cd "$repo_root" && git ls-files -co --exclude-standard | while IFS= read -r file; do
    [ -e "$file" ] && printf '%s\n' "$file"
done | tar -cf - -T -) | tar -xf - -C "$build_dir/source"
(cd "$build_dir/source" && dpkg-buildpackage -b -us -uc >"$build_dir/build.log" 2>&1) ||
    { tail -n 40 "$build_dir/build.log" >&2; echo "error: dpkg-buildpackage failed" >&2; exit 1; }

deb=$(echo "$build_dir"/vantor-configurator_*.deb)
[ -f "$deb" ] || { echo "error: dpkg-buildpackage made no package" >&2; exit 1; }
lintian --fail-on error,warning "$deb"
echo
echo "Package: $deb ($(du -k "$deb" | cut -f1) KiB)"
dpkg-deb --field "$deb" Package Version Architecture Section Installed-Size Depends Recommends
