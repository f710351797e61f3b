// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "inifolder.h"
#include "testsupport.h"

#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

namespace {

struct FakeHome
{
    QString path(const QString &relative) const { return dir.path() + u'/' + relative; }
    QString steamDocuments(const QString &game, const QString &library = QString()) const
    {
        return (library.isEmpty() ? steamRoot : library) + "/steamapps/compatdata/" + game
            + "/pfx/drive_c/users/steamuser/Documents";
    }

    // Puts the preferences file below a documents folder and returns its INI folder.
    static QString placeGame(const QString &documents, const QDateTime &modified = QDateTime::currentDateTime())
    {
        const QString folder = documents + QStringLiteral("/My Games/Vantor/");
        TestSupport::writeBytes(folder + QStringLiteral("VantorPrefs.ini"), "[Display]\n");
        QFile prefs(folder + QStringLiteral("VantorPrefs.ini"));
        if (!prefs.open(QIODevice::ReadWrite) || !prefs.setFileTime(modified, QFileDevice::FileModificationTime))
            qFatal("cannot date %s", qPrintable(prefs.fileName()));
        return folder;
    }

    QTemporaryDir dir;
    const QString steamRoot = path(QStringLiteral(".local/share/Steam"));
    const QDateTime now = QDateTime::currentDateTime();
    IniFolderSearch search{path(QStringLiteral("Documents")), dir.path(), QString(), QStringLiteral("ana")};
};

} // namespace

class TestIniFolder : public QObject
{
    Q_OBJECT

private slots:
    // First even when a prefix's file is newer, and named when no folder holds the files.
    void documentsFolderComesFirst()
    {
        FakeHome home;
        const QString documents = home.path(QStringLiteral("Documents/My Games/Vantor/"));
        QCOMPARE(findIniFolder(home.search), documents);
        home.placeGame(home.steamDocuments(QStringLiteral("1")), home.now.addDays(1));
        home.placeGame(home.path(QStringLiteral("Documents")));
        QCOMPARE(findIniFolder(home.search), documents);
    }

    // Among the prefixes of every Steam library (native, flatpak, listed in libraryfolders.vdf).
    void steamPrefixChangedLastWins()
    {
        FakeHome home;
        home.placeGame(home.steamDocuments(QStringLiteral("1111")), home.now.addDays(-3));
        const QString newest = home.placeGame(home.steamDocuments(QStringLiteral("2222")), home.now);
        home.placeGame(home.steamDocuments(QStringLiteral("3333")), home.now.addDays(-1));
        // The usual symlink to the same installation is no second library.
        QDir().mkpath(home.path(QStringLiteral(".steam")));
        QVERIFY(QFile::link(home.steamRoot, home.path(QStringLiteral(".steam/steam"))));
        QCOMPARE(findIniFolder(home.search), newest);
        QCOMPARE(iniFolderCandidates(home.search).count(), 1 + 3 + 2); // documents, prefixes, ~/.wine twice

        const QString flatpak = home.path(QStringLiteral(".var/app/com.valvesoftware.Steam/.local/share/Steam"));
        const QString newer = home.placeGame(home.steamDocuments(QStringLiteral("4444"), flatpak), home.now.addDays(1));
        QCOMPARE(findIniFolder(home.search), newer);

        const QString library = home.path(QStringLiteral("Games Drive/SteamLibrary"));
        TestSupport::writeBytes(home.steamRoot + "/steamapps/libraryfolders.vdf", "\"libraryfolders\"\n{\n\t\"1\"\n\t{\n"
                                "\t\t\"path\"\t\t\"" + library.toUtf8() + "\"\n\t}\n}\n");
        const QString listed = home.placeGame(home.steamDocuments(QStringLiteral("489830"), library), home.now.addDays(2));
        QCOMPARE(findIniFolder(home.search), listed);
    }

    // $WINEPREFIX before ~/.wine, "Documents" or "My Documents"; a Steam prefix before both.
    void winePrefixesComeAfterSteam()
    {
        FakeHome home;
        const QString inDefault = home.placeGame(home.path(QStringLiteral(".wine/drive_c/users/ana/My Documents")));
        QCOMPARE(findIniFolder(home.search), inDefault);
        home.search.winePrefix = home.path(QStringLiteral("prefixes/vantor"));
        const QString inOwn = home.placeGame(home.search.winePrefix + QStringLiteral("/drive_c/users/ana/Documents"));
        QCOMPARE(findIniFolder(home.search), inOwn);
        const QString inSteam = home.placeGame(home.steamDocuments(QStringLiteral("7")), home.now.addYears(-1));
        QCOMPARE(findIniFolder(home.search), inSteam);
    }

    // The lookup neither waits for a FIFO's writer nor reads a huge file (one listing a newer prefix).
    void libraryListThatIsNoSmallFileIsSkipped()
    {
        for (const bool fifo : {true, false}) {
            FakeHome home;
            const QString inRoot = home.placeGame(home.steamDocuments(QStringLiteral("1")), home.now);
            const QString library = home.path(QStringLiteral("Games Drive/SteamLibrary"));
            home.placeGame(home.steamDocuments(QStringLiteral("2"), library), home.now.addDays(1));
            const QString list = home.steamRoot + QStringLiteral("/steamapps/libraryfolders.vdf");
            if (fifo)
                QCOMPARE(mkfifo(QFile::encodeName(list).constData(), 0600), 0);
            else
                TestSupport::writeBytes(list, "\"libraryfolders\"\n{\n\t\"path\"\t\"" + library.toUtf8() + "\"\n"
                                        + QByteArray(1024 * 1024, ' ') + "}\n");
            // A lookup that blocks is ended by the alarm.
            QCOMPARE(TestSupport::runInChild([&] { alarm(60); return findIniFolder(home.search) == inRoot ? 0 : 1; }), 0);
        }
    }
};

QTEST_MAIN(TestIniFolder)
#include "tst_inifolder.moc"
