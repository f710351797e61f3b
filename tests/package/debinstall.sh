#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package with scripts/package.sh (lintian with no error or warning), installs it with apt-get as
# a player would, validates its desktop entry and metainfo, runs the real-window test on the installed program, then
# removes the package and what it pulled in: the machine ends as it began. Skips (exit 77) without root or the tools,
# or where the package is installed already. Usage: debinstall.sh SOURCE-DIR EXAMPLES WMDELETE-HELPER VERSION
set -euo pipefail
export LC_ALL=C DEBIAN_FRONTEND=noninteractive
[ $# -eq 4 ] || { echo "usage: $0 SOURCE-DIR EXAMPLES-FOLDER WMDELETE-HELPER VERSION" >&2; exit 2; }
source_dir=$(readlink -f "$1") examples=$(readlink -f "$2") wmdelete=$(readlink -f "$3") version=$4
name=vantor-configurator id=io.github.vantor_configurator program=/usr/bin/vantor-configurator
# Other programs may hold the dpkg lock for a while (an apt run of their own).
apt=(apt-get -y -q -o DPkg::Lock::Timeout=300)

skip() { echo "package: SKIPPED: $*"; exit 77; }
fail() { echo "package: FAIL: $*" >&2; exit 1; }

[ "$(id -u)" -eq 0 ] || skip "installing a package needs root"
for tool in apt-get dpkg dpkg-query dpkg-deb dpkg-buildpackage dh lintian Xvfb xdotool desktop-file-validate appstreamcli; do
    command -v "$tool" >/dev/null || skip "no $tool here (scripts/test.sh installs it)"
done

status_of() { dpkg-query -W -f='${db:Status-Status}' "$1" 2>/dev/null || true; }
installed_packages() { dpkg-query -W -f='${db:Status-Status} ${Package}\n' | awk '$1 == "installed" { print $2 }' | sort; }

[ "$(status_of "$name")" != installed ] || skip "$name is installed here; this test installs and removes it"
work=$(mktemp -d "${TMPDIR:-/tmp}/vantor-package.XXXXXX")
installing=0

# Packages installed since the test began that nothing needs any more: what the package
# pulled in (packages others install meanwhile are either wanted or needed).
pulled_in() {
    comm -12 <(installed_packages | comm -13 "$work/before" -) \
             <(apt-get -s autoremove 2>/dev/null | awk '/^Remv / { print $2 }' | sort)
}

remove_package() {
    "${apt[@]}" remove "$name" >"$work/remove.log" 2>&1 || { cat "$work/remove.log" >&2; return 1; }
    local leftovers
    leftovers=$(pulled_in)
    [ -z "$leftovers" ] || "${apt[@]}" remove $leftovers >>"$work/remove.log" 2>&1
}

trap 'status=$?; trap - EXIT; [ "$installing" -eq 0 ] || remove_package || echo "package: could not remove $name" >&2
      rm -rf "$work"; exit $status' EXIT
trap 'exit 129' HUP; trap 'exit 130' INT; trap 'exit 143' TERM

# The package as scripts/package.sh makes it, lintian's check included.
VANTOR_PACKAGE_BUILD_DIR="$work/deb" bash "$source_dir/scripts/package.sh" >"$work/package.log" 2>&1 ||
    { cat "$work/package.log" >&2; fail "scripts/package.sh failed"; }
deb=$(echo "$work/deb/${name}_${version}_$(dpkg --print-architecture).deb")
[ -f "$deb" ] || fail "no $(basename "$deb") made"
dpkg-deb --field "$deb" Depends | grep -q 'libqt6widgets6' || fail "Depends lacks the Qt libraries: $(dpkg-deb --field "$deb" Depends)"
echo "package: $(basename "$deb"), $(du -k "$deb" | cut -f1) KiB"

installed_packages >"$work/before"
installing=1
"${apt[@]}" install "$deb" >"$work/install.log" 2>&1 || { cat "$work/install.log" >&2; fail "apt-get install failed"; }
[ "$(status_of "$name")" = installed ] || fail "$name is not installed after apt-get install"

# What the distribution's machinery adds; the install rules' own files are the install test's.
for file in "/usr/share/doc/$name/copyright" "/usr/share/doc/$name/changelog.gz"; do
    [ -f "$file" ] || fail "the package did not install $file"
done
desktop-file-validate "/usr/share/applications/$id.desktop" || fail "desktop-file-validate"
appstreamcli validate --pedantic --no-net "/usr/share/metainfo/$id.metainfo.xml" >"$work/appstream.log" 2>&1 ||
    { cat "$work/appstream.log" >&2; fail "appstreamcli validate"; }

bash "$(dirname "${BASH_SOURCE[0]}")/../realwindow/realwindow.sh" "$program" "$examples" "$wmdelete" ||
    fail "the installed program failed the real-window test"

installing=0
remove_package || fail "apt-get remove failed"
[ "$(status_of "$name")" != installed ] && [ ! -e "$program" ] || fail "$name is still installed"
[ -z "$(pulled_in)" ] || fail "left installed: $(pulled_in | tr '\n' ' ')"
echo "package: PASS"
