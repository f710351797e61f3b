#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
# SPDX-License-Identifier: GPL-3.0-or-later
# Shows that the tests catch the faults they are there for: each break below is applied in
# turn to a scratch copy of the source, which is rebuilt, and the tests named beside it must
# then fail. Prints one line per break and exits 1 if any break went unnoticed.
# Usage: scripts/mutants.sh [name-pattern]   (VANTOR_MUTANTS_DIR: the scratch folder)
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

only=${1:-.}
scratch=${VANTOR_MUTANTS_DIR:-${TMPDIR:-/tmp}/vantor-mutants}
ensure_packages "${build_packages[@]}" rsync ninja-build libclang-rt-14-dev xvfb xauth xdotool imagemagick

# name # file # text replaced (its first occurrence) # replacement # tests that must fail (a CTest regex)
breaks=$(cat <<'TABLE'
row applied from the wrong control # settings/catalogue.cpp # "bFXAAEnabled", R::Flag, "ckbFXAA" # "bFXAAEnabled", R::Flag, "ckbTransAA" # ^tst_settings$
every row written # settings/formsettings.cpp # if (shown == row.stored) # if (false) # ^tst_settings$
untouched absent keys added # settings/formsettings.cpp # if (shown == row.stored) # if (shown == row.stored && store.readValue(QLatin1String(row.setting->section), QLatin1String(row.setting->key)).has_value()) # ^tst_settings$
pairs of the catalogue not linked # app/mainwindow.cpp # linkSlider(slider, box, shown.scale); # ; # ^tst_behaviour$
slider writing back # form/linkedpairs.cpp # const QSignalBlocker showOnly(slider); # ; # ^tst_behaviour$
comma not taken # form/decimalspinbox.cpp # return text.replace(u',', locale().decimalPoint()); # return text; # ^tst_behaviour$
four decimals kept where they do not fit # form/decimalspinbox.cpp # <= fieldWidth() # <= 100000 # ^tst_fontfit$
form font not pinned # app/formfont.cpp # window->setFont(formFont()); # ; # ^realwindow$
/? not taken for help # app/commandline.cpp # QStringLiteral("^/\\?$") # QStringLiteral("^/\\?x$") # ^tst_startup$
CR ends written as LF # store/ini/inidocument.cpp # return u"\r"; # return u"\n"; # ^(fuzzcorpus|tst_inidocument)$
UTF-16 BE written as LE # store/ini/inidocument.cpp # qToBigEndian<char16_t>(text.utf16() # qToLittleEndian<char16_t>(text.utf16() # ^(fuzzcorpus|tst_inidocument)$
wide text without a mark taken # store/ini/inidocument.cpp # return most > 1 && most * 8 >= size; # return false; # ^(fuzzcorpus|tst_inidocument)$
comparison after the swap left out # store/safefile/diskfile.cpp # if (!holdsAsRead(place.open(displaced.name, Access::Compare), current)) { # if (false) { # ^tst_applyrace$
held-open check left out # store/safefile/diskplatform_posix.cpp # busy = file.isOpen() && leaseRefused(fd(file), F_RDLCK); # busy = false; # ^tst_mergetable$
lease at start not waited for # store/safefile/diskfile.cpp # const bool moving = now.busy || now.changedWhileRead; # const bool moving = now.changedWhileRead; # ^tst_savedfile$
file cut inside a line refused # store/safefile/diskfile.cpp # if (cutShort && unchanged.elapsed() >= waitLimitMs) # if (false) # ^tst_mergetable$
file mode lost # store/safefile/filemetadata_posix.cpp # if (::fchmod(to, fromInfo.mode & 07777) != 0) # if (false) # ^(tst_savedfile|tst_settings)$
folder's default ACL kept # store/safefile/filemetadata_posix.cpp # if (::fgetxattr(from, accessAcl, nullptr, 0) < 0 # if (false && ::fgetxattr(from, accessAcl, nullptr, 0) < 0 # ^tst_savedfile$
size limit ends the process # store/safefile/diskplatform_posix.cpp # std::signal(SIGXFSZ, SIG_IGN); # ; # ^tst_writefaults$
torn write not finished from its journal # store/safefile/besidefiles.cpp # if (!whole && DiskFiles::writeInPlace(file, journal->after).status != DiskCommit::Status::Done) # if (false) # ^tst_savedfile$
leftovers not removed # store/game/inifileset.cpp # BesideFiles::removeLeftovers(file.path); # ; # ^tst_savedfile$
file without a change rewritten # store/game/inifileset.cpp # if (!edited) # if (false) # ^(tst_settings|tst_mergetable)$
written despite an unreadable file # store/game/inifileset.cpp # return failure.has_value(); })) # return false && failure.has_value(); })) # ^tst_settings$
device name added where missing # store/game/gamefiles.cpp # std::optional<QString> name = preferences.value(display, key); # std::optional<QString> name = preferences.value(display, key).value_or(QString()); # ^tst_mergetable$
TABLE
)

mkdir -p "$scratch"
rsync -a --delete --exclude '/build*' --exclude '/.git' "$repo_root/" "$scratch/src/"
cmake -S "$scratch/src" -B "$scratch/build" -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build "$scratch/build" >/dev/null

trim() {
    local text=${1#"${1%%[![:space:]]*}"}
    printf '%s' "${text%"${text##*[![:space:]]}"}"
}

caught=0 missed=0
while IFS='#' read -r name file from to tests; do
    name=$(trim "$name") file=$(trim "$file") from=$(trim "$from") to=$(trim "$to") tests=$(trim "$tests")
    [[ $name =~ $only ]] || continue
    target=$scratch/src/$file
    if ! FROM=$from TO=$to perl -0pi -e '$n = s/\Q$ENV{FROM}\E/$ENV{TO}/; END { exit($n ? 0 : 1) }' "$target"; then
        echo "NOT APPLIED  $name ($file no longer holds the text)"; missed=$((missed + 1)); continue
    fi
    if ! cmake --build "$scratch/build" >"$scratch/build.log" 2>&1; then
        result="NO BUILD     $name (the break does not compile: mend the table)"
    elif (cd "$scratch/build" && QT_QPA_PLATFORM=offscreen ctest -R "$tests" --stop-on-failure >"$scratch/ctest.log" 2>&1); then
        result="MISSED       $name ($tests passed)"
    else
        result="caught       $name ($(grep -o -m1 '[0-9]* - [A-Za-z_]* ([A-Za-z]*)' "$scratch/ctest.log" || echo "$tests"))"
    fi
    cp "$repo_root/$file" "$target"
    echo "$result"
    [[ $result == caught* ]] && caught=$((caught + 1)) || missed=$((missed + 1))
done <<<"$breaks"
cmake --build "$scratch/build" >/dev/null
echo "$caught caught, $missed missed"
[ "$missed" -eq 0 ]
