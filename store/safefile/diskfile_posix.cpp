// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "diskfile.h"

#include "besidefiles.h"
#include "filemetadata_posix.h"

#include <QFile>
#include <QRandomGenerator>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::atomic<bool> exchangeAllowed{true};

// The fault a test asks of the next write in place: after how many bytes (-1: none), and which error.
std::atomic<qint64> faultAfter{-1};
std::atomic<int> faultError{0};

class Descriptor
{
public:
    explicit Descriptor(int fd = -1)
        : fd(fd)
    {
    }
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;

    int get() const { return fd; }
    bool isOpen() const { return fd >= 0; }
    void reset(int newFd)
    {
        if (fd >= 0)
            ::close(fd);
        fd = newFd;
    }
    // Closes, giving the close's own error: some systems report a failed write only there.
    int close()
    {
        const int result = ::close(std::exchange(fd, -1));
        return result == 0 ? 0 : errno;
    }

private:
    int fd;
};

// A file in an open folder.
struct Place
{
    int folder;
    QByteArray name;

    QByteArray backupName() const { return name + ".bak"; }
    QByteArray journalName() const { return name + ".journal"; }
};

// A temporary file beside the one it stands in for, removed when it goes out
// of scope unless kept.
class TemporaryFile
{
public:
    TemporaryFile(int folder, const QByteArray &beside, mode_t mode)
        : folder(folder)
    {
        // ".<name>.<random>": no program takes it for an INI file.
        for (int tries = 0; tries < 100 && !fd.isOpen(); ++tries) {
            name = '.' + beside + '.' + QByteArray::number(QRandomGenerator::global()->generate(), 36);
            fd.reset(::openat(folder, name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode));
            error = fd.isOpen() ? 0 : errno;
            if (error != EEXIST)
                break;
        }
        if (!fd.isOpen())
            name.clear();
    }
    ~TemporaryFile()
    {
        if (!name.isEmpty() && !kept)
            ::unlinkat(folder, name.constData(), 0);
    }
    TemporaryFile(const TemporaryFile &) = delete;
    TemporaryFile &operator=(const TemporaryFile &) = delete;

    Descriptor fd;
    QByteArray name;
    int error = 0;
    bool kept = false; // the name is not to be removed: renamed away, or naming a file that stays

private:
    int folder;
};

qint64 modifiedNs(const struct stat &info)
{
    return qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
}

void describe(DiskFile &file, const struct stat &info)
{
    file.device = quint64(info.st_dev);
    file.fileId = quint64(info.st_ino);
    file.linkCount = quint64(info.st_nlink);
    file.size = qint64(info.st_size);
    file.modifiedNs = modifiedNs(info);
    file.owner = info.st_uid;
    file.group = info.st_gid;
    file.mode = info.st_mode & 07777;
}

DiskFile described(const struct stat &info)
{
    DiskFile file;
    describe(file, info);
    return file;
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

bool openForWriting(int readOnlyFd)
{
    return leaseRefused(readOnlyFd, F_RDLCK);
}

// The whole content from the start; 0 or the system's error code.
int readWhole(int fd, qint64 expectedSize, QByteArray &into)
{
    into.resize(qsizetype(qMin(expectedSize, DiskFiles::maximumSize)) + 1);
    qsizetype filled = 0;
    for (;;) {
        if (filled == into.size()) {
            if (into.size() > DiskFiles::maximumSize)
                return EFBIG;
            into.resize(qMin(into.size() * 2, qsizetype(DiskFiles::maximumSize) + 1));
        }
        const ssize_t got = ::pread(fd, into.data() + filled, size_t(into.size() - filled), off_t(filled));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (got == 0)
            break;
        filled += got;
    }
    into.resize(filled);
    return 0;
}

int writeWhole(int fd, const QByteArray &bytes, off_t at = -1)
{
    const char *data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = at < 0 ? ::write(fd, data, size_t(left)) : ::pwrite(fd, data, size_t(left), at);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (written == 0)
            return EIO;
        data += written;
        left -= written;
        if (at >= 0)
            at += written;
    }
    return 0;
}

