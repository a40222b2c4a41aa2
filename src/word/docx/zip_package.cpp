#include "word/docx/zip_package.h"

#include <zip.h>

#include "platform/errors.h"

namespace tomeshift::word {

struct ZipPackage::Handle {
  zip_source_t* buffer = nullptr;  // where the archive is written; kept past zip_close
  zip_t* zip = nullptr;
  ~Handle() {
    if (zip) zip_discard(zip);
    if (buffer) zip_source_free(buffer);
  }
};

namespace {
std::string ZipReason(zip_t* zip) {
  zip_error_t* e = zip_get_error(zip);
  return e ? zip_error_strerror(e) : "unknown zip error";
}

[[noreturn]] void Throw(const std::string& name, zip_error_t& err) {
  std::string reason = zip_error_strerror(&err);
  zip_error_fini(&err);
  throw FileError(name, reason);
}
}  // namespace

ZipPackage::ZipPackage(const std::string& name) : name_(name), zip_(std::make_unique<Handle>()) {
  zip_error_t err;
  zip_error_init(&err);
  zip_->buffer = zip_source_buffer_create(nullptr, 0, 0, &err);
  if (!zip_->buffer) Throw(name_, err);
  zip_source_keep(zip_->buffer);  // the archive takes one reference; this handle keeps the other
  zip_->zip = zip_open_from_source(zip_->buffer, ZIP_CREATE | ZIP_TRUNCATE, &err);
  if (!zip_->zip) Throw(name_, err);
  zip_error_fini(&err);
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
    if (!c.empty())
      fragments.push_back(zip_buffer_fragment_t{reinterpret_cast<zip_uint8_t*>(const_cast<char*>(c.data())), c.size()});
  zip_error_t err;
  zip_error_init(&err);
  zip_source_t* src =
      zip_source_buffer_fragment_create(fragments.empty() ? nullptr : fragments.data(), fragments.size(), 0, &err);
  if (!src) Throw(name_, err);
  zip_error_fini(&err);
  zip_int64_t index = zip_file_add(zip_->zip, name.c_str(), src, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE);
  if (index < 0) {
    zip_source_free(src);
    throw FileError(name_, ZipReason(zip_->zip));
  }
  zip_set_file_compression(zip_->zip, static_cast<zip_uint64_t>(index), compress ? ZIP_CM_DEFLATE : ZIP_CM_STORE,
                           compress ? 6 : 0);
}

std::string ZipPackage::Finish() {
  if (zip_close(zip_->zip) != 0) throw FileError(name_, ZipReason(zip_->zip));  // discarded by the destructor
  zip_->zip = nullptr;
  data_.clear();
  zip_source_t* src = zip_->buffer;
  zip_stat_t st;
  zip_stat_init(&st);
  std::string bytes;
  if (zip_source_stat(src, &st) != 0 || !(st.valid & ZIP_STAT_SIZE) || zip_source_open(src) != 0)
    throw FileError(name_, zip_error_strerror(zip_source_error(src)));
  bytes.resize(static_cast<std::size_t>(st.size));
  const zip_int64_t n = zip_source_read(src, bytes.data(), st.size);
  zip_source_close(src);
  if (n < 0 || static_cast<zip_uint64_t>(n) != st.size) throw FileError(name_, "the package could not be read back");
  return bytes;
}

}  // namespace tomeshift::word
