// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The save, on every system: the new content goes to a file beside the old
// one, is synced, and is swapped in; the file the swap displaced must then be
// the very file, with the very bytes, that the content was built on, or it
// goes back and the caller reads it again. Where the system has no swap, the
// file is checked and then renamed over. A file that a new file cannot stand
// in for is written in place under a journal. The calls to the system are in
// diskplatform_*.cpp.

#include "diskfile.h"

#include "besidefiles.h"
#include "diskplatform.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QThread>

#include <atomic>
#include <cstring>

using namespace DiskPlatform;
using Kind = SaveFailure::Kind;

namespace {

std::atomic<bool> exchangeAllowed{true};

// The fault a test asks of the next write in place: after how many bytes (-1: none), and which error.
std::atomic<qint64> faultAfter{-1};
std::atomic<int> faultError{0};

// How long another program is given to let the file go or to finish writing
// it, and the pause between looks; a file that is to go back in place is
// waited for longer.
constexpr qint64 waitLimitMs = 300;
constexpr qint64 putBackWaitMs = 3000;
constexpr unsigned long pauseMs = 20;

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
        QThread::msleep(pauseMs);
    }
    return false;
}

bool isGone(int error)
{
    return refusalOf(error) == Refusal::Gone;
}

// A temporary file beside the one it stands in for, removed when it goes out
// of scope unless kept.
class TemporaryFile
{
public:
    TemporaryFile(const Place &place, const QString &beside, bool shared = false)
        : place(place)
    {
        for (int tries = 0; tries < 100 && !file.isOpen(); ++tries) {
            name = temporaryName(beside);
            file = place.create(name, shared);
            if (refusalOf(file.error()) != Refusal::Exists)
                break;
        }
        if (!file.isOpen())
            name.clear();
    }
    ~TemporaryFile()
    {
        if (!name.isEmpty() && !kept)
            place.remove(name);
    }

    OpenFile file; // or why none could be made
    QString name;
    bool kept = false; // the name is not to be removed: renamed away, or naming a file that stays

private:
    const Place &place;
};

// The whole content from the start; 0 or the system's error code.
int readWhole(const OpenFile &file, qint64 expectedSize, QByteArray &into)
{
    into.resize(qsizetype(qMin(expectedSize, DiskFiles::maximumSize)) + 1);
    qsizetype filled = 0;
    for (;;) {
        if (filled == into.size()) {
            if (into.size() > DiskFiles::maximumSize)
                return tooLarge;
            into.resize(qMin(into.size() * 2, qsizetype(DiskFiles::maximumSize) + 1));
        }
        const qint64 got = readAt(file, into.data() + filled, into.size() - filled, filled);
        if (got < 0)
            return int(-got);
        if (got == 0)
            break;
        filled += got;
    }
    into.resize(filled);
    return 0;
}

int writeWhole(const OpenFile &file, const QByteArray &bytes)
{
    for (qint64 at = 0; at < bytes.size();) {
        const qint64 written = writeAt(file, bytes.constData() + at, bytes.size() - at, at);
        if (written < 0)
            return int(-written);
        at += written;
    }
    return 0;
}

// Whether the open file holds exactly bytes, compared a piece at a time: the file may be large.
bool holdsBytes(const OpenFile &file, const QByteArray &bytes)
{
    char piece[64 * 1024];
    qsizetype at = 0;
    for (;;) {
        const qint64 got = readAt(file, piece, sizeof piece, at);
        if (got < 0 || got > bytes.size() - at || std::memcmp(piece, bytes.constData() + at, size_t(got)) != 0)
            return false;
        if (got == 0)
            return at == bytes.size();
        at += got;
    }
}

// Whether the file still holds what was read (opened to Compare: and no program is writing it).
bool holdsAsRead(const OpenFile &file, const DiskFile &read)
{
    DiskFile now;
    return file.isOpen() && describe(file, now) == 0 && now.isSameFile(read) && holdsBytes(file, read.bytes);
}

// Whether the file at name is the one `file` describes, unchanged.
bool standsAt(const Place &place, const QString &name, const DiskFile &file)
{
    const DiskFile now = place.describe(name);
    return file.state == DiskFile::State::Regular && now.state == DiskFile::State::Regular && now.isSameFile(file);
}

// The commit once ours stands in place: written, unless another file was
// written over it since (then the caller merges again).
DiskCommit standing(DiskCommit commit, const Place &place, const DiskFile &ours)
{
    if (standsAt(place, place.name(), ours))
        commit.written = ours;
    else
        commit.status = DiskCommit::Status::Conflict;
    return commit;
}