// Whether the file at place is the one `file` describes, unchanged.
bool standsAt(const Place &place, const DiskFile &file)
{
    struct stat info;
    return ::fstatat(place.folder, place.name.constData(), &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(info.st_mode)
        && described(info).isSameFile(file);
}

// Whether the open file holds exactly bytes, compared a piece at a time: the file may be large.
bool holdsBytes(int fd, const QByteArray &bytes)
{
    char piece[64 * 1024];
    qsizetype at = 0;
    for (;;) {
        const ssize_t got = ::pread(fd, piece, sizeof piece, off_t(at));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0 || got > bytes.size() - at || std::memcmp(piece, bytes.constData() + at, size_t(got)) != 0)
            return false;
        if (got == 0)
            return at == bytes.size();
        at += got;
    }
}

// Whether the open file still holds what was read and nobody is writing it.
bool holdsAsRead(int fd, const DiskFile &read)
{
    struct stat info;
    return ::fstat(fd, &info) == 0 && described(info).isSameFile(read) && !openForWriting(fd)
        && holdsBytes(fd, read.bytes);
}

bool canGiveAway(const struct stat &info)
{
    return ::geteuid() == 0 || info.st_uid == ::geteuid();
}

int syncAndClose(Descriptor &fd)
{
    if (::fsync(fd.get()) != 0)
        return errno;
    return fd.close();
}

// Bytes beside the file, as `name` ("<name>.bak", "<name>.journal"), with the
// original's owner and mode, on disk before this returns.
int writeBeside(const Place &place, const QByteArray &name, int original, const struct stat &info,
                const QByteArray &bytes)
{
    TemporaryFile copy(place.folder, name, 0600);
    if (!copy.fd.isOpen())
        return copy.error;
    if (const int error = writeWhole(copy.fd.get(), bytes))
        return error;
    copyFileMetadata(original, info, copy.fd.get()); // as much of the owner and mode as the system allows
    if (const int error = syncAndClose(copy.fd))
        return error;
    if (::renameat(place.folder, copy.name.constData(), place.folder, name.constData()) != 0)
        return errno;
    copy.kept = true;
    return ::fsync(place.folder) == 0 ? 0 : errno;
}

// Swaps the file at `from` with the one at place.
bool exchange(const Place &place, const QByteArray &from)
{
#ifdef RENAME_EXCHANGE
    return ::renameat2(place.folder, from.constData(), place.folder, place.name.constData(), RENAME_EXCHANGE) == 0;
#else
    errno = EINVAL;
    return false;
#endif
}

bool exchangeUnsupported(int error)
{
    return error == EINVAL || error == ENOSYS || error == ENOTSUP;
}

// After an exchange that displaced a changed file: the displaced file, named
// temporary, goes back to place, and ours is dropped; but when a newer file
// took the place of ours meanwhile, that one stays.
void putBack(const Place &place, TemporaryFile &temporary, const DiskFile &ours)
{
    if (exchange(place, temporary.name) && !standsAt({place.folder, temporary.name}, ours))
        exchange(place, temporary.name);
    temporary.kept = false;
}

DiskCommit finishExchange(const Place &place, TemporaryFile &temporary, const DiskFile &current,
                          const DiskFile &ours, bool keepBackup)
{
    bool unchanged = false;
    {
        Descriptor displaced(::openat(place.folder, temporary.name.constData(),
                                      O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY));
        unchanged = displaced.isOpen() && holdsAsRead(displaced.get(), current);
    }
    if (!unchanged) {
        putBack(place, temporary, ours);
        return DiskCommit::conflict();
    }

    DiskCommit commit;
    if (keepBackup) {
        if (::renameat(place.folder, temporary.name.constData(), place.folder, place.backupName().constData()) != 0) {
            const int error = errno;
            putBack(place, temporary, ours); // nothing is written without its backup
            return DiskCommit::failed(SaveFailure::Kind::BackupFailed, error);
        }
        commit.backupKept = true;
    } else {
        temporary.kept = false;
    }
    if (!standsAt(place, ours)) {
        commit.status = DiskCommit::Status::Conflict; // written over since: merge again
        return commit;
    }
    commit.written = ours;
    return commit;
}

