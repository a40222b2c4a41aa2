// Writes a zip package (the libzip adapter: no other file includes zip.h). Entries keep the order in
// which they are added; the data of each entry stays owned here until Commit().
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace tomeshift::word {

class ZipPackage {
 public:
  // Creates (or truncates) the file at native_path. Throws FileError.
  explicit ZipPackage(const std::string& native_path);
  ~ZipPackage();  // without Commit(), the file is discarded
  ZipPackage(const ZipPackage&) = delete;
  ZipPackage& operator=(const ZipPackage&) = delete;

  void Add(const std::string& name, std::vector<std::string> chunks, bool compress);
  void Add(const std::string& name, std::string data, bool compress);
  // Writes the file. Throws FileError naming the path and libzip's reason.
  void Commit();

 private:
  struct Handle;
  std::string path_;
  std::unique_ptr<Handle> zip_;
  std::vector<std::unique_ptr<std::vector<std::string>>> data_;
};

}  // namespace tomeshift::word
