// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "startup.h"

#include "fileaccesserror.h"
#include "gamefiles.h"
#include "inifolder.h"
#include "inistore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QTranslator>

namespace {

const QString folderKey = QStringLiteral("folder");

// The program's own settings: ~/.config/vantor-configurator/ on Linux, the registry on Windows.
QSettings ownSettings()
{
    return QSettings(QStringLiteral("vantor-configurator"), QStringLiteral("vantor-configurator"));
}

std::function<QString(const QString &)> &folderChooser()
{
    static std::function<QString(const QString &)> chooser = [](const QString &start) {
        return QFileDialog::getExistingDirectory(
            nullptr, QCoreApplication::translate("Startup", "Choose the folder that holds VantorPrefs.ini"), start);
    };
    return chooser;
}

// Asks what to do about a missing file; the folder the player chose, or empty for Close.
QString askForFolder(const SaveFailure &failure, const QString &given)
{
    QMessageBox box;
    box.setIcon(QMessageBox::Critical);
    box.setWindowTitle(fileAccessErrorTitle());
    const QStringList lines = startErrorText(failure, searchedFolders(given)).split(u'\n');
    const qsizetype searched = lines.indexOf(QCoreApplication::translate("Startup", "Folders searched:"));
    box.setText(lines.mid(0, searched).join(u'\n').trimmed());
    box.setInformativeText(lines.mid(searched).join(u'\n'));
    QPushButton *choose =
        box.addButton(QCoreApplication::translate("Startup", "Choose Folder…"), QMessageBox::AcceptRole);
    box.addButton(QMessageBox::Close);
    box.setDefaultButton(choose);
    box.exec();
    if (box.clickedButton() != choose)
        return QString();
    return folderChooser()(QFileInfo(failure.path).path());
}

} // namespace

void rememberFolder(const QString &folder)
{
    if (folder.isEmpty())
        ownSettings().remove(folderKey);
    else
        ownSettings().setValue(folderKey, folder);
}

QString folderPath(const QString &folder)
{
    const QString absolute = QDir::cleanPath(QDir(folder).absolutePath());
    return absolute.endsWith(u'/') ? absolute : absolute + u'/';
}

QString startFolder(const QString &given)
{
    if (!given.isEmpty())
        return given;
    const QString chosen = ownSettings().value(folderKey).toString();
    if (!chosen.isEmpty() && GameFiles::allIn(chosen))
        return chosen;
    return iniFolder();
}

QStringList searchedFolders(const QString &given)
{
    if (!given.isEmpty())
        return {given};
    QStringList folders = iniFolderCandidates(IniFolderSearch::fromEnvironment());
    const QString chosen = ownSettings().value(folderKey).toString();
    if (!chosen.isEmpty())
        folders.prepend(chosen);
    return folders;
}

QString startErrorText(const SaveFailure &failure, const QStringList &searched)
{
    QString text = SaveFailureText::openError(failure);
    if (failure.kind != SaveFailure::Kind::Missing)
        return text + u'\n' + SaveFailureText::startReason(failure);
    text += u'\n' + QCoreApplication::translate("Startup", "The game creates its two settings files the first time it "
                                                          "starts. Start the game once, or choose the folder that "
                                                          "holds them.");
    text += u'\n' + QCoreApplication::translate("Startup", "Folders searched:");
    for (const QString &folder : searched)
        text += QStringLiteral("\n  ") + QDir::toNativeSeparators(folder);
    return text;
}

bool displayAvailable()
{
#ifdef Q_OS_WIN
    return true;
#else
    // The platform chosen, else the desktop's: X11 and Wayland need their display.
    const QString platform = qEnvironmentVariable("QT_QPA_PLATFORM");
    const bool x11 = !qEnvironmentVariableIsEmpty("DISPLAY");
    const bool wayland = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    if (platform.startsWith(QLatin1String("xcb")))
        return x11;
    if (platform.startsWith(QLatin1String("wayland")))
        return wayland;
    return !platform.isEmpty() || x11 || wayland;
#endif
}

std::unique_ptr<IniStore> openIniStore(const QString &folder, const QString &given)
{
    for (QString tried = folder;;) {
        auto store = std::make_unique<IniStore>(tried);
        if (store->isOpen()) {
            if (tried != folder)
                rememberFolder(tried);
            return store;
        }
        const SaveFailure failure = *store->openFailure();
        if (failure.kind != SaveFailure::Kind::Missing) {
            showOpenError(failure);
            return nullptr;
        }
        const QString chosen = askForFolder(failure, given);
        if (chosen.isEmpty())
            return nullptr;
        tried = folderPath(chosen);
    }
}

bool installQtTranslations()
{
    static QTranslator qtWords;
    if (!qtWords.load(QLocale(), QStringLiteral("qtbase"), QStringLiteral("_"),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return false;
    return QCoreApplication::installTranslator(&qtWords);
}

void setFolderChooser(std::function<QString(const QString &start)> chooser)
{
    folderChooser() = std::move(chooser);
}
