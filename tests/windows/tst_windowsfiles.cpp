// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The store on Windows file semantics: the read-only attribute, a file the game holds
// open, hard links, profile folders with non-ASCII letters or beyond MAX_PATH, and the
// shell's documents folder. (Waiting for a file held a moment is the shared protocol's,
// tested on every platform; CR LF for a file without line ends is tst_inidocument's.)

#include "inifileset.h"
#include "inifolder.h"
#include "inistore.h"
#include "testsupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <qt_windows.h>

using namespace TestSupport;

namespace {

const QByteArray examplePrefs = "[Display]\r\nsD3DDevice=\"Radeon RX 6600 XT\"\r\niShadowMapResolution=2048\r\n";
const QByteArray exampleMain = "[Display]\r\n; the game's own comment\r\nfGamma=1.0000\r\n\r\n[Controls]\r\nfMouseSensitivity=0.0025\r\n";
const QByteArray savedMain = "[Display]\r\n; the game's own comment\r\nfGamma=1.25\r\n[Controls]\r\nfMouseSensitivity=0.0025\r\n";

const wchar_t shellFoldersKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
const wchar_t documentsValue[] = L"Personal";

QStringList described(const QList<SaveFailure> &failures)
{
    QStringList lines;
    for (const SaveFailure &failure : failures)
        lines.append(QStringLiteral("%1: kind %2 (%3)").arg(failure.path).arg(int(failure.kind)).arg(failure.systemText));
    return lines;
}

// The files in folder, hidden and system ones included: a leftover temporary file shows here.
QStringList filesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

// A game folder holding the example pair, below the given path of the scratch folder.
struct GameFolder
{
    explicit GameFolder(const QString &below = QStringLiteral("Documents"))
        : folder(scratch.path() + u'/' + below + QStringLiteral("/My Games/Vantor/"))
    {
        writeBytes(prefsPath(), examplePrefs);
        writeBytes(mainPath(), exampleMain);
    }
    QString prefsPath() const { return folder + QStringLiteral("VantorPrefs.ini"); }
    QString mainPath() const { return folder + QStringLiteral("Vantor.ini"); }

    QTemporaryDir scratch;
    QString folder;
};

// Points the current user's documents folder elsewhere while it lives, and puts the
// registry value back exactly (type and text) afterwards.
class DocumentsFolderOverride
{
public:
    explicit DocumentsFolderOverride(const QString &folder)
    {
        if (RegOpenKeyExW(HKEY_CURRENT_USER, shellFoldersKey, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &key) != ERROR_SUCCESS)
            qFatal("cannot open the shell folders key");
        DWORD size = 0;
        hadValue = RegQueryValueExW(key, documentsValue, nullptr, &savedType, nullptr, &size) == ERROR_SUCCESS;
        if (hadValue) {
            savedData.resize(size);
            RegQueryValueExW(key, documentsValue, nullptr, &savedType, reinterpret_cast<BYTE *>(savedData.data()), &size);
        }
        const std::wstring path = nativePath(folder);
        RegSetValueExW(key, documentsValue, 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE *>(path.c_str()),
                       DWORD((path.size() + 1) * sizeof(wchar_t)));
    }
    ~DocumentsFolderOverride()
    {
        if (hadValue)
            RegSetValueExW(key, documentsValue, 0, savedType, reinterpret_cast<const BYTE *>(savedData.data()),
                           DWORD(savedData.size()));
        else
            RegDeleteValueW(key, documentsValue);
        RegCloseKey(key);
    }
    DocumentsFolderOverride(const DocumentsFolderOverride &) = delete;
    DocumentsFolderOverride &operator=(const DocumentsFolderOverride &) = delete;

private:
    HKEY key = nullptr;
    bool hadValue = false;
    DWORD savedType = REG_NONE;
    QByteArray savedData;
};

// Folders that take a path beyond MAX_PATH.
QString longSegments()
{
    const QString segment = QStringLiteral("a long folder name, repeated until the path passes MAX_PATH");
    return QStringList(5, segment).join(u'/');
}

} // namespace

class TestWindowsFiles : public QObject
{
    Q_OBJECT

private slots:
    void readOnlyAttributeIsRefusedAndKept_data();
    void readOnlyAttributeIsRefusedAndKept();
    void fileHeldOpenIsKeptUntilReleased_data();
    void fileHeldOpenIsKeptUntilReleased();
    void hardLinkedFileIsWrittenInPlace();
    void readOnlyJustBeforeTheSwapIsReported();
    void profileFoldersBeyondAsciiAndMaxPath_data();
    void profileFoldersBeyondAsciiAndMaxPath();
    void documentsFolderComesFromTheShell();
};

void TestWindowsFiles::readOnlyAttributeIsRefusedAndKept_data()
{
    QTest::addColumn<bool>("mainFile");
    QTest::newRow("Vantor.ini") << true;
    QTest::newRow("VantorPrefs.ini") << false;
}

