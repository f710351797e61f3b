// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "besidefiles.h"

#include "diskfile.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

namespace BesideFiles {

namespace {

const QByteArray journalMark = "vantor-configurator journal 1\n";
constexpr qint64 leftoverAgeSeconds = 5 * 60;

QByteArray digest(const QByteArray &before, const QByteArray &after)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(before);
    hash.addData(after);
    return hash.result().toHex();
}

} // namespace

QString journalPath(const QString &target)
{
    return target + QStringLiteral(".journal");
}

// The mark, the two sizes and a digest on one line, then the two contents.
QByteArray encodeJournal(const Journal &journal)
{
    return journalMark + QByteArray::number(journal.before.size()) + ' ' + QByteArray::number(journal.after.size())
        + ' ' + digest(journal.before, journal.after) + '\n' + journal.before + journal.after;
}

std::optional<Journal> decodeJournal(const QByteArray &bytes)
{
    if (!bytes.startsWith(journalMark))
        return std::nullopt;
    const qsizetype lineEnd = bytes.indexOf('\n', journalMark.size());
    const QList<QByteArray> fields = bytes.mid(journalMark.size(), lineEnd - journalMark.size()).split(' ');
    if (lineEnd < 0 || fields.size() != 3)
        return std::nullopt;
    bool beforeOk = false;
    bool afterOk = false;
    const qint64 beforeSize = fields[0].toLongLong(&beforeOk);
    const qint64 afterSize = fields[1].toLongLong(&afterOk);
    const qint64 body = bytes.size() - lineEnd - 1;
    if (!beforeOk || !afterOk || beforeSize < 0 || afterSize < 0 || beforeSize + afterSize != body)
        return std::nullopt;
    Journal journal{bytes.mid(lineEnd + 1, beforeSize), bytes.right(afterSize)};
    if (digest(journal.before, journal.after) != fields[2])
        return std::nullopt;
    return journal;
}

bool isTornBetween(const QByteArray &bytes, const Journal &journal)
{
    const qsizetype size = bytes.size();
    const qsizetype before = journal.before.size();
    const qsizetype after = journal.after.size();
    if (size < std::min(before, after) || size > std::max(before, after))
        return false;
    for (qsizetype at = 0; at < size; ++at) {
        const bool fromAfter = at < after && bytes[at] == journal.after[at];
        const bool fromBefore = at < before && bytes[at] == journal.before[at];
        if (!fromAfter && !fromBefore)
            return false;
    }
    return true;
}

bool finishInterruptedWrite(const QString &path)
{
    // The write went to the file a link points to, and its journal beside that.
    const QString target = QFileInfo(path).canonicalFilePath();
    if (target.isEmpty() || !QFileInfo::exists(journalPath(target)))
        return true;
    QFile journalFile(journalPath(target));
    const std::optional<Journal> journal =
        journalFile.open(QIODevice::ReadOnly) ? decodeJournal(journalFile.readAll()) : std::nullopt;
    journalFile.close();
    const DiskFile file = DiskFiles::read(target);
    if (file.state != DiskFile::State::Regular || file.busy || file.changedWhileRead)
        return !journal; // looked at again by the next read
    const bool whole = !journal || file.bytes == journal->after || file.bytes == journal->before
        || !isTornBetween(file.bytes, *journal);
    // Writing it again lays a journal of its own over this one, and removes it when done.
    if (!whole && DiskFiles::writeInPlace(file, journal->after).status != DiskCommit::Status::Done)
        return false;
    QFile::remove(journalPath(target));
    return true;
}

void removeLeftovers(const QString &path)
{
    const QString target = QFileInfo(path).canonicalFilePath();
    const QFileInfo info(target.isEmpty() ? path : target);
    // ".<name>.<random>", with "bak" or "journal" and "new" or "old" between on some systems.
    const QRegularExpression ours(QStringLiteral("^\\.") + QRegularExpression::escape(info.fileName())
                                  + QStringLiteral("(\\.(bak|journal))?(\\.(new|old))?\\.[0-9a-z]{1,13}$"));
    const QDateTime oldEnough = QDateTime::currentDateTimeUtc().addSecs(-leftoverAgeSeconds);
    const QDir folder = info.dir();
    for (const QFileInfo &entry : folder.entryInfoList(QDir::Files | QDir::Hidden | QDir::System)) {
        if (ours.match(entry.fileName()).hasMatch() && !entry.isSymLink() && entry.lastModified() < oldEnough
            && !DiskFiles::isOpenElsewhere(entry.filePath()))
            QFile::remove(entry.filePath());
    }
}

} // namespace BesideFiles
