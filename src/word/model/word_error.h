// Errors that the word processor would raise through automation (a bad bookmark name, a style
// that does not exist); the message reads as the word processor's own.
#pragma once

#include "platform/errors.h"

namespace tomeshift::word {

class WordError : public TomeshiftError {
 public:
  using TomeshiftError::TomeshiftError;
};

inline constexpr const char* kNoSuchMember = "The requested member of the collection does not exist.";

}  // namespace tomeshift::word
