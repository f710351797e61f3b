#include "store/inifolder.h"
#include "testregistry.h"
#include "testsupport.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A fake home folder in which a test lays out documents folders and prefixes.
class FakeHome
{
public:
    QString path(const QString &relative) const { return dir.path() + u'/' + relative; }

    // Puts the game's preferences file below a documents folder and returns its INI folder.
    QString placeGame(const QString &documents, const QDateTime &modified = QDateTime::currentDateTime())
    {
        const QString folder = documents + QStringLiteral("/My Games/Vantor/");
        TestSupport::writeBytes(folder + QStringLiteral("VantorPrefs.ini"), "[Display]\n");
        QFile prefs(folder + QStringLiteral("VantorPrefs.ini"));
        prefs.open(QIODevice::ReadWrite);
        prefs.setFileTime(modified, QFileDevice::FileModificationTime);
        return folder;
    }

    QString steamDocuments(const QString &library, const QString &game) const
    {
        return library + QStringLiteral("/steamapps/compatdata/") + game
            + QStringLiteral("/pfx/drive_c/users/steamuser/Documents");
    }

    IniFolderSearch search(const QString &winePrefix = QString()) const
    {
        return {path(QStringLiteral("Documents")), dir.path(), winePrefix, QStringLiteral("ana")};
    }

    QTemporaryDir dir;
};

} // namespace

class TestIniFolder : public QObject
{
    Q_OBJECT

private slots:
    void documentsFolderComesFirst();
    void nothingFoundNamesTheDocumentsFolder();
    void steamPrefixChangedLastWins();
    void steamLibrariesListedElsewhereAreSearched();
    void winePrefixesAreSearchedLast();
};

void TestIniFolder::documentsFolderComesFirst()
{
    FakeHome home;
    const QString documents = home.placeGame(home.path(QStringLiteral("Documents")));
    home.placeGame(home.steamDocuments(home.path(QStringLiteral(".local/share/Steam")), QStringLiteral("9001")),
                   QDateTime::currentDateTime().addDays(1));
    QCOMPARE(findIniFolder(home.search()), documents);
}

void TestIniFolder::nothingFoundNamesTheDocumentsFolder()
{
    FakeHome home;
    QDir().mkpath(home.steamDocuments(home.path(QStringLiteral(".local/share/Steam")), QStringLiteral("1")));
    const IniFolderSearch search = home.search();
    QCOMPARE(findIniFolder(search), home.path(QStringLiteral("Documents/My Games/Vantor/")));
    QCOMPARE(iniFolderCandidates(search).first(), findIniFolder(search));
    QVERIFY(iniFolderCandidates(search).size() > 1);
}

void TestIniFolder::steamPrefixChangedLastWins()
{
    FakeHome home;
    const QString steam = home.path(QStringLiteral(".local/share/Steam"));
    const QDateTime now = QDateTime::currentDateTime();
    home.placeGame(home.steamDocuments(steam, QStringLiteral("1111")), now.addDays(-3));
    const QString newest = home.placeGame(home.steamDocuments(steam, QStringLiteral("2222")), now);
    home.placeGame(home.steamDocuments(steam, QStringLiteral("3333")), now.addDays(-1));
    // The usual symlink to the same installation is no second library.
    QDir().mkpath(home.path(QStringLiteral(".steam")));
    QVERIFY(QFile::link(steam, home.path(QStringLiteral(".steam/steam"))));
    QCOMPARE(findIniFolder(home.search()), newest);
    QCOMPARE(iniFolderCandidates(home.search()).count(), 1 + 3 + 2); // documents, prefixes, ~/.wine twice

    // A flatpak installation counts too.
    const QString flatpak = home.path(QStringLiteral(".var/app/com.valvesoftware.Steam/.local/share/Steam"));
    const QString newer = home.placeGame(home.steamDocuments(flatpak, QStringLiteral("4444")), now.addDays(1));
    QCOMPARE(findIniFolder(home.search()), newer);
}

void TestIniFolder::steamLibrariesListedElsewhereAreSearched()
{
    FakeHome home;
    const QString steam = home.path(QStringLiteral(".local/share/Steam"));
    const QString library = home.path(QStringLiteral("Games Drive/SteamLibrary"));
    TestSupport::writeBytes(steam + QStringLiteral("/steamapps/libraryfolders.vdf"),
                            "\"libraryfolders\"\n{\n\t\"0\"\n\t{\n\t\t\"path\"\t\t\"" + steam.toUtf8()
                                + "\"\n\t}\n\t\"1\"\n\t{\n\t\t\"path\"\t\t\"" + library.toUtf8()
                                + "\"\n\t\t\"label\"\t\t\"\"\n\t}\n}\n");
    const QString game = home.placeGame(home.steamDocuments(library, QStringLiteral("489830")));
    QCOMPARE(findIniFolder(home.search()), game);
}

void TestIniFolder::winePrefixesAreSearchedLast()
{
    FakeHome home;
    const QString defaultPrefix = home.path(QStringLiteral(".wine/drive_c/users/ana/My Documents"));
    const QString inDefault = home.placeGame(defaultPrefix);
    QCOMPARE(findIniFolder(home.search()), inDefault);

    const QString own = home.path(QStringLiteral("prefixes/vantor"));
    const QString inOwn = home.placeGame(own + QStringLiteral("/drive_c/users/ana/Documents"));
    QCOMPARE(findIniFolder(home.search(own)), inOwn);

    const QString inSteam = home.placeGame(
        home.steamDocuments(home.path(QStringLiteral(".local/share/Steam")), QStringLiteral("7")),
        QDateTime::currentDateTime().addYears(-1));
    QCOMPARE(findIniFolder(home.search(own)), inSteam);
}

VANTOR_REGISTER_TEST(TestIniFolder)
#include "tst_inifolder.moc"
