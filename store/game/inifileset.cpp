// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "inifileset.h"

#include "besidefiles.h"

#include <algorithm>

namespace {

// A save starts over at most this often when the files keep changing under it.
constexpr int maximumAttempts = 5;

} // namespace

IniFileSet::IniFileSet(const QStringList &paths, const QString &absentText)
    : absent(absentText)
{
    files.reserve(size_t(paths.size()));
    for (const QString &path : paths) {
        File file;
        file.path = path;
        std::optional<SaveFailure> refusal;
        file.disk = DiskFiles::readSettled(file.path, file.disk, refusal);
        const auto refuse = [&file](SaveFailure::Kind kind) { file.openFailure = SaveFailure{file.path, kind, {}}; };
        if (refusal && refusal->kind == SaveFailure::Kind::WriteUnfinished)
            file.disk.state = DiskFile::State::Unreadable; // torn: not to be shown or edited
        switch (file.disk.state) {
        case DiskFile::State::Regular:
            file.document = IniDocument::fromBytes(file.disk.bytes);
            // Bytes that are no lines of text are never edited; a blank file is
            // what a game that stopped while saving leaves, not its settings.
            if (!file.document.isValid())
                refuse(SaveFailure::Kind::NotText);
            else if (file.document.isBlank())
                refuse(SaveFailure::Kind::Empty);
            break;
        case DiskFile::State::Missing:
            refuse(SaveFailure::Kind::Missing);
            break;
        default:
            file.openFailure = refusal;
            break;
        }
        files.push_back(std::move(file));
    }
}

std::optional<QString> IniFileSet::value(const QString &section, const QString &key) const
{
    for (const File &file : files) {
        if (holds(file.document, section, key))
            return file.document.value(section, key);
    }
    return std::nullopt;
}

bool IniFileSet::write(const QString &section, const QString &key, const QString &text)
{
    const int file = fileFor(section, key);
    if (!files[size_t(file)].document.setValue(section, key, text))
        return false;
    edits.append({section, key, text, file});
    return true;
}

QList<SaveFailure> IniFileSet::save()
{
    const size_t fileCount = files.size();
    std::vector<std::optional<SaveFailure>> failures(fileCount);
    written.clear();
    for (const File &file : files)
        BesideFiles::removeLeftovers(file.path);
    for (int attempt = 1;; ++attempt) {
        std::vector<DiskFile> now(fileCount);
        for (size_t index = 0; index < fileCount; ++index) {
            File &file = files[index];
            failures[index].reset();
            now[index] = DiskFiles::readSettled(file.path, file.disk, failures[index]);
            if (!failures[index])
                file.disk = now[index];
            if (file.disk.state == DiskFile::State::Regular)
                file.lastRegular = file.disk;
        }
        // Which file a key goes to depends on all of them: with one that cannot
        // be read, nothing is written, and every edit waits for the next save.
        layEditsAgain(failures);
        if (std::any_of(failures.cbegin(), failures.cend(), [](const auto &failure) { return failure.has_value(); }))
            break;

        bool startOver = false;
        std::vector<bool> saved(fileCount, false);
        for (size_t index = 0; index < fileCount; ++index) {
            switch (saveFile(int(index), now[index], failures[index])) {
            case DiskCommit::Status::Done:
                saved[index] = true;
                break;
            case DiskCommit::Status::Conflict:
                startOver = true;
                break;
            case DiskCommit::Status::Failed:
                break;
            }
        }
        edits.removeIf([&saved](const Edit &edit) { return saved[size_t(edit.file)]; });
        if (!startOver || attempt == maximumAttempts)
            break;
    }

    QList<SaveFailure> result;
    for (const std::optional<SaveFailure> &failure : failures) {
        if (failure)
            result.append(*failure);
    }
    return result;
}

