// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QString>

// A file that a save left as it was: which file, what stood in the way, and
// the system's own words for it where the system gave any.
struct SaveFailure
{
    enum class Kind {
        ReadOnlyFile,      // the file's write permission is off
        FolderNotWritable, // no new file can be made in its folder, so it cannot be replaced safely
        NotAFile,          // a folder or another non-file now stands at its path
        DanglingLink,      // a symbolic link to a file that does not exist
        ReadFailed,        // the file can no longer be read
        WriteFailed,       // the new content could not be written in full; the old file stands
        BackupFailed,      // the copy of the file as it was could not be kept, so nothing was written
        KeepsChanging,     // another program kept writing it; left as that program wrote it
        HeldOpen,          // another program has it open in a way that keeps it from being replaced
        Missing,           // at start: there is no file at its path
        Empty,             // at start: it holds nothing but blanks and line ends, as a crashed save leaves it
        WriteUnfinished,   // the write failed part way and the old content could not be put back either
        ValueNotStorable,  // the file as it now is cannot hold a value that was written
        NotText,           // its bytes no longer read as lines of text
    };

    QString path;
    Kind kind = Kind::WriteFailed;
    QString systemText; // such as "No space left on device"; empty where the system gave none
};
