// The core's font record on the Qt side: its colour (Windows RGB or a system colour) and its font.
#pragma once

#include <QColor>
#include <QFont>

#include "text/font_spec.h"

namespace tomeshift::app {

// 0x00BBGGRR, or a system colour (0xFF in the high byte) taken from the application palette.
QColor ColorOf(std::uint32_t windows_color);
std::uint32_t WindowsColor(const QColor& color);

// Face, size and styles; the colour travels separately (ColorOf), as QFont has none.
QFont ToQFont(const TFont& font);
// Face, size and styles of the QFont with the given colour.
TFont FromQFont(const QFont& font, std::uint32_t windows_color);

QString FaceName(const TFont& font);

}  // namespace tomeshift::app
