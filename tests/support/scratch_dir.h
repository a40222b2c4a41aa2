// A fresh folder under the temporary directory for one test, removed with everything in it afterwards.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace tomeshift::testing {

class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // Native path with a trailing '/', as the core expects of a folder.
  std::string folder() const { return path_.string() + "/"; }
  // Writes a file below the folder (creating parent folders) and returns its native path.
  std::filesystem::path Write(std::string_view relative, std::string_view bytes) const;
  std::string Read(std::string_view relative) const;

 private:
  std::filesystem::path path_;
};

std::string ReadBinaryFile(const std::filesystem::path& path);

}  // namespace tomeshift::testing
