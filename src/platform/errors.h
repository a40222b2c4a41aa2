// The pipeline's exceptions. Every failure the user sees names the file and the reason.
#pragma once

#include <cstdint>
#include <string>

#include "text/tomeshift_error.h"

namespace tomeshift {

// The user asked to stop; raised inside the next progress report or the next check of a long loop
// (platform/cancellation.h).
class EUserCancel : public TomeshiftError {
 public:
  EUserCancel() : TomeshiftError("User canceled!") {}
};

// A file could not be read, written, created or removed.
class FileError : public TomeshiftError {
 public:
  FileError(std::string path, std::string reason)
      : TomeshiftError(path + ": " + reason), path_(std::move(path)), reason_(std::move(reason)) {}
  const std::string& path() const { return path_; }
  const std::string& reason() const { return reason_; }

 private:
  std::string path_;
  std::string reason_;
};

// Input that is not what it claims to be (a damaged help file, say); offset is where reading stopped.
class FormatError : public TomeshiftError {
 public:
  FormatError(std::string path, std::string reason, std::uint64_t offset = 0)
      : TomeshiftError(path + ": " + reason), path_(std::move(path)), offset_(offset) {}
  const std::string& path() const { return path_; }
  std::uint64_t offset() const { return offset_; }

 private:
  std::string path_;
  std::uint64_t offset_;
};

}  // namespace tomeshift