// A new file synced to disk and closed; described first, if asked.
int closeOnDisk(OpenFile &file, DiskFile *described = nullptr)
{
    if (const int error = sync(file))
        return error;
    if (const int error = described ? describe(file, *described) : 0)
        return error;
    return file.close();
}

QString backupName(const Place &place)
{
    return place.name() + QStringLiteral(".bak");
}

// A new file that cannot be made beside the old one: the folder refuses new files.
Kind creationFailure(int error)
{
    return refusalOf(error) == Refusal::Denied ? Kind::FolderNotWritable : Kind::WriteFailed;
}

// Bytes beside the file, as `name` ("<name>.bak", "<name>.journal"), with the
// original's owner and mode, on disk before this returns.
int writeBeside(const Place &place, const QString &name, const OpenFile &original, const DiskFile &originalInfo,
                const QByteArray &bytes)
{
    TemporaryFile copy(place, name);
    if (!copy.file.isOpen())
        return copy.file.error();
    if (const int error = writeWhole(copy.file, bytes))
        return error;
    copyMetadata(original, originalInfo, copy.file); // as much of the owner and mode as the system allows
    if (const int error = closeOnDisk(copy.file))
        return error;
    if (const int error = place.rename(copy.name, name))
        return error;
    copy.kept = true;
    return place.sync();
}

// Why the file that current was read from refused to be opened or replaced:
// held open by another program (after a moment's wait for it to let go),
// changed or gone (Conflict: read it again), set read-only, or the system's
// error as `otherwise` says.
DiskCommit refusal(const Place &place, const DiskFile &current, int error, Kind otherwise)
{
    if (staysHeld(waitLimitMs, [&] { return place.isHeldOpen(place.name()); }))
        return DiskCommit::failed(Kind::HeldOpen, error);
    const DiskFile now = place.describe(place.name());
    if (now.state != DiskFile::State::Regular || !now.isSameFile(current) || refusalOf(error) == Refusal::Held)
        return DiskCommit::conflict();
    return DiskCommit::failed(now.readOnly ? Kind::ReadOnlyFile : otherwise, error);
}

// After a swap that displaced a file other than the one the new content was
// built on: that file goes back in place of ours, unless a newer one took the
// place of ours meanwhile (then the displaced one goes). A program holding ours
// open is waited for. Returns 0, or the system's error with the displaced file
// left where it is.
int putBack(const Place &place, TemporaryFile &displaced, const DiskFile &ours)
{
    displaced.kept = true;
    int error = 0;
    staysHeld(putBackWaitMs, [&] {
        error = place.exchange(place.name(), displaced.name);
        return error != 0 && (refusalOf(error) == Refusal::Held || place.isHeldOpen(place.name()));
    });
    if (isGone(error)) {
        displaced.kept = false; // nothing stands in place of ours any more
        return 0;
    }
    // What stood in place now has the displaced name: ours, or a newer file, which goes back.
    if (error == 0 && !standsAt(place, displaced.name, ours))
        error = place.exchange(place.name(), displaced.name);
    displaced.kept = error != 0;
    return error;
}

DiskCommit finishExchange(const Place &place, TemporaryFile &displaced, const DiskFile &current, const DiskFile &ours,
                          bool keepBackup)
{
    if (!holdsAsRead(place.open(displaced.name, Access::Compare), current)) {
        // Another program saved in between: its file goes back, and the save starts over on it.
        const int error = putBack(place, displaced, ours);
        return error ? DiskCommit::failed(Kind::WriteFailed, error) : DiskCommit::conflict();
    }

    DiskCommit commit;
    if (keepBackup) {
        if (const int error = place.rename(displaced.name, backupName(place))) {
            putBack(place, displaced, ours); // nothing is written without its backup
            return DiskCommit::failed(Kind::BackupFailed, error);
        }
        displaced.kept = true;
        commit.backupKept = true;
    }
    return standing(commit, place, ours);
}

