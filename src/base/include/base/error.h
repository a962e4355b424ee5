#pragma once

#include <stdexcept>
#include <string>

namespace tarnwick {

// The one error type of the program: it carries the message text exactly as the user sees it.
// The handler that started the work catches it and shows the text in a box captioned "Error".
class Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace tarnwick
