// Finds the navigation that most contents pages share at their top and bottom (logos, breadcrumbs,
// footers) and, when most pages then start with their own title, the title heading as well.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "converter/navigation_blocks.h"

namespace tomeshift {

class TChmTopicFile;

// How many other contents pages must share a block for it to count as navigation: 0.8 x N, rounded.
int SharedBlockThreshold(std::size_t contentsCount);

// Sets SamePointL, SamePointH, TitleFound and Title3 on every page. The first contentsCount pages are
// the contents pages, which alone vote; the rest (pages outside the contents) lose what the contents
// pages share as well. Without contents pages nothing is shared and the pages are left as they are.
// A block is shared when its text is like the other pages' blocks at that place. With byShape, also
// when it is a line of links shaped like theirs once the link texts are masked (text and shape votes
// counted apart), and pages that fell out of step (the first page has no "previous") lose the link
// lines with fixed words found shared on the others. Without it the passes compare text alone. Returns the shapes of
// the shared link lines that hold fixed words, for cutting the same navigation inside the pages.
std::vector<TBlockShape> RunComparisonPasses(std::span<TChmTopicFile* const> pages, std::size_t contentsCount,
                                             bool byShape = true);

}  // namespace tomeshift
