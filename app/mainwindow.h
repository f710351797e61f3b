#pragma once

#include <QMainWindow>

#include <memory>

namespace Ui {
class MainForm;
}
class IniStore;

// The program's one window: the settings form over the game's two INI files,
// which it edits through the store it is given. Its slots are connected to the
// form's controls by name.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(std::unique_ptr<IniStore> store, QWidget *parent = nullptr);
    ~MainWindow() override;

private slots:
    void on_cmbScreenRes_currentIndexChanged(int index);
    void on_ckbUseCustom_toggled(bool checked);
    void on_sldAA_valueChanged(int value);
    void on_ckbShowPreview_toggled(bool checked);
    void on_sldGamma_valueChanged(int value);
    void on_btnApply_clicked();
    void on_cmbAspect_currentIndexChanged(int index);
    void on_sldTexFilter_valueChanged(int value);
    void on_spnGamma_valueChanged(double arg1);
    void on_sldDecalDrawDistance_valueChanged(int value);
    void on_spnDecalDrawDistance_valueChanged(double arg1);
    void on_sldShadowDistInt_valueChanged(int value);
    void on_spnShadowDistInt_valueChanged(double arg1);
    void on_sldShadowDistExt_valueChanged(int value);
    void on_spnShadowDistExt_valueChanged(double arg1);
    void on_sldMouseSens_valueChanged(int value);
    void on_spnMouseSens_valueChanged(double arg1);
    void on_sldMouseSCalY_valueChanged(int value);
    void on_spnMouseSCalX_valueChanged(double arg1);
    void on_sldMouseSCalX_valueChanged(int value);
    void on_spnMouseSCalY_valueChanged(double arg1);
    void on_sldShadowBias_valueChanged(int value);
    void on_spnShadowBias_valueChanged(double arg1);
    void on_sldShadowDistFade_valueChanged(int value);
    void on_spnShadowDistFade_valueChanged(double arg1);
    void on_sldLightFadeDist_valueChanged(int value);
    void on_spnLightFadeDist_valueChanged(double arg1);
    void on_sldSpecFadeDist_valueChanged(int value);
    void on_spnSpecFadeDist_valueChanged(double arg1);
    void on_spnShadowMaskQuarter_valueChanged(int arg1);
    void on_sldShadowMaskQuarter_valueChanged(int value);
    void on_cmbTexQual_currentIndexChanged(int index);

private:
    void loadSettings();
    void loadPreview(QString fileName);

    Ui::MainForm *form;
    std::unique_ptr<IniStore> store;
};
