// The pictures of a package: word/media/imageN.ext, one file per distinct picture content.
#pragma once

#include <deque>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "word/model/document_model.h"

namespace tomeshift::word {

class DocxMedia {
 public:
  struct Item {
    std::string name;  // "media/image1.png", relative to word/
    std::string format;
    const std::string* bytes;  // owned by the model, or by converted_
  };
  // The media file for an embedded picture; nullptr when it has no usable bytes.
  const Item* Embed(const Picture& picture);
  const std::deque<Item>& items() const { return items_; }

 private:
  std::deque<Item> items_;
  std::unordered_map<std::string, std::size_t> by_content_;
  std::vector<std::unique_ptr<std::string>> converted_;
};

}  // namespace tomeshift::word
