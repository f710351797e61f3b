#include "windowfixture.h"

#include <QTest>

// What the window's construction adds to the form before anything is loaded.
class TestWindow : public QObject
{
    Q_OBJECT

private slots:
    void constructionPreparesTheForm()
    {
        WindowFixture fixture("[Display]\r\n", "[Display]\r\n");
        QVERIFY(fixture.window->windowFlags() & Qt::MSWindowsFixedSizeDialogHint);
        QCOMPARE(fixture.window->windowTitle(), QStringLiteral("Vantor Configurator"));
        // The smaller dialog font keeps every caption inside its fixed rectangle.
        QVERIFY(fixture.window->font().pointSizeF() <= 8.0);
    }
};

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
