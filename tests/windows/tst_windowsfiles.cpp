// The store on Windows file semantics: the read-only attribute, a file the game holds
// open, profile folders with non-ASCII letters or beyond MAX_PATH, the shell's documents
// folder, and CR LF for lines a file had no line end for.

#include "inifolder.h"
#include "inistore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <qt_windows.h>

namespace {

const QByteArray examplePrefs = "[Display]\r\nsD3DDevice=\"Radeon RX 6600 XT\"\r\niShadowMapResolution=2048\r\n";
const QByteArray exampleMain = "[Display]\r\n; the game's own comment\r\nfGamma=1.0000\r\n\r\n[Controls]\r\nfMouseSensitivity=0.0025\r\n";
const QByteArray savedMain = "[Display]\r\n; the game's own comment\r\nfGamma=1.25\r\n[Controls]\r\nfMouseSensitivity=0.0025\r\n";

const wchar_t shellFoldersKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
const wchar_t documentsValue[] = L"Personal";

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

std::wstring native(const QString &path)
{
    return QDir::toNativeSeparators(path).toStdWString();
}

QStringList described(const QList<SaveFailure> &failures)
{
    QStringList lines;
    for (const SaveFailure &failure : failures)
        lines.append(failure.path + QStringLiteral(": ") + failure.reason);
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
        if (!QDir().mkpath(folder) || !writeBytes(prefsPath(), examplePrefs) || !writeBytes(mainPath(), exampleMain))
            qFatal("cannot set up %s", qPrintable(folder));
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
        const std::wstring path = native(folder);
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

bool runningUnderWine()
{
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

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
    QVERIFY(SetFileAttributesW(native(locked).c_str(), FILE_ATTRIBUTE_READONLY));

    IniStore store(game.folder);
    QVERIFY(store.isOpen());
    QVERIFY(store.writeValue(QStringLiteral("Display"), QStringLiteral("fGamma"), QStringLiteral("1.25")));
    QVERIFY(store.writeValue(QStringLiteral("Display"), QStringLiteral("iShadowMapResolution"), QStringLiteral("4096")));
    const QList<SaveFailure> failures = store.save();

    QCOMPARE(failures.size(), 1);
    QCOMPARE(failures.first().path, locked);
    QVERIFY2(failures.first().reason.contains(QLatin1String("read-only")), qPrintable(failures.first().reason));
    QCOMPARE(readBytes(locked), lockedBefore);
    QVERIFY(GetFileAttributesW(native(locked).c_str()) & FILE_ATTRIBUTE_READONLY);
    QVERIFY(readBytes(other) != (mainFile ? examplePrefs : exampleMain)); // the other file is still saved
    QCOMPARE(filesIn(game.folder), QStringList({QStringLiteral("Vantor.ini"), QStringLiteral("VantorPrefs.ini")}));
    SetFileAttributesW(native(locked).c_str(), FILE_ATTRIBUTE_NORMAL);
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
    QVERIFY2(failures.first().reason.contains(QLatin1String("has the file open")), qPrintable(failures.first().reason));
    QCOMPARE(readBytes(game.mainPath()), exampleMain);
    QCOMPARE(filesIn(game.folder), QStringList({QStringLiteral("Vantor.ini"), QStringLiteral("VantorPrefs.ini")}));

    holder.write("\n");
    holder.closeWriteChannel();
    QVERIFY(holder.waitForFinished(30000));
    QCOMPARE(holder.exitCode(), 0);

    QCOMPARE(described(store.save()), QStringList());
    QCOMPARE(readBytes(game.mainPath()), savedMain);
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
    QCOMPARE(filesIn(game.folder), QStringList({QStringLiteral("Vantor.ini"), QStringLiteral("VantorPrefs.ini")}));
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
    QVERIFY(writeBytes(game.mainPath(), "[Display]"));
    IniStore store(game.folder);
    QVERIFY(store.writeValue(QStringLiteral("Display"), QStringLiteral("fGamma"), QStringLiteral("1.25")));
    QVERIFY(store.writeValue(QStringLiteral("Water"), QStringLiteral("bUseWaterReflections"), QStringLiteral("1")));
    QCOMPARE(described(store.save()), QStringList());
    QCOMPARE(readBytes(game.mainPath()), QByteArray("[Display]\r\nfGamma=1.25\r\n[Water]\r\nbUseWaterReflections=1\r\n"));
}

QTEST_GUILESS_MAIN(TestWindowsFiles)
#include "tst_windowsfiles.moc"
