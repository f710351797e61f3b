#include "windowfixture.h"

#include <QCheckBox>
#include <QDir>
#include <QPushButton>
#include <QTest>

#include <csignal>
#include <cstdio>

#include <sys/resource.h>

using namespace TestSupport;

namespace {

const QByteArray prefsFile = "[Display]\nsD3DDevice=Radeon\niPresentInterval=1\n";
const QByteArray savedPrefs = "[Display]\nsD3DDevice=\"Radeon\"\niPresentInterval=1\n";
const QByteArray mainFile = "; my own notes\n[Display]\niSize W=1280\niSize H=720\nbFull Screen=0\n"
                            "[Game]\nsLastSave=Quick 1\n";
const QByteArray savedMainStart = "; my own notes\n[Display]\niSize W=1280\niSize H=720\nbFull Screen=1\n";
const QStringList bothFiles = {QStringLiteral("Vantor.ini"), QStringLiteral("VantorPrefs.ini")};

// The main file with comment lines enough to be larger than a file size limit.
const QByteArray bigMain = mainFile + QByteArray("; a line of the notes the player keeps in the file\n").repeated(4000);

QString boxFor(const QStringList &paths, const QString &reason)
{
    return "File access error! | Couldn't save " + QDir::toNativeSeparators(paths.join("!\nCouldn't save "))
        + "! | " + reason;
}

// The player switches to full screen and presses Apply; returns what the message boxes said.
QStringList applyFullScreen(QWidget *window)
{
    window->findChild<QCheckBox *>(QStringLiteral("ckbScreenFuScr"))->setChecked(true);
    MessageBoxWatcher watcher;
    window->findChild<QPushButton *>(QStringLiteral("btnApply"))->click();
    return watcher.seen;
}

// applyFullScreen in a child on the window's files: prints the boxes, exits with their number.
// "asPlayer" drops root; a first "<bytes>" caps file sizes; "dieAtLimit" makes the cap fatal.
int applyInChild(QWidget *window, const QStringList &arguments)
{
    if (arguments.contains(QStringLiteral("asPlayer")) && !dropPrivileges())
        return 100;
    if (const rlim_t limit = arguments.value(0).toULongLong()) {
        const rlimit fileSize{limit, limit}, noCore{0, 0};
        if (setrlimit(RLIMIT_FSIZE, &fileSize) != 0 || setrlimit(RLIMIT_CORE, &noCore) != 0)
            return 101;
        std::signal(SIGXFSZ, arguments.contains(QStringLiteral("dieAtLimit")) ? SIG_DFL : SIG_IGN);
    }
    const QStringList seen = applyFullScreen(window);
    for (const QString &box : seen)
        std::printf("box: %s\n", qPrintable(box));
    return int(seen.size());
}

// Runs applyInChild: how it ended ("crashed" or "exit <code>"), then what it printed.
QString applyInChildProcess(QWidget *window, const QStringList &arguments)
{
    const ChildResult result = runInChild([&] { return applyInChild(window, arguments); });
    return (result.crashed ? QStringLiteral("crashed") : QStringLiteral("exit %1").arg(result.exitCode)) + u'\n'
        + QString::fromUtf8(result.output);
}

} // namespace

// Faults met by Apply. Where a child process saves, the fixture's own window only reads.
class TestSaveFaults : public QObject
{
    Q_OBJECT

private slots:
    // What stands in the way of writing

    void readOnlyMainFileIsReportedAndKeptUntilWritable()
    {
        WindowFixture fixture(prefsFile, mainFile);
        const QString mainPath = fixture.home.mainPath();
        const QFile::Permissions readOnly = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;
        QVERIFY(QFile::setPermissions(mainPath, readOnly));
        QCOMPARE(applyFullScreen(fixture.window.get()), QStringList{boxFor({mainPath}, "The file is read-only.")});
        QCOMPARE(fixture.home.main(), mainFile);
        QCOMPARE(QFileInfo(mainPath).permissions() & 0x7077, readOnly);
        QCOMPARE(fixture.home.prefs(), savedPrefs);

        // Once the player lifts the protection, the next Apply saves without a word.
        QVERIFY(QFile::setPermissions(mainPath, readOnly | QFile::WriteOwner));
        QCOMPARE(applyFullScreen(fixture.window.get()), QStringList());
        QCOMPARE(fixture.home.main().left(savedMainStart.size()), savedMainStart);
    }

