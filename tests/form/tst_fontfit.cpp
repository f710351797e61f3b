// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Every caption of the form, and the widest value of every spin box, fits its fixed rectangle in the form font and in
// each family the program falls back to; and text is drawn with every stroke at the screen's scale.

#include "formfont.h"
#include "windowfixture.h"

#include <QtTest>

namespace {

// A text and the room the style leaves it: its width, or for wrapped text its rectangle.
struct Fit
{
    QString text;
    QRect room;
    bool wraps = false;
};

std::optional<Fit> fitOf(QWidget *widget)
{
    QStyle *style = widget->style();
    const auto wide = [widget](const QString &text, int width) { return Fit{text, QRect(0, 0, width, widget->height())}; };
    if (auto *check = qobject_cast<QCheckBox *>(widget))
        return wide(check->text(), check->width() - style->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, check)
                                       - style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, check));
    if (auto *button = qobject_cast<QPushButton *>(widget))
        return wide(button->text().remove(u'&'), button->width() - 2 * style->pixelMetric(QStyle::PM_ButtonMargin));
    if (auto *group = qobject_cast<QGroupBox *>(widget)) // the title starts past the check box of a checkable one
        return wide(group->title(), group->width() - (group->isCheckable() ? 30 : 10));
    if (auto *label = qobject_cast<QLabel *>(widget); label && !label->text().contains(u'<'))
        return Fit{label->text().remove(u'&'), label->contentsRect().adjusted(qMax(0, label->indent()), 0, 0, 0),
                   label->wordWrap()};
    if (auto *box = qobject_cast<QAbstractSpinBox *>(widget)) {
        // The field the style leaves beside the arrows (a hidden page's boxes are not laid out
        // yet), less the line edit's own margins.
        QStyleOptionSpinBox option;
        option.initFrom(box);
        option.frame = box->hasFrame();
        option.subControls = QStyle::SC_SpinBoxFrame | QStyle::SC_SpinBoxEditField | QStyle::SC_SpinBoxUp
            | QStyle::SC_SpinBoxDown;
        const int edit = style->subControlRect(QStyle::CC_SpinBox, &option, QStyle::SC_SpinBoxEditField, box).width() - 4;
        if (auto *real = qobject_cast<QDoubleSpinBox *>(box)) { // the maximum, or the longest value below it
            const QString top = real->textFromValue(real->maximum());
            const QString below = real->textFromValue(real->maximum() - std::pow(10.0, -real->decimals()));
            return wide(box->fontMetrics().horizontalAdvance(top) > box->fontMetrics().horizontalAdvance(below) ? top
                                                                                                             : below, edit);
        }
        if (auto *whole = qobject_cast<QSpinBox *>(box))
            return wide(whole->prefix() + QString::number(whole->maximum()) + whole->suffix(), edit);
    }
    return std::nullopt;
}

} // namespace

class TestFontFit : public QObject
{
    Q_OBJECT

private slots:
    // In the form font's family and in each it falls back to that is installed here.
    void everyTextFits()
    {
        for (const QString &family : formFont().families()) {
            if (!QFontDatabase::hasFamily(family))
                continue;
            WindowFixture fixture("[Display]\nsD3DDevice=\"\"\n", "[Display]\n");
            QFont font = fixture.window->font();
            font.setFamilies({family});
            fixture.window->setFont(font);
            QStringList clipped;
            for (QWidget *widget : fixture.window->findChildren<QWidget *>()) {
                const std::optional<Fit> fit = fitOf(widget);
                if (!fit || fit->text.isEmpty())
                    continue;
                const QFontMetrics metrics = widget->fontMetrics();
                const QSize needed = fit->wraps ? metrics.boundingRect(fit->room, Qt::TextWordWrap, fit->text).size()
                                                : QSize(metrics.horizontalAdvance(fit->text), 0);
                if (needed.width() > fit->room.width() || needed.height() > fit->room.height())
                    clipped << QString("%1 \"%2\": %3x%4 in %5x%6").arg(widget->objectName(), fit->text)
                                   .arg(needed.width()).arg(needed.height()).arg(fit->room.width()).arg(fit->room.height());
            }
            QVERIFY2(clipped.isEmpty(), qPrintable(family + ": " + clipped.join('\n')));
        }
    }

    // At the screen's scale the thin strokes of "l T l" are drawn: three stems across the middle, and the T's bar.
    void everyStrokeIsDrawn()
    {
        const qreal scale = qApp->devicePixelRatio();
        QImage image((QSizeF(40, 20) * scale).toSize(), QImage::Format_RGB32);
        image.setDevicePixelRatio(scale);
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.setFont(formFont());
        painter.drawText(QRect(0, 0, 40, 20), Qt::AlignCenter, QStringLiteral("l T l"));
        painter.end();
        const auto inkRuns = [&image](int y, int length) { // along row y, at least length pixels long
            int runs = 0;
            for (int x = 0, ink = 0; x < image.width(); ++x)
                runs += (ink = qGray(image.pixel(x, y)) < 192 ? ink + 1 : 0) == length;
            return runs;
        };
        int bars = 0;
        for (int y = 0; y < image.height(); ++y)
            bars += inkRuns(y, qCeil(3 * scale));
        QCOMPARE(inkRuns(image.height() / 2, 1), 3);
        QVERIFY(bars > 0);
    }
};

int main(int argc, char *argv[])
{
    chooseTextRendering(); // as the program does, before the application is made
    QApplication app(argc, argv);
    TestFontFit test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_fontfit.moc"
