#include "store/inidocument.h"
#include "testregistry.h"
#include "windowfixture.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QTest>

#include <csignal>
#include <cstdio>

#include <sys/resource.h>

using TestSupport::readBytes;
using TestSupport::writeBytes;

namespace {

const QByteArray prefsFile = "[Display]\nsD3DDevice=Radeon\niPresentInterval=1\n";
const QByteArray savedPrefs = "[Display]\nsD3DDevice=\"Radeon\"\niPresentInterval=1\n";
const QByteArray mainFile = "; my own notes\n[Display]\niSize W=1280\niSize H=720\nbFull Screen=0\n"
                            "[Game]\nsLastSave=Quick 1\n";

// Comment lines enough to make the main file larger than a file size limit.
QByteArray bigMainFile(int lines)
{
    QByteArray bytes = mainFile;
    for (int i = 0; i < lines; ++i)
        bytes += "; line " + QByteArray::number(i) + " of the notes the player keeps in the file\n";
    return bytes;
}

QString valueIn(const QByteArray &file, const QString &section, const QString &key)
{
    return IniDocument::fromBytes(file).value(section, key).value_or(QStringLiteral("(absent)"));
}

QString boxFor(const QStringList &paths, const QString &reason)
{
    QStringList files;
    for (const QString &path : paths)
        files.append(QStringLiteral("Couldn't save ") + QDir::toNativeSeparators(path) + u'!');
    return QStringLiteral("File access error! | ") + files.join(u'\n') + QStringLiteral(" | ") + reason;
}

// Entries of the folder other than the two INI files.
QStringList strayEntries(const QString &folder)
{
    QStringList entries = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    entries.removeAll(QStringLiteral("VantorPrefs.ini"));
    entries.removeAll(QStringLiteral("Vantor.ini"));
    return entries;
}

// For failure messages: a CR would send the terminal back to the line's start.
QByteArray printable(const QByteArray &bytes)
{
    return QByteArray(bytes).replace('\r', "\\r");
}

QStringList pressApply(QWidget *window)
{
    MessageBoxWatcher watcher;
    window->findChild<QPushButton *>(QStringLiteral("btnApply"))->click();
    return watcher.seen;
}

// The player switches to full screen and presses Apply, in a process of its own
// on the HOME it inherits. Options: "asPlayer" drops root, "limit=<bytes>"
// caps the size of files the process writes, and "dieAtLimit" lets the kernel
// end the process when a write crosses the cap (else the write fails).
// Prints what the message boxes said and exits with their number.
int applyInChild(const QStringList &arguments)
{
    if (arguments.contains(QStringLiteral("asPlayer")) && !TestSupport::dropPrivileges())
        return 100;
    MainWindow window;
    window.findChild<QCheckBox *>(QStringLiteral("ckbScreenFuScr"))->setChecked(true);

    for (const QString &argument : arguments) {
        if (!argument.startsWith(QLatin1String("limit=")))
            continue;
        const rlim_t bytes = argument.mid(6).toULongLong();
        const rlimit fileSize{bytes, bytes};
        const rlimit noCore{0, 0};
        if (setrlimit(RLIMIT_FSIZE, &fileSize) != 0 || setrlimit(RLIMIT_CORE, &noCore) != 0)
            return 101;
        std::signal(SIGXFSZ, arguments.contains(QStringLiteral("dieAtLimit")) ? SIG_DFL : SIG_IGN);
    }
    const QStringList seen = pressApply(&window);
    for (const QString &box : seen)
        std::printf("box: %s\n", qPrintable(box));
    std::fflush(stdout);
    return int(seen.size());
}

} // namespace

VANTOR_REGISTER_CHILD(applyInChild, applyInChild)

class TestSaveFaults : public QObject
{
    Q_OBJECT

private slots:
    // What stands in the way of writing
    void readOnlyMainFileIsReportedAndKeptUntilWritable();
    void unwritableFolderIsReportedForBothFiles();
    void fullDiskKeepsTheOldFile();

    // What happened to the files while the window was open
    void folderInPlaceOfTheMainFileIsReported();
    void deletedMainFileIsWrittenAnewWithItsComments();
    void linesTheGameWroteMeanwhileAreKept();
    void symlinkedFileStaysALink();

    // A save that never finishes
    void interruptedSaveLeavesTheOldFileWhole();
};

