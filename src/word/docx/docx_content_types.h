// [Content_Types].xml: defaults by extension and overrides by part name.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace tomeshift::word {

class DocxContentTypes {
 public:
  DocxContentTypes();
  void AddDefault(const std::string& extension, const std::string& type);
  void AddOverride(const std::string& part_name, const std::string& type);  // part_name starts with '/'
  std::string Write() const;

 private:
  std::vector<std::pair<std::string, std::string>> defaults_, overrides_;
};

// The media type of a picture format (png, jpeg, ...).
std::string ImageContentType(const std::string& format);

}  // namespace tomeshift::word
