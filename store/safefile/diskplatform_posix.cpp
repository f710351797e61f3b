// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The save's calls on POSIX systems: names are looked up in the open folder
// (openat and its kin), a program writing the file is told by a lease, and a
// swap is renameat2's exchange where the system has one. copyMetadata is in
// filemetadata_posix.cpp.

#include "diskplatform.h"

#include <QFile>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace DiskPlatform {

namespace {

int fd(const OpenFile &file)
{
    return int(file.get());
}

QByteArray local(const QString &path)
{
    return QFile::encodeName(path);
}

OpenFile opened(int fd)
{
    return OpenFile(fd, fd < 0 ? errno : 0);
}

void describeAs(DiskFile &file, const struct stat &info)
{
    file.state = S_ISREG(info.st_mode) ? DiskFile::State::Regular : DiskFile::State::NotAFile;
    file.device = quint64(info.st_dev);
    file.fileId = quint64(info.st_ino);
    file.linkCount = quint64(info.st_nlink);
    file.size = qint64(info.st_size);
    file.modifiedNs = qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    file.owner = info.st_uid;
    file.group = info.st_gid;
    file.mode = info.st_mode & 07777;
}

// Whether the system refuses a lease of the given kind on the file: a read
// lease while any descriptor anywhere has it open for writing, a write lease
// while any other has it open at all. Where leases are not to be had, no.
bool leaseRefused(int readOnlyFd, int kind)
{
#ifdef F_SETLEASE
    // The lease lasts microseconds. A program opening the file for writing in
    // them breaks it, and the kernel's note of that, SIGIO, would end this
    // process; while it is ignored, the note is dropped.
    struct sigaction previous = {};
    ::sigaction(SIGIO, nullptr, &previous);
    const bool quieten = !(previous.sa_flags & SA_SIGINFO) && previous.sa_handler == SIG_DFL;
    if (quieten) {
        struct sigaction ignore = {};
        ignore.sa_handler = SIG_IGN;
        ::sigaction(SIGIO, &ignore, nullptr);
    }
    bool refused = false;
    if (::fcntl(readOnlyFd, F_SETLEASE, kind) == 0)
        ::fcntl(readOnlyFd, F_SETLEASE, F_UNLCK);
    else
        refused = errno == EAGAIN;
    if (quieten)
        ::sigaction(SIGIO, &previous, nullptr);
    return refused;
#else
    Q_UNUSED(readOnlyFd);
    Q_UNUSED(kind);
    return false;
#endif
}

} // namespace

const int tooLarge = EFBIG;

Refusal refusalOf(int error)
{
    if (error == ENOENT || error == ENOTDIR || error == ELOOP)
        return Refusal::Gone;
    if (error == EEXIST)
        return Refusal::Exists;
    if (error == EWOULDBLOCK || error == EAGAIN)
        return Refusal::Held;
    if (error == EACCES || error == EPERM || error == EROFS)
        return Refusal::Denied;
    if (error == EINVAL || error == ENOSYS || error == ENOTSUP)
        return Refusal::Unsupported;
    return Refusal::Other;
}

int OpenFile::close()
{
    if (!isOpen())
        return 0;
    return ::close(int(std::exchange(native, -1))) == 0 ? 0 : errno;
}

int describe(const OpenFile &file, DiskFile &into)
{
    struct stat info;
    if (::fstat(fd(file), &info) != 0)
        return errno;
    describeAs(into, info);
    return 0;
}

qint64 readAt(const OpenFile &file, char *into, qint64 size, qint64 at)
{
    for (;;) {
        const ssize_t got = ::pread(fd(file), into, size_t(size), off_t(at));
        if (got >= 0)
            return got;
        if (errno != EINTR)
            return -errno;
    }
}

qint64 writeAt(const OpenFile &file, const char *from, qint64 size, qint64 at)
{
    for (;;) {
        const ssize_t written = ::pwrite(fd(file), from, size_t(size), off_t(at));
        if (written > 0)
            return written;
        if (written == 0)
            return -EIO;
        if (errno != EINTR)
            return -errno;
    }
}

int resize(const OpenFile &file, qint64 size)
{
    return ::ftruncate(fd(file), off_t(size)) == 0 ? 0 : errno;
}

int sync(const OpenFile &file)
{
    return ::fsync(fd(file)) == 0 ? 0 : errno;
}

int reserve(const OpenFile &file, qint64 size, qint64 currentSize)
{
    struct rlimit limit;
    if (::getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY && rlim_t(size) > limit.rlim_cur)
        return EFBIG;
#ifdef FALLOC_FL_KEEP_SIZE
    if (size > currentSize && ::fallocate(fd(file), FALLOC_FL_KEEP_SIZE, 0, off_t(size)) != 0 && errno != EOPNOTSUPP
        && errno != ENOSYS)
        return errno;
#else
    Q_UNUSED(file);
    Q_UNUSED(currentSize);
#endif
    return 0;
}

bool canGiveAway(const DiskFile &file)
{
    return ::geteuid() == 0 || file.owner == ::geteuid();
}

void endAsKilled()
{
    ::kill(::getpid(), SIGKILL);
    std::abort();
}

