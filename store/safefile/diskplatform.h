// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "diskfile.h"

#include <QString>

#include <utility>

// What the save (diskfile.cpp) asks of the system: diskplatform_posix.cpp and
// diskplatform_win.cpp each carry out these calls and report the system's
// answer, 0 or its error code, with a call the system left half done undone.
// Every step and decision of a save is the save's own. They also define
// DiskFiles::errorText and DiskFiles::isOpenElsewhere, which are the system's alone.
namespace DiskPlatform {

// What an error code of the calls below means to a save.
enum class Refusal {
    Other,
    Gone,        // nothing stands at the name, or the path leads nowhere (a folder on it missing, a link loop)
    Exists,      // something already stands at the name
    Held,        // another program has the file open in a way that refuses this
    Denied,      // permissions, or a read-only file system, refuse it
    Unsupported, // the system or its file system does not offer it
};
Refusal refusalOf(int error);
// The error of a file larger than DiskFiles::maximumSize.
extern const int tooLarge;

// A descriptor or handle, closed when it goes; or, where none was had, the
// system's error.
class OpenFile
{
public:
    OpenFile() = default;
    OpenFile(qintptr native, int error)
        : native(native)
        , openError(error)
    {
    }
    OpenFile(OpenFile &&other) noexcept
        : native(std::exchange(other.native, -1))
        , openError(other.openError)
    {
    }
    OpenFile &operator=(OpenFile &&other) noexcept
    {
        std::swap(native, other.native);
        openError = other.openError;
        return *this;
    }
    ~OpenFile() { close(); }

    bool isOpen() const { return native != -1; }
    qintptr get() const { return native; }
    int error() const { return openError; }
    // Closes, giving the close's own error: some systems report a failed write only there.
    int close();

private:
    qintptr native = -1;
    int openError = 0;
};

// The open file's identity, size and time, owner and permissions; its state
// Regular, or NotAFile.
int describe(const OpenFile &file, DiskFile &into);
// Bytes read at offset `at`: 0 at the end, or minus the error.
qint64 readAt(const OpenFile &file, char *into, qint64 size, qint64 at);
// Bytes written at offset `at`, at least one, or minus the error.
qint64 writeAt(const OpenFile &file, const char *from, qint64 size, qint64 at);
int resize(const OpenFile &file, qint64 size);
int sync(const OpenFile &file);
// Before a content of size bytes is written over one of currentSize: the
// error it would meet by the process's own size limit, or claiming its room
// (0 also where the file system cannot).
int reserve(const OpenFile &file, qint64 size, qint64 currentSize);
// Gives the new file `to` what the system does not carry over to a file that
// takes another's place: on POSIX systems its owner, group, permissions and
// extended attributes, as far as the program may give them.
int copyMetadata(const OpenFile &from, const DiskFile &fromInfo, const OpenFile &to);
// Whether a new file of the program's can get the file's owner.
bool canGiveAway(const DiskFile &file);
// Ends the process at once, as a kill would (for tests of a write cut short).
[[noreturn]] void endAsKilled();

// What stands at path, its last link not followed.
struct Look
{
    int error = 0;
    bool link = false;
    bool folder = false;
};
// Looks at path and, where a file (or a link) stands there, opens the file it
// leads to, to be read whole. busy: another program has it open for writing,
// where the system tells at this point.
OpenFile openToRead(const QString &path, Look &look, bool &busy);
// Whether path still leads to the file described.
bool leadsTo(const QString &path, const DiskFile &file);
// Sets file.readOnly (and readOnlyError) where the description did not, from
// what the system says of writing the file at path.
void checkWritable(const QString &path, DiskFile &file);

// How a file is opened for a save.
enum class Access {
    Look,    // read, sharing everything
    Compare, // read; refused while another program has it open for writing
    Update,  // read and write in place; refused as Compare, and where the system
             // can, no other program may write it until it is closed
};

// A file's folder, held open where the system allows, and the file's name in
// it. Every name below is a name in that folder.
class Place
{
public:
    explicit Place(const QString &filePath);
    int error() const { return folder.error(); }
    const QString &name() const { return fileName; }

    OpenFile open(const QString &name, Access access) const;
    // A new file, refused (Exists) where one stands; `shared`: readable by all,
    // as a file made for the player, not a private one of the save's.
    OpenFile create(const QString &name, bool shared) const;
    // Gives a file made anew the owner and permissions that previous (if any),
    // the file it stands in for, had; as root a file never seen before goes to
    // the owner of its folder.
    int adopt(const OpenFile &file, const DiskFile *previous) const;
    // The file at name (on POSIX systems a link there is not followed): state
    // Regular with its identity, NotAFile, or Missing when it cannot be looked at.
    DiskFile describe(const QString &name) const;
    // Whether another program has the file open without allowing it to be
    // renamed or deleted, as games hold their INI files.
    bool isHeldOpen(const QString &name) const;
    int rename(const QString &from, const QString &to) const; // replacing what stands at `to`
    int renameNew(const QString &from, const QString &to) const; // refused (Exists) where something stands
    // Swaps the file at name with the one at `other`, in one step where the
    // system has one; `other` then names the file that stood at name. swappedIn,
    // the file now at name, is looked at again where the swap may change it.
    int exchange(const QString &name, QString &other, DiskFile *swappedIn = nullptr) const;
    int remove(const QString &name) const;
    // The folder's own entries (names made and renamed) on disk.
    int sync() const;

private:
    QString folderPath;
    QString fileName;
    OpenFile folder;
};

// ".<beside>.<random>": a name of the save's own, which no program takes for an INI file.
QString temporaryName(const QString &beside);

} // namespace DiskPlatform
