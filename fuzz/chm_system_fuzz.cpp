// Reads title, default topic and language from arbitrary bytes as a help file's system record.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "converter/chm_decompile.h"
#include "fuzz_support.h"
#include "platform/errors.h"
#include "platform/file_system.h"
#include "support/memory_file_system.h"

using tomeshift::fuzzing::Fail;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  tomeshift::testing::MemoryFileSystem files;
  tomeshift::ScopedFileSystem guard(files);
  files.AddFile(u"/help/fuzz.chm", std::string_view(reinterpret_cast<const char*>(data), size));
  tomeshift::TCHMDecompile chm;
  try {
    chm.LoadFromCHM(u"/help/fuzz.chm");
  } catch (const tomeshift::TomeshiftError&) {
    return 0;
  }
  // Everything read comes from the file: no field can be longer than the file itself.
  if (chm.rTitle.size() > size || chm.rDefaultPage.size() > size) Fail("a field longer than the file");
  if (!chm.LangID.empty() && chm.LangID.size() != 6) Fail("a language id that is not 0xNNNN");
  return 0;
}
