// Helpers shared by the fuzz targets: a scratch folder that is wiped after every input and a check
// that nothing was written beside it.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace tomeshift::fuzzing {

// Aborts with a message, so that libFuzzer (and the replay runner) record the input as a failure.
[[noreturn]] void Fail(std::string_view what);

// A fresh folder "<tmp>/tomeshift-fuzz-XXXXXX/out/" for one input. The parent holds nothing else, so
// anything that appears beside "out" was written outside the folder the code was given.
class FuzzScratch {
 public:
  FuzzScratch();
  ~FuzzScratch();
  FuzzScratch(const FuzzScratch&) = delete;
  FuzzScratch& operator=(const FuzzScratch&) = delete;

  // Native, with a trailing '/'.
  std::string folder() const { return out_.string() + "/"; }
  const std::filesystem::path& out() const { return out_; }
  // Fails when the parent holds anything but "out", or "out" holds a symbolic link or a path that
  // resolves outside it.
  void CheckContained() const;

 private:
  std::filesystem::path parent_;
  std::filesystem::path out_;
};

// Splits a fuzz input into parts at a separator line, so that one input can carry several files.
std::vector<std::string_view> SplitParts(std::string_view data, std::string_view separator, std::size_t max_parts);

}  // namespace tomeshift::fuzzing
