// Distills a small help folder whose pages come from the input (form feeds separate them): four
// contents pages, one of them pointed into by an anchor entry, a heading, and one page reached only
// by links. Nothing may be written outside the scratch folder.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "converter/chm_distill.h"
#include "fuzz_support.h"
#include "platform/errors.h"
#include "platform/file_system.h"
#include "platform/user_interaction.h"
#include "support/memory_file_system.h"
#include "support/recording_interaction.h"

using tomeshift::fuzzing::Fail;
using tomeshift::fuzzing::SplitParts;

namespace {

constexpr char16_t kRoot[] = u"/scratch/root/";
constexpr char16_t kHelpFile[] = u"/help/main.chm";

void Entry(tomeshift::TCHMDistill& distill, const std::u16string& topic, int level, const std::u16string& url) {
  tomeshift::TTitleList& entry = distill.List.Add();
  entry.Topic = topic;
  entry.Level = level;
  entry.Url = url;
  entry.Index = static_cast<std::uint32_t>(distill.List.Count() - 1);
  entry.Status = url.empty() ? tomeshift::kStatusHeading : tomeshift::kStatusPage;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  tomeshift::testing::MemoryFileSystem files;
  tomeshift::testing::RecordingInteraction interaction;
  tomeshift::ScopedFileSystem file_system_guard(files);
  tomeshift::ScopedUserInteraction interaction_guard(interaction);
  files.AddFile(kHelpFile, "ITSF");
  files.AddFile(u"/scratch/outside.htm", "<p>outside</p>");

  static constexpr const char16_t* kNames[] = {u"p0.htm", u"sub/p1.htm", u"p2.htm", u"p3.htm", u"extra.htm"};
  const auto parts = SplitParts(input, "\f", std::size(kNames));
  for (std::size_t n = 0; n < parts.size(); ++n) files.AddFile(std::u16string(kRoot) + kNames[n], parts[n]);
  files.AddFile(std::u16string(kRoot) + u"style.css", "p { color: red } @import url(../outside.css);");

  tomeshift::TCHMDistill distill;
  distill.rootFolder = kRoot;
  distill.chmFile = kHelpFile;
  distill.AddHint = (size % 2) == 1;
  Entry(distill, u"First topic", 0, u"p0.htm");
  Entry(distill, u"Chapter", 0, u"");
  Entry(distill, u"Second topic", 1, u"sub/p1.htm");
  Entry(distill, u"Second topic, part two", 1, u"sub/p1.htm#part2");
  Entry(distill, u"Third topic", 1, u"p2.htm");
  Entry(distill, u"Fourth topic", 0, u"p3.htm");
  const std::vector<std::u16string> before = files.AllFiles();
  try {
    distill.Execute();
  } catch (const tomeshift::TomeshiftError&) {
  }
  for (const std::u16string& path : files.AllFiles()) {
    if (path.compare(0, std::u16string_view(kRoot).size(), kRoot) == 0) continue;
    bool existed = false;
    for (const std::u16string& old : before) existed = existed || old == path;
    if (!existed) Fail("the distiller wrote outside the scratch folder");
  }
  if (files.ReadFile(u"/scratch/outside.htm").value_or("") != "<p>outside</p>") Fail("a file outside was changed");
  return 0;
}