    void unwritableFolderIsReportedForBothFiles()
    {
        WindowFixture fixture(prefsFile, mainFile);
        const ScratchHome &home = fixture.home;
        giveToUnprivilegedUser(home.home());
        QVERIFY(QFile::setPermissions(home.iniFolder(), QFile::Permissions(0x5555))); // r-x for everyone
        const QString text = applyInChildProcess(fixture.window.get(), {QStringLiteral("asPlayer")});
        QFile::setPermissions(home.iniFolder(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

        QVERIFY2(text.startsWith("exit 1\n")
                     && text.contains(boxFor({home.prefsPath(), home.mainPath()}, home.prefsPath() + ": The folder"))
                     && text.contains(u'\n' + home.mainPath() + ": The folder does not allow new files"),
                 qPrintable(text));
        QCOMPARE(home.prefs(), prefsFile);
        QCOMPARE(home.main(), mainFile);
    }

    void fullDiskKeepsTheOldFile()
    {
        WindowFixture fixture(prefsFile, bigMain);
        const QString text = applyInChildProcess(fixture.window.get(), {QString::number(bigMain.size() / 3)});
        QVERIFY2(text.startsWith("exit 1\n")
                     && text.contains(boxFor({fixture.home.mainPath()},
                                             "Writing failed (File too large). The file on disk was left as it was.")),
                 qPrintable(text));
        QCOMPARE(fixture.home.main(), bigMain);
        QCOMPARE(fixture.home.prefs(), savedPrefs);
        QCOMPARE(QDir(fixture.home.iniFolder()).entryList(QDir::Files | QDir::Hidden), bothFiles);
    }

    // What happened to the files while the window was open

    void folderInPlaceOfTheMainFileIsReported()
    {
        WindowFixture fixture(prefsFile, mainFile);
        const QString mainPath = fixture.home.mainPath();
        QVERIFY(QFile::remove(mainPath) && QDir().mkpath(mainPath));
        const auto reason = QStringLiteral("Something other than a file, such as a folder, now stands in its place.");
        QCOMPARE(applyFullScreen(fixture.window.get()), QStringList{boxFor({mainPath}, reason)});
        QVERIFY(QFileInfo(mainPath).isDir());
    }

    void deletedMainFileIsWrittenAnewWithItsComments()
    {
        const QByteArray head = "; my own notes\r\n[General]\r\nsLocalSavePath=Saves\\\r\n";
        WindowFixture fixture(prefsFile, head + mainFile.mid(15));
        QVERIFY(QFile::remove(fixture.home.mainPath()));
        QCOMPARE(applyFullScreen(fixture.window.get()), QStringList());
        const QByteArray written = fixture.home.main();
        QCOMPARE(written.left(head.size()), head);
        QVERIFY2(written.contains("\n[Display]\niSize W=1280\niSize H=720\nbFull Screen=1\n")
                     && written.contains("\n[Game]\nsLastSave=Quick 1\n"), written.constData());
    }

    void linesTheGameWroteMeanwhileAreKept()
    {
        WindowFixture fixture(prefsFile, mainFile);
        fixture.home.writeMain("[Display]\r\niSize H=720\r\nbFull Screen=0\r\niSize W=1280\r\n"
                               "[Game]\r\nsLastSave=Quick 12\r\n; written by the game\r\nbAutoSave=1\r\n");
        QCOMPARE(applyFullScreen(fixture.window.get()), QStringList());
        const QByteArray saved = fixture.home.main();
        const QByteArray display = "[Display]\r\niSize H=720\r\nbFull Screen=1\r\niSize W=1280\r\n";
        const QByteArray game = "\r\n[Game]\r\nsLastSave=Quick 12\r\n; written by the game\r\nbAutoSave=1\r\n";
        QCOMPARE(saved.left(display.size()), display);
        QCOMPARE(saved.mid(saved.indexOf("\r\n[Game]"), game.size()), game);
        QCOMPARE(saved.count('\n'), saved.count("\r\n"));
    }

    void symlinkedFileStaysALink()
    {
        WindowFixture fixture(prefsFile, "[Display]\n");
        const QString target = fixture.home.home() + QStringLiteral("/elsewhere/Vantor.ini");
        writeBytes(target, mainFile);
        QVERIFY(QFile::remove(fixture.home.mainPath()) && QFile::link(target, fixture.home.mainPath()));
        fixture.restart();
        QCOMPARE(applyFullScreen(fixture.window.get()), QStringList());
        QCOMPARE(QFileInfo(fixture.home.mainPath()).symLinkTarget(), target);
        QCOMPARE(readBytes(target).left(savedMainStart.size()), savedMainStart);
    }

    // A save that never finishes

    void interruptedSaveLeavesTheOldFileWhole()
    {
        // The kernel ends the child in the write that crosses the limit, halfway through the main file.
        WindowFixture fixture(prefsFile, bigMain);
        const QString text = applyInChildProcess(fixture.window.get(), {QString::number(bigMain.size() / 2), QStringLiteral("dieAtLimit")});
        QVERIFY2(text.startsWith("crashed\n") && !text.contains("box: "), qPrintable(text));
        QCOMPARE(fixture.home.main(), bigMain);
        QCOMPARE(fixture.home.prefs(), savedPrefs);
        // A half-written copy may be left behind; it never takes a name ending in ".ini".
        for (const QString &entry : QDir(fixture.home.iniFolder()).entryList(QDir::Files | QDir::Hidden))
            QVERIFY2(bothFiles.contains(entry) || !entry.endsWith(".ini", Qt::CaseInsensitive), qPrintable(entry));

        // The next start reads the old main file, and its Apply completes the save.
        fixture.restart();
        QCOMPARE(applyFullScreen(fixture.window.get()), QStringList());
        QCOMPARE(fixture.home.main().left(savedMainStart.size()), savedMainStart);
        QCOMPARE(fixture.home.main().count("; a line of the notes"), 4000);
    }
};

QTEST_MAIN(TestSaveFaults)
#include "tst_savefaults.moc"
