// Loads arbitrary bytes as a contents sitemap: every entry has a sound level and index, and a
// damaged sitemap is refused with a message, not a crash.
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string_view>

#include "converter/chm_decompile.h"
#include "fuzz_support.h"
#include "platform/errors.h"
#include "platform/file_system.h"
#include "platform/user_interaction.h"
#include "support/memory_file_system.h"
#include "support/recording_interaction.h"

using tomeshift::fuzzing::Fail;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The length picks the code page used for sitemaps without a byte order mark, so that plain
  // sitemap files serve as inputs unchanged.
  static constexpr std::uint32_t kCodePages[] = {0, 1252, 932, 936, 949, 950, 1251, 65001};
  const std::uint32_t code_page = kCodePages[size % std::size(kCodePages)];
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  tomeshift::testing::MemoryFileSystem files;
  tomeshift::testing::RecordingInteraction interaction;
  tomeshift::ScopedFileSystem file_system_guard(files);
  tomeshift::ScopedUserInteraction interaction_guard(interaction);
  files.AddFile(u"/help/toc.hhc", text);

  tomeshift::TCHMDecompile chm;
  chm.rootFolder = u"/help/";
  chm.hhcFile = u"/help/toc.hhc";
  chm.CodePage = code_page;
  try {
    chm.LoadContentsSitemap();
  } catch (const tomeshift::TomeshiftError&) {
    return 0;
  }
  std::uint32_t expected_index = 0;
  for (const auto& entry : chm.List) {
    if (entry->Index != expected_index++) Fail("entries are not numbered in order");
    if (entry->Topic.empty()) Fail("an entry without a name");
    if (entry->Status == tomeshift::kStatusPage && entry->Url.empty()) Fail("a page entry without a page");
  }
  return 0;
}
