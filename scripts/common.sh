# SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Shared by run.sh and test.sh: installs what is missing and builds.
set -euo pipefail

repo_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${VANTOR_BUILD_DIR:-$repo_root/build}

# Packages the build needs on Debian 12.
build_packages=(cmake g++ make qt6-base-dev qt6-base-dev-tools libgl-dev fonts-dejavu-core fonts-liberation2)

as_root() {
    if [ "$(id -u)" -eq 0 ]; then
        "$@"
    elif command -v sudo >/dev/null 2>&1; then
        sudo "$@"
    else
        echo "error: installing packages needs root (or sudo): $*" >&2
        exit 1
    fi
}

# Installs those of the given Debian packages that are not installed yet.
ensure_packages() {
    local missing=()
    local package
    for package in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
            missing+=("$package")
        fi
    done
    if [ ${#missing[@]} -gt 0 ]; then
        echo "Installing: ${missing[*]}"
        as_root env DEBIAN_FRONTEND=noninteractive apt-get update -qq
        as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
    fi
}

build_project() {
    cmake -S "$repo_root" -B "$build_dir" "$@"
    cmake --build "$build_dir" --parallel "$(nproc)"
}
