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

  // Whether at least threshold other contents pages have a block similar to page j's. Only that
  // matters, not the count itself, and the comparisons have no side effects: so the cheap rules of
  // the similarity test (empty, equal, too short, lengths too far apart) sort the pages first, and
  // the character walk runs only on the rest and only until the answer is settled either way.
  bool SharedByEnough(std::size_t j) {
    const std::u16string& a = lowered_[j];
    const std::size_t threshold = static_cast<std::size_t>(threshold_);
    std::size_t similar = 0;
    undecided_.clear();
    for (std::size_t c = 0; c < contents_; ++c) {
      if (c == j) continue;
      const std::u16string& b = lowered_[c];
      if (b.size() == a.size() && b == a) {
        if (++similar >= threshold) return true;
        continue;
      }
      const std::size_t gap = a.size() > b.size() ? a.size() - b.size() : b.size() - a.size();
      if (b.empty() || a.size() < 5 || b.size() < 5 || gap > 50) continue;
      undecided_.push_back(c);
    }
    std::size_t left = undecided_.size();
    for (const std::size_t c : undecided_) {
      if (similar + left < threshold) return false;
      --left;
      if (IsSimilarLowered(a, lowered_[c]) && ++similar >= threshold) return true;
    }
    return similar >= threshold;
  }

  // A block that enough other contents pages share at the current place is cut from every page that
  // has it, and that page's scan moves on; the same page is then tested again with its next block.
  void Pass(bool up) {
    for (std::size_t j = 0; j < pages_.size();) {
      if (lowered_[j].empty()) {
        ++j;
        continue;
      }
      if (!SharedByEnough(j)) {
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
  std::vector<std::size_t> undecided_;
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
