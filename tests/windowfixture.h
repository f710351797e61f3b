#pragma once

#include "inistore.h"
#include "mainwindow.h"
#include "testsupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <memory>

// A MainWindow started on an INI pair that the test writes into a scratch home.
class WindowFixture
{
public:
    WindowFixture(const QByteArray &prefs, const QByteArray &main)
    {
        home.writePrefs(prefs);
        home.writeMain(main);
        restart();
    }

    // Starts another window on the files as they are now.
    void restart()
    {
        window.reset();
        window = std::make_unique<MainWindow>(std::make_unique<IniStore>(home.iniFolder()));
    }

    template<class Widget>
    Widget *get(const char *objectName) const
    {
        auto *widget = window->findChild<Widget *>(QLatin1String(objectName));
        if (!widget)
            qFatal("no %s named %s", Widget::staticMetaObject.className(), objectName);
        return widget;
    }

    TestSupport::ScratchHome home;
    std::unique_ptr<MainWindow> window;
};

// Presses OK on every message box that opens while the object lives, and
// keeps what the boxes said as "title | text | informative text".
class MessageBoxWatcher
{
public:
    MessageBoxWatcher()
    {
        QObject::connect(&timer, &QTimer::timeout, [this] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box)
                return;
            seen.append(box->windowTitle() + QStringLiteral(" | ") + box->text() + QStringLiteral(" | ")
                        + box->informativeText());
            box->button(QMessageBox::Ok)->click();
        });
        timer.start(10);
    }

    QStringList seen;

private:
    QTimer timer;
};