// Where the system offers no exchange: check that the file is still as it was
// read, then rename over it. A save landing between the two is lost.
DiskCommit renameOver(const Place &place, TemporaryFile &temporary, int original, const struct stat &info,
                      const DiskFile &current, const DiskFile &ours, bool keepBackup)
{
    DiskCommit commit;
    if (keepBackup) {
        if (const int error = writeBeside(place, place.backupName(), original, info, current.bytes))
            return DiskCommit::failed(SaveFailure::Kind::BackupFailed, error);
        commit.backupKept = true;
    }
    if (!holdsAsRead(original, current) || !standsAt(place, current)) {
        commit.status = DiskCommit::Status::Conflict;
        return commit;
    }
    if (::renameat(place.folder, temporary.name.constData(), place.folder, place.name.constData()) != 0) {
        commit.status = DiskCommit::Status::Failed;
        commit.error = errno;
        return commit;
    }
    temporary.kept = true;
    if (!standsAt(place, ours)) {
        commit.status = DiskCommit::Status::Conflict;
        return commit;
    }
    commit.written = ours;
    return commit;
}

// The new content written over the open file from its start, and cut to its
// length, with a fault a test asked for.
int writeOver(int fd, const QByteArray &bytes)
{
    const qint64 stopAt = faultAfter.exchange(-1);
    if (stopAt >= 0 && stopAt < bytes.size()) {
        if (const int error = writeWhole(fd, bytes.left(stopAt), 0))
            return error;
        if (faultError == 0)
            ::kill(::getpid(), SIGKILL);
        return faultError;
    }
    if (const int error = writeWhole(fd, bytes, 0))
        return error;
    if (::ftruncate(fd, off_t(bytes.size())) != 0 || ::fsync(fd) != 0)
        return errno;
    return 0;
}