OpenFile openToRead(const QString &path, Look &look, bool &busy)
{
    struct stat info;
    if (::lstat(local(path).constData(), &info) != 0) {
        look.error = errno;
        return OpenFile();
    }
    look.link = S_ISLNK(info.st_mode);
    look.folder = S_ISDIR(info.st_mode);
    if (look.folder)
        return OpenFile();
    // O_NONBLOCK: opening a FIFO must not wait for a writer.
    OpenFile file = opened(::open(local(path).constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    busy = file.isOpen() && leaseRefused(fd(file), F_RDLCK);
    return file;
}

bool leadsTo(const QString &path, const DiskFile &file)
{
    struct stat named;
    return ::stat(local(path).constData(), &named) == 0 && quint64(named.st_ino) == file.fileId
        && quint64(named.st_dev) == file.device;
}

void checkWritable(const QString &path, DiskFile &file)
{
    file.readOnly = !(file.mode & S_IWUSR);
    if (!file.readOnly && ::access(local(path).constData(), W_OK) != 0 && (errno == EACCES || errno == EROFS)) {
        file.readOnly = true;
        file.readOnlyError = errno;
    }
}

Place::Place(const QString &filePath)
{
    // A size limit is reported by the write that crosses it (EFBIG), not by ending the process.
    std::signal(SIGXFSZ, SIG_IGN);
    const qsizetype slash = filePath.lastIndexOf(u'/');
    folderPath = slash < 0 ? QStringLiteral(".") : slash == 0 ? QStringLiteral("/") : filePath.left(slash);
    fileName = filePath.mid(slash + 1);
    folder = opened(::open(local(folderPath).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
}

OpenFile Place::open(const QString &name, Access access) const
{
    const QByteArray at = local(name);
    const int flags = O_CLOEXEC | O_NOFOLLOW | O_NOCTTY;
    OpenFile file = opened(::openat(fd(folder), at.constData(), O_RDONLY | O_NONBLOCK | flags));
    if (access == Access::Look || !file.isOpen())
        return file;
    // Asked while no descriptor of ours has it open for writing, which would refuse the lease too.
    if (leaseRefused(fd(file), F_RDLCK))
        return OpenFile(-1, EWOULDBLOCK);
    if (access == Access::Compare)
        return file;
    return opened(::openat(fd(folder), at.constData(), O_RDWR | flags));
}

OpenFile Place::create(const QString &name, bool shared) const
{
    return opened(
        ::openat(fd(folder), local(name).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, shared ? 0666 : 0600));
}

int Place::adopt(const OpenFile &file, const DiskFile *previous) const
{
    if (::geteuid() == 0) {
        struct stat folderInfo = {};
        const bool known = previous || ::fstat(fd(folder), &folderInfo) == 0;
        if (known && ::fchown(fd(file), previous ? previous->owner : folderInfo.st_uid,
                              previous ? previous->group : folderInfo.st_gid) != 0)
            return errno;
    }
    if (previous && ::fchmod(fd(file), previous->mode) != 0)
        return errno;
    return 0;
}

DiskFile Place::describe(const QString &name) const
{
    DiskFile file;
    struct stat info;
    if (::fstatat(fd(folder), local(name).constData(), &info, AT_SYMLINK_NOFOLLOW) == 0)
        describeAs(file, info);
    return file;
}

bool Place::isHeldOpen(const QString &) const
{
    return false; // a file open anywhere can still be renamed and removed
}

int Place::rename(const QString &from, const QString &to) const
{
    return ::renameat(fd(folder), local(from).constData(), fd(folder), local(to).constData()) == 0 ? 0 : errno;
}

int Place::renameNew(const QString &from, const QString &to) const
{
    const QByteArray source = local(from);
    const QByteArray destination = local(to);
#ifdef RENAME_NOREPLACE
    if (::renameat2(fd(folder), source.constData(), fd(folder), destination.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    if (refusalOf(errno) != Refusal::Unsupported)
        return errno;
#endif
    // Without it: a second name, which is refused where one stands, and the first one goes.
    if (::linkat(fd(folder), source.constData(), fd(folder), destination.constData(), 0) != 0)
        return errno;
    ::unlinkat(fd(folder), source.constData(), 0);
    return 0;
}

int Place::exchange(const QString &name, QString &other, DiskFile *) const
{
    // The file swapped in stays as it was described.
#ifdef RENAME_EXCHANGE
    return ::renameat2(fd(folder), local(other).constData(), fd(folder), local(name).constData(), RENAME_EXCHANGE) == 0
        ? 0
        : errno;
#else
    Q_UNUSED(name);
    Q_UNUSED(other);
    return EINVAL;
#endif
}

int Place::remove(const QString &name) const
{
    return ::unlinkat(fd(folder), local(name).constData(), 0) == 0 ? 0 : errno;
}

int Place::sync() const
{
    return ::fsync(fd(folder)) == 0 ? 0 : errno;
}

} // namespace DiskPlatform

QString DiskFiles::errorText(int error)
{
    return qt_error_string(error);
}

bool DiskFiles::isOpenElsewhere(const QString &path)
{
    using namespace DiskPlatform;
    const int flags = O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK | O_NOFOLLOW;
    const OpenFile file = opened(::open(local(path).constData(), flags));
    return file.isOpen() && leaseRefused(fd(file), F_WRLCK);
}
