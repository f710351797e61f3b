// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The store on Windows file semantics: the read-only attribute, a file another program holds open, hard links,
// profile folders with non-ASCII letters or beyond MAX_PATH, and the shell's documents folder.

#include "inifileset.h"
#include "inifolder.h"
#include "inistore.h"
#include "testsupport.h"

#include <QtTest>

#include <qt_windows.h>

using namespace TestSupport;

namespace {

const QByteArray examplePrefs = "[Display]\r\nsD3DDevice=\"Radeon RX 6600 XT\"\r\niShadowMapResolution=2048\r\n";
const QByteArray exampleMain = "[Display]\r\n; the game's comment\r\nfGamma=1.0000\r\n\r\n[Controls]\r\nfMouse=0.0025\r\n";
const QByteArray savedMain = "[Display]\r\n; the game's comment\r\nfGamma=1.25\r\n[Controls]\r\nfMouse=0.0025\r\n";
const QStringList pair = {"Vantor.ini", "VantorPrefs.ini"}, savedPair = {"Vantor.ini", "Vantor.ini.bak", "VantorPrefs.ini"};

bool setReadOnly(const QString &path, bool readOnly)
{
    return SetFileAttributesW(nativePath(path).c_str(), readOnly ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL);
}

// Folders that take a path beyond MAX_PATH.
const QString longSegments = QStringList(5, "a long folder name, repeated until the path passes MAX_PATH").join(u'/');

} // namespace

class TestWindowsFiles : public QObject
{
    Q_OBJECT

private slots:
    // Set at start or just before the swap, the attribute refuses the file and stays; the other file is still saved.
    void readOnlyAttributeIsRefusedAndKept()
    {
        for (const bool beforeTheSwap : {false, true}) {
            ScratchHome game(examplePrefs, exampleMain);
            QVERIFY(beforeTheSwap || setReadOnly(game.mainPath(), true));
            IniFileSet files({game.mainPath(), game.prefsPath()}, IniStore::missingValue());
            files.setFinishing([&](int, IniDocument &) { setReadOnly(game.mainPath(), true); });
            QVERIFY(files.write(QStringLiteral("Display"), QStringLiteral("fGamma"), QStringLiteral("1.25")));
            QVERIFY(files.write(QStringLiteral("Display"), QStringLiteral("iShadowMapResolution"), QStringLiteral("4096")));
            const QList<SaveFailure> failures = files.save();
            QVERIFY2(failures.size() == 1 && failures[0].path == game.mainPath()
                         && failures[0].kind == SaveFailure::Kind::ReadOnlyFile, qPrintable(described(failures).join(u'\n')));
            QCOMPARE(readBytes(game.mainPath()), exampleMain);
            QVERIFY(GetFileAttributesW(nativePath(game.mainPath()).c_str()) & FILE_ATTRIBUTE_READONLY);
            QCOMPARE(entriesOf(game.iniFolder()), pair + QStringList("VantorPrefs.ini.bak"));
            setReadOnly(game.mainPath(), false);
        }
    }

    void fileHeldOpenIsKeptUntilReleased_data()
    {
        QTest::addColumn<QString>("access"); // and the sharing, as holdopen takes them
        QTest::addColumn<QString>("sharing");
        QTest::newRow("as a game: reading, sharing reading and writing") << "r" << "rw";
        QTest::newRow("reading, sharing nothing") << "r" << "-";
        QTest::newRow("writing, nothing written, sharing reading") << "w" << "r";
        QTest::newRow("reading and writing, sharing reading and writing") << "rw" << "rw";
    }