void TestWindowsFiles::readOnlyAttributeIsRefusedAndKept()
{
    QFETCH(bool, mainFile);
    GameFolder game;
    const QString locked = mainFile ? game.mainPath() : game.prefsPath();
    const QString other = mainFile ? game.prefsPath() : game.mainPath();
    const QByteArray lockedBefore = readBytes(locked);
    QVERIFY(SetFileAttributesW(nativePath(locked).c_str(), FILE_ATTRIBUTE_READONLY));

    IniStore store(game.folder);
    QVERIFY(store.isOpen());
    QVERIFY(store.writeValue(QStringLiteral("Display"), QStringLiteral("fGamma"), QStringLiteral("1.25")));
    QVERIFY(store.writeValue(QStringLiteral("Display"), QStringLiteral("iShadowMapResolution"), QStringLiteral("4096")));
    const QList<SaveFailure> failures = store.save();

    QCOMPARE(failures.size(), 1);
    QCOMPARE(failures.first().path, locked);
    QCOMPARE(failures.first().kind, SaveFailure::Kind::ReadOnlyFile);
    QCOMPARE(readBytes(locked), lockedBefore);
    QVERIFY(GetFileAttributesW(nativePath(locked).c_str()) & FILE_ATTRIBUTE_READONLY);
    QVERIFY(readBytes(other) != (mainFile ? examplePrefs : exampleMain)); // the other file is still saved
    QStringList expected{QStringLiteral("Vantor.ini"), QStringLiteral("VantorPrefs.ini"),
                         QFileInfo(other).fileName() + QStringLiteral(".bak")};
    expected.sort();
    QCOMPARE(filesIn(game.folder), expected);
    SetFileAttributesW(nativePath(locked).c_str(), FILE_ATTRIBUTE_NORMAL);
}

void TestWindowsFiles::fileHeldOpenIsKeptUntilReleased_data()
{
    QTest::addColumn<QString>("access"); // and the sharing, as holdopen takes them
    QTest::addColumn<QString>("sharing");
    QTest::newRow("as a game: reading, sharing reading and writing") << "r" << "rw";
    QTest::newRow("reading, sharing nothing") << "r" << "-";
    QTest::newRow("writing, nothing written, sharing reading") << "w" << "r";
    QTest::newRow("reading and writing, sharing reading and writing") << "rw" << "rw";
}

// Whatever the sharing, a file another program holds without letting it be replaced is
// reported as held open, never as being written, and saved once it is let go.
void TestWindowsFiles::fileHeldOpenIsKeptUntilReleased()
{
    QFETCH(QString, access);
    QFETCH(QString, sharing);
    GameFolder game;
    QProcess holder;
    holder.start(QCoreApplication::applicationDirPath() + QStringLiteral("/holdopen.exe"),
                 {QDir::toNativeSeparators(game.mainPath()), access, sharing});
    QVERIFY2(holder.waitForReadyRead(30000), holder.readAllStandardError().constData());
    QCOMPARE(holder.readLine().trimmed(), QByteArray("holding"));

    IniStore store(game.folder);
    QVERIFY(store.isOpen() == sharing.contains('r')); // read at start where reading is shared
    if (!store.isOpen()) {
        QCOMPARE(store.openFailure()->kind, SaveFailure::Kind::HeldOpen);
        return;
    }
    QVERIFY(store.writeValue(QStringLiteral("Display"), QStringLiteral("fGamma"), QStringLiteral("1.25")));
    const QList<SaveFailure> failures = store.save();
    QCOMPARE(failures.size(), 1);
    QCOMPARE(failures.first().path, game.mainPath());
    QCOMPARE(failures.first().kind, SaveFailure::Kind::HeldOpen);
    QCOMPARE(readBytes(game.mainPath()), exampleMain);
    QCOMPARE(filesIn(game.folder), QStringList({QStringLiteral("Vantor.ini"), QStringLiteral("VantorPrefs.ini")}));

    holder.write("\n");
    holder.closeWriteChannel();
    QVERIFY(holder.waitForFinished(30000));
    QCOMPARE(holder.exitCode(), 0);

    QCOMPARE(described(store.save()), QStringList());
    QCOMPARE(readBytes(game.mainPath()), savedMain);
    QCOMPARE(readBytes(game.mainPath() + QStringLiteral(".bak")), exampleMain);
    QCOMPARE(filesIn(game.folder), QStringList({QStringLiteral("Vantor.ini"), QStringLiteral("Vantor.ini.bak"),
                                                QStringLiteral("VantorPrefs.ini")}));
}

