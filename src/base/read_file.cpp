#include "base/read_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <new>
#include <stdexcept>

namespace tarnwick {
namespace {

// Closes the descriptor however the read ends.
struct Descriptor {
  ~Descriptor() {
    if (fd >= 0) close(fd);
  }
  int fd;
};

// Maps in the pages of a fresh buffer with one call instead of a fault on each page. Only whole
// pages inside the buffer are touched; without kernel support nothing happens.
void PopulatePages(uint8_t* data, size_t size) {
  const auto page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
  const uintptr_t begin = (reinterpret_cast<uintptr_t>(data) + page - 1) / page * page;
  const uintptr_t end = (reinterpret_cast<uintptr_t>(data) + size) / page * page;
  if (begin < end) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE);
}

}  // namespace

FileBytes ReadWholeFile(const std::string& path, size_t max_size) {
  FileBytes file;
  const Descriptor descriptor{open(path.c_str(), O_RDONLY | O_CLOEXEC)};
  struct stat st {};
  // Only a regular file has the size it reports.
  if (descriptor.fd < 0 || fstat(descriptor.fd, &st) != 0 || !S_ISREG(st.st_mode)) return file;
  const auto size = static_cast<uint64_t>(st.st_size);
  file.outcome = FileBytes::kTooLarge;
  if (size > max_size) return file;
  try {
    file.bytes.reserve(static_cast<size_t>(size));
    PopulatePages(file.bytes.data(), file.bytes.capacity());
    file.bytes.resize(static_cast<size_t>(size));  // not zero-filled: the read fills it
  } catch (const std::bad_alloc&) {
    return file;
  } catch (const std::length_error&) {
    return file;
  }
  for (size_t done = 0; done < file.bytes.size();) {
    const ssize_t n = read(descriptor.fd, file.bytes.data() + done, file.bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      file.bytes = {};
      file.outcome = FileBytes::kCut;
      return file;
    }
    done += static_cast<size_t>(n);
  }
  file.outcome = FileBytes::kRead;
  return file;
}

}  // namespace tarnwick