// Where the system offers no exchange: check that the file is still as it was
// read, then rename over it. A save landing between the two is lost.
DiskCommit renameOver(const Place &place, TemporaryFile &temporary, const OpenFile &original,
                      const DiskFile &originalInfo, const DiskFile &current, const DiskFile &ours, bool keepBackup)
{
    DiskCommit commit;
    if (keepBackup) {
        if (const int error = writeBeside(place, backupName(place), original, originalInfo, current.bytes))
            return DiskCommit::failed(Kind::BackupFailed, error);
        commit.backupKept = true;
    }
    if (!holdsAsRead(place.open(place.name(), Access::Compare), current)) {
        commit.status = DiskCommit::Status::Conflict;
        return commit;
    }
    if (const int error = place.rename(temporary.name, place.name())) {
        commit.status = DiskCommit::Status::Failed;
        commit.error = error;
        return commit;
    }
    temporary.kept = true;
    return standing(commit, place, ours);
}

// The new content written over the open file from its start, and cut to its
// length, with a fault a test asked for.
int writeOver(const OpenFile &file, const QByteArray &bytes)
{
    const qint64 stopAt = faultAfter.exchange(-1);
    if (stopAt >= 0 && stopAt < bytes.size()) {
        if (const int error = writeWhole(file, bytes.left(stopAt)))
            return error;
        if (faultError == 0)
            endAsKilled();
        return faultError;
    }
    if (const int error = writeWhole(file, bytes))
        return error;
    if (const int error = resize(file, bytes.size()))
        return error;
    return sync(file);
}

// For a file with several names, or one the program could not give its owner
// back: written over in place, after its backup is on disk and with a journal
// of both contents beside it while it runs. The file is compared and written
// through one handle, which on Windows lets no other program write meanwhile.
// Space is claimed first, so a full disk or a size limit mostly stops the
// write before it begins.
DiskCommit overwrite(const Place &place, const OpenFile &original, const DiskFile &originalInfo,
                     const DiskFile &current, const QByteArray &bytes, bool keepBackup)
{
    OpenFile file;
    staysHeld(waitLimitMs, [&] {
        file = place.open(place.name(), Access::Update);
        return refusalOf(file.error()) == Refusal::Held;
    });
    if (!file.isOpen()) {
        const Refusal refused = refusalOf(file.error());
        if (refused == Refusal::Held)
            return DiskCommit::failed(Kind::HeldOpen, file.error());
        if (refused == Refusal::Gone)
            return DiskCommit::conflict();
        const Kind otherwise = refused == Refusal::Denied ? Kind::ReadOnlyFile : Kind::WriteFailed;
        return refusal(place, current, file.error(), otherwise);
    }
    if (!holdsAsRead(file, current))
        return DiskCommit::conflict();

    DiskCommit commit;
    const auto fail = [&commit](Kind kind, int error) {
        commit.status = DiskCommit::Status::Failed;
        commit.failure = kind;
        commit.error = error;
        return commit;
    };
    if (keepBackup) {
        if (const int error = writeBeside(place, backupName(place), original, originalInfo, current.bytes))
            return fail(Kind::BackupFailed, error);
        commit.backupKept = true;
    }
    if (const int error = reserve(file, bytes.size(), current.size))
        return fail(Kind::WriteFailed, error);
    const QString journal = BesideFiles::journalPath(place.name());
    const QByteArray journalBytes = BesideFiles::encodeJournal({current.bytes, bytes});
    if (const int error = writeBeside(place, journal, original, originalInfo, journalBytes))
        return fail(Kind::WriteFailed, error);
    if (const int error = writeOver(file, bytes)) {
        // The old content back, and the journal kept unless the disk shows it back whole.
        const bool restored = writeOver(file, current.bytes) == 0 && holdsBytes(file, current.bytes);
        if (restored)
            place.remove(journal);
        return fail(restored ? Kind::WriteFailed : Kind::WriteUnfinished, error);
    }
    place.remove(journal);
    if (const int error = describe(file, commit.written))
        return fail(Kind::WriteFailed, error);
    commit.written.path = current.path;
    commit.written.target = current.target;
    commit.written.bytes = bytes;
    return commit;
}

