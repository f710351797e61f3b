// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QMainWindow>

#include <memory>

namespace Ui {
class MainForm;
}
class FormSettings;
struct PreviewLevel;
class StatusLine;
class IniStore;

// The program's one window: the settings form over the game's two INI files,
// which it edits through the store it is given. Its slots, connected to the
// form's controls by name, are the form's behaviour beyond its linked pairs.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(std::unique_ptr<IniStore> store, QWidget *parent = nullptr);
    ~MainWindow() override;

    // Whether something the player set has not reached the files yet.
    bool hasUnappliedChanges() const;

    // The folders that hold both files, this window's first.
    QStringList foldersWithTheFiles() const;
    // Edits the files in folder from now on, after asking about unapplied changes.
    void switchToFolder(const QString &folder);
    // After a question, puts back the files as they were before the first Apply.
    void restoreFiles();

protected:
    // With unapplied changes, asks whether to apply them, drop them or stay.
    void closeEvent(QCloseEvent *event) override;

private slots:
    void on_cmbScreenRes_currentIndexChanged(int index);
    void on_ckbUseCustom_toggled(bool checked);
    void on_sldAA_valueChanged(int value);
    void on_ckbShowPreview_toggled(bool checked);
    void on_btnApply_clicked();
    void on_cmbAspect_currentIndexChanged(int index);
    void on_sldTexFilter_valueChanged(int value);
    void on_cmbTexQual_currentIndexChanged(int index);
    void updateApplyButton();
    void followStatusLink(const QString &link);

private:
    void loadSettings();
    // Asks whether to apply unapplied changes first; false when the player stays.
    bool mayLeaveChanges(const QString &question);
    // The level's picture is the pane's, shown now if the pane is open.
    void preview(const PreviewLevel *level);

    Ui::MainForm *form;
    std::unique_ptr<IniStore> store;
    std::unique_ptr<FormSettings> settings;
    const PreviewLevel *previewLevel = nullptr;
    StatusLine *statusLine;
};
