#include "fuzz_support.h"

#include <cstdio>
#include <vector>

namespace tomeshift::fuzzing {

void Fail(std::string_view what) {
  std::fprintf(stderr, "fuzz check failed: %.*s\n", static_cast<int>(what.size()), what.data());
  std::abort();
}

FuzzScratch::FuzzScratch() {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/tomeshift-fuzz-XXXXXX";
  if (!::mkdtemp(pattern.data())) Fail("mkdtemp failed for " + pattern);
  parent_ = pattern;
  out_ = parent_ / "out";
  std::filesystem::create_directory(out_);
}

FuzzScratch::~FuzzScratch() {
  std::error_code ec;
  std::filesystem::remove_all(parent_, ec);
  if (ec || std::filesystem::exists(parent_)) Fail("cannot remove the scratch folder " + parent_.string());
}

void FuzzScratch::CheckContained() const {
  for (const auto& entry : std::filesystem::directory_iterator(parent_)) {
    if (entry.path().filename() != "out") Fail("written outside the scratch folder: " + entry.path().string());
  }
  const std::filesystem::path root = std::filesystem::canonical(out_);
  const std::string prefix = root.string() + "/";
  for (const auto& entry : std::filesystem::recursive_directory_iterator(out_)) {
    if (entry.is_symlink()) Fail("symbolic link in the scratch folder: " + entry.path().string());
    const std::string real = std::filesystem::canonical(entry.path()).string();
    if (real.compare(0, prefix.size(), prefix) != 0) Fail("resolves outside the scratch folder: " + real);
  }
}

std::vector<std::string_view> SplitParts(std::string_view data, std::string_view separator, std::size_t max_parts) {
  std::vector<std::string_view> parts;
  while (parts.size() + 1 < max_parts) {
    const std::size_t at = data.find(separator);
    if (at == std::string_view::npos) break;
    parts.push_back(data.substr(0, at));
    data.remove_prefix(at + separator.size());
  }
  parts.push_back(data);
  return parts;
}

}  // namespace tomeshift::fuzzing
