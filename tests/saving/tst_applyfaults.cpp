// A save that fails is shown to the player, with the reason, in the
// "File access error!" box, and the next Apply saves once the way is clear.

#include "windowfixture.h"

#include <QCheckBox>
#include <QDir>
#include <QPushButton>
#include <QTest>

using namespace TestSupport;

namespace {

const QByteArray prefsFile = "[Display]\nsD3DDevice=\"Radeon\"\niPresentInterval=1\n";
const QByteArray mainFile = "; my own notes\n[Display]\niSize W=1280\niSize H=720\nbFull Screen=0\n"
                            "[Game]\nsLastSave=Quick 1\n";
const QByteArray savedMainStart = "; my own notes\n[Display]\niSize W=1280\niSize H=720\nbFull Screen=1\n";

// The player switches to full screen and presses Apply; returns what the message boxes said.
QStringList applyFullScreen(QWidget *window)
{
    window->findChild<QCheckBox *>(QStringLiteral("ckbScreenFuScr"))->setChecked(true);
    MessageBoxWatcher watcher;
    window->findChild<QPushButton *>(QStringLiteral("btnApply"))->click();
    return watcher.seen;
}

} // namespace

class TestApplyFaults : public QObject
{
    Q_OBJECT

private slots:
    void readOnlyFileIsReportedAndKeptUntilWritable();
};

void TestApplyFaults::readOnlyFileIsReportedAndKeptUntilWritable()
{
    WindowFixture fixture(prefsFile, mainFile);
    const QString mainPath = fixture.home.mainPath();
    const QFile::Permissions readOnly = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;
    QVERIFY(QFile::setPermissions(mainPath, readOnly));
    QCOMPARE(applyFullScreen(fixture.window.get()),
             QStringList("File access error! | Couldn't save " + QDir::toNativeSeparators(mainPath)
                         + "! | The file is read-only."));
    QCOMPARE(fixture.home.main(), mainFile);
    QCOMPARE(QFileInfo(mainPath).permissions() & 0x7077, readOnly);

    // Once the player lifts the protection, the next Apply saves without a word.
    QVERIFY(QFile::setPermissions(mainPath, readOnly | QFile::WriteOwner));
    QCOMPARE(applyFullScreen(fixture.window.get()), QStringList());
    QCOMPARE(fixture.home.main().left(savedMainStart.size()), savedMainStart);
}

QTEST_MAIN(TestApplyFaults)
#include "tst_applyfaults.moc"
