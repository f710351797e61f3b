// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "fileaccesserror.h"

#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QStringList>

QString fileAccessErrorTitle()
{
    return SaveFailureText::tr("File access error!");
}

QString SaveFailureText::shownPath(const QString &path)
{
    constexpr qsizetype longest = 80;
    const QString native = QDir::toNativeSeparators(path);
    if (native.size() <= longest)
        return native;
    return native.left(25) + QChar(0x2026) + native.right(longest - 26);
}

QString SaveFailureText::openError(const SaveFailure &failure)
{
    return tr("Couldn't open %1!").arg(shownPath(failure.path));
}

QString SaveFailureText::startReason(const SaveFailure &failure)
{
    switch (failure.kind) {
    case SaveFailure::Kind::Missing:
        return QString();
    case SaveFailure::Kind::NotText:
        return tr("It does not read as lines of text (wide text without a byte order mark, or cut short), so it is "
                  "not edited.");
    case SaveFailure::Kind::ReadFailed:
        return tr("It cannot be read (%1).").arg(failure.systemText);
    case SaveFailure::Kind::KeepsChanging:
        return tr("Another program, probably the game, is writing it. Close the game and start again.");
    case SaveFailure::Kind::HeldOpen:
        return tr("Another program, probably the game, has it open. Close the game and start again.");
    default:
        return reason(failure);
    }
}

QString SaveFailureText::reason(const SaveFailure &failure)
{
    const QString system = failure.systemText;
    switch (failure.kind) {
    case SaveFailure::Kind::ReadOnlyFile:
        return system.isEmpty() ? tr("The file is read-only.") : tr("The file is read-only (%1).").arg(system);
    case SaveFailure::Kind::FolderNotWritable:
        return tr("No new file can be made in its folder (%1), so the file cannot be replaced safely.").arg(system);
    case SaveFailure::Kind::NotAFile:
        return tr("Something other than a file, such as a folder, now stands in its place.");
    case SaveFailure::Kind::DanglingLink:
        return tr("It is a link to a file that does not exist.");
    case SaveFailure::Kind::ReadFailed:
        return tr("The file can no longer be read (%1).").arg(system);
    case SaveFailure::Kind::WriteFailed:
        return tr("Writing failed (%1). The file on disk was left as it was.").arg(system);
    case SaveFailure::Kind::BackupFailed:
        return tr("The copy of the file as it was could not be kept (%1), so the file was left as it was.")
            .arg(system);
    case SaveFailure::Kind::KeepsChanging:
        return tr("Another program, probably the game, kept writing the file; it was left as that program "
                  "wrote it. Press Apply again once the game is closed.");
    case SaveFailure::Kind::HeldOpen:
        return tr("The game or another program has the file open, so it cannot be replaced now. Close the "
                  "game and press Apply again. The file on disk was left as it was.");
    case SaveFailure::Kind::WriteUnfinished:
        if (system.isEmpty())
            return tr("A write of the file was cut short and could not be finished yet; it is finished the next "
                      "time Apply is pressed or the program starts.");
        return tr("Writing failed (%1) part way through, and the old content could not be put back either. "
                  "The write is finished the next time Apply is pressed or the program starts; until then "
                  "\"%2\" holds the file as it was before the first save.")
            .arg(system, QFileInfo(failure.path).fileName() + QStringLiteral(".bak"));
    case SaveFailure::Kind::Missing:
        return QString();
    case SaveFailure::Kind::Empty:
        return tr("The file is empty, as the game leaves it when it stops while saving. Start the game once so "
                  "that it writes the file again.");
    case SaveFailure::Kind::ValueNotStorable:
        return tr("The file's text encoding cannot hold a value that was set; the file was left as it was.");
    case SaveFailure::Kind::NotText:
        return tr("The file no longer reads as lines of text; it was left as it is.");
    }
    return system;
}

void showOpenError(const SaveFailure &failure)
{
    QMessageBox box;
    box.setIcon(QMessageBox::Critical);
    box.setWindowTitle(fileAccessErrorTitle());
    box.setStandardButtons(QMessageBox::Ok);
    box.setDefaultButton(QMessageBox::Ok);
    box.setText(SaveFailureText::openError(failure));
    box.setInformativeText(SaveFailureText::startReason(failure));
    box.exec();
}

void showSaveErrors(QWidget *parent, const QList<SaveFailure> &failures)
{
    if (failures.isEmpty())
        return;
    QStringList files;
    QStringList reasons;
    for (const SaveFailure &failure : failures) {
        const QString path = SaveFailureText::shownPath(failure.path);
        const QString reason = SaveFailureText::reason(failure);
        files.append(SaveFailureText::tr("Couldn't save %1!").arg(path));
        reasons.append(failures.size() == 1 ? reason : path + QStringLiteral(": ") + reason);
    }
    QMessageBox box(parent);
    box.setIcon(QMessageBox::Critical);
    box.setWindowTitle(fileAccessErrorTitle());
    box.setStandardButtons(QMessageBox::Ok);
    box.setDefaultButton(QMessageBox::Ok);
    box.setText(files.join(u'\n'));
    box.setInformativeText(reasons.join(u'\n'));
    box.exec();
}