// For a file with several names, or one the program could not give its
// owner back: written over in place, after its backup is on disk and with a
// journal of both contents beside it while it runs. Space is claimed first,
// so a full disk or a size limit mostly stops the write before it begins.
DiskCommit overwrite(const Place &place, int original, const struct stat &info, const DiskFile &current,
                     const QByteArray &bytes, bool keepBackup)
{
    DiskCommit commit;
    if (keepBackup) {
        if (const int error = writeBeside(place, place.backupName(), original, info, current.bytes))
            return DiskCommit::failed(SaveFailure::Kind::BackupFailed, error);
        commit.backupKept = true;
    }
    const auto fail = [&commit](SaveFailure::Kind kind, int error) {
        commit.status = DiskCommit::Status::Failed;
        commit.failure = kind;
        commit.error = error;
        return commit;
    };
    struct rlimit limit;
    if (::getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY
        && rlim_t(bytes.size()) > limit.rlim_cur)
        return fail(SaveFailure::Kind::WriteFailed, EFBIG);
    if (!holdsAsRead(original, current)) {
        commit.status = DiskCommit::Status::Conflict;
        return commit;
    }
    Descriptor out(::openat(place.folder, place.name.constData(), O_RDWR | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY));
    struct stat opened;
    if (!out.isOpen()) {
        const bool refused = errno == EACCES || errno == EPERM || errno == EROFS;
        return fail(refused ? SaveFailure::Kind::ReadOnlyFile : SaveFailure::Kind::WriteFailed, errno);
    }
    if (::fstat(out.get(), &opened) != 0 || opened.st_ino != info.st_ino || opened.st_dev != info.st_dev) {
        commit.status = DiskCommit::Status::Conflict;
        return commit;
    }
#ifdef FALLOC_FL_KEEP_SIZE
    if (bytes.size() > info.st_size && ::fallocate(out.get(), FALLOC_FL_KEEP_SIZE, 0, off_t(bytes.size())) != 0
        && errno != EOPNOTSUPP && errno != ENOSYS)
        return fail(SaveFailure::Kind::WriteFailed, errno);
#endif
    const BesideFiles::Journal journal{current.bytes, bytes};
    if (const int error = writeBeside(place, place.journalName(), original, info, BesideFiles::encodeJournal(journal)))
        return fail(SaveFailure::Kind::WriteFailed, error);
    if (const int error = writeOver(out.get(), bytes)) {
        // The old content back, and the journal kept unless the disk shows it back whole.
        const bool restored = writeWhole(out.get(), current.bytes, 0) == 0
            && ::ftruncate(out.get(), off_t(current.bytes.size())) == 0 && ::fsync(out.get()) == 0
            && holdsBytes(out.get(), current.bytes);
        if (restored)
            ::unlinkat(place.folder, place.journalName().constData(), 0);
        return fail(restored ? SaveFailure::Kind::WriteFailed : SaveFailure::Kind::WriteUnfinished, error);
    }
    ::unlinkat(place.folder, place.journalName().constData(), 0);
    if (::fstat(out.get(), &opened) != 0)
        return fail(SaveFailure::Kind::WriteFailed, errno);
    commit.written = described(opened);
    return commit;
}

// The folder and name of path.
std::pair<QByteArray, QByteArray> split(const QString &path)
{
    const QByteArray local = QFile::encodeName(path);
    const qsizetype slash = local.lastIndexOf('/');
    if (slash < 0)
        return {QByteArray("."), local};
    return {slash == 0 ? QByteArray("/") : local.left(slash), local.mid(slash + 1)};
}

int openFolder(const QByteArray &folder)
{
    return ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

// A new file that cannot be made beside the old one: the folder refuses new files.
SaveFailure::Kind creationFailure(int error)
{
    return error == EACCES || error == EPERM || error == EROFS ? SaveFailure::Kind::FolderNotWritable
                                                               : SaveFailure::Kind::WriteFailed;
}

DiskCommit replaceAt(const DiskFile &current, const QByteArray &bytes, bool keepBackup, bool inPlace)
{
    // A size limit is reported by the write that crosses it (EFBIG), not by ending the process.
    std::signal(SIGXFSZ, SIG_IGN);
    const auto [folderName, name] = split(current.target);
    Descriptor folder(openFolder(folderName));
    if (!folder.isOpen())
        return errno == ENOENT ? DiskCommit::conflict() : DiskCommit::failed(SaveFailure::Kind::WriteFailed, errno);
    const Place place{folder.get(), name};
    Descriptor original(::openat(folder.get(), name.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY));
    if (!original.isOpen()) {
        return errno == ENOENT || errno == ELOOP ? DiskCommit::conflict()
                                                 : DiskCommit::failed(SaveFailure::Kind::ReadFailed, errno);
    }
    struct stat info;
    if (::fstat(original.get(), &info) != 0)
        return DiskCommit::failed(SaveFailure::Kind::ReadFailed, errno);
    if (!S_ISREG(info.st_mode) || !described(info).isSameFile(current))
        return DiskCommit::conflict();
    if (inPlace || info.st_nlink > 1 || !canGiveAway(info))
        return overwrite(place, original.get(), info, current, bytes, keepBackup);

    TemporaryFile temporary(folder.get(), name, 0600);
    if (!temporary.fd.isOpen())
        return DiskCommit::failed(creationFailure(temporary.error), temporary.error);
    if (const int error = writeWhole(temporary.fd.get(), bytes))
        return DiskCommit::failed(SaveFailure::Kind::WriteFailed, error);
    if (copyFileMetadata(original.get(), info, temporary.fd.get()) != 0)
        return overwrite(place, original.get(), info, current, bytes, keepBackup); // keeps them all
    struct stat written;
    if (::fsync(temporary.fd.get()) != 0 || ::fstat(temporary.fd.get(), &written) != 0)
        return DiskCommit::failed(SaveFailure::Kind::WriteFailed, errno);
    if (const int error = temporary.fd.close())
        return DiskCommit::failed(SaveFailure::Kind::WriteFailed, error);
    DiskFile ours = described(written);
    ours.path = current.path;
    ours.target = current.target;
    ours.state = DiskFile::State::Regular;
    ours.bytes = bytes;

    if (exchangeAllowed) {
        if (exchange(place, temporary.name)) {
            temporary.kept = true;
            return finishExchange(place, temporary, current, ours, keepBackup);
        }
        if (errno == ENOENT)
            return DiskCommit::conflict();
        if (!exchangeUnsupported(errno))
            return DiskCommit::failed(SaveFailure::Kind::WriteFailed, errno);
    }
    return renameOver(place, temporary, original.get(), info, current, ours, keepBackup);
}

} // namespace

