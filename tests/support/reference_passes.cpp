#include "support/reference_passes.h"

namespace tomeshift::testing {

void ReferencePasses(std::span<TChmTopicFile* const> pages, std::size_t contents, int threshold,
                     const std::function<bool(std::u16string_view, std::u16string_view)>& similar) {
  if (threshold <= 0) return;
  const auto shared = [&](std::size_t j) {
    int count = 0;
    for (std::size_t c = 0; c < contents; ++c)
      if (c != j && similar(pages[j]->Text, pages[c]->Text) && ++count >= threshold) return true;
    return false;
  };
  const auto pass = [&](bool up) {
    for (std::size_t j = 0; j < pages.size();) {
      if (pages[j]->Text.empty() || !shared(j)) {
        ++j;
        continue;
      }
      for (std::size_t l = 0; l < pages.size(); ++l) {
        if (l == j || !similar(pages[j]->Text, pages[l]->Text)) continue;
        if (up) {
          pages[l]->SamePointH = pages[l]->i - 1;
          pages[l]->SearchUp();
        } else {
          pages[l]->SamePointL = pages[l]->i;
          pages[l]->SearchDown();
        }
      }
      up ? pages[j]->SearchUp() : pages[j]->SearchDown();
    }
  };
  for (TChmTopicFile* page : pages) page->IniticalizeTags(), page->i = page->h, page->SearchUp();
  pass(true);
  for (TChmTopicFile* page : pages) page->IniticalizeTags(), page->i = 1, page->SearchDown();
  pass(false);
  std::size_t titles = 0;
  for (std::size_t n = 0; n < contents; ++n) titles += pages[n]->IsTitle() ? 1 : 0;
  if (titles * 5 <= contents * 4) return;  // not above 80 percent
  for (TChmTopicFile* page : pages) {
    if (page->IsTitle()) page->TitleFound = true;
    page->Title3 = page->Text;
    page->SearchDown();
  }
  pass(false);
}

}  // namespace tomeshift::testing
