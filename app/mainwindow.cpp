// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "mainwindow.h"

#include "fileaccesserror.h"
#include "formfont.h"
#include "linkedpairs.h"
#include "previewpictures.h"
#include "resolutions.h"
#include "startup.h"
#include "statusline.h"
#include "catalogue.h"
#include "controlbinding.h"
#include "formsettings.h"
#include "gamefiles.h"
#include "inistore.h"
#include "mainform.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QMenu>
#include <QMessageBox>
#include <QShortcut>
#include <QUrl>

namespace {

constexpr int narrowWidth = 560;
constexpr int previewWidth = 984;

// Sets up each setting's control as its row says: its slider, its step, and what it shows where the
// files give no usable value.
void presentSettings(QWidget *window)
{
    const QHash<QString, QWidget *> widgets = widgetsByName(window);
    for (const Setting &setting : settingsCatalogue()) {
        const Presentation &shown = setting.shown;
        QWidget *control = widgets.value(QLatin1String(setting.control));
        auto *slider = shown.slider ? qobject_cast<QSlider *>(widgets.value(QLatin1String(shown.slider))) : nullptr;
        if (auto *box = qobject_cast<QDoubleSpinBox *>(control)) {
            if (slider)
                linkSlider(slider, box, shown.scale);
            if (shown.singleStep > 0)
                box->setSingleStep(shown.singleStep);
        } else if (auto *box = qobject_cast<QSpinBox *>(control); box && slider) {
            linkSlider(slider, box);
        }
        if (control && shown.start)
            control->metaObject()->userProperty().write(control, *shown.start);
    }
}

} // namespace

MainWindow::MainWindow(std::unique_ptr<IniStore> store, QWidget *parent)
    : QMainWindow(parent)
    , form(new Ui::MainForm)
    , store(std::move(store))
{
    useFormFont(this);
    form->setupUi(this);
    presentSettings(this);
    syncSpinBoxes(form->spnMouseSCalX, form->spnMouseSCalY, form->ckbSyncMScaling);
    // At a fractional scale (125 %) a caption's first pixel column can fall just outside its
    // label; a pixel of indent keeps it inside.
    for (QLabel *label : findChildren<QLabel *>()) {
        if (!label->text().isEmpty() && label->indent() < 1)
            label->setIndent(1);
    }
    overrideWindowFlags(windowFlags() | Qt::MSWindowsFixedSizeDialogHint);

    on_cmbAspect_currentIndexChanged(form->cmbAspect->currentIndex());
    setFixedWidth(narrowWidth);

    statusLine = new StatusLine(form->centralWidget);
    connect(statusLine, &QLabel::linkActivated, this, &MainWindow::followStatusLink);

    settings = std::make_unique<FormSettings>(this);
    loadSettings();
    settings->connectChanges(this, SLOT(updateApplyButton()));
    updateApplyButton();

    connect(new QShortcut(QKeySequence::Save, this), &QShortcut::activated, form->btnApply, &QPushButton::animateClick);
    for (const QKeySequence::StandardKey key : {QKeySequence::Close, QKeySequence::Quit})
        connect(new QShortcut(key, this), &QShortcut::activated, this, &QWidget::close);
}

MainWindow::~MainWindow()
{
    // The form's widgets go while what their slots use still stands: some tell of a
    // last change as they go (a spin box losing the focus takes in its text).
    delete takeCentralWidget();
    delete form;
}

void MainWindow::loadSettings()
{
    settings->load(*store);
    statusLine->showFolder(store->folder(), int(foldersWithTheFiles().size()));

    // The stored size picks its aspect ratio and its entry in the resolution box;
    // a size in no list leaves both boxes without a match and the fields as stored.
    const QString entry = form->txtScreenResW->text() + u'x' + form->txtScreenResH->text();
    const int aspect = aspectIndexOf(entry);
    if (aspect >= 0)
        form->cmbAspect->setCurrentIndex(aspect);
    form->cmbScreenRes->setCurrentIndex(form->cmbScreenRes->findText(entry));

    // Equal scales are taken as scales the player keeps in step.
    if (form->spnMouseSCalX->value() == form->spnMouseSCalY->value())
        form->ckbSyncMScaling->setChecked(true);
}

bool MainWindow::hasUnappliedChanges() const
{
    return settings->hasChanges() || store->hasPendingWrites();
}

void MainWindow::updateApplyButton()
{
    form->btnApply->setEnabled(hasUnappliedChanges());
}

void MainWindow::on_btnApply_clicked()
{
    if (!settings->apply(*store)) {
        QMessageBox::warning(this, tr("Invalid resolution!"),
                             tr("The screen width and height must be whole numbers greater than 0. Choose a "
                                "resolution from the list or enter a custom one."));
        return;
    }
    const QList<SaveFailure> failures = store->save();
    if (failures.isEmpty())
        statusLine->showSaved(store->lastWritten(), true);
    else
        statusLine->showFailed(failures);
    showSaveErrors(this, failures);
    updateApplyButton();
}

