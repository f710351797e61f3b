#include "inifileset.h"

#include <QElapsedTimer>
#include <QThread>

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
        if (file.disk.state == DiskFile::State::Regular)
            file.document = IniDocument::fromBytes(file.disk.bytes);
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
    int target = 0;
    for (int index = 0; index < count(); ++index) {
        if (holds(files[size_t(index)].document, section, key)) {
            target = index;
            break;
        }
    }
    if (!files[size_t(target)].document.setValue(section, key, text))
        return false;
    edits.append({section, key, text});
    return true;
}

QList<SaveFailure> IniFileSet::save()
{
    const size_t fileCount = files.size();
    std::vector<std::optional<SaveFailure>> failures(fileCount);
    for (int attempt = 1;; ++attempt) {
        std::vector<DiskFile> now(fileCount);
        std::vector<IniDocument> documents(fileCount);
        std::vector<std::optional<SaveFailure>> refusals(fileCount);
        for (size_t index = 0; index < fileCount; ++index) {
            File &file = files[index];
            now[index] = readSettled(file, refusals[index]);
            const DiskFile &seen = refusals[index] ? file.disk : now[index];
            if (seen.state == DiskFile::State::Regular)
                documents[index] = IniDocument::fromBytes(seen.bytes);
            // What stands on disk now is the starting point of the next save, cut short or not.
            if (now[index].state == DiskFile::State::Regular && !now[index].busy && !now[index].changedWhileRead)
                file.disk = now[index];
        }

        // Each edit goes where the files as they are now say.
        std::vector<std::vector<int>> routed(fileCount);
        for (int edit = 0; edit < edits.size(); ++edit) {
            const int index = fileFor(documents, edits[edit]);
            if (!documents[size_t(index)].setValue(edits[edit].section, edits[edit].key, edits[edit].text)
                && !refusals[size_t(index)])
                refusals[size_t(index)] = SaveFailure{files[size_t(index)].path, SaveFailure::Kind::ValueNotStorable, {}};
            routed[size_t(index)].push_back(edit);
        }

        std::vector<bool> saved(size_t(edits.size()), false);
        bool startOver = false;
        for (size_t index = 0; index < fileCount; ++index) {
            File &file = files[index];
            const DiskFile &current = now[index];
            file.document = documents[index];
            failures[index] = refusals[index];
            if (refusals[index])
                continue;
            const bool exists = current.state == DiskFile::State::Regular;
            if (!exists && routed[index].empty())
                continue; // deleted, and nothing of the player's goes there: it stays deleted
            if (finishing)
                finishing(int(index), documents[index]);
            documents[index].removeEmptyLines();
            const QByteArray bytes = documents[index].toBytes();

            DiskCommit commit;
            if (exists && bytes == current.bytes) {
                commit.written = current;
            } else if (exists && current.readOnly) {
                failures[index] = SaveFailure{file.path, SaveFailure::Kind::ReadOnlyFile,
                                              current.readOnlyError ? DiskFiles::errorText(current.readOnlyError) : QString()};
                continue;
            } else {
                commit = exists ? DiskFiles::replace(current, bytes, !file.backedUp)
                                : DiskFiles::create(current, bytes, file.disk);
                // A file made anew had nothing to keep.
                file.backedUp = file.backedUp || commit.backupKept || (!exists && commit.status == DiskCommit::Status::Done);
            }
            switch (commit.status) {
            case DiskCommit::Status::Done:
                file.disk = commit.written;
                file.document = documents[index];
                for (int edit : routed[index])
                    saved[size_t(edit)] = true;
                break;
            case DiskCommit::Status::Conflict:
                startOver = true;
                failures[index] = SaveFailure{file.path, SaveFailure::Kind::KeepsChanging, {}};
                break;
            case DiskCommit::Status::Failed:
                failures[index] = SaveFailure{file.path, commit.failure, DiskFiles::errorText(commit.error)};
                break;
            }
        }
        for (qsizetype edit = edits.size() - 1; edit >= 0; --edit) {
            if (saved[size_t(edit)])
                edits.removeAt(edit);
        }
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

// The file as it stands once it stands still. One that is being written, or
// changed while it was read, is read again after a pause, and one that looks
// unfinished is believed once it stays so for a pause. A file that ends
// inside a line where it did not before is refused once, then taken as it is.
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
            if (moving) {
                refusal = SaveFailure{file.path, SaveFailure::Kind::KeepsChanging, {}};
                return now;
            }
            break;
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

int IniFileSet::fileFor(const std::vector<IniDocument> &documents, const Edit &edit) const
{
    for (size_t index = 0; index < documents.size(); ++index) {
        if (holds(documents[index], edit.section, edit.key))
            return int(index);
    }
    return 0;
}