namespace DiskFiles {

DiskFile read(const QString &path)
{
    DiskFile file;
    file.path = path;
    file.target = path;
    const QByteArray name = QFile::encodeName(path);
    struct stat link;
    if (::lstat(name.constData(), &link) != 0) {
        if (errno != ENOENT && errno != ENOTDIR) {
            file.state = DiskFile::State::Unreadable;
            file.error = errno;
        }
        return file;
    }
    // O_NONBLOCK: opening a FIFO must not wait for a writer.
    Descriptor fd(::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (!fd.isOpen()) {
        const int error = errno;
        if (S_ISLNK(link.st_mode) && (error == ENOENT || error == ELOOP || error == ENOTDIR)) {
            file.state = DiskFile::State::DanglingLink;
        } else if (error == EWOULDBLOCK) {
            // Another program holds a lease on it, as before a write; it is told to let go.
            file.state = DiskFile::State::Unreadable;
            file.error = error;
            file.busy = true;
        } else if (error == ENOENT) {
            file.changedWhileRead = true; // gone since the look above
        } else {
            file.state = DiskFile::State::Unreadable;
            file.error = error;
        }
        return file;
    }
    struct stat before;
    if (::fstat(fd.get(), &before) != 0) {
        file.state = DiskFile::State::Unreadable;
        file.error = errno;
        return file;
    }
    describe(file, before);
    if (!S_ISREG(before.st_mode)) {
        file.state = DiskFile::State::NotAFile;
        return file;
    }
    if (S_ISLNK(link.st_mode)) {
        if (char *resolved = ::realpath(name.constData(), nullptr)) {
            file.target = QFile::decodeName(resolved);
            std::free(resolved);
        } else {
            file.changedWhileRead = true;
        }
    }
    file.busy = openForWriting(fd.get());
    if (const int error = readWhole(fd.get(), before.st_size, file.bytes)) {
        file.state = DiskFile::State::Unreadable;
        file.error = error;
        return file;
    }
    struct stat after;
    struct stat named;
    file.changedWhileRead = file.changedWhileRead || ::fstat(fd.get(), &after) != 0
        || !described(after).isSameFile(file) || file.bytes.size() != after.st_size
        || ::stat(name.constData(), &named) != 0 || named.st_ino != after.st_ino || named.st_dev != after.st_dev;
    file.state = DiskFile::State::Regular;
    file.readOnly = !(before.st_mode & S_IWUSR);
    if (!file.readOnly && ::access(name.constData(), W_OK) != 0 && (errno == EACCES || errno == EROFS)) {
        file.readOnly = true;
        file.readOnlyError = errno;
    }
    return file;
}

DiskCommit replace(const DiskFile &current, const QByteArray &bytes, bool keepBackup)
{
    return replaceAt(current, bytes, keepBackup, false);
}

DiskCommit writeInPlace(const DiskFile &current, const QByteArray &bytes)
{
    return replaceAt(current, bytes, false, true);
}

DiskCommit create(const DiskFile &current, const QByteArray &bytes, const DiskFile &previous)
{
    std::signal(SIGXFSZ, SIG_IGN);
    const auto [folderName, name] = split(current.path);
    Descriptor folder(openFolder(folderName));
    if (!folder.isOpen())
        return DiskCommit::failed(errno == ENOENT ? SaveFailure::Kind::FolderNotWritable : SaveFailure::Kind::WriteFailed,
                                  errno);
    const bool likePrevious = previous.state == DiskFile::State::Regular;
    TemporaryFile temporary(folder.get(), name, likePrevious ? 0600 : 0666);
    if (!temporary.fd.isOpen())
        return DiskCommit::failed(creationFailure(temporary.error), temporary.error);
    if (const int error = writeWhole(temporary.fd.get(), bytes))
        return DiskCommit::failed(SaveFailure::Kind::WriteFailed, error);
    // The file it stands in for lends it its owner and mode; as root a file
    // never seen before goes to the owner of its folder, not to root.
    struct stat folderInfo;
    if (::geteuid() == 0) {
        const bool known = likePrevious || ::fstat(folder.get(), &folderInfo) == 0;
        if (known && ::fchown(temporary.fd.get(), likePrevious ? previous.owner : folderInfo.st_uid,
                              likePrevious ? previous.group : folderInfo.st_gid) != 0)
            return DiskCommit::failed(SaveFailure::Kind::WriteFailed, errno);
    }
    if (likePrevious && ::fchmod(temporary.fd.get(), previous.mode) != 0)
        return DiskCommit::failed(SaveFailure::Kind::WriteFailed, errno);
    struct stat written;
    if (::fsync(temporary.fd.get()) != 0 || ::fstat(temporary.fd.get(), &written) != 0)
        return DiskCommit::failed(SaveFailure::Kind::WriteFailed, errno);
    if (const int error = temporary.fd.close())
        return DiskCommit::failed(SaveFailure::Kind::WriteFailed, error);

    // Only where nothing stands: a file that appeared meanwhile is read first.
    const Place place{folder.get(), name};
    int result = -1;
#ifdef RENAME_NOREPLACE
    result = ::renameat2(folder.get(), temporary.name.constData(), folder.get(), name.constData(), RENAME_NOREPLACE);
#else
    errno = EINVAL;
#endif
    if (result == 0) {
        temporary.kept = true;
    } else if (exchangeUnsupported(errno)) {
        result = ::linkat(folder.get(), temporary.name.constData(), folder.get(), name.constData(), 0);
    }
    if (result != 0) {
        return errno == EEXIST ? DiskCommit::conflict()
                               : DiskCommit::failed(creationFailure(errno), errno);
    }
    DiskFile ours = described(written);
    ours.path = current.path;
    ours.target = current.path;
    ours.state = DiskFile::State::Regular;
    ours.bytes = bytes;
    ours.linkCount = 1;
    if (!standsAt(place, ours))
        return DiskCommit::conflict();
    DiskCommit commit;
    commit.written = ours;
    return commit;
}

QString errorText(int error)
{
    return qt_error_string(error);
}

void setExchangeAllowed(bool allowed)
{
    exchangeAllowed = allowed;
}

bool isOpenElsewhere(const QString &path)
{
    Descriptor fd(
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK | O_NOFOLLOW));
    return fd.isOpen() && leaseRefused(fd.get(), F_WRLCK);
}

void injectInPlaceFault(qint64 bytes, int error)
{
    faultError = error;
    faultAfter = bytes;
}

} // namespace DiskFiles