DiskCommit replaceAt(const DiskFile &current, const QByteArray &bytes, bool keepBackup, bool inPlace)
{
    const Place place(current.target);
    if (const int error = place.error())
        return isGone(error) ? DiskCommit::conflict() : DiskCommit::failed(Kind::WriteFailed, error);
    OpenFile original = place.open(place.name(), Access::Look);
    if (!original.isOpen()) {
        const int error = original.error();
        return isGone(error) ? DiskCommit::conflict() : refusal(place, current, error, Kind::ReadFailed);
    }
    DiskFile info;
    if (const int error = describe(original, info))
        return DiskCommit::failed(Kind::ReadFailed, error);
    if (info.state != DiskFile::State::Regular || !info.isSameFile(current))
        return DiskCommit::conflict();
    if (inPlace || info.linkCount > 1 || !canGiveAway(info))
        return overwrite(place, original, info, current, bytes, keepBackup);

    TemporaryFile temporary(place, place.name());
    if (!temporary.file.isOpen())
        return DiskCommit::failed(creationFailure(temporary.file.error()), temporary.file.error());
    if (const int error = writeWhole(temporary.file, bytes))
        return DiskCommit::failed(Kind::WriteFailed, error);
    if (copyMetadata(original, info, temporary.file) != 0)
        return overwrite(place, original, info, current, bytes, keepBackup); // keeps them all
    DiskFile ours;
    if (const int error = closeOnDisk(temporary.file, &ours))
        return DiskCommit::failed(Kind::WriteFailed, error);
    ours.path = current.path;
    ours.target = current.target;
    ours.bytes = bytes;

    if (exchangeAllowed) {
        const int error = place.exchange(place.name(), temporary.name, &ours);
        if (error == 0) {
            original.close(); // mostly the file displaced, which Windows puts back only while no one has it open
            return finishExchange(place, temporary, current, ours, keepBackup);
        }
        if (isGone(error))
            return DiskCommit::conflict();
        if (refusalOf(error) != Refusal::Unsupported)
            return refusal(place, current, error, Kind::WriteFailed);
    }
    return renameOver(place, temporary, original, info, current, ours, keepBackup);
}

DiskFile unreadable(DiskFile file, int error)
{
    file.state = DiskFile::State::Unreadable;
    file.error = error;
    return file;
}

// Whether the text stops inside a line, as a file cut short by its writer does.
bool endsMidLine(const QByteArray &bytes)
{
    const bool littleEndian = bytes.startsWith("\xFF\xFE");
    if (littleEndian || bytes.startsWith("\xFE\xFF")) {
        if (bytes.size() % 2 != 0)
            return true;
        if (bytes.size() == 2)
            return false;
        const uchar low = uchar(bytes[bytes.size() - (littleEndian ? 2 : 1)]);
        const uchar high = uchar(bytes[bytes.size() - (littleEndian ? 1 : 2)]);
        return high != 0 || (low != '\n' && low != '\r');
    }
    return !bytes.isEmpty() && bytes.back() != '\n' && bytes.back() != '\r';
}

// A state that a file passes through while another program saves it, next
// to how it was last seen: gone, emptied, cut inside a line, or something
// other than a file. It is believed once it stays so for a pause.
bool looksUnfinished(const DiskFile &now, const DiskFile &before)
{
    if (before.state != DiskFile::State::Regular)
        return false;
    if (now.state != DiskFile::State::Regular)
        return now.state != DiskFile::State::Unreadable;
    return (now.bytes.isEmpty() && !before.bytes.isEmpty()) || (endsMidLine(now.bytes) && !endsMidLine(before.bytes));
}

bool cutInsideALine(const DiskFile &now, const DiskFile &before)
{
    return before.state == DiskFile::State::Regular && now.state == DiskFile::State::Regular && !now.bytes.isEmpty()
        && endsMidLine(now.bytes) && !endsMidLine(before.bytes);
}

bool sameState(const DiskFile &a, const DiskFile &b)
{
    return a.state == b.state && a.bytes == b.bytes && a.isSameFile(b);
}

} // namespace

