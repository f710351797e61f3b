// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "inistore.h"
#include "mainwindow.h"
#include "testsupport.h"

#include <QtTest>
#include <QtWidgets>

#include <memory>

// Presses a button (OK, unless told, by kind or by its text; the Escape key where the box has no
// such button) on every message box that opens while the object lives, and keeps what the boxes
// said as "title | text | informative text".
class MessageBoxWatcher
{
public:
    explicit MessageBoxWatcher(QMessageBox::StandardButton press = QMessageBox::Ok, const QString &pressText = {})
    {
        QObject::connect(&timer, &QTimer::timeout, [this, press, pressText] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                seen.append(box->windowTitle() + " | " + box->text() + " | " + box->informativeText());
                QAbstractButton *button = box->button(press);
                for (QAbstractButton *other : box->buttons())
                    button = other->text() == pressText ? other : button;
                if (button)
                    button->click();
                else
                    QTest::keyClick(box, Qt::Key_Escape);
            }
        });
        timer.start(10);
    }

    QStringList seen;

private:
    QTimer timer;
};

// A MainWindow started on an INI pair that the test writes into a scratch home.
class WindowFixture
{
public:
    WindowFixture(const QByteArray &prefs, const QByteArray &main)
        : home(prefs, main)
    {
        restart();
    }

    // Starts another window on the files as they are now.
    void restart()
    {
        window.reset();
        window = std::make_unique<MainWindow>(std::make_unique<IniStore>(home.iniFolder()));
    }

    template<class Widget = QWidget>
    Widget *get(const QString &objectName) const
    {
        auto *widget = window->findChild<Widget *>(objectName);
        if (!widget)
            qFatal("no %s named %s", Widget::staticMetaObject.className(), qPrintable(objectName));
        return widget;
    }

    // A control by name and the property it edits or shows; "name.property" names another
    // property, and "MainWindow" the window.
    std::pair<QWidget *, QByteArray> target(const QString &name) const
    {
        QWidget *w = name.startsWith("MainWindow") ? window.get() : get(name.section('.', 0, 0));
        const QMetaProperty user = w->metaObject()->userProperty();
        return {w, name.contains('.') ? name.section('.', 1).toLatin1()
                                      : QByteArray(user.isValid() ? user.name() : "text")};
    }

    // "name=value ..." sets controls as the player would; "name+n" or "name-n" takes n single steps.
    void set(const QString &steps) const
    {
        for (const QString &step : steps.split(' ', Qt::SkipEmptyParts)) {
            const qsizetype at = step.indexOf(QRegularExpression("[=+-]"));
            const auto [w, property] = target(step.left(at));
            if (step[at] == '=' && !w->setProperty(property, step.mid(at + 1)))
                qFatal("cannot set %s", qPrintable(step));
            for (int i = 0; step[at] != '=' && i < step.mid(at + 1).toInt(); ++i)
                qobject_cast<QAbstractSpinBox *>(w)->stepBy(step[at] == '+' ? 1 : -1);
        }
    }

    // What the controls show, as "name=value ..." for each "name" or "name.property" of the
    // list (a "name=value" list reads as its names); a picture shows its size.
    QString shown(const QString &names) const
    {
        QStringList result;
        for (const QString &name : names.split(' ', Qt::SkipEmptyParts)) {
            const auto [w, property] = target(name.section('=', 0, 0));
            const QVariant value = w->property(property);
            const QSize size = value.value<QPixmap>().size();
            result << name.section('=', 0, 0) + '='
                    + (value.typeId() == QMetaType::QPixmap ? QString("%1x%2").arg(size.width()).arg(size.height())
                       : value.typeId() == QMetaType::Double
                           ? QString::number(value.toDouble(), 'f', QLocale::FloatingPointShortest)
                           : value.toString());
        }
        return result.join(' ');
    }

    // Presses Apply; what the message boxes said.
    QStringList apply() const
    {
        MessageBoxWatcher watcher;
        get<QPushButton>("btnApply")->click();
        return watcher.seen;
    }

    TestSupport::ScratchHome home;
    std::unique_ptr<MainWindow> window;
};
