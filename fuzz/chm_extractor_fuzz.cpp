// Extracts arbitrary bytes as a help file into a scratch folder: no crash, no file outside the
// folder, no symbolic link, the caps on files and bytes respected.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string_view>

#include "fuzz_support.h"
#include "platform/chm_extractor.h"
#include "platform/errors.h"

using tomeshift::fuzzing::Fail;
using tomeshift::fuzzing::FuzzScratch;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  FuzzScratch scratch;
  tomeshift::ChmExtractLimits limits;
  limits.max_total_bytes = std::uint64_t{64} << 20;
  limits.max_files = 2000;
  try {
    const tomeshift::ChmExtractReport report =
        tomeshift::ChmExtractor(limits).ExtractMemory(bytes, "fuzz.chm", scratch.folder());
    if (report.files_written > limits.max_files) Fail("more files written than allowed");
    if (report.bytes_written > limits.max_total_bytes) Fail("more bytes written than allowed");
    std::uintmax_t on_disk = 0;
    std::size_t files = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(scratch.out())) {
      if (entry.is_regular_file()) {
        on_disk += entry.file_size();
        ++files;
      }
    }
    if (files != report.files_written) Fail("the report does not count the files on disk");
    // The count includes the bytes of files removed again after a failed decompression.
    if (on_disk > report.bytes_written) Fail("more bytes on disk than the report counts");
  } catch (const tomeshift::TomeshiftError&) {
    // A clear refusal is a sound outcome for a damaged file.
  }
  scratch.CheckContained();
  return 0;
}
