// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The files a save keeps beside an INI file for a moment: the journal of a
// write in place, "<name>.journal", and temporary files named ".<name>.<...>".
namespace BesideFiles {

QString journalPath(const QString &target);

// A journal holds the content before and after the write it guards.
struct Journal
{
    QByteArray before;
    QByteArray after;
};
QByteArray encodeJournal(const Journal &journal);
std::optional<Journal> decodeJournal(const QByteArray &bytes);

// Whether bytes are what a write of journal.after over journal.before leaves
// when it is cut short: each byte one or the other's, in a length between.
bool isTornBetween(const QByteArray &bytes, const Journal &journal);

// Where a journal stands beside the file at path, brings the file to one whole
// content: a file torn between the two is written again with the new content;
// a file that is wholly one of them, or that another program wrote since, is
// left as it is. The journal then goes. Returns false when a torn file could
// not be finished.
bool finishInterruptedWrite(const QString &path);

// Removes temporary files of ours beside path that are older than a few
// minutes and that no program has open: what a save that was killed left.
void removeLeftovers(const QString &path);

} // namespace BesideFiles