QList<SaveFailure> IniFileSet::restoreBackups()
{
    edits.clear();
    QList<SaveFailure> failures;
    for (File &file : files) {
        if (file.backup.isEmpty())
            continue;
        std::optional<SaveFailure> failure;
        const DiskFile current = DiskFiles::readSettled(file.path, file.disk, failure);
        const DiskFile backup = DiskFiles::read(file.backup);
        if (!failure && backup.state != DiskFile::State::Regular)
            failure = SaveFailure{file.backup, SaveFailure::Kind::ReadFailed, DiskFiles::errorText(backup.error)};
        if (!failure && (current.state != DiskFile::State::Regular || current.bytes != backup.bytes)) {
            const DiskCommit commit = current.state == DiskFile::State::Regular
                ? DiskFiles::replace(current, backup.bytes, false)
                : DiskFiles::create(current, backup.bytes, file.lastRegular);
            if (commit.status == DiskCommit::Status::Conflict)
                failure = SaveFailure{file.path, SaveFailure::Kind::KeepsChanging, {}};
            else if (commit.status == DiskCommit::Status::Failed)
                failure = SaveFailure{file.path, commit.failure, DiskFiles::errorText(commit.error)};
        }
        if (failure)
            failures.append(*failure);
    }
    return failures;
}

// Each file's content as last seen with the edits laid on, each edit going
// where the files as they are now say.
void IniFileSet::layEditsAgain(std::vector<std::optional<SaveFailure>> &failures)
{
    for (size_t index = 0; index < files.size(); ++index) {
        File &file = files[index];
        file.document = file.disk.state == DiskFile::State::Regular ? IniDocument::fromBytes(file.disk.bytes) : IniDocument();
        if (!file.document.isValid() && !failures[index])
            failures[index] = SaveFailure{file.path, SaveFailure::Kind::NotText, {}};
    }
    for (Edit &edit : edits) {
        edit.file = fileFor(edit.section, edit.key);
        File &file = files[size_t(edit.file)];
        if (!file.document.setValue(edit.section, edit.key, edit.text) && !failures[size_t(edit.file)])
            failures[size_t(edit.file)] = SaveFailure{file.path, SaveFailure::Kind::ValueNotStorable, {}};
    }
}

// Finishes the file's content and writes it if it differs from what is on disk.
DiskCommit::Status IniFileSet::saveFile(int index, const DiskFile &current, std::optional<SaveFailure> &failure)
{
    File &file = files[size_t(index)];
    const bool exists = current.state == DiskFile::State::Regular;
    const bool edited = std::any_of(edits.cbegin(), edits.cend(), [index](const Edit &edit) { return edit.file == index; });
    if (!edited)
        return DiskCommit::Status::Done; // nothing of the player's goes there: not a byte of it changes

    IniDocument &document = file.document;
    if (finishing)
        finishing(index, document);
    document.removeEmptyLines();
    const QByteArray bytes = document.toBytes();
    if (exists && bytes == current.bytes)
        return DiskCommit::Status::Done;
    if (exists && current.readOnly) {
        const int error = current.readOnlyError;
        failure = SaveFailure{file.path, SaveFailure::Kind::ReadOnlyFile, error ? DiskFiles::errorText(error) : QString()};
        return DiskCommit::Status::Failed;
    }

    const DiskCommit commit = exists ? DiskFiles::replace(current, bytes, !file.backedUp)
                                     : DiskFiles::create(current, bytes, file.lastRegular);
    // A file made anew had nothing to keep.
    file.backedUp = file.backedUp || commit.backupKept || (!exists && commit.status == DiskCommit::Status::Done);
    if (commit.backupKept)
        file.backup = current.target + QStringLiteral(".bak");
    switch (commit.status) {
    case DiskCommit::Status::Done:
        file.disk = commit.written;
        written.append(file.path);
        break;
    case DiskCommit::Status::Conflict:
        failure = SaveFailure{file.path, SaveFailure::Kind::KeepsChanging, {}};
        break;
    case DiskCommit::Status::Failed:
        failure = SaveFailure{file.path, commit.failure, DiskFiles::errorText(commit.error)};
        break;
    }
    return commit.status;
}

bool IniFileSet::holds(const IniDocument &document, const QString &section, const QString &key) const
{
    const std::optional<QString> text = document.value(section, key);
    return text && *text != absent;
}

int IniFileSet::fileFor(const QString &section, const QString &key) const
{
    for (size_t index = 0; index < files.size(); ++index) {
        if (holds(files[index].document, section, key))
            return int(index);
    }
    return 0;
}
