// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "diskfile.h"
#include "inidocument.h"
#include "savefailure.h"

#include <QList>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

// INI files read and written as one. A key is read from the first file, in
// the order given, that holds it, and written there; a key that no file holds
// is added to the first. A key whose text is absentText counts as absent from
// that file.
//
// Writes are kept as edits and laid onto the files as they are on disk at
// each save, so that whatever another program wrote meanwhile stays, and the
// file a key goes to is decided from the files as they are then. Each file is
// replaced only if it is still what the edits were laid onto; if it changed,
// the save reads it again and starts over.
class IniFileSet
{
public:
    IniFileSet(const QStringList &paths, const QString &absentText);

    int count() const { return int(files.size()); }
    QString path(int file) const { return files[size_t(file)].path; }
    // Why the file could not be used when the set was made: missing, blank,
    // not text, or unreadable; nothing when it was read.
    std::optional<SaveFailure> openFailure(int file) const { return files[size_t(file)].openFailure; }

    std::optional<QString> value(const QString &section, const QString &key) const;
    // Returns false, writing nothing, for text that cannot be stored on one line.
    bool write(const QString &section, const QString &key, const QString &text);

    // What every save does to a file's content after the edits, before it is
    // written. A file that no longer exists and gets no edit is not made again
    // for it.
    using Finishing = std::function<void(int file, IniDocument &document)>;
    void setFinishing(Finishing finish) { finishing = std::move(finish); }

    // Writes each file that an edit goes to and whose content changes; a file
    // that gets no edit keeps every byte. Before the first change to a file in
    // the set's life, keeps the file as it was as "<name>.bak". When a file
    // cannot be read, writes nothing. Edits that were not saved stay, to be
    // saved by the next call. Returns the files it left as they were, and why.
    QList<SaveFailure> save();

    // Whether writes wait for a save: made since the last, or left by a failed one.
    bool hasPendingWrites() const { return !edits.isEmpty(); }
    // The files the last save wrote.
    QStringList lastWritten() const { return written; }

    // Puts back each file this set backed up, as its backup holds it, through
    // the same safe replacement, and drops the writes not yet saved. Returns the
    // files it could not put back, and why. The set is to be read anew after.
    QList<SaveFailure> restoreBackups();

private:
    struct Edit
    {
        QString section;
        QString key;
        QString text;
        int file; // where it was laid last
    };

    struct File
    {
        QString path;
        DiskFile disk;        // as last read or written
        DiskFile lastRegular; // the last look that found a regular file there
        IniDocument document; // disk with the edits not yet saved laid on
        bool backedUp = false;
        QString backup; // the backup this set kept, if any
        std::optional<SaveFailure> openFailure;
    };

    void layEditsAgain(std::vector<std::optional<SaveFailure>> &failures);
    DiskCommit::Status saveFile(int index, const DiskFile &current, std::optional<SaveFailure> &failure);
    bool holds(const IniDocument &document, const QString &section, const QString &key) const;
    int fileFor(const QString &section, const QString &key) const;

    std::vector<File> files;
    QList<Edit> edits;
    QStringList written;
    QString absent;
    Finishing finishing;
};
