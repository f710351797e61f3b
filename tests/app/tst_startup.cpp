#include "app/mainwindow.h"
#include "testregistry.h"
#include "testsupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <cstdio>

namespace {

// What the program's entry does, with a player who reads every message box,
// presses its OK button, and closes the main window once it is shown.
int startAndClose(const QStringList &arguments)
{
    if (arguments.contains(QStringLiteral("asPlayer")) && !TestSupport::dropPrivileges())
        return 100;

    QTimer player;
    QObject::connect(&player, &QTimer::timeout, [] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        std::printf("box: %s | %s\n", qPrintable(box->windowTitle()), qPrintable(box->text()));
        std::fflush(stdout);
        box->button(QMessageBox::Ok)->click();
    });
    player.start(20);

    MainWindow window;
    window.show();
    std::printf("window shown\n");
    std::fflush(stdout);
    QTimer::singleShot(50, &window, &QWidget::close);
    return QApplication::exec();
}

} // namespace

VANTOR_REGISTER_CHILD(startAndClose, startAndClose)

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void unreadableFileStopsWithOneMessage_data();
    void unreadableFileStopsWithOneMessage();
    void closingTheWindowEndsWithZero();
};

void TestStartup::unreadableFileStopsWithOneMessage_data()
{
    QTest::addColumn<QString>("prefs"); // "file", "missing", "folder", "no read permission" or "cut utf-16"
    QTest::addColumn<QString>("main");
    QTest::addColumn<QString>("reported");
    QTest::newRow("preferences file missing") << "missing" << "file" << "VantorPrefs.ini";
    QTest::newRow("main file missing") << "file" << "missing" << "Vantor.ini";
    QTest::newRow("both missing: only the preferences file") << "missing" << "missing" << "VantorPrefs.ini";
    QTest::newRow("folder named like the main file") << "file" << "folder" << "Vantor.ini";
    QTest::newRow("preferences file not readable") << "no read permission" << "file" << "VantorPrefs.ini";
    QTest::newRow("main file is UTF-16 cut inside a unit") << "file" << "cut utf-16" << "Vantor.ini";
}

void TestStartup::unreadableFileStopsWithOneMessage()
{
    QFETCH(QString, prefs);
    QFETCH(QString, main);
    QFETCH(QString, reported);
    TestSupport::ScratchHome home;
    const auto place = [](const QString &how, const QString &path) {
        if (how == QLatin1String("folder"))
            QDir().mkpath(path);
        else if (how == QLatin1String("cut utf-16"))
            TestSupport::writeBytes(path, QByteArray("\xFF\xFE[\0D", 5));
        else if (how != QLatin1String("missing"))
            TestSupport::writeBytes(path, "[Display]\r\n");
        if (how == QLatin1String("no read permission"))
            QFile::setPermissions(path, QFile::WriteOwner);
    };
    place(prefs, home.prefsPath());
    place(main, home.mainPath());
    TestSupport::giveToUnprivilegedUser(home.home());

    const TestSupport::ChildResult result =
        TestSupport::runChild(QStringLiteral("startAndClose"), {QStringLiteral("asPlayer")});
    QVERIFY(!result.crashed);
    QCOMPARE(result.exitCode, 2);
    const QByteArray expected = "box: File access error! | Couldn't open "
        + QDir::toNativeSeparators(home.iniFolder() + reported).toUtf8() + "!\n";
    QVERIFY2(result.output.contains(expected), result.output.constData());
    QCOMPARE(result.output.count("box: "), 1);
    QVERIFY(!result.output.contains("window shown"));
}

void TestStartup::closingTheWindowEndsWithZero()
{
    TestSupport::ScratchHome home;
    home.writePrefs("[Display]\r\n");
    home.writeMain("[Display]\r\n");
    const TestSupport::ChildResult result = TestSupport::runChild(QStringLiteral("startAndClose"));
    QVERIFY(!result.crashed);
    QCOMPARE(result.exitCode, 0);
    QVERIFY(result.output.contains("window shown"));
    QVERIFY2(!result.output.contains("box: "), result.output.constData());
}

VANTOR_REGISTER_TEST(TestStartup)
#include "tst_startup.moc"
