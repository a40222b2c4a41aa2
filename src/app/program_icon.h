// The program's icon, painted rather than shipped as a picture so that every size comes from one
// drawing: the window uses it directly, and the build writes the PNGs that get installed.
#pragma once

#include <QIcon>
#include <QImage>

namespace tomeshift::app {

QImage PaintProgramIcon(int size);
QIcon ProgramIcon();

}  // namespace tomeshift::app
