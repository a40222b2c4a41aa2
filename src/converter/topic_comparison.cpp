#include "converter/topic_comparison.h"

#include <string>
#include <vector>

#include "converter/chm_topic_file.h"
#include "text/text_utils.h"

namespace tomeshift {

namespace {

// Drives the block scanners of all pages in step. Each page's current block is lowered once, when the
// page moves to it, rather than in every one of the many comparisons it takes part in.
class ComparisonPasses {
 public:
  ComparisonPasses(std::span<TChmTopicFile* const> pages, std::size_t contentsCount)
      : pages_(pages),
        contents_(contentsCount < pages.size() ? contentsCount : pages.size()),
        threshold_(SharedBlockThreshold(contents_)),
        lowered_(pages.size()) {}

  void Run() {
    if (threshold_ == 0) return;  // no contents page: every block would count as shared
    for (std::size_t n = 0; n < pages_.size(); ++n) {
      TChmTopicFile& page = *pages_[n];
      page.IniticalizeTags();
      page.i = page.h;
      page.SearchUp();
      Lower(n);
    }
    Pass(/*up=*/true);

    for (std::size_t n = 0; n < pages_.size(); ++n) {
      TChmTopicFile& page = *pages_[n];
      page.IniticalizeTags();
      page.i = 1;
      page.SearchDown();
      Lower(n);
    }
    Pass(/*up=*/false);

    std::size_t titles = 0;
    for (std::size_t n = 0; n < contents_; ++n)
      if (pages_[n]->IsTitle()) ++titles;
    if (titles * 5 <= contents_ * 4) return;  // not above 80 percent
    for (std::size_t n = 0; n < pages_.size(); ++n) {
      TChmTopicFile& page = *pages_[n];
      if (page.IsTitle()) page.TitleFound = true;
      page.Title3 = page.Text;
      page.SearchDown();
      Lower(n);
    }
    Pass(/*up=*/false);
  }

 private:
  void Lower(std::size_t n) { lowered_[n] = LowerCase(pages_[n]->Text); }
  bool Similar(std::size_t a, std::size_t b) const { return IsSimilarLowered(lowered_[a], lowered_[b]); }

  // A block that enough other contents pages share at the current place is cut from every page that
  // has it, and that page's scan moves on; the same page is then tested again with its next block.
  void Pass(bool up) {
    const int threshold = threshold_;
    for (std::size_t j = 0; j < pages_.size();) {
      if (lowered_[j].empty()) {
        ++j;
        continue;
      }
      // Only whether the count reaches the threshold matters: stop as soon as that is settled either
      // way (the comparisons have no side effects, so skipping the rest changes nothing).
      int count = 0;
      std::size_t left = contents_ - (j < contents_ ? 1 : 0);
      for (std::size_t c = 0; c < contents_ && count < threshold; ++c) {
        if (c == j) continue;
        if (static_cast<std::size_t>(count) + left < static_cast<std::size_t>(threshold)) break;
        --left;
        if (Similar(j, c)) ++count;
      }
      if (count < threshold) {
        ++j;
        continue;
      }
      for (std::size_t l = 0; l < pages_.size(); ++l) {
        if (l == j || !Similar(j, l)) continue;
        TChmTopicFile& page = *pages_[l];
        if (up) {
          page.SamePointH = page.i - 1;
          page.SearchUp();
        } else {
          page.SamePointL = page.i;
          page.SearchDown();
        }
        Lower(l);
      }
      if (up)
        pages_[j]->SearchUp();
      else
        pages_[j]->SearchDown();
      Lower(j);
    }
  }

  std::span<TChmTopicFile* const> pages_;
  std::size_t contents_;
  int threshold_;
  std::vector<std::u16string> lowered_;
};

}  // namespace

int SharedBlockThreshold(std::size_t contentsCount) {
  // 0.8 x N to the nearest integer; 4N/5 never ends in exactly .5, so no tie needs breaking.
  return static_cast<int>((4 * contentsCount + 2) / 5);
}

void RunComparisonPasses(std::span<TChmTopicFile* const> pages, std::size_t contentsCount) {
  ComparisonPasses(pages, contentsCount).Run();
}

}  // namespace tomeshift
