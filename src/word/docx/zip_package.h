// Builds a zip package in memory (the libzip adapter: no other file includes zip.h), so that the
// caller decides how its bytes reach the disk. Entries keep the order in which they are added; the
// data of each entry stays owned here until Finish().
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace tomeshift::word {

class ZipPackage {
 public:
  // name: the document the package becomes, for messages. Throws FileError.
  explicit ZipPackage(const std::string& name);
  ~ZipPackage();
  ZipPackage(const ZipPackage&) = delete;
  ZipPackage& operator=(const ZipPackage&) = delete;

  void Add(const std::string& name, std::vector<std::string> chunks, bool compress);
  void Add(const std::string& name, std::string data, bool compress);
  // The whole package. Throws FileError naming the document and libzip's reason.
  std::string Finish();

 private:
  struct Handle;
  std::string name_;
  std::unique_ptr<Handle> zip_;
  std::vector<std::unique_ptr<std::vector<std::string>>> data_;
};

}  // namespace tomeshift::word
