#include "mainwindow.h"

#include "app/fileaccesserror.h"
#include "app/formfont.h"
#include "form/linkedpairs.h"
#include "form/previewpictures.h"
#include "form/resolutions.h"
#include "settings/applysettings.h"
#include "settings/loadsettings.h"
#include "store/inifolder.h"
#include "store/inistore.h"
#include "ui_mainform.h"

#include <QMessageBox>

#include <cstdlib>

namespace {

constexpr int narrowWidth = 560;
constexpr int previewWidth = 984;
constexpr int milli = 1000;
constexpr int tenThousandth = 10000;

} // namespace

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
    , form(new Ui::MainForm)
{
    useFormFont(this);
    form->setupUi(this);
    overrideWindowFlags(windowFlags() | Qt::MSWindowsFixedSizeDialogHint);

    form->spnGamma->setSingleStep(0.05);
    form->spnMouseSCalX->setSingleStep(0.005);
    form->spnMouseSCalY->setSingleStep(0.005);
    form->spnMouseSens->setSingleStep(0.0005);
    form->spnShadowBias->setSingleStep(0.005);

    // What the window shows where the INI files give no usable value.
    form->sldMouseSCalX->setValue(20);
    form->sldMouseSCalY->setValue(20);
    form->sldFOV->setValue(85);

    on_cmbAspect_currentIndexChanged(form->cmbAspect->currentIndex());

    store = new IniStore(iniFolder());
    if (!store->isOpen()) {
        showOpenError(store->unreadablePath());
        std::exit(2);
    }
    loadSettings();
}

MainWindow::~MainWindow()
{
    delete store;
    delete form;
}

void MainWindow::loadSettings()
{
    loadSettingsIntoForm(this, *form, *store);
}

