#include "app/program_icon.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace tomeshift::app {

QImage PaintProgramIcon(int size) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 64.0, size / 64.0);

  // A dark blue tile: the help file.
  QLinearGradient tile(0, 0, 0, 64);
  tile.setColorAt(0, QColor(0x2b, 0x5c, 0xa8));
  tile.setColorAt(1, QColor(0x17, 0x35, 0x6b));
  p.setPen(Qt::NoPen);
  p.setBrush(tile);
  p.drawRoundedRect(QRectF(2, 2, 60, 60), 10, 10);

  // An open book on it.
  p.setBrush(QColor(0xf4, 0xf1, 0xe8));
  QPainterPath left;
  left.moveTo(31, 16);
  left.cubicTo(24, 12, 16, 12, 10, 14);
  left.lineTo(10, 44);
  left.cubicTo(16, 42, 24, 42, 31, 46);
  left.closeSubpath();
  p.drawPath(left);
  QPainterPath right;
  right.moveTo(33, 16);
  right.cubicTo(40, 12, 48, 12, 54, 14);
  right.lineTo(54, 44);
  right.cubicTo(48, 42, 40, 42, 33, 46);
  right.closeSubpath();
  p.drawPath(right);
  p.setPen(QPen(QColor(0x9a, 0xa7, 0xbd), 1.6, Qt::SolidLine, Qt::RoundCap));
  for (int i = 0; i < 4; ++i) {
    const double y = 20 + i * 5.5;
    p.drawLine(QPointF(14, y), QPointF(27, y + 1));
    p.drawLine(QPointF(37, y + 1), QPointF(50, y));
  }

  // The turn into one printable document: an orange arrow across the foot.
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0xf2, 0x8c, 0x28));
  QPainterPath arrow;
  arrow.moveTo(14, 50);
  arrow.lineTo(40, 50);
  arrow.lineTo(40, 45);
  arrow.lineTo(52, 53);
  arrow.lineTo(40, 61);
  arrow.lineTo(40, 56);
  arrow.lineTo(14, 56);
  arrow.closeSubpath();
  p.drawPath(arrow);
  return image;
}

QIcon ProgramIcon() {
  QIcon icon;
  for (int size : {16, 24, 32, 48, 64, 128, 256}) icon.addPixmap(QPixmap::fromImage(PaintProgramIcon(size)));
  return icon;
}

}  // namespace tomeshift::app
