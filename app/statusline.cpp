// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "statusline.h"

#include "fileaccesserror.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTime>

namespace {

QString link(const char *target, const QString &text)
{
    return QStringLiteral("<a href=\"%1\">%2</a>").arg(QLatin1String(target), text.toHtmlEscaped());
}

QString names(const QList<QString> &paths)
{
    QStringList names;
    for (const QString &path : paths)
        names.append(QFileInfo(path).fileName());
    return names.join(QStringLiteral(", "));
}

} // namespace

StatusLine::StatusLine(QWidget *parent)
    : QLabel(parent)
{
    setObjectName(QStringLiteral("lblStatus"));
    setTextFormat(Qt::RichText);
    setGeometry(105, 280, 370, 21);
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

void StatusLine::showFolder(const QString &folder, int folders)
{
    this->folder = QDir::toNativeSeparators(folder);
    folderCount = folders;
    showLine(this->folder, tr("Editing the files in %1").arg(this->folder), {});
}

void StatusLine::showSaved(const QStringList &paths, bool restorable)
{
    const QString time = QTime::currentTime().toString(QStringLiteral("HH:mm"));
    const QString saved = paths.isEmpty() ? tr("Saved %1: no file needed a change").arg(time)
                                          : tr("Saved %1: %2").arg(time, names(paths));
    showLine(saved, saved + u'\n' + folder, restorable ? QStringList{link("restore", tr("Restore"))} : QStringList());
}

void StatusLine::showFailed(const QList<SaveFailure> &failures)
{
    QStringList reasons;
    QStringList paths;
    for (const SaveFailure &failure : failures) {
        paths.append(failure.path);
        reasons.append(QDir::toNativeSeparators(failure.path) + QStringLiteral(": ")
                       + SaveFailureText::reason(failure));
    }
    showLine(tr("Not saved: %1").arg(names(paths)), reasons.join(u'\n'), {});
}

void StatusLine::showRestored(const QList<SaveFailure> &failures)
{
    if (!failures.isEmpty()) {
        showFailed(failures);
        return;
    }
    const QString restored = tr("Restored %1").arg(QTime::currentTime().toString(QStringLiteral("HH:mm")));
    showLine(restored, restored + u'\n' + folder, {});
}

void StatusLine::showLine(const QString &text, const QString &fullText, const QStringList &links)
{
    QStringList all = links;
    all.append(link("open", tr("Open")));
    if (folderCount > 1)
        all.append(link("switch", tr("%n folders", nullptr, folderCount)));
    const QString tail = QStringLiteral(" · ") + all.join(QStringLiteral(" · "));
    const QString plainTail = QString(tail).remove(QRegularExpression(QStringLiteral("<[^>]*>")));
    const int room = contentsRect().width() - fontMetrics().horizontalAdvance(plainTail) - 4;
    setText(fontMetrics().elidedText(text, Qt::ElideMiddle, room).toHtmlEscaped() + tail);
    setToolTip(fullText);
}