void TestSaveFaults::readOnlyMainFileIsReportedAndKeptUntilWritable()
{
    WindowFixture fixture(prefsFile, mainFile);
    const QString mainPath = fixture.home.mainPath();
    const QFile::Permissions readOnly = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;
    QVERIFY(QFile::setPermissions(mainPath, readOnly));
    fixture.get<QCheckBox>("ckbScreenFuScr")->setChecked(true);

    QCOMPARE(pressApply(fixture.window.get()), QStringList{boxFor({mainPath}, QStringLiteral("The file is read-only."))});
    QCOMPARE(fixture.home.main(), mainFile);
    QCOMPARE(QFileInfo(mainPath).permissions() & 0x7077, readOnly);
    QCOMPARE(fixture.home.prefs(), savedPrefs);

    // Once the player lifts the protection, the next Apply saves without a word.
    QVERIFY(QFile::setPermissions(mainPath, readOnly | QFile::WriteOwner));
    QCOMPARE(pressApply(fixture.window.get()), QStringList());
    QCOMPARE(valueIn(fixture.home.main(), "Display", "bFull Screen"), QStringLiteral("1"));
}

void TestSaveFaults::unwritableFolderIsReportedForBothFiles()
{
    TestSupport::ScratchHome home;
    home.writePrefs(prefsFile);
    home.writeMain(mainFile);
    TestSupport::giveToUnprivilegedUser(home.home());
    const QString folder = home.iniFolder();
    QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup
                                              | QFile::ReadOther | QFile::ExeOther));
    const TestSupport::ChildResult result =
        TestSupport::runChild(QStringLiteral("applyInChild"), {QStringLiteral("asPlayer")});
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    QVERIFY2(!result.crashed, result.output.constData());
    QCOMPARE(result.exitCode, 1);
    const QString text = QString::fromUtf8(result.output);
    QVERIFY2(text.contains(boxFor({home.prefsPath(), home.mainPath()}, home.prefsPath() + QStringLiteral(": The folder"))),
             qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("\n") + home.mainPath() + QStringLiteral(": The folder does not allow new files")),
             qPrintable(text));
    QCOMPARE(home.prefs(), prefsFile);
    QCOMPARE(home.main(), mainFile);
    QCOMPARE(strayEntries(folder), QStringList());
}

void TestSaveFaults::fullDiskKeepsTheOldFile()
{
    TestSupport::ScratchHome home;
    const QByteArray big = bigMainFile(4000);
    home.writePrefs(prefsFile);
    home.writeMain(big);
    const int limit = 64 * 1024;
    QVERIFY(big.size() > 2 * limit);

    const TestSupport::ChildResult result =
        TestSupport::runChild(QStringLiteral("applyInChild"), {QStringLiteral("limit=%1").arg(limit)});
    QVERIFY2(!result.crashed, result.output.constData());
    QCOMPARE(result.exitCode, 1);
    const QString text = QString::fromUtf8(result.output);
    QVERIFY2(text.contains(boxFor({home.mainPath()}, QStringLiteral("Writing failed (File too large)"))),
             qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("The file on disk was left as it was.")), qPrintable(text));
    QCOMPARE(home.main(), big);
    QCOMPARE(home.prefs(), savedPrefs);
    QCOMPARE(strayEntries(home.iniFolder()), QStringList());
}

void TestSaveFaults::folderInPlaceOfTheMainFileIsReported()
{
    WindowFixture fixture(prefsFile, mainFile);
    const QString mainPath = fixture.home.mainPath();
    QVERIFY(QFile::remove(mainPath));
    QVERIFY(QDir().mkpath(mainPath));

    const QStringList seen = pressApply(fixture.window.get());
    QCOMPARE(seen.size(), 1);
    QVERIFY2(seen.first().startsWith(boxFor({mainPath}, QStringLiteral("Something other than a file"))),
             qPrintable(seen.first()));
    QVERIFY(QFileInfo(mainPath).isDir());
    QCOMPARE(fixture.home.prefs(), savedPrefs);
}

void TestSaveFaults::deletedMainFileIsWrittenAnewWithItsComments()
{
    const QByteArray main = "; my own notes\r\n[General]\r\nsLocalSavePath=Saves\\\r\n" + mainFile.mid(15);
    WindowFixture fixture(prefsFile, main);
    QVERIFY(QFile::remove(fixture.home.mainPath()));
    fixture.get<QCheckBox>("ckbScreenFuScr")->setChecked(true);

    QCOMPARE(pressApply(fixture.window.get()), QStringList());
    const QByteArray written = fixture.home.main();
    QVERIFY2(written.startsWith("; my own notes\r\n[General]\r\nsLocalSavePath=Saves\\\r\n"),
             printable(written.left(200)).constData());
    QCOMPARE(valueIn(written, "Display", "bFull Screen"), QStringLiteral("1"));
    QCOMPARE(valueIn(written, "Display", "iSize W"), QStringLiteral("1280"));
    QCOMPARE(valueIn(written, "Game", "sLastSave"), QStringLiteral("Quick 1"));
    QCOMPARE(fixture.home.prefs(), savedPrefs);
}

