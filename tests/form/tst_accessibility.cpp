// A player who cannot see the form, or does not use a mouse: every control has a name a
// screen reader can say, and every page and control is reached with the keyboard alone.

#include "ui_mainform.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QMainWindow>
#include <QSet>
#include <QTabWidget>
#include <QTest>

#include <functional>
#include <memory>

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

void collectControls(QAccessibleInterface *node, QHash<QObject *, QString> &names)
{
    if (isInputControl(node->object()))
        names.insert(node->object(), spokenName(node));
    for (int i = 0; i < node->childCount(); ++i) {
        if (QAccessibleInterface *child = node->child(i))
            collectControls(child, names);
    }
}

// The object names of the widgets that pass, sorted, or an empty text.
QString namesOf(const QList<QWidget *> &widgets, const std::function<bool(QWidget *)> &passes)
{
    QStringList names;
    for (QWidget *widget : widgets) {
        if (passes(widget))
            names.append(widget->objectName());
    }
    names.sort();
    return names.join(QStringLiteral(", "));
}

QTabWidget *innermostTabWidget(QWidget *widget)
{
    for (; widget; widget = widget->parentWidget()) {
        if (auto *tabs = qobject_cast<QTabWidget *>(widget))
            return tabs;
    }
    return nullptr;
}

} // namespace

class TestAccessibility : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        window = std::make_unique<QMainWindow>();
        form.setupUi(window.get());
    }

    void cleanup() { window.reset(); }

    void everyControlHasAName()
    {
        QHash<QObject *, QString> spoken;
        collectControls(QAccessible::queryAccessibleInterface(window.get()), spoken);

        QList<QWidget *> controls;
        for (QWidget *control : window->findChildren<QWidget *>()) {
            // Qt's own parts of a control (a spin box's line edit) speak as the control;
            // a combo box's list is a window of its own.
            if (isInputControl(control) && !control->objectName().startsWith(QLatin1String("qt_"))
                && control->window() == window.get())
                controls.append(control);
        }
        const QString missing = namesOf(controls, [&](QWidget *control) { return !spoken.contains(control); });
        QVERIFY2(missing.isEmpty(), qPrintable(QStringLiteral("not in the accessibility tree: ") + missing));
        const QString unnamed = namesOf(controls, [&](QWidget *control) {
            return spoken.value(control).trimmed().isEmpty();
        });
        QVERIFY2(unnamed.isEmpty(), qPrintable(QStringLiteral("no accessible name: ") + unnamed));
    }

    // Tab moves through the controls of the pages shown; Ctrl+Tab turns the page of the
    // innermost tab widget around the focus. Like a player exploring, the walk turns the
    // page once the controls below it are all visited.
    void everyPageAndControlIsReachedFromTheKeyboard()
    {
        // Every control enabled, as the player can make each of them.
        form.grpReflect->setChecked(true);
        for (QWidget *widget : window->findChildren<QWidget *>())
            widget->setEnabled(true);
        window->show();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));

        QList<QWidget *> controls;
        QList<QWidget *> pages;
        for (QWidget *widget : window->findChildren<QWidget *>()) {
            if (widget->window() == window.get() && !widget->isHidden() && (widget->focusPolicy() & Qt::TabFocus)
                && !widget->focusProxy())
                controls.append(widget);
            if (auto *tabs = qobject_cast<QTabWidget *>(widget)) {
                for (int page = 0; page < tabs->count(); ++page)
                    pages.append(tabs->widget(page));
            }
        }

        QSet<QWidget *> focused;
        QSet<QWidget *> shownPages;
        const auto visitedBelow = [&](QWidget *page) {
            for (QWidget *control : std::as_const(controls)) {
                if (page->isAncestorOf(control) && !focused.contains(control))
                    return false;
            }
            for (QWidget *inner : std::as_const(pages)) {
                if ((inner == page || page->isAncestorOf(inner)) && !shownPages.contains(inner))
                    return false;
            }
            return true;
        };
        const auto note = [&] {
            if (QWidget *focus = QApplication::focusWidget())
                focused.insert(focus);
            for (QWidget *page : std::as_const(pages)) {
                if (page->isVisible())
                    shownPages.insert(page);
            }
        };

        note();
        for (int keys = 0; keys < 2000 && !visitedBelow(window->centralWidget()); ++keys) {
            QWidget *focus = QApplication::focusWidget();
            QTabWidget *tabs = innermostTabWidget(focus);
            bool turnPage = false;
            if (tabs && visitedBelow(tabs->currentWidget())) {
                for (int page = 0; page < tabs->count(); ++page)
                    turnPage = turnPage || !visitedBelow(tabs->widget(page));
            }
            QTest::keyClick(focus ? focus : window.get(), Qt::Key_Tab,
                            turnPage ? Qt::ControlModifier : Qt::NoModifier);
            note();
        }

        const QString pagesLeft = namesOf(pages, [&](QWidget *page) { return !shownPages.contains(page); });
        QVERIFY2(pagesLeft.isEmpty(), qPrintable(QStringLiteral("pages not reached: ") + pagesLeft));
        const QString controlsLeft = namesOf(controls, [&](QWidget *control) { return !focused.contains(control); });
        QVERIFY2(controlsLeft.isEmpty(), qPrintable(QStringLiteral("controls not reached: ") + controlsLeft));
    }

private:
    std::unique_ptr<QMainWindow> window;
    Ui::MainForm form;
};

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
