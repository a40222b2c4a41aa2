// Lengths in the document model are twips (1/20 point); the importer and the automation objects speak points.
#pragma once

#include <cmath>

namespace tomeshift::word {

inline int Twips(double points) { return static_cast<int>(std::lround(points * 20)); }

}  // namespace tomeshift::word
