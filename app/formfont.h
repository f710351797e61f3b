#pragma once

#include <QFont>

// The form's fixed geometry was drawn for a small dialog font of about 8 points;
// larger desktop fonts would clip its captions.
QFont formFont();
