#include "app/font_qt.h"

#include <QGuiApplication>
#include <QPalette>

namespace tomeshift::app {
namespace {

// The system colours a font is likely to carry, by their index in the low byte.
QColor SystemColor(std::uint32_t index) {
  const QPalette pal = QGuiApplication::palette();
  switch (index) {
    case 5:
      return pal.color(QPalette::Base);  // window
    case 8:
      return pal.color(QPalette::Text);  // window text
    case 9:
      return pal.color(QPalette::WindowText);  // caption text
    case 13:
      return pal.color(QPalette::Highlight);
    case 14:
      return pal.color(QPalette::HighlightedText);
    case 15:
      return pal.color(QPalette::Button);  // button face
    case 17:
      return pal.color(QPalette::Disabled, QPalette::Text);  // grey text
    case 18:
      return pal.color(QPalette::ButtonText);
    default:
      return pal.color(QPalette::WindowText);
  }
}

}  // namespace

QColor ColorOf(std::uint32_t c) {
  if ((c >> 24) == 0xFF) return SystemColor(c & 0xFF);
  return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF), static_cast<int>((c >> 16) & 0xFF));
}

std::uint32_t WindowsColor(const QColor& color) {
  const QColor rgb = color.toRgb();
  return static_cast<std::uint32_t>(rgb.red()) | (static_cast<std::uint32_t>(rgb.green()) << 8) |
         (static_cast<std::uint32_t>(rgb.blue()) << 16);
}

QFont ToQFont(const TFont& font) {
  QFont f(QString::fromStdU16String(font.Name));
  if (font.Size > 0) f.setPointSize(font.Size);
  f.setBold(font.Bold);
  f.setItalic(font.Italic);
  f.setUnderline(font.Underline);
  f.setStrikeOut(font.StrikeOut);
  return f;
}

TFont FromQFont(const QFont& font, std::uint32_t windows_color) {
  TFont f;
  f.Name = font.family().toStdU16String();
  f.Size = font.pointSize();
  f.Color = windows_color;
  f.Bold = font.bold();
  f.Italic = font.italic();
  f.Underline = font.underline();
  f.StrikeOut = font.strikeOut();
  return f;
}

QString FaceName(const TFont& font) { return QString::fromStdU16String(font.Name); }

}  // namespace tomeshift::app