namespace DiskFiles {

DiskFile read(const QString &path)
{
    DiskFile file;
    file.path = path;
    file.target = path;
    Look look;
    const OpenFile opened = openToRead(path, look, file.busy);
    const int openError = opened.error();
    if (look.error != 0)
        return isGone(look.error) ? file : unreadable(file, look.error);
    if (look.folder) {
        file.state = DiskFile::State::NotAFile;
        return file;
    }
    if (!opened.isOpen()) {
        if (look.link && isGone(openError)) {
            file.state = DiskFile::State::DanglingLink;
            return file;
        }
        file.changedWhileRead = isGone(openError); // gone since the look above
        // Held: another program holds a lease on it, as before a write; it is told to let go.
        file.busy = file.busy || refusalOf(openError) == Refusal::Held;
        return file.changedWhileRead ? file : unreadable(file, openError);
    }
    if (const int error = describe(opened, file))
        return unreadable(file, error);
    if (file.state != DiskFile::State::Regular)
        return file;
    if (look.link) {
        // The write goes to the file the link points to, and what a save keeps beside it beside that.
        const QString target = QFileInfo(path).canonicalFilePath();
        file.target = target.isEmpty() ? path : target;
        file.changedWhileRead = target.isEmpty();
    }
    if (const int error = readWhole(opened, file.size, file.bytes))
        return unreadable(file, error);
    DiskFile after;
    file.changedWhileRead = file.changedWhileRead || describe(opened, after) != 0 || !after.isSameFile(file)
        || file.bytes.size() != after.size || !leadsTo(path, after);
    checkWritable(path, file);
    return file;
}

DiskFile readSettled(const QString &path, const DiskFile &before, std::optional<SaveFailure> &refusal)
{
    if (!BesideFiles::finishInterruptedWrite(path)) {
        refusal = SaveFailure{path, Kind::WriteUnfinished, {}};
        return DiskFiles::read(path);
    }
    QElapsedTimer waited;
    waited.start();
    QElapsedTimer unchanged;
    unchanged.start();
    bool written = false; // the content changed while it was waited for
    DiskFile now = DiskFiles::read(path);
    for (;;) {
        const bool moving = now.busy || now.changedWhileRead;
        if (!moving && !looksUnfinished(now, before))
            break;
        const bool cutShort = !moving && cutInsideALine(now, before);
        if (cutShort && unchanged.elapsed() >= waitLimitMs)
            break;
        if (waited.elapsed() >= (cutShort ? 2 : 1) * waitLimitMs) {
            // Open for writing, or under a lease, with nothing written meanwhile: held open, not written.
            const bool writing = written || now.changedWhileRead;
            refusal = SaveFailure{path, writing ? Kind::KeepsChanging : Kind::HeldOpen, {}};
            return now;
        }
        QThread::msleep(pauseMs);
        DiskFile again = DiskFiles::read(path);
        written = written || !sameState(again, now);
        const bool standsStill = !moving && !again.busy && !again.changedWhileRead && sameState(again, now);
        now = std::move(again);
        if (!standsStill)
            unchanged.restart();
        else if (!cutInsideALine(now, before))
            break;
    }

    switch (now.state) {
    case DiskFile::State::NotAFile:
        refusal = SaveFailure{path, Kind::NotAFile, {}};
        break;
    case DiskFile::State::DanglingLink:
        refusal = SaveFailure{path, Kind::DanglingLink, {}};
        break;
    case DiskFile::State::Unreadable:
        refusal = SaveFailure{path, Kind::ReadFailed, DiskFiles::errorText(now.error)};
        break;
    case DiskFile::State::Regular:
    case DiskFile::State::Missing:
        break;
    }
    return now;
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
    const Place place(current.path);
    if (const int error = place.error())
        return DiskCommit::failed(isGone(error) ? Kind::FolderNotWritable : Kind::WriteFailed, error);
    const bool likePrevious = previous.state == DiskFile::State::Regular;
    TemporaryFile temporary(place, place.name(), !likePrevious);
    if (!temporary.file.isOpen())
        return DiskCommit::failed(creationFailure(temporary.file.error()), temporary.file.error());
    if (const int error = writeWhole(temporary.file, bytes))
        return DiskCommit::failed(Kind::WriteFailed, error);
    // The file it stands in for lends it its owner and mode.
    if (const int error = place.adopt(temporary.file, likePrevious ? &previous : nullptr))
        return DiskCommit::failed(Kind::WriteFailed, error);
    DiskFile ours;
    if (const int error = closeOnDisk(temporary.file, &ours))
        return DiskCommit::failed(Kind::WriteFailed, error);

    // Only where nothing stands: a file that appeared meanwhile is read first.
    if (const int error = place.renameNew(temporary.name, place.name()))
        return refusalOf(error) == Refusal::Exists ? DiskCommit::conflict()
                                                   : DiskCommit::failed(creationFailure(error), error);
    temporary.kept = true;
    ours.path = current.path;
    ours.target = current.path;
    ours.bytes = bytes;
    ours.linkCount = 1;
    return standing(DiskCommit(), place, ours);
}

void setExchangeAllowed(bool allowed)
{
    exchangeAllowed = allowed;
}

void injectInPlaceFault(qint64 bytes, int error)
{
    faultError = error;
    faultAfter = bytes;
}

} // namespace DiskFiles

QString DiskPlatform::temporaryName(const QString &beside)
{
    return u'.' + beside + u'.' + QString::number(QRandomGenerator::global()->generate(), 36);
}
