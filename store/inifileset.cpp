#include "inifileset.h"

#include <QElapsedTimer>
#include <QThread>

#include <algorithm>

namespace {

// A save starts over at most this often when the files keep changing under it.
constexpr int maximumAttempts = 5;
// How long a file that is being written is waited for, and the pause between looks.
constexpr qint64 settleLimitMs = 300;
constexpr unsigned long settlePauseMs = 20;

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

bool sameState(const DiskFile &a, const DiskFile &b)
{
    return a.state == b.state && a.bytes == b.bytes && a.isSameFile(b);
}

} // namespace

IniFileSet::IniFileSet(const QStringList &paths, const QString &absentText)
    : absent(absentText)
{
    files.reserve(size_t(paths.size()));
    for (const QString &path : paths) {
        File file;
        file.path = path;
        std::optional<SaveFailure> refusal;
        file.disk = readSettled(file, refusal);
        file.known = true;
        if (file.disk.state == DiskFile::State::Regular) {
            file.document = IniDocument::fromBytes(file.disk.bytes);
            // Bytes that are no lines of text are never edited: as if unreadable.
            if (!file.document.isValid())
                file.disk.state = DiskFile::State::Unreadable;
        }
        files.push_back(std::move(file));
    }
}

bool IniFileSet::wasRead(int file) const
{
    return files[size_t(file)].disk.state == DiskFile::State::Regular;
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
    for (int attempt = 1;; ++attempt) {
        std::vector<DiskFile> now(fileCount);
        bool asBefore = true;
        for (size_t index = 0; index < fileCount; ++index) {
            File &file = files[index];
            failures[index].reset();
            now[index] = readSettled(file, failures[index]);
            // A file gone, or standing still, is what the save builds on; one that
            // cannot be read, or is still being written, leaves the last look.
            const DiskFile &current = now[index];
            const bool usable = current.state == DiskFile::State::Missing
                || (current.state == DiskFile::State::Regular && !current.busy && !current.changedWhileRead);
            if (usable && !sameState(current, file.disk)) {
                file.disk = current;
                asBefore = false;
            } else if (usable) {
                now[index].bytes = file.disk.bytes; // one copy of the content is enough
            }
            if (file.disk.state == DiskFile::State::Regular)
                file.lastRegular = file.disk;
        }
        if (!asBefore)
            layEditsAgain(failures);

        bool startOver = false;
        std::vector<bool> saved(fileCount, false);
        for (size_t index = 0; index < fileCount; ++index) {
            if (failures[index])
                continue;
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
    if (!exists && !edited)
        return DiskCommit::Status::Done; // deleted, and nothing of the player's goes there: it stays deleted

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
    switch (commit.status) {
    case DiskCommit::Status::Done:
        file.disk = commit.written;
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

// The file as it stands once it stands still. One that is being written, or
// changed while it was read, is read again after a pause, and one that looks
// unfinished is believed once it stays so for a pause; one that does neither
// within the limit is refused. A file that ends inside a line where it did
// not before is refused once, then taken as it is.
DiskFile IniFileSet::readSettled(const File &file, std::optional<SaveFailure> &refusal) const
{
    const DiskFile none;
    const DiskFile &before = file.known ? file.disk : none;
    QElapsedTimer waited;
    waited.start();
    DiskFile now = DiskFiles::read(file.path);
    for (;;) {
        const bool moving = now.busy || now.changedWhileRead;
        if (!moving && !looksUnfinished(now, before))
            break;
        if (waited.elapsed() >= settleLimitMs) {
            refusal = SaveFailure{file.path, SaveFailure::Kind::KeepsChanging, {}};
            return now;
        }
        QThread::msleep(settlePauseMs);
        DiskFile again = DiskFiles::read(file.path);
        const bool standsStill = !moving && !again.busy && !again.changedWhileRead && sameState(again, now);
        now = std::move(again);
        if (standsStill)
            break;
    }

    switch (now.state) {
    case DiskFile::State::Regular:
        if (before.state == DiskFile::State::Regular && endsMidLine(now.bytes) && !endsMidLine(before.bytes))
            refusal = SaveFailure{file.path, SaveFailure::Kind::EndsMidLine, {}};
        break;
    case DiskFile::State::NotAFile:
        refusal = SaveFailure{file.path, SaveFailure::Kind::NotAFile, {}};
        break;
    case DiskFile::State::DanglingLink:
        refusal = SaveFailure{file.path, SaveFailure::Kind::DanglingLink, {}};
        break;
    case DiskFile::State::Unreadable:
        refusal = SaveFailure{file.path, SaveFailure::Kind::ReadFailed, DiskFiles::errorText(now.error)};
        break;
    case DiskFile::State::Missing:
        break;
    }
    return now;
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
