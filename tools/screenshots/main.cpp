// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "inifolder.h"
#include "inistore.h"
#include "mainwindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QTest>

#include <cstdio>

namespace {

struct Page
{
    const char *file;
    int main;     // tabMain
    int graphics; // tabGFX
    int lighting; // tabLighting
    int controls; // tabControls
};

constexpr Page pages[] = {
    {"graphics-screen.png", 0, 0, 0, 0},
    {"graphics-textures.png", 0, 1, 0, 0},
    {"graphics-models.png", 0, 2, 0, 0},
    {"graphics-lighting-shadows.png", 0, 3, 0, 0},
    {"graphics-lighting-light.png", 0, 3, 1, 0},
    {"graphics-water.png", 0, 4, 0, 0},
    {"sound.png", 1, 0, 0, 0},
    {"controls-mouse.png", 2, 0, 0, 0},
    {"controls-keyboard.png", 2, 0, 0, 1},
};

template<class Widget>
Widget *child(const QWidget &window, const char *name)
{
    return window.findChild<Widget *>(QLatin1String(name));
}

} // namespace

// Shows the window on the INI files in the folder given second (else those the
// program finds), and saves a picture of each page into the folder given first.
int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QDir output(app.arguments().value(1, QStringLiteral(".")));
    const QString iniFolderArgument = app.arguments().value(2);
    auto store = std::make_unique<IniStore>(iniFolderArgument.isEmpty() ? iniFolder() : iniFolderArgument + u'/');
    if (!store->isOpen())
        return 2;
    MainWindow window(std::move(store));
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;

    const auto save = [&](const char *file) {
        QTest::qWait(100);
        const QString path = output.filePath(QLatin1String(file));
        if (!window.grab().save(path))
            return false;
        std::printf("%s\n", qPrintable(path));
        return true;
    };
    for (const Page &page : pages) {
        child<QTabWidget>(window, "tabMain")->setCurrentIndex(page.main);
        child<QTabWidget>(window, "tabGFX")->setCurrentIndex(page.graphics);
        child<QTabWidget>(window, "tabLighting")->setCurrentIndex(page.lighting);
        child<QTabWidget>(window, "tabControls")->setCurrentIndex(page.controls);
        if (!save(page.file))
            return 1;
    }

    // The status line after an Apply.
    child<QTabWidget>(window, "tabMain")->setCurrentIndex(0);
    child<QTabWidget>(window, "tabGFX")->setCurrentIndex(0);
    child<QCheckBox>(window, "ckbVSync")->toggle();
    child<QPushButton>(window, "btnApply")->click();
    if (!save("saved.png"))
        return 1;

    // The preview pane, showing the filtering level the files hold.
    child<QTabWidget>(window, "tabMain")->setCurrentIndex(0);
    child<QTabWidget>(window, "tabGFX")->setCurrentIndex(1);
    child<QCheckBox>(window, "ckbShowPreview")->setChecked(true);
    auto *filtering = child<QSlider>(window, "sldTexFilter");
    const int level = filtering->value();
    filtering->setValue(level == 0 ? 1 : 0);
    filtering->setValue(level);
    return save("preview.png") ? 0 : 1;
}
