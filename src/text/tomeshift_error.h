// Base of the pipeline's exceptions, low enough that every layer can throw it.
#pragma once

#include <stdexcept>

namespace tomeshift {

// Base of everything the pipeline throws on purpose; what() is UTF-8 and ready for the user.
class TomeshiftError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace tomeshift
