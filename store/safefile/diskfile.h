// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "savefailure.h"

#include <QByteArray>
#include <QString>

#include <optional>

// A file as it stood on disk when it was read whole, with what a later
// replacement needs to tell whether it is still that file.
struct DiskFile
{
    enum class State { Missing, Regular, DanglingLink, NotAFile, Unreadable };

    QString path;
    State state = State::Missing;
    QByteArray bytes;
    int error = 0;                 // the system's error code when Unreadable
    bool busy = false;             // another program has it open for writing
    bool changedWhileRead = false; // it was replaced or written to during the read
    bool readOnly = false;         // its write permission is off (readOnlyError: the system's reason, if any)
    int readOnlyError = 0;

    // Where the content lives (symbolic links resolved) and which file it is there.
    QString target;
    quint64 device = 0;
    quint64 fileId = 0;
    quint64 linkCount = 0;
    qint64 size = 0;
    qint64 modifiedNs = 0;
    // On POSIX systems: owner, group and permission bits, for a file made in its place.
    uint owner = 0;
    uint group = 0;
    uint mode = 0;

    bool isSameFile(const DiskFile &other) const
    {
        return device == other.device && fileId == other.fileId && size == other.size
            && modifiedNs == other.modifiedNs;
    }
};

// The result of putting new content in a file's place.
struct DiskCommit
{
    enum class Status {
        Done,
        Conflict, // the file changed, appeared or went away since it was read: read it again
        Failed,
    };

    Status status = Status::Done;
    SaveFailure::Kind failure = SaveFailure::Kind::WriteFailed;
    int error = 0;           // the system's error code behind a failure
    bool backupKept = false; // the file as it was now stands beside it as "<name>.bak"
    DiskFile written;        // what now stands at the path (on Done)

    static DiskCommit conflict()
    {
        DiskCommit commit;
        commit.status = Status::Conflict;
        return commit;
    }
    static DiskCommit failed(SaveFailure::Kind kind, int error)
    {
        DiskCommit commit;
        commit.status = Status::Failed;
        commit.failure = kind;
        commit.error = error;
        return commit;
    }
};

namespace DiskFiles {

// Files larger than this are not read.
constexpr qint64 maximumSize = 256 * 1024 * 1024;

// Reads the file at path as it is now. A path that is not a regular file, or
// a symbolic link to nothing, is reported as such and never opened for writing.
DiskFile read(const QString &path);

// Reads the file at path once it stands still; before is how it was last
// seen (Missing if never). One that is being written, or changed while it was
// read, is read again after a pause; one that looks unfinished (gone, emptied,
// cut inside a line, something other than a file, next to before) is believed
// once it stays so for a pause, and one cut inside a line once it stays so for
// the whole limit with no program writing it. One that does neither in time is
// refused, as is one that is no regular file. An in-place write of ours that
// was cut short is finished first.
DiskFile readSettled(const QString &path, const DiskFile &before, std::optional<SaveFailure> &refusal);

// Writes bytes in place of the file that current was read from, unless that
// file changed since: the new content goes to a file beside it, is synced, and
// is then swapped in with the original's owner, group, permissions and
// extended attributes. A file with several hard links, or one whose owner the
// program could not give a new file, is written in place instead. With
// keepBackup, the file as it was is kept beside it as "<name>.bak".
// On any failure the original stays as it was and no new file is left behind.
DiskCommit replace(const DiskFile &current, const QByteArray &bytes, bool keepBackup);

// Writes bytes over the file that current was read from, in place, as
// replace() does for a file with several names. A journal beside it holds
// both contents until the write is done, so that a write cut short is
// finished at the next read (BesideFiles::finishInterruptedWrite). A write
// that fails puts the old content back, checked on disk, before it reports;
// where even that fails it reports WriteUnfinished and keeps the journal.
DiskCommit writeInPlace(const DiskFile &current, const QByteArray &bytes);

// Makes a file at path, where current found none, unless one appeared there
// meanwhile. A file that stood there before (previous, if not Missing) lends
// it its owner, group and permissions.
DiskCommit create(const DiskFile &current, const QByteArray &bytes, const DiskFile &previous);

// Whether another program has the file open, as far as the system tells.
bool isOpenElsewhere(const QString &path);

// For tests: the next write in place stops after `bytes` bytes, failing with
// the system's error code `error`, or with 0 ending the process there as a
// kill would.
void injectInPlaceFault(qint64 bytes, int error);

// The system's text for an error code of the functions above.
QString errorText(int error);

// Whether a replacement is swapped in with the exchange the system offers
// (the default), or with a checked plain rename, as where there is none.
void setExchangeAllowed(bool allowed);

} // namespace DiskFiles
