#include "support/scratch_dir.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/file_system.h"
#include "text/unicode.h"

namespace tomeshift::testing {

ScratchDir::ScratchDir() {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/tomeshift-test-XXXXXX";
  if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed for " + pattern);
  path_ = pattern;
  // Tests put help-file content here, as the extraction does into its scratch folder.
  AddScratchFolder(Utf8ToUtf16(folder()));
}

ScratchDir::~ScratchDir() {
  RemoveScratchFolder(Utf8ToUtf16(folder()));
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::filesystem::path ScratchDir::Write(std::string_view relative, std::string_view bytes) const {
  const auto target = path_ / std::filesystem::path(std::string(relative));
  std::filesystem::create_directories(target.parent_path());
  std::ofstream out(target, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + target.string());
  return target;
}

std::string ScratchDir::Read(std::string_view relative) const {
  return ReadBinaryFile(path_ / std::filesystem::path(std::string(relative)));
}

std::string ReadBinaryFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path.string());
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

}  // namespace tomeshift::testing
