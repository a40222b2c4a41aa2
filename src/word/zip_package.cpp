#include "word/zip_package.h"

#include <zip.h>

#include "platform/errors.h"

namespace tomeshift::word {

struct ZipPackage::Handle {
  zip_t* zip = nullptr;
  ~Handle() {
    if (zip) zip_discard(zip);
  }
};

namespace {
std::string ZipReason(zip_t* zip) {
  zip_error_t* e = zip_get_error(zip);
  return e ? zip_error_strerror(e) : "unknown zip error";
}
}  // namespace

ZipPackage::ZipPackage(const std::string& native_path) : path_(native_path), zip_(std::make_unique<Handle>()) {
  int code = 0;
  zip_->zip = zip_open(native_path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
  if (!zip_->zip) {
    zip_error_t e;
    zip_error_init_with_code(&e, code);
    std::string reason = zip_error_strerror(&e);
    zip_error_fini(&e);
    throw FileError(native_path, reason);
  }
}

ZipPackage::~ZipPackage() = default;

void ZipPackage::Add(const std::string& name, std::string data, bool compress) {
  std::vector<std::string> chunks;
  chunks.push_back(std::move(data));
  Add(name, std::move(chunks), compress);
}

void ZipPackage::Add(const std::string& name, std::vector<std::string> chunks, bool compress) {
  data_.push_back(std::make_unique<std::vector<std::string>>(std::move(chunks)));
  const auto& owned = *data_.back();
  std::vector<zip_buffer_fragment_t> fragments;
  for (const auto& c : owned)
    if (!c.empty()) fragments.push_back(zip_buffer_fragment_t{reinterpret_cast<zip_uint8_t*>(const_cast<char*>(c.data())), c.size()});
  zip_error_t err;
  zip_error_init(&err);
  zip_source_t* src = zip_source_buffer_fragment_create(fragments.empty() ? nullptr : fragments.data(), fragments.size(), 0, &err);
  if (!src) {
    std::string reason = zip_error_strerror(&err);
    zip_error_fini(&err);
    throw FileError(path_, reason);
  }
  zip_error_fini(&err);
  zip_int64_t index = zip_file_add(zip_->zip, name.c_str(), src, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE);
  if (index < 0) {
    zip_source_free(src);
    throw FileError(path_, ZipReason(zip_->zip));
  }
  zip_set_file_compression(zip_->zip, static_cast<zip_uint64_t>(index), compress ? ZIP_CM_DEFLATE : ZIP_CM_STORE,
                           compress ? 6 : 0);
}

void ZipPackage::Commit() {
  if (zip_close(zip_->zip) != 0) {
    std::string reason = ZipReason(zip_->zip);
    throw FileError(path_, reason);  // the handle is discarded by the destructor
  }
  zip_->zip = nullptr;
  data_.clear();
}

}  // namespace tomeshift::word
