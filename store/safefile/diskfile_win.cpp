// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Windows: a file is replaced with ReplaceFileW, which swaps the new file in
// under the old one's attributes, security descriptor and streams, and moves
// the old one to a name of our choosing, so that it can be compared with what
// the new content was built on. A file another program holds open without
// allowing its deletion, as games do, cannot be replaced: that is told apart
// from a file that changed.

#include "diskfile.h"

#include "besidefiles.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QRandomGenerator>

#include <atomic>
#include <cstring>
#include <iterator>
#include <string>

#include <qt_windows.h>

namespace {

// How long a program holding the file open is given to let it go, and the
// pause between looks; a file that is to go back in place is waited for longer.
constexpr qint64 heldWaitMs = 300;
constexpr qint64 putBackWaitMs = 3000;
constexpr DWORD heldPauseMs = 20;

// The fault a test asks of the next write in place: after how many bytes (-1: none), and which error.
std::atomic<qint64> faultAfter{-1};
std::atomic<int> faultError{0};

class Handle
{
public:
    explicit Handle(HANDLE handle = INVALID_HANDLE_VALUE)
        : handle(handle)
    {
    }
    ~Handle()
    {
        if (isOpen())
            ::CloseHandle(handle);
    }
    Handle(const Handle &) = delete;
    Handle &operator=(const Handle &) = delete;