void TestSaveFaults::linesTheGameWroteMeanwhileAreKept()
{
    WindowFixture fixture(prefsFile, mainFile);
    fixture.get<QCheckBox>("ckbScreenFuScr")->setChecked(true);
    const QByteArray byTheGame = "[Display]\r\niSize H=720\r\nbFull Screen=0\r\niSize W=1280\r\n"
                                 "[Game]\r\nsLastSave=Quick 12\r\n; written by the game\r\nbAutoSave=1\r\n";
    fixture.home.writeMain(byTheGame);

    QCOMPARE(pressApply(fixture.window.get()), QStringList());
    const QByteArray saved = fixture.home.main();
    QVERIFY2(saved.startsWith("[Display]\r\niSize H=720\r\nbFull Screen=1\r\niSize W=1280\r\n"),
             printable(saved).constData());
    QVERIFY2(saved.contains("\r\n[Game]\r\nsLastSave=Quick 12\r\n; written by the game\r\nbAutoSave=1\r\n"),
             printable(saved).constData());
    QVERIFY(!saved.contains("my own notes")); // the game's version is the one edited
    QCOMPARE(saved.count('\n'), saved.count("\r\n"));
}

void TestSaveFaults::symlinkedFileStaysALink()
{
    WindowFixture fixture(prefsFile, "[Display]\n");
    const QString target = fixture.home.home() + QStringLiteral("/elsewhere/Vantor.ini");
    writeBytes(target, mainFile);
    QVERIFY(QFile::remove(fixture.home.mainPath()));
    QVERIFY(QFile::link(target, fixture.home.mainPath()));
    fixture.restart();
    fixture.get<QCheckBox>("ckbScreenFuScr")->setChecked(true);

    QCOMPARE(pressApply(fixture.window.get()), QStringList());
    QVERIFY(QFileInfo(fixture.home.mainPath()).isSymLink());
    QCOMPARE(QFileInfo(fixture.home.mainPath()).symLinkTarget(), target);
    const QByteArray saved = readBytes(target);
    QVERIFY2(saved.startsWith("; my own notes\n[Display]\niSize W=1280\niSize H=720\nbFull Screen=1\n"),
             saved.constData());
    QCOMPARE(strayEntries(QFileInfo(target).absolutePath()), QStringList());
}

void TestSaveFaults::interruptedSaveLeavesTheOldFileWhole()
{
    TestSupport::ScratchHome home;
    const QByteArray big = bigMainFile(4000);
    home.writePrefs(prefsFile);
    home.writeMain(big);

    // The kernel ends the process inside the write that crosses the limit,
    // halfway through the new main file.
    const TestSupport::ChildResult result = TestSupport::runChild(
        QStringLiteral("applyInChild"), {QStringLiteral("limit=%1").arg(big.size() / 2), QStringLiteral("dieAtLimit")});
    QVERIFY2(result.crashed, result.output.constData());
    QVERIFY2(!result.output.contains("box: "), result.output.constData());
    QCOMPARE(home.main(), big);
    QCOMPARE(home.prefs(), savedPrefs); // saved before the main file
    // A half-written copy may be left behind; it never takes the file's name.
    for (const QString &stray : strayEntries(home.iniFolder()))
        QVERIFY2(!stray.endsWith(QLatin1String(".ini"), Qt::CaseInsensitive), qPrintable(stray));

    // The next start reads the old main file, and its Apply completes the save.
    MainWindow window;
    window.findChild<QCheckBox *>(QStringLiteral("ckbScreenFuScr"))->setChecked(true);
    QCOMPARE(pressApply(&window), QStringList());
    const QByteArray saved = home.main();
    QVERIFY(saved.startsWith("; my own notes\n[Display]\niSize W=1280\niSize H=720\nbFull Screen=1\n"));
    QVERIFY(saved.contains("\n; line 3999 of the notes the player keeps in the file\n"));
    QCOMPARE(saved.count("; line "), 4000);
    QCOMPARE(home.prefs(), savedPrefs);
}

VANTOR_REGISTER_TEST(TestSaveFaults)
#include "tst_savefaults.moc"
