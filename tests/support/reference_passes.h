// The comparison passes with no shortcuts, every page's block against every contents page's, to hold
// the fast passes to the same cuts.
#pragma once

#include <cstddef>
#include <functional>
#include <span>
#include <string_view>

#include "converter/chm_topic_file.h"

namespace tomeshift::testing {

// A block is shared when at least threshold other contents pages (the first `contents` pages) have a
// similar one; the callers work the threshold out in their own ways, and may judge blocks alike by
// another rule than the similarity walk.
void ReferencePasses(std::span<TChmTopicFile* const> pages, std::size_t contents, int threshold,
                     const std::function<bool(std::u16string_view, std::u16string_view)>& similar = IsSimilarText);

}  // namespace tomeshift::testing
