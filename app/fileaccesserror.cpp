#include "fileaccesserror.h"

#include <QDir>
#include <QMessageBox>
#include <QStringList>

namespace {

QString fileAccessErrorTitle()
{
    return QStringLiteral("File access error!");
}

} // namespace

void showOpenError(const QString &path)
{
    QMessageBox box;
    box.setIcon(QMessageBox::Critical);
    box.setWindowTitle(fileAccessErrorTitle());
    box.setStandardButtons(QMessageBox::Ok);
    box.setDefaultButton(QMessageBox::Ok);
    box.setText(QStringLiteral("Couldn't open ") + QDir::toNativeSeparators(path) + u'!');
    box.exec();
}

void showSaveErrors(QWidget *parent, const QList<SaveFailure> &failures)
{
    if (failures.isEmpty())
        return;
    QStringList files;
    QStringList reasons;
    for (const SaveFailure &failure : failures) {
        const QString path = QDir::toNativeSeparators(failure.path);
        files.append(QStringLiteral("Couldn't save ") + path + u'!');
        reasons.append(failures.size() == 1 ? failure.reason : path + QStringLiteral(": ") + failure.reason);
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
