// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The save's calls on Windows. A program writing the file is told by the
// sharing that an open is refused. The swap is ReplaceFileW, which puts the new
// file in under the old one's attributes, security descriptor and streams and
// moves the old one to a name of ours. A file another program holds open
// without allowing its deletion, as games do, can be neither replaced nor
// renamed: that is told apart from a file that changed.

#include "diskplatform.h"

#include <QDir>
#include <QFileInfo>

#include <cstdlib>
#include <string>

#include <qt_windows.h>

namespace DiskPlatform {

namespace {

constexpr DWORD shareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

HANDLE handle(const OpenFile &file)
{
    return reinterpret_cast<HANDLE>(file.get());
}

OpenFile opened(HANDLE handle)
{
    return OpenFile(reinterpret_cast<qintptr>(handle), handle == INVALID_HANDLE_VALUE ? int(::GetLastError()) : 0);
}

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

HANDLE openPath(const QString &path, DWORD access, DWORD share)
{
    return ::CreateFileW(native(path).c_str(), access, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// The file at path, described, or an empty description.
DiskFile describePath(const QString &path)
{
    const OpenFile file = opened(openPath(path, GENERIC_READ, shareAll));
    DiskFile described;
    return file.isOpen() && describe(file, described) == 0 ? described : DiskFile();
}

int errorOf(BOOL done)
{
    return done ? 0 : int(::GetLastError());
}

QString pathIn(const QString &folder, const QString &name)
{
    return folder + u'/' + name;
}

} // namespace

const int tooLarge = ERROR_FILE_TOO_LARGE;

Refusal refusalOf(int error)
{
    switch (DWORD(error)) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return Refusal::Gone;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return Refusal::Exists;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_UNABLE_TO_MOVE_REPLACEMENT: // ReplaceFileW could not rename the new file: a program has it open
        return Refusal::Held;
    case ERROR_ACCESS_DENIED:
        return Refusal::Denied;
    default:
        return Refusal::Other;
    }
}

int OpenFile::close()
{
    if (!isOpen())
        return 0;
    return errorOf(::CloseHandle(reinterpret_cast<HANDLE>(std::exchange(native, -1))));
}

int describe(const OpenFile &file, DiskFile &into)
{
    if (::GetFileType(handle(file)) != FILE_TYPE_DISK) {
        into.state = DiskFile::State::NotAFile;
        return 0;
    }
    BY_HANDLE_FILE_INFORMATION info;
    if (!::GetFileInformationByHandle(handle(file), &info))
        return int(::GetLastError());
    const bool folder = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    into.state = folder ? DiskFile::State::NotAFile : DiskFile::State::Regular;
    into.device = info.dwVolumeSerialNumber;
    into.fileId = (quint64(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    into.linkCount = info.nNumberOfLinks;
    into.size = (qint64(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    into.modifiedNs = ((qint64(info.ftLastWriteTime.dwHighDateTime) << 32) | info.ftLastWriteTime.dwLowDateTime) * 100;
    into.readOnly = (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
    return 0;
}

qint64 readAt(const OpenFile &file, char *into, qint64 size, qint64 at)
{
    OVERLAPPED position = {};
    position.Offset = DWORD(quint64(at));
    position.OffsetHigh = DWORD(quint64(at) >> 32);
    DWORD got = 0;
    if (::ReadFile(handle(file), into, DWORD(qMin<qint64>(size, 1 << 30)), &got, &position))
        return got;
    const DWORD error = ::GetLastError();
    return error == ERROR_HANDLE_EOF ? 0 : -qint64(error);
}

qint64 writeAt(const OpenFile &file, const char *from, qint64 size, qint64 at)
{
    OVERLAPPED position = {};
    position.Offset = DWORD(quint64(at));
    position.OffsetHigh = DWORD(quint64(at) >> 32);
    DWORD written = 0;
    if (!::WriteFile(handle(file), from, DWORD(qMin<qint64>(size, 1 << 30)), &written, &position))
        return -qint64(::GetLastError());
    return written > 0 ? qint64(written) : -qint64(ERROR_WRITE_FAULT);
}

int resize(const OpenFile &file, qint64 size)
{
    LARGE_INTEGER end;
    end.QuadPart = size;
    return errorOf(::SetFilePointerEx(handle(file), end, nullptr, FILE_BEGIN) && ::SetEndOfFile(handle(file)));
}

int sync(const OpenFile &file)
{
    return errorOf(::FlushFileBuffers(handle(file)));
}

int reserve(const OpenFile &file, qint64 size, qint64 currentSize)
{
    if (size <= currentSize)
        return 0;
    FILE_ALLOCATION_INFO allocation;
    allocation.AllocationSize.QuadPart = size;
    if (::SetFileInformationByHandle(handle(file), FileAllocationInfo, &allocation, sizeof allocation))
        return 0;
    const DWORD error = ::GetLastError();
    const bool unsupported = error == ERROR_INVALID_PARAMETER || error == ERROR_NOT_SUPPORTED
        || error == ERROR_INVALID_FUNCTION || error == ERROR_CALL_NOT_IMPLEMENTED;
    return unsupported ? 0 : int(error);
}

int copyMetadata(const OpenFile &, const DiskFile &, const OpenFile &)
{
    return 0; // ReplaceFileW carries them over; a backup or journal takes the folder's
}

bool canGiveAway(const DiskFile &)
{
    return true;
}

void endAsKilled()
{
    ::TerminateProcess(::GetCurrentProcess(), 9);
    std::abort();
}

OpenFile openToRead(const QString &path, Look &look, bool &busy)
{
    const DWORD attributes = ::GetFileAttributesW(native(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        look.error = int(::GetLastError());
        return OpenFile();
    }
    look.folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    look.link = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    if (look.folder)
        return OpenFile(); // opened only with backup semantics
    // Sharing reading and deleting but not writing makes the open fail while
    // another program has the file open for writing.
    OpenFile file = opened(openPath(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE));
    busy = DWORD(file.error()) == ERROR_SHARING_VIOLATION;
    if (busy)
        file = opened(openPath(path, GENERIC_READ, shareAll));
    return file;
}

bool leadsTo(const QString &path, const DiskFile &file)
{
    const DiskFile now = describePath(path);
    return now.state == DiskFile::State::Regular && now.device == file.device && now.fileId == file.fileId;
}

void checkWritable(const QString &, DiskFile &)
{
    // The read-only attribute is in the description.
}

Place::Place(const QString &filePath)
{
    const QFileInfo info(filePath);
    folderPath = info.absolutePath();
    fileName = info.fileName();
}

OpenFile Place::open(const QString &name, Access access) const
{
    // Not sharing writing, an open fails while another program has the file open for writing.
    const DWORD share = access == Access::Look ? shareAll : FILE_SHARE_READ | FILE_SHARE_DELETE;
    if (access == Access::Update)
        return opened(openPath(pathIn(folderPath, name), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ));
    return opened(openPath(pathIn(folderPath, name), GENERIC_READ, share));
}

OpenFile Place::create(const QString &name, bool) const
{
    return opened(::CreateFileW(native(pathIn(folderPath, name)).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
}

int Place::adopt(const OpenFile &, const DiskFile *) const
{
    return 0; // a new file takes the folder's inherited security
}

DiskFile Place::describe(const QString &name) const
{
    return describePath(pathIn(folderPath, name));
}

bool Place::isHeldOpen(const QString &name) const
{
    // Asking for the right to delete, while sharing everything, fails exactly then.
    const OpenFile file = opened(openPath(pathIn(folderPath, name), DELETE, shareAll));
    return !file.isOpen() && refusalOf(file.error()) == Refusal::Held;
}

int Place::rename(const QString &from, const QString &to) const
{
    return errorOf(::MoveFileExW(native(pathIn(folderPath, from)).c_str(), native(pathIn(folderPath, to)).c_str(),
                                 MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH));
}

int Place::renameNew(const QString &from, const QString &to) const
{
    return errorOf(::MoveFileExW(native(pathIn(folderPath, from)).c_str(), native(pathIn(folderPath, to)).c_str(),
                                 MOVEFILE_WRITE_THROUGH));
}

int Place::exchange(const QString &name, QString &other, DiskFile *swappedIn) const
{
    const std::wstring target = native(pathIn(folderPath, name));
    const QString displaced = temporaryName(name);
    const std::wstring displacedPath = native(pathIn(folderPath, displaced));
    if (!::ReplaceFileW(target.c_str(), native(pathIn(folderPath, other)).c_str(), displacedPath.c_str(),
                        REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)) {
        const DWORD error = ::GetLastError();
        if (error != ERROR_UNABLE_TO_MOVE_REPLACEMENT_2)
            return int(error);
        // The old file had already moved to the displaced name: it goes back,
        // unless another program's file took its place meanwhile.
        if (::MoveFileExW(displacedPath.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH))
            return ERROR_UNABLE_TO_MOVE_REPLACEMENT; // as if the new file had been refused its move
        const DWORD moveError = ::GetLastError();
        if (refusalOf(int(moveError)) != Refusal::Exists)
            return int(moveError);
        ::DeleteFileW(displacedPath.c_str());
        return ERROR_FILE_NOT_FOUND; // what stood there is gone
    }
    other = displaced;
    if (swappedIn) {
        // It may take on the old file's attributes: looked at where it now stands.
        DiskFile now = describe(name);
        if (now.state == DiskFile::State::Regular) {
            now.path = swappedIn->path;
            now.target = swappedIn->target;
            now.bytes = swappedIn->bytes;
            *swappedIn = now;
        }
    }
    return 0;
}

int Place::remove(const QString &name) const
{
    return errorOf(::DeleteFileW(native(pathIn(folderPath, name)).c_str()));
}

int Place::sync() const
{
    return 0; // renames are written through
}

} // namespace DiskPlatform

QString DiskFiles::errorText(int error)
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

bool DiskFiles::isOpenElsewhere(const QString &path)
{
    // No sharing at all: refused while any other handle is open.
    const DiskPlatform::OpenFile file = DiskPlatform::opened(DiskPlatform::openPath(path, GENERIC_READ, 0));
    return !file.isOpen() && DWORD(file.error()) == ERROR_SHARING_VIOLATION;
}
