// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

// A player who cannot see the form, or does not use a mouse: every control has a name a
// screen reader can say, and every control is reached with the keyboard alone.

#include "ui_mainform.h"

#include <QtTest>
#include <QtWidgets>

namespace {

// The controls a setting is changed with.
bool isInputControl(const QObject *object)
{
    if (const auto *group = qobject_cast<const QGroupBox *>(object))
        return group->isCheckable();
    return qobject_cast<const QAbstractButton *>(object) || qobject_cast<const QAbstractSlider *>(object)
           || qobject_cast<const QAbstractSpinBox *>(object) || qobject_cast<const QComboBox *>(object)
           || qobject_cast<const QLineEdit *>(object);
}

// What a screen reader says for the control. A control without a name of its own
// borrows its group box's title, and on Linux a combo box's name is its current item;
// a screen reader then says the label tied to the control, if there is one.
QString spokenName(QAccessibleInterface *control)
{
    QStringList borrowed{control->text(QAccessible::Value)};
    QString label;
    for (const auto &[other, relation] : control->relations(QAccessible::Label)) {
        if (other->role() != QAccessible::StaticText)
            borrowed.append(other->text(QAccessible::Name));
        else if (label.isEmpty())
            label = other->text(QAccessible::Name);
    }
    const QString name = control->text(QAccessible::Name);
    return borrowed.contains(name) ? label : name;
}

} // namespace

class TestAccessibility : public QObject
{
    Q_OBJECT
    QMainWindow window;
    Ui::MainForm form;

private slots:
    void initTestCase() { form.setupUi(&window); }

    void everyControlHasAName()
    {
        QStringList unnamed;
        for (QWidget *control : window.findChildren<QWidget *>()) {
            // Qt's own parts of a control (a spin box's line edit) speak as the control; a combo box's list is a
            // window of its own.
            if (isInputControl(control) && !control->objectName().startsWith("qt_") && control->window() == &window
                && spokenName(QAccessible::queryAccessibleInterface(control)).trimmed().isEmpty())
                unnamed << control->objectName();
        }
        QVERIFY2(unnamed.isEmpty(), qPrintable("no accessible name: " + unnamed.join(", ")));
    }

    // Tab reaches every control of the page shown, on every page (Ctrl+Tab turns the pages: Qt's tab widget does).
    void everyControlIsReachedWithTab()
    {
        form.grpReflect->setChecked(true); // every control enabled, as the player can make each of them
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        for (QWidget *widget : window.findChildren<QWidget *>())
            widget->setEnabled(true);
        QSet<QWidget *> focused;
        for (QTabWidget *tabs : window.findChildren<QTabWidget *>()) {
            for (int page = 0; page < tabs->count(); ++page) {
                tabs->setCurrentIndex(page);
                for (QWidget *shown = tabs; shown->parentWidget(); shown = shown->parentWidget()) {
                    if (auto *pages = qobject_cast<QStackedWidget *>(shown->parentWidget()))
                        pages->setCurrentWidget(shown);
                }
                for (int keys = 0; keys < 200; ++keys) {
                    focused.insert(QApplication::focusWidget());
                    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &window, Qt::Key_Tab);
                }
            }
        }
        QStringList left;
        for (QWidget *widget : window.findChildren<QWidget *>()) {
            if (widget->window() == &window && !widget->isHidden() && (widget->focusPolicy() & Qt::TabFocus)
                && !widget->focusProxy() && !focused.contains(widget))
                left << widget->objectName();
        }
        QVERIFY2(left.isEmpty(), qPrintable("controls not reached: " + left.join(", ")));
    }
};

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
