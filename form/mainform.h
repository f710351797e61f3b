#pragma once

// Ui::MainForm, the record of the form's widgets, which uic makes from mainform.ui.
#include "ui_mainform.h"