    HANDLE get() const { return handle; }
    bool isOpen() const { return handle != INVALID_HANDLE_VALUE && handle != nullptr; }
    void reset(HANDLE other)
    {
        if (isOpen())
            ::CloseHandle(handle);
        handle = other;
    }
    DWORD close()
    {
        const BOOL closed = ::CloseHandle(handle);
        handle = INVALID_HANDLE_VALUE;
        return closed ? 0 : ::GetLastError();
    }

private:
    HANDLE handle;
};

// The "\\?\" form reaches paths beyond MAX_PATH whatever the system's long path setting.
std::wstring native(const QString &path)
{
    const QString absolute = QDir::toNativeSeparators(QDir::cleanPath(QFileInfo(path).absoluteFilePath()));
    if (absolute.startsWith(QLatin1String("\\\\?\\")))
        return absolute.toStdWString();
    if (absolute.startsWith(QLatin1String("\\\\")))
        return (QStringLiteral("\\\\?\\UNC\\") + absolute.mid(2)).toStdWString();
    return (QStringLiteral("\\\\?\\") + absolute).toStdWString();
}

// A name beside path that no program takes for an INI file.
QString besideName(const QString &path, const char *what)
{
    const QFileInfo info(path);
    return info.absolutePath() + QStringLiteral("/.") + info.fileName() + u'.' + QLatin1String(what) + u'.'
        + QString::number(QRandomGenerator::global()->generate(), 36);
}

// Opens for reading. Sharing reading and deleting but not writing makes the
// open fail while another program has the file open for writing.
HANDLE openForReading(const QString &path, bool shareWriting)
{
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_DELETE | (shareWriting ? FILE_SHARE_WRITE : 0);
    return ::CreateFileW(native(path).c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                         nullptr);
}

qint64 fileTimeNs(const FILETIME &time)
{
    return ((qint64(time.dwHighDateTime) << 32) | time.dwLowDateTime) * 100;
}

bool describe(HANDLE handle, DiskFile &file)
{
    BY_HANDLE_FILE_INFORMATION info;
    if (!::GetFileInformationByHandle(handle, &info))
        return false;
    file.device = info.dwVolumeSerialNumber;
    file.fileId = (quint64(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    file.linkCount = info.nNumberOfLinks;
    file.size = (qint64(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    file.modifiedNs = fileTimeNs(info.ftLastWriteTime);
    file.readOnly = (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
    return (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// The whole content from the start; 0 or the system's error code.
DWORD readWhole(HANDLE handle, qint64 expectedSize, QByteArray &into)
{
    LARGE_INTEGER start = {};
    if (!::SetFilePointerEx(handle, start, nullptr, FILE_BEGIN))
        return ::GetLastError();
    into.resize(qsizetype(qMin(expectedSize, DiskFiles::maximumSize)) + 1);
    qsizetype filled = 0;
    for (;;) {
        if (filled == into.size()) {
            if (into.size() > DiskFiles::maximumSize)
                return ERROR_FILE_TOO_LARGE;
            into.resize(qMin(into.size() * 2, qsizetype(DiskFiles::maximumSize) + 1));
        }
        DWORD got = 0;
        const DWORD wanted = DWORD(qMin<qsizetype>(into.size() - filled, 1 << 30));
        if (!::ReadFile(handle, into.data() + filled, wanted, &got, nullptr))
            return ::GetLastError();
        if (got == 0)
            break;
        filled += got;
    }
    into.resize(filled);
    return 0;
}

DWORD writeWhole(HANDLE handle, const QByteArray &bytes)
{
    const char *data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        DWORD written = 0;
        const DWORD chunk = DWORD(qMin<qsizetype>(left, 1 << 30));
        if (!::WriteFile(handle, data, chunk, &written, nullptr))
            return ::GetLastError();
        if (written == 0)
            return ERROR_WRITE_FAULT;
        data += written;
        left -= written;
    }
    return 0;
}

// The file at path, described, or an empty description.
DiskFile describeAt(const QString &path)
{
    DiskFile file;
    Handle handle(openForReading(path, true));
    if (handle.isOpen() && describe(handle.get(), file))
        file.state = DiskFile::State::Regular;
    return file;
}

// Whether the open file still holds what was read, compared a piece at a time.
bool holdsAsRead(HANDLE handle, const DiskFile &read)
{
    DiskFile now;
    LARGE_INTEGER start = {};
    if (!describe(handle, now) || !now.isSameFile(read) || !::SetFilePointerEx(handle, start, nullptr, FILE_BEGIN))
        return false;
    char piece[64 * 1024];
    qsizetype at = 0;
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(handle, piece, sizeof piece, &got, nullptr) || qsizetype(got) > read.bytes.size() - at
            || std::memcmp(piece, read.bytes.constData() + at, got) != 0)
            return false;
        if (got == 0)
            return at == read.bytes.size();
        at += got;
    }
}

// Whether the file at path holds what was read, and nobody is writing it.
bool holdsAsRead(const QString &path, const DiskFile &read)
{
    Handle handle(openForReading(path, false));
    return handle.isOpen() && holdsAsRead(handle.get(), read);
}

bool isSharingError(DWORD error)
{
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

// Whether another program has the file open without allowing its deletion, as
// games hold their INI files: then Windows renames or replaces it for no one.
// Asking for the right to delete, while sharing everything, fails exactly then.
bool heldOpen(const QString &path)
{
    Handle handle(::CreateFileW(native(path).c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return !handle.isOpen() && isSharingError(::GetLastError());
}

// Tries until tryOnce no longer reports the file held, for at most limitMs;
// whether it still does.
template<typename Try>
bool staysHeld(qint64 limitMs, Try tryOnce)
{
    QElapsedTimer waited;
    waited.start();
    while (tryOnce()) {
        if (waited.elapsed() >= limitMs)
            return true;
        ::Sleep(heldPauseMs);
    }
    return false;
}

// The new content in a temporary file beside target, written through to the disk.
struct Written
{
    QString path;
    DWORD error = 0;
    bool creating = true; // the file could not be made (not: could not be written)
};

Written writeBeside(const QString &target, const char *what, const QByteArray &bytes)
{
    Written result;
    result.path = besideName(target, what);
    Handle handle(::CreateFileW(native(result.path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle.isOpen()) {
        result.error = ::GetLastError();
        return result;
    }
    result.creating = false;
    result.error = writeWhole(handle.get(), bytes);
    if (result.error == 0 && !::FlushFileBuffers(handle.get()))
        result.error = ::GetLastError();
    const DWORD closed = handle.close();
    if (result.error == 0)
        result.error = closed;
    if (result.error != 0)
        ::DeleteFileW(native(result.path).c_str());
    return result;
}

SaveFailure::Kind creationFailure(const Written &written)
{
    return written.creating && written.error == ERROR_ACCESS_DENIED ? SaveFailure::Kind::FolderNotWritable
                                                                     : SaveFailure::Kind::WriteFailed;
}

// Bytes at path ("<name>.bak", "<name>.journal"), whole and on disk before this returns.
DWORD writeCopyAs(const QString &path, const QByteArray &bytes)
{
    const Written copy = writeBeside(path, "new", bytes);
    if (copy.error != 0)
        return copy.error;
    if (!::MoveFileExW(native(copy.path).c_str(), native(path).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD error = ::GetLastError();
        ::DeleteFileW(native(copy.path).c_str());
        return error;
    }
    return 0;
}

// Why the file that current was read from refused to be opened or replaced:
// held open by another program (after a moment's wait for it to let go), set
// read-only, changed or gone (Conflict: read it again), or the system's error.
DiskCommit refusal(const DiskFile &current, DWORD error)
{
    if (staysHeld(heldWaitMs, [&current] { return heldOpen(current.target); }))
        return DiskCommit::failed(SaveFailure::Kind::HeldOpen, int(error));
    const DiskFile now = describeAt(current.target);
    if (now.state != DiskFile::State::Regular || !now.isSameFile(current) || isSharingError(error))
        return DiskCommit::conflict();
    return DiskCommit::failed(now.readOnly ? SaveFailure::Kind::ReadOnlyFile : SaveFailure::Kind::WriteFailed,
                              int(error));
}

// The new content written over the open file from its start, and cut to its
// length, with a fault a test asked for.
DWORD writeOver(HANDLE handle, const QByteArray &bytes)
{
    LARGE_INTEGER start = {};
    if (!::SetFilePointerEx(handle, start, nullptr, FILE_BEGIN))
        return ::GetLastError();
    const qint64 stopAt = faultAfter.exchange(-1);
    if (stopAt >= 0 && stopAt < bytes.size()) {
        if (const DWORD error = writeWhole(handle, bytes.left(stopAt)))
            return error;
        if (faultError == 0)
            ::TerminateProcess(::GetCurrentProcess(), 9);
        return DWORD(faultError);
    }
    if (const DWORD error = writeWhole(handle, bytes))
        return error;
    if (!::SetEndOfFile(handle) || !::FlushFileBuffers(handle))
        return ::GetLastError();
    return 0;
}

// Whether the open file holds exactly bytes.
bool holdsBytes(HANDLE handle, const QByteArray &bytes)
{
    LARGE_INTEGER start = {};
    QByteArray content;
    return ::SetFilePointerEx(handle, start, nullptr, FILE_BEGIN) && readWhole(handle, bytes.size(), content) == 0
        && content == bytes;
}

// For a file with several hard links, which a replacement would split: written
// over in place, after its backup is on disk and with a journal of both
// contents beside it while it runs. The file is compared and written through
// one handle that lets no other program write meanwhile. Space is claimed
// first, so a full disk mostly stops the write before it begins.
DiskCommit overwrite(const DiskFile &current, const QByteArray &bytes, bool keepBackup)
{
    Handle handle;
    DWORD error = 0;
    staysHeld(heldWaitMs, [&] {
        handle.reset(::CreateFileW(native(current.target).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                                   nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        error = handle.isOpen() ? 0 : ::GetLastError();
        return isSharingError(error);
    });
    if (isSharingError(error))
        return DiskCommit::failed(SaveFailure::Kind::HeldOpen, int(error));
    if (!handle.isOpen())
        return error == ERROR_FILE_NOT_FOUND ? DiskCommit::conflict() : refusal(current, error);
    if (!holdsAsRead(handle.get(), current))
        return DiskCommit::conflict();

    DiskCommit commit;
    const auto fail = [&commit](SaveFailure::Kind kind, DWORD error) {
        commit.status = DiskCommit::Status::Failed;
        commit.failure = kind;
        commit.error = int(error);
        return commit;
    };
    if (keepBackup) {
        if (const DWORD error = writeCopyAs(current.target + QStringLiteral(".bak"), current.bytes))
            return fail(SaveFailure::Kind::BackupFailed, error);
        commit.backupKept = true;
    }
    if (bytes.size() > current.size) {
        FILE_ALLOCATION_INFO allocation;
        allocation.AllocationSize.QuadPart = bytes.size();
        if (!::SetFileInformationByHandle(handle.get(), FileAllocationInfo, &allocation, sizeof allocation)) {
            const DWORD error = ::GetLastError();
            if (error != ERROR_INVALID_PARAMETER && error != ERROR_NOT_SUPPORTED && error != ERROR_INVALID_FUNCTION
                && error != ERROR_CALL_NOT_IMPLEMENTED)
                return fail(SaveFailure::Kind::WriteFailed, error);
        }
    }
    const QString journal = BesideFiles::journalPath(current.target);
    if (const DWORD error = writeCopyAs(journal, BesideFiles::encodeJournal({current.bytes, bytes})))
        return fail(SaveFailure::Kind::WriteFailed, error);
    if (const DWORD error = writeOver(handle.get(), bytes)) {
        // The old content back, and the journal kept unless the disk shows it back whole.
        const bool restored = writeOver(handle.get(), current.bytes) == 0 && holdsBytes(handle.get(), current.bytes);
        if (restored)
            ::DeleteFileW(native(journal).c_str());
        return fail(restored ? SaveFailure::Kind::WriteFailed : SaveFailure::Kind::WriteUnfinished, error);
    }
    ::DeleteFileW(native(journal).c_str());
    describe(handle.get(), commit.written);
    commit.written.state = DiskFile::State::Regular;
    commit.written.path = current.path;
    commit.written.target = current.target;
    commit.written.bytes = bytes;
    return commit;
}

DiskFile writtenAt(const DiskFile &current, const QString &target, const QByteArray &bytes)
{
    DiskFile written = describeAt(target);
    written.path = current.path;
    written.target = target;
    written.bytes = bytes;
    return written;
}

// After a replacement displaced a file that is not the one the new content was
// built on: that file goes back in place of ours, unless a newer one took the
// place of ours meanwhile (then the displaced one goes). A program holding ours
// open is waited for. Returns 0, or the system's error with the displaced file
// left where it is.
DWORD putBack(const QString &target, const QString &displaced, const DiskFile &ours)
{
    if (ours.state != DiskFile::State::Regular)
        return ERROR_SHARING_VIOLATION; // ours could not be told from a newer file
    DWORD error = 0;
    staysHeld(putBackWaitMs, [&] {
        const DiskFile standing = describeAt(target);
        const bool present = standing.state == DiskFile::State::Regular
            || ::GetFileAttributesW(native(target).c_str()) != INVALID_FILE_ATTRIBUTES;
        if (!present || (standing.state == DiskFile::State::Regular && !standing.isSameFile(ours))) {
            ::DeleteFileW(native(displaced).c_str());
            error = 0;
            return false;
        }
        if (standing.state != DiskFile::State::Regular) {
            error = ERROR_SHARING_VIOLATION; // there, but not to be looked at now
            return true;
        }
        if (::MoveFileExW(native(displaced).c_str(), native(target).c_str(),
                          MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            error = 0;
            return false;
        }
        error = ::GetLastError();
        return heldOpen(target);
    });
    return error;
}

} // namespace

namespace DiskFiles {

DiskFile read(const QString &path)
{
    DiskFile file;
    file.path = path;
    file.target = path;
    const DWORD attributes = ::GetFileAttributesW(native(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = ::GetLastError();
        if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) {
            file.state = DiskFile::State::Unreadable;
            file.error = int(error);
        }
        return file;
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        file.state = DiskFile::State::NotAFile;
        return file;
    }
    const bool link = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    Handle handle(openForReading(path, false));
    if (!handle.isOpen() && ::GetLastError() == ERROR_SHARING_VIOLATION) {
        file.busy = true;
        handle.reset(openForReading(path, true));
    }
    if (!handle.isOpen()) {
        const DWORD error = ::GetLastError();
        if (link && (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)) {
            file.state = DiskFile::State::DanglingLink;
        } else if (error == ERROR_FILE_NOT_FOUND) {
            file.changedWhileRead = true;
        } else {
            file.state = DiskFile::State::Unreadable;
            file.error = int(error);
        }
        return file;
    }
    if (::GetFileType(handle.get()) != FILE_TYPE_DISK || !describe(handle.get(), file)) {
        file.state = DiskFile::State::NotAFile;
        return file;
    }
    if (link) {
        wchar_t buffer[MAX_PATH * 4];
        const DWORD length = ::GetFinalPathNameByHandleW(handle.get(), buffer, DWORD(std::size(buffer)),
                                                         FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (length > 0 && length < std::size(buffer)) {
            QString target = QString::fromWCharArray(buffer, int(length));
            if (target.startsWith(QLatin1String("\\\\?\\UNC\\")))
                target = QStringLiteral("\\\\") + target.mid(8);
            else if (target.startsWith(QLatin1String("\\\\?\\")))
                target = target.mid(4);
            file.target = QDir::fromNativeSeparators(target);
        } else {
            file.changedWhileRead = true;
        }
    }
    if (const DWORD error = readWhole(handle.get(), file.size, file.bytes)) {
        file.state = DiskFile::State::Unreadable;
        file.error = int(error);
        return file;
    }
    DiskFile after;
    file.changedWhileRead = file.changedWhileRead || !describe(handle.get(), after) || !after.isSameFile(file)
        || file.bytes.size() != after.size;
    file.state = DiskFile::State::Regular;
    return file;
}

DiskCommit replace(const DiskFile &current, const QByteArray &bytes, bool keepBackup)
{
    const QString target = current.target;
    const DiskFile standing = describeAt(target);
    if (standing.state != DiskFile::State::Regular || !standing.isSameFile(current))
        return DiskCommit::conflict();
    if (current.linkCount > 1)
        return overwrite(current, bytes, keepBackup);

    const Written replacement = writeBeside(target, "new", bytes);
    if (replacement.error != 0)
        return DiskCommit::failed(creationFailure(replacement), int(replacement.error));
    const QString displaced = besideName(target, "old");
    if (!::ReplaceFileW(native(target).c_str(), native(replacement.path).c_str(), native(displaced).c_str(),
                        REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)) {
        const DWORD error = ::GetLastError();
        ::DeleteFileW(native(replacement.path).c_str());
        if (error == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2) {
            // The old file had already moved to the displaced name: it goes back,
            // unless another program's file took its place meanwhile.
            if (::MoveFileExW(native(displaced).c_str(), native(target).c_str(), MOVEFILE_WRITE_THROUGH))
                return DiskCommit::conflict();
            const DWORD moveError = ::GetLastError();
            if (moveError != ERROR_ALREADY_EXISTS && moveError != ERROR_FILE_EXISTS)
                return DiskCommit::failed(SaveFailure::Kind::WriteFailed, int(moveError));
            ::DeleteFileW(native(displaced).c_str());
            return DiskCommit::conflict();
        }
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_UNABLE_TO_MOVE_REPLACEMENT)
            return DiskCommit::conflict();
        return refusal(current, error);
    }
    const DiskFile ours = writtenAt(current, target, bytes);

    if (!holdsAsRead(displaced, current)) {
        // Another program saved in between: its file goes back, and the save starts over on it.
        if (const DWORD error = putBack(target, displaced, ours))
            return DiskCommit::failed(SaveFailure::Kind::WriteFailed, int(error));
        return DiskCommit::conflict();
    }

    DiskCommit commit;
    if (keepBackup) {
        const QString backup = target + QStringLiteral(".bak");
        if (!::MoveFileExW(native(displaced).c_str(), native(backup).c_str(),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            const DWORD error = ::GetLastError();
            putBack(target, displaced, ours); // nothing is written without its backup
            return DiskCommit::failed(SaveFailure::Kind::BackupFailed, int(error));
        }
        commit.backupKept = true;
    } else {
        ::DeleteFileW(native(displaced).c_str());
    }
    if (ours.state != DiskFile::State::Regular || !describeAt(target).isSameFile(ours)) {
        commit.status = DiskCommit::Status::Conflict;
        return commit;
    }
    commit.written = ours;
    return commit;
}

DiskCommit writeInPlace(const DiskFile &current, const QByteArray &bytes)
{
    const DiskFile standing = describeAt(current.target);
    if (standing.state != DiskFile::State::Regular || !standing.isSameFile(current))
        return DiskCommit::conflict();
    return overwrite(current, bytes, false);
}

DiskCommit create(const DiskFile &current, const QByteArray &bytes, const DiskFile &previous)
{
    Q_UNUSED(previous); // a new file takes the folder's inherited security
    const Written made = writeBeside(current.path, "new", bytes);
    if (made.error != 0)
        return DiskCommit::failed(creationFailure(made), int(made.error));
    // No replacing: a file that appeared meanwhile is read first.
    if (!::MoveFileExW(native(made.path).c_str(), native(current.path).c_str(), MOVEFILE_WRITE_THROUGH)) {
        const DWORD error = ::GetLastError();
        ::DeleteFileW(native(made.path).c_str());
        if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS)
            return DiskCommit::conflict();
        return DiskCommit::failed(SaveFailure::Kind::WriteFailed, int(error));
    }
    DiskCommit commit;
    commit.written = writtenAt(current, current.path, bytes);
    if (commit.written.state != DiskFile::State::Regular)
        commit.status = DiskCommit::Status::Conflict;
    return commit;
}

QString errorText(int error)
{
    wchar_t *buffer = nullptr;
    const DWORD length = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM
                                              | FORMAT_MESSAGE_IGNORE_INSERTS,
                                          nullptr, DWORD(error), 0, reinterpret_cast<wchar_t *>(&buffer), 0, nullptr);
    QString text = length ? QString::fromWCharArray(buffer, int(length)).trimmed() : QString::number(error);
    ::LocalFree(buffer);
    if (text.endsWith(u'.'))
        text.chop(1);
    return text;
}

void setExchangeAllowed(bool)
{
    // ReplaceFileW is always there.
}

bool isOpenElsewhere(const QString &path)
{
    // No sharing at all: refused while any other handle is open.
    Handle handle(::CreateFileW(native(path).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                nullptr));
    return !handle.isOpen() && ::GetLastError() == ERROR_SHARING_VIOLATION;
}

void injectInPlaceFault(qint64 bytes, int error)
{
    faultError = error;
    faultAfter = bytes;
}

} // namespace DiskFiles