void TestWindowsFiles::hardLinkedFileIsWrittenInPlace()
{
    GameFolder game;
    const QString otherName = game.scratch.path() + QStringLiteral("/Vantor-linked.ini");
    QVERIFY(CreateHardLinkW(nativePath(otherName).c_str(), nativePath(game.mainPath()).c_str(), nullptr));

    IniStore store(game.folder);
    QVERIFY(store.writeValue(QStringLiteral("Display"), QStringLiteral("fGamma"), QStringLiteral("1.25")));
    // A new key makes the file grow, which claims its space first.
    QVERIFY(store.writeValue(QStringLiteral("Controls"), QStringLiteral("bInvertYValues"), QStringLiteral("1")));
    QCOMPARE(described(store.save()), QStringList());
    const QByteArray saved = readBytes(game.mainPath());
    QVERIFY(saved.contains("fGamma=1.25\r\n") && saved.contains("bInvertYValues=1\r\n"));
    QCOMPARE(readBytes(otherName), saved); // still one file under both names
    QCOMPARE(readBytes(game.mainPath() + QStringLiteral(".bak")), exampleMain);
    QCOMPARE(filesIn(game.folder), QStringList({QStringLiteral("Vantor.ini"), QStringLiteral("Vantor.ini.bak"),
                                                QStringLiteral("VantorPrefs.ini")}));
}

void TestWindowsFiles::readOnlyJustBeforeTheSwapIsReported()
{
    GameFolder game;
    IniFileSet files({game.mainPath()}, IniStore::missingValue());
    QVERIFY(files.write(QStringLiteral("Display"), QStringLiteral("fGamma"), QStringLiteral("1.25")));
    files.setFinishing([&](int, IniDocument &) { SetFileAttributesW(nativePath(game.mainPath()).c_str(), FILE_ATTRIBUTE_READONLY); });
    const QList<SaveFailure> failures = files.save();
    QCOMPARE(failures.size(), 1);
    QCOMPARE(failures.first().kind, SaveFailure::Kind::ReadOnlyFile);
    QCOMPARE(readBytes(game.mainPath()), exampleMain);
    QVERIFY(GetFileAttributesW(nativePath(game.mainPath()).c_str()) & FILE_ATTRIBUTE_READONLY);
    QCOMPARE(filesIn(game.folder), QStringList({QStringLiteral("Vantor.ini"), QStringLiteral("VantorPrefs.ini")}));
    SetFileAttributesW(nativePath(game.mainPath()).c_str(), FILE_ATTRIBUTE_NORMAL);
}

void TestWindowsFiles::profileFoldersBeyondAsciiAndMaxPath_data()
{
    QTest::addColumn<QString>("documents");
    QTest::newRow("non-ASCII profile") << QStringLiteral("Users/Jürgen/Documents");
    QTest::newRow("beyond MAX_PATH") << longSegments() + QStringLiteral("/Documents");
    QTest::newRow("both") << QStringLiteral("Users/Ŝtefan Ærøskøbing 日本/") + longSegments() + QStringLiteral("/Documents");
}

void TestWindowsFiles::profileFoldersBeyondAsciiAndMaxPath()
{
    QFETCH(QString, documents);
    GameFolder game(documents);
    if (documents.contains(longSegments()))
        QVERIFY(game.mainPath().size() > MAX_PATH);

    IniStore store(game.folder);
    QVERIFY(store.isOpen());
    QCOMPARE(store.readValue(QStringLiteral("Controls"), QStringLiteral("fMouseSensitivity")).value_or(QString()),
             QStringLiteral("0.0025"));
    QVERIFY(store.writeValue(QStringLiteral("Display"), QStringLiteral("fGamma"), QStringLiteral("1.25")));
    QCOMPARE(described(store.save()), QStringList());
    QCOMPARE(readBytes(game.mainPath()), savedMain);
    QCOMPARE(readBytes(game.mainPath() + QStringLiteral(".bak")), exampleMain);
    QCOMPARE(filesIn(game.folder), QStringList({QStringLiteral("Vantor.ini"), QStringLiteral("Vantor.ini.bak"),
                                                QStringLiteral("VantorPrefs.ini")}));
}

void TestWindowsFiles::documentsFolderComesFromTheShell()
{
    if (!runningUnderWine())
        QSKIP("redirects the user's Documents folder for a moment: only in a throw-away Wine prefix");
    const QString documents = QStringLiteral("Users/Jürgen/Documents");
    GameFolder game(documents);
    const QString folder = game.scratch.path() + u'/' + documents;
    const DocumentsFolderOverride redirected(folder);

    QCOMPARE(QDir::cleanPath(documentsFolder()), QDir::cleanPath(folder));
    QCOMPARE(iniFolder(), QDir::cleanPath(folder) + QStringLiteral("/My Games/Vantor/"));
    QVERIFY(IniStore(iniFolder()).isOpen());
}

QTEST_GUILESS_MAIN(TestWindowsFiles)
#include "tst_windowsfiles.moc"
