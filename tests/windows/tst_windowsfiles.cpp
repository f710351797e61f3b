// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The store on Windows file semantics: the read-only attribute, a file the game holds
// open, the backup, hard links, another program's save landing just before the swap,
// profile folders with non-ASCII letters or beyond MAX_PATH, the shell's documents
// folder, and CR LF for lines a file had no line end for.

#include "inifileset.h"
#include "inifolder.h"
#include "inistore.h"
#include "testsupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <thread>

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

// Opened as a game opens its INI file: reading, sharing reading and writing but not deletion.
HANDLE openAsTheGame(const QString &path)
{
    return CreateFileW(nativePath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

enum class OtherSave { RenamedOver, InPlaceKeepingSizeAndTime, DeletedAndMade };

// Another program saves bytes at path in one of the ways programs save files.
bool saveAsAnotherProgram(OtherSave way, const QString &path, const QByteArray &bytes)
{
    if (way == OtherSave::RenamedOver) {
        const QString temporary = path + QStringLiteral(".tmp");
        writeBytes(temporary, bytes);
        return MoveFileExW(nativePath(temporary).c_str(), nativePath(path).c_str(), MOVEFILE_REPLACE_EXISTING);
    }
    if (way == OtherSave::DeletedAndMade) {
        if (!DeleteFileW(nativePath(path).c_str()))
            return false;
        writeBytes(path, bytes);
        return true;
    }
    // Same size, and the time of the last write put back: as on a file system whose clock
    // is too coarse to tell two saves apart. Only the content says the file changed.
    const HANDLE file = CreateFileW(nativePath(path).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    FILETIME written;
    DWORD count = 0;
    const bool done = file != INVALID_HANDLE_VALUE && GetFileTime(file, nullptr, nullptr, &written)
        && GetFileSize(file, nullptr) == DWORD(bytes.size())
        && WriteFile(file, bytes.constData(), DWORD(bytes.size()), &count, nullptr) && count == DWORD(bytes.size())
        && SetFileTime(file, nullptr, nullptr, &written);
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    return done;
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
    void fileHeldOpenByTheGameIsKeptUntilReleased();
    void fileHeldForAMomentIsWaitedFor();
    void backupHoldsTheFileFromBeforeTheSession();
    void hardLinkedFileIsWrittenInPlace();
    void saveLandingBeforeTheSwapIsMerged_data();
    void saveLandingBeforeTheSwapIsMerged();
    void readOnlyJustBeforeTheSwapIsReported();
    void profileFoldersBeyondAsciiAndMaxPath_data();
    void profileFoldersBeyondAsciiAndMaxPath();
    void documentsFolderComesFromTheShell();
    void linesWithoutLineEndGetCrLf();
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

void TestWindowsFiles::fileHeldOpenByTheGameIsKeptUntilReleased()
{
    GameFolder game;
    QProcess holder;
    holder.start(QCoreApplication::applicationDirPath() + QStringLiteral("/holdopen.exe"),
                 {QDir::toNativeSeparators(game.mainPath())});
    QVERIFY2(holder.waitForReadyRead(30000), holder.readAllStandardError().constData());
    QCOMPARE(holder.readLine().trimmed(), QByteArray("holding"));

    IniStore store(game.folder);
    QVERIFY(store.isOpen()); // reading is shared
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

void TestWindowsFiles::fileHeldForAMomentIsWaitedFor()
{
    GameFolder game;
    IniStore store(game.folder);
    QVERIFY(store.writeValue(QStringLiteral("Display"), QStringLiteral("fGamma"), QStringLiteral("1.25")));
    const HANDLE held = openAsTheGame(game.mainPath());
    QVERIFY(held != INVALID_HANDLE_VALUE);
    QElapsedTimer timer;
    timer.start();
    std::thread otherProgram([held] {
        Sleep(100);
        CloseHandle(held);
    });
    const QList<SaveFailure> failures = store.save();
    otherProgram.join();
    QCOMPARE(described(failures), QStringList());
    QVERIFY(timer.elapsed() >= 100);
    QCOMPARE(readBytes(game.mainPath()), savedMain);
}

void TestWindowsFiles::backupHoldsTheFileFromBeforeTheSession()
{
    GameFolder game;
    const QString backup = game.mainPath() + QStringLiteral(".bak");
    writeBytes(backup, "an older backup\r\n");
    QByteArray lastSaved;
    {
        IniStore store(game.folder);
        for (const char *gamma : {"1.25", "1.5"}) {
            QVERIFY(store.writeValue(QStringLiteral("Display"), QStringLiteral("fGamma"), QLatin1String(gamma)));
            QCOMPARE(described(store.save()), QStringList());
            QCOMPARE(readBytes(backup), exampleMain);
        }
        lastSaved = readBytes(game.mainPath());
        QVERIFY(lastSaved.contains("fGamma=1.5\r\n"));
    }
    IniStore nextSession(game.folder);
    QVERIFY(nextSession.writeValue(QStringLiteral("Display"), QStringLiteral("fGamma"), QStringLiteral("2")));
    QCOMPARE(described(nextSession.save()), QStringList());
    QCOMPARE(readBytes(backup), lastSaved);
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

void TestWindowsFiles::saveLandingBeforeTheSwapIsMerged_data()
{
    QTest::addColumn<int>("way");
    QTest::newRow("renamed over") << int(OtherSave::RenamedOver);
    QTest::newRow("in place, size and time kept") << int(OtherSave::InPlaceKeepingSizeAndTime);
    QTest::newRow("deleted and made again") << int(OtherSave::DeletedAndMade);
}

// The store's last step before the swap is finishing the content; the other program's
// save lands there, after the store's fresh read, the first time.
void TestWindowsFiles::saveLandingBeforeTheSwapIsMerged()
{
    QFETCH(int, way);
    GameFolder game;
    const QByteArray gameSave = QByteArray(exampleMain).replace("0.0025", "0.0031");
    IniFileSet files({game.mainPath()}, IniStore::missingValue());
    QVERIFY(files.write(QStringLiteral("Display"), QStringLiteral("fGamma"), QStringLiteral("1.25")));
    int finished = 0;
    bool landed = false;
    files.setFinishing([&](int, IniDocument &) {
        if (finished++ > 0)
            return;
        const DiskFile before = DiskFiles::read(game.mainPath());
        landed = saveAsAnotherProgram(OtherSave(way), game.mainPath(), gameSave);
        // Only the bytes tell this save apart: the swap must catch it, not the look before.
        if (OtherSave(way) == OtherSave::InPlaceKeepingSizeAndTime)
            landed = landed && DiskFiles::read(game.mainPath()).isSameFile(before);
    });
    QCOMPARE(described(files.save()), QStringList());
    QVERIFY(landed);
    QCOMPARE(finished, 2); // laid once more, on the other program's save
    QCOMPARE(readBytes(game.mainPath()), QByteArray(savedMain).replace("0.0025", "0.0031"));
    QCOMPARE(readBytes(game.mainPath() + QStringLiteral(".bak")), gameSave);
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
    QCOMPARE(store.readValue(QStringLiteral("Controls"), QStringLiteral("fMouseSensitivity")), QStringLiteral("0.0025"));
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

void TestWindowsFiles::linesWithoutLineEndGetCrLf()
{
    GameFolder game;
    writeBytes(game.mainPath(), "[Display]");
    IniStore store(game.folder);
    QVERIFY(store.writeValue(QStringLiteral("Display"), QStringLiteral("fGamma"), QStringLiteral("1.25")));
    QVERIFY(store.writeValue(QStringLiteral("Water"), QStringLiteral("bUseWaterReflections"), QStringLiteral("1")));
    QCOMPARE(described(store.save()), QStringList());
    QCOMPARE(readBytes(game.mainPath()), QByteArray("[Display]\r\nfGamma=1.25\r\n[Water]\r\nbUseWaterReflections=1\r\n"));
}

QTEST_GUILESS_MAIN(TestWindowsFiles)
#include "tst_windowsfiles.moc"
