// Our own estimate of where the pages of the main story break, for the page numbers that a
// table of contents shows until the word processor lays the document out itself. It measures
// text by average character widths, so it is close, not exact.
#pragma once

#include <cstddef>
#include <vector>

#include "word/model/document_model.h"

namespace tomeshift::word {

class PageEstimator {
 public:
  explicit PageEstimator(const DocModel& doc);
  // The page number shown (restarts and starting numbers applied) on the page holding pos.
  int DisplayedPageAt(std::size_t pos) const;
  int page_count() const { return pages_; }

 private:
  struct Mark {
    std::size_t pos;
    int displayed;
  };
  std::vector<Mark> marks_;  // by block start
  int pages_ = 1;
};

// Estimated height in twips of a story laid out at the given width (for table cells).
int EstimateStoryHeight(const DocModel& doc, const Story& story, int width);

}  // namespace tomeshift::word