bool MainWindow::mayLeaveChanges(const QString &question)
{
    if (!hasUnappliedChanges())
        return true;
    const QMessageBox::StandardButton answer = QMessageBox::question(this, windowTitle(), question,
        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save);
    if (answer == QMessageBox::Save)
        on_btnApply_clicked();
    return answer == QMessageBox::Discard || (answer == QMessageBox::Save && !hasUnappliedChanges());
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (mayLeaveChanges(tr("Apply the changed settings before closing?")))
        event->accept();
    else
        event->ignore();
}

QStringList MainWindow::foldersWithTheFiles() const
{
    QStringList folders = {store->folder()};
    for (const QString &folder : searchedFolders(QString())) {
        const auto same = [&folder](const QString &other) { return QDir(other) == QDir(folder); };
        if (GameFiles::allIn(folder) && std::none_of(folders.cbegin(), folders.cend(), same))
            folders.append(folder);
    }
    return folders;
}

void MainWindow::switchToFolder(const QString &folder)
{
    if (!mayLeaveChanges(tr("Apply the changed settings before switching to another folder?")))
        return;
    auto other = std::make_unique<IniStore>(folder);
    if (!other->isOpen()) {
        showSaveErrors(this, {*other->openFailure()});
        return;
    }
    store = std::move(other);
    loadSettings();
    updateApplyButton();
}

void MainWindow::restoreFiles()
{
    if (QMessageBox::question(this, windowTitle(),
                              tr("Put back the files as they were before the first Apply since this window "
                                 "opened? Every change applied since is lost."))
        != QMessageBox::Yes)
        return;
    const QList<SaveFailure> failures = store->restoreBackups();
    showSaveErrors(this, failures);
    auto reread = std::make_unique<IniStore>(store->folder());
    if (reread->isOpen())
        store = std::move(reread);
    loadSettings();
    statusLine->showRestored(failures);
    updateApplyButton();
}

void MainWindow::followStatusLink(const QString &link)
{
    if (link == QLatin1String("open")) {
        QDesktopServices::openUrl(QUrl::fromLocalFile(store->folder()));
    } else if (link == QLatin1String("restore")) {
        restoreFiles();
    } else if (link == QLatin1String("switch")) {
        QMenu menu(this);
        for (const QString &folder : foldersWithTheFiles())
            menu.addAction(QDir::toNativeSeparators(folder), this, [this, folder] { switchToFolder(folder); })
                ->setEnabled(folder != store->folder());
        menu.exec(QCursor::pos());
    }
}

// Screen resolution

void MainWindow::on_cmbAspect_currentIndexChanged(int index)
{
    fillResolutionBox(form->cmbScreenRes, index);
}

void MainWindow::on_cmbScreenRes_currentIndexChanged(int /*index*/)
{
    const QString entry = form->cmbScreenRes->currentText();
    if (entry.isEmpty())
        return;
    const QStringList size = entry.split(u'x');
    form->txtScreenResH->setText(size.value(1));
    form->txtScreenResW->setText(size.value(0));
}

void MainWindow::on_ckbUseCustom_toggled(bool checked)
{
    form->cmbScreenRes->setEnabled(!checked);
    form->txtScreenResH->setEnabled(checked);
    form->txtScreenResW->setEnabled(checked);
}

// Preview pane and level captions

// The pane opens on the picture of the level changed last, and while it is
// closed the window cannot be widened by hand.
void MainWindow::on_ckbShowPreview_toggled(bool checked)
{
    setFixedWidth(checked ? previewWidth : narrowWidth);
    if (checked && previewLevel)
        showPreviewPicture(form->viwPreview, QLatin1String(previewLevel->picture));
}

void MainWindow::on_sldTexFilter_valueChanged(int value)
{
    if (const PreviewLevel *level = anisotropicFilteringLevel(value)) {
        form->lblTexFilterInd->setText(QLatin1String(level->caption));
        preview(level);
    }
}

void MainWindow::on_sldAA_valueChanged(int value)
{
    if (const PreviewLevel *level = antiAliasingLevel(value)) {
        form->lblMSAAIndi->setText(QLatin1String(level->caption));
        preview(level);
    }
}

void MainWindow::on_cmbTexQual_currentIndexChanged(int index)
{
    if (const PreviewLevel *level = textureQualityLevel(index))
        preview(level);
}

void MainWindow::preview(const PreviewLevel *level)
{
    previewLevel = level;
    if (form->ckbShowPreview->isChecked())
        showPreviewPicture(form->viwPreview, QLatin1String(level->picture));
}