    // Whatever the sharing, a file another program holds without letting it be replaced is reported as held open,
    // never as being written, and saved once it is let go.
    void fileHeldOpenIsKeptUntilReleased()
    {
        QFETCH(QString, access);
        QFETCH(QString, sharing);
        ScratchHome game(examplePrefs, exampleMain);
        QProcess holder;
        holder.start(QCoreApplication::applicationDirPath() + QStringLiteral("/holdopen.exe"),
                     {QDir::toNativeSeparators(game.mainPath()), access, sharing});
        QVERIFY2(holder.waitForReadyRead(30000), holder.readAllStandardError().constData());
        QCOMPARE(holder.readLine().trimmed(), QByteArray("holding"));

        IniStore store(game.iniFolder());
        QVERIFY(store.isOpen() == sharing.contains('r')); // read at start where reading is shared
        if (!store.isOpen()) {
            QCOMPARE(store.openFailure()->kind, SaveFailure::Kind::HeldOpen);
            return;
        }
        QVERIFY(store.writeValue(QStringLiteral("Display"), QStringLiteral("fGamma"), QStringLiteral("1.25")));
        const QList<SaveFailure> failures = store.save();
        QVERIFY2(failures.size() == 1 && failures[0].path == game.mainPath()
                     && failures[0].kind == SaveFailure::Kind::HeldOpen, qPrintable(described(failures).join(u'\n')));
        QCOMPARE(readBytes(game.mainPath()), exampleMain);
        QCOMPARE(entriesOf(game.iniFolder()), pair);

        holder.write("\n");
        holder.closeWriteChannel();
        QVERIFY(holder.waitForFinished(30000));
        QCOMPARE(holder.exitCode(), 0);
        QCOMPARE(described(store.save()), QStringList());
        QCOMPARE(readBytes(game.mainPath()), savedMain);
        QCOMPARE(readBytes(game.mainPath() + QStringLiteral(".bak")), exampleMain);
        QCOMPARE(entriesOf(game.iniFolder()), savedPair);
    }

    // In a non-ASCII profile beyond MAX_PATH; and hard-linked, written in place, growing, and still one file under
    // both names.
    void savedWhereWindowsMakesItHard()
    {
        for (const QString &documents : {"Users/Ŝtefan Ærøskøbing 日本/" + longSegments + "/Documents", QString()}) {
            const bool linked = documents.isEmpty();
            ScratchHome game(examplePrefs, exampleMain, linked ? QStringLiteral("Documents") : documents);
            QVERIFY(linked || game.mainPath().size() > MAX_PATH);
            const QString otherName = game.home() + QStringLiteral("/Vantor-linked.ini");
            QVERIFY(!linked || CreateHardLinkW(nativePath(otherName).c_str(), nativePath(game.mainPath()).c_str(), 0));
            IniStore store(game.iniFolder());
            QCOMPARE(store.readValue(QStringLiteral("Controls"), QStringLiteral("fMouse")).value_or(QString()),
                     QStringLiteral("0.0025"));
            QVERIFY(store.writeValue(QStringLiteral("Display"), QStringLiteral("fGamma"), QStringLiteral("1.25")));
            QVERIFY(store.writeValue(QStringLiteral("Controls"), QStringLiteral("bInvertYValues"), QStringLiteral("1")));
            QCOMPARE(described(store.save()), QStringList());
            QCOMPARE(readBytes(game.mainPath()), savedMain + "bInvertYValues=1\r\n");
            QCOMPARE(readBytes(game.mainPath() + QStringLiteral(".bak")), exampleMain);
            QCOMPARE(entriesOf(game.iniFolder()), savedPair);
            QVERIFY(!linked || readBytes(otherName) == savedMain + "bInvertYValues=1\r\n");
        }
    }

    // Pointed elsewhere for a moment; the registry value is put back exactly (type and text) afterwards.
    void documentsFolderComesFromTheShell()
    {
        if (!runningUnderWine())
            QSKIP("redirects the user's Documents folder: only in a throw-away Wine prefix");
        ScratchHome game(examplePrefs, exampleMain, QStringLiteral("Users/Jürgen/Documents"));
        const QString documents = game.home() + QStringLiteral("/Users/Jürgen/Documents");
        HKEY key = nullptr;
        const wchar_t *shellFolders = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
        QVERIFY(RegOpenKeyExW(HKEY_CURRENT_USER, shellFolders, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &key) == 0);
        wchar_t saved[1024];
        DWORD type = REG_NONE, size = sizeof saved;
        const bool had = RegQueryValueExW(key, L"Personal", 0, &type, reinterpret_cast<BYTE *>(saved), &size) == 0;
        const std::wstring path = nativePath(documents);
        RegSetValueExW(key, L"Personal", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE *>(path.c_str()),
                       DWORD((path.size() + 1) * sizeof(wchar_t)));
        const QString found = documentsFolder(), folder = iniFolder();
        const bool opens = IniStore(folder).isOpen();
        had ? RegSetValueExW(key, L"Personal", 0, type, reinterpret_cast<const BYTE *>(saved), size)
            : RegDeleteValueW(key, L"Personal");
        RegCloseKey(key);
        QCOMPARE(QDir::cleanPath(found), QDir::cleanPath(documents));
        QCOMPARE(folder, game.iniFolder());
        QVERIFY(opens);
    }
};

QTEST_GUILESS_MAIN(TestWindowsFiles)
#include "tst_windowsfiles.moc"
