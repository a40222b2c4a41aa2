// The word processor's paper codes (WdPaperSize) and their sizes.
#pragma once

#include <optional>
#include <utility>

namespace tomeshift::word {

namespace paper {
constexpr int kLetter = 2, kLegal = 4, kA3 = 6, kA4 = 7, kB5 = 11, kTabloid = 23, kCustom = 41;
}

// Width and height in twips; nullopt for codes without a fixed size (41).
std::optional<std::pair<int, int>> PaperSizeTwips(int code);
// The code whose size matches (either orientation), else 41.
int PaperCodeFor(int width_twips, int height_twips);

}  // namespace tomeshift::word
