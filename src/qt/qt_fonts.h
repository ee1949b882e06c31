// Fonts on Qt: the stored font names of forms and lexers ("Courier New", "Arial", "MS Sans
// Serif") name families that a Linux desktop rarely has. The font service maps them to installed
// families with the same metrics (Liberation, DejaVu), so that a fixed-pitch font keeps a constant
// cell and proportional text keeps its widths.
//
//   QFont f = synt::qt::ToQFont(*canvas.Font());   // "Courier New" -13 px -> Liberation Mono 13 px
//   QString fam = synt::qt::SubstituteFamily(u"Arial");   // "Liberation Sans" when installed
#pragma once

#include <QFont>
#include <QString>
#include <string_view>

#include "platform/graphics.h"

namespace synt::qt {

// The installed family that stands for Name: the first installed entry of the substitution table,
// else Name itself (fontconfig then picks its own fallback).
QString SubstituteFamily(std::u16string_view Name);

// The Qt font for a TFont on a device of DevicePixelsPerInch. Advances are hinted to whole pixels
// and kerning is off, so that the width of a run is the sum of its characters' widths: caret
// placement and hit-testing then agree with what is drawn.
QFont ToQFont(const TFont& Font, int DevicePixelsPerInch = 96);

// A colour as Qt knows it; clNone and clDefault give an invalid QColor.
QColor ToQColor(TColor Color);

}  // namespace synt::qt
