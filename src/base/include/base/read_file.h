#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/bytes.h"

namespace tarnwick {

// A whole file as read, or why it could not be read.
struct FileBytes {
  enum Outcome { kRead, kNoFile, kTooLarge, kCut };
  Outcome outcome = kNoFile;
  Bytes bytes;  // the whole file when read, else empty
};

// Reads the regular file at `path` whole: one fstat, then one read (repeated only while the system
// hands out less) into a buffer of the file's size. kNoFile when the file cannot be opened or is
// not a regular file; kTooLarge when it is larger than `max_size` or no buffer of its size can be
// had; kCut when it ends before that size.
FileBytes ReadWholeFile(const std::string& path, size_t max_size = SIZE_MAX);

// Bytes read as text: a view of the same bytes.
inline std::string_view AsText(const Bytes& bytes) {
  return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

}  // namespace tarnwick