void MainWindow::on_btnApply_clicked()
{
    if (!isValidScreenSize(form->txtScreenResW->text(), form->txtScreenResH->text())) {
        QMessageBox::warning(this, QStringLiteral("Invalid resolution!"),
                             QStringLiteral("The screen width and height must be whole numbers greater "
                                            "than 0. Choose a resolution from the list or enter a custom one."));
        return;
    }
    applyFormToStore(this, *store);
    showSaveErrors(this, store->save());
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

void MainWindow::on_ckbShowPreview_toggled(bool checked)
{
    setFixedWidth(checked ? previewWidth : narrowWidth);
}

void MainWindow::on_sldTexFilter_valueChanged(int value)
{
    if (const PreviewLevel *level = anisotropicFilteringLevel(value)) {
        form->lblTexFilterInd->setText(QLatin1String(level->caption));
        if (form->ckbShowPreview->isChecked())
            loadPreview(QLatin1String(level->picture));
    }
}

void MainWindow::on_sldAA_valueChanged(int value)
{
    if (const PreviewLevel *level = antiAliasingLevel(value)) {
        form->lblMSAAIndi->setText(QLatin1String(level->caption));
        if (form->ckbShowPreview->isChecked())
            loadPreview(QLatin1String(level->picture));
    }
}

void MainWindow::on_cmbTexQual_currentIndexChanged(int index)
{
    const PreviewLevel *level = textureQualityLevel(index);
    if (level && form->ckbShowPreview->isChecked())
        loadPreview(QLatin1String(level->picture));
}

void MainWindow::loadPreview(QString fileName)
{
    showPreviewPicture(form->viwPreview, fileName);
}

// Sliders and spin boxes that show one value

void MainWindow::on_sldGamma_valueChanged(int value)
{
    form->spnGamma->setValue(spinBoxValue(value, milli));
}

void MainWindow::on_spnGamma_valueChanged(double arg1)
{
    form->sldGamma->setValue(sliderPosition(arg1, milli));
}

void MainWindow::on_sldDecalDrawDistance_valueChanged(int value)
{
    form->spnDecalDrawDistance->setValue(spinBoxValue(value, milli));
}

void MainWindow::on_spnDecalDrawDistance_valueChanged(double arg1)
{
    form->sldDecalDrawDistance->setValue(sliderPosition(arg1, milli));
}

void MainWindow::on_sldShadowDistInt_valueChanged(int value)
{
    form->spnShadowDistInt->setValue(spinBoxValue(value, milli));
}

void MainWindow::on_spnShadowDistInt_valueChanged(double arg1)
{
    form->sldShadowDistInt->setValue(sliderPosition(arg1, milli));
}

void MainWindow::on_sldShadowDistExt_valueChanged(int value)
{
    form->spnShadowDistExt->setValue(spinBoxValue(value, milli));
}

void MainWindow::on_spnShadowDistExt_valueChanged(double arg1)
{
    form->sldShadowDistExt->setValue(sliderPosition(arg1, milli));
}

void MainWindow::on_sldShadowDistFade_valueChanged(int value)
{
    form->spnShadowDistFade->setValue(spinBoxValue(value, milli));
}

void MainWindow::on_spnShadowDistFade_valueChanged(double arg1)
{
    form->sldShadowDistFade->setValue(sliderPosition(arg1, milli));
}

void MainWindow::on_sldLightFadeDist_valueChanged(int value)
{
    form->spnLightFadeDist->setValue(spinBoxValue(value, milli));
}

void MainWindow::on_spnLightFadeDist_valueChanged(double arg1)
{
    form->sldLightFadeDist->setValue(sliderPosition(arg1, milli));
}

void MainWindow::on_sldSpecFadeDist_valueChanged(int value)
{
    form->spnSpecFadeDist->setValue(spinBoxValue(value, milli));
}

void MainWindow::on_spnSpecFadeDist_valueChanged(double arg1)
{
    form->sldSpecFadeDist->setValue(sliderPosition(arg1, milli));
}

void MainWindow::on_sldShadowBias_valueChanged(int value)
{
    form->spnShadowBias->setValue(spinBoxValue(value, tenThousandth));
}

void MainWindow::on_spnShadowBias_valueChanged(double arg1)
{
    form->sldShadowBias->setValue(sliderPosition(arg1, tenThousandth));
}

void MainWindow::on_sldMouseSens_valueChanged(int value)
{
    form->spnMouseSens->setValue(spinBoxValue(value, milli));
}

void MainWindow::on_spnMouseSens_valueChanged(double arg1)
{
    form->sldMouseSens->setValue(sliderPosition(arg1, milli));
}

// While "Sync" is checked the two mouse scalings move together; each pair
// settles first, then the other axis follows.

void MainWindow::on_sldMouseSCalX_valueChanged(int value)
{
    form->spnMouseSCalX->setValue(spinBoxValue(value, milli));
    if (form->ckbSyncMScaling->isChecked())
        form->sldMouseSCalY->setValue(value);
}

void MainWindow::on_spnMouseSCalX_valueChanged(double arg1)
{
    form->sldMouseSCalX->setValue(sliderPosition(arg1, milli));
    if (form->ckbSyncMScaling->isChecked())
        form->spnMouseSCalY->setValue(arg1);
}

void MainWindow::on_sldMouseSCalY_valueChanged(int value)
{
    form->spnMouseSCalY->setValue(spinBoxValue(value, milli));
    if (form->ckbSyncMScaling->isChecked())
        form->sldMouseSCalX->setValue(value);
}

void MainWindow::on_spnMouseSCalY_valueChanged(double arg1)
{
    form->sldMouseSCalY->setValue(sliderPosition(arg1, milli));
    if (form->ckbSyncMScaling->isChecked())
        form->spnMouseSCalX->setValue(arg1);
}

void MainWindow::on_spnShadowMaskQuarter_valueChanged(int arg1)
{
    form->sldShadowMaskQuarter->setValue(arg1);
}

void MainWindow::on_sldShadowMaskQuarter_valueChanged(int value)
{
    form->spnShadowMaskQuarter->setValue(value);
}
