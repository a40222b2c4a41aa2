#include "word/automation/paper_sizes.h"

#include <cstdlib>

namespace tomeshift::word {

namespace {
struct Paper {
  int code, width, height;
};
// Sizes as the word processor stores them (twips): Letter 8.5x11 in, Legal 8.5x14 in, A3, A4, JIS B5, Tabloid 11x17 in.
constexpr Paper kPapers[] = {
    {paper::kLetter, 12240, 15840}, {paper::kLegal, 12240, 20160}, {paper::kA3, 16838, 23811},
    {paper::kA4, 11906, 16838},     {paper::kB5, 10318, 14570},    {paper::kTabloid, 15840, 24480},
};
}  // namespace

std::optional<std::pair<int, int>> PaperSizeTwips(int code) {
  for (const auto& p : kPapers)
    if (p.code == code) return std::pair{p.width, p.height};
  return std::nullopt;
}

int PaperCodeFor(int w, int h) {
  for (const auto& p : kPapers)
    if ((std::abs(p.width - w) <= 2 && std::abs(p.height - h) <= 2) ||
        (std::abs(p.width - h) <= 2 && std::abs(p.height - w) <= 2))
      return p.code;
  return paper::kCustom;
}

}  // namespace tomeshift::word
