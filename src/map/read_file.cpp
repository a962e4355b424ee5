// Reading a map file: one read straight into the buffer the map keeps.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <new>

#include "base/error.h"
#include "map/bsp_file.h"

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

std::optional<std::vector<uint8_t>> ReadMapFile(const std::string& path) {
  const Descriptor file{open(path.c_str(), O_RDONLY | O_CLOEXEC)};
  struct stat st {};
  // Only a regular file has the size it reports; anything else cannot be a map.
  if (file.fd < 0 || fstat(file.fd, &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  std::vector<uint8_t> bytes;
  try {
    bytes.reserve(static_cast<size_t>(st.st_size));
    PopulatePages(bytes.data(), bytes.capacity());
    bytes.resize(static_cast<size_t>(st.st_size));
  } catch (const std::bad_alloc&) {
    throw Error("Form1 (raw_file pointer = 0)");
  } catch (const std::length_error&) {
    throw Error("Form1 (raw_file pointer = 0)");
  }
  for (size_t done = 0; done < bytes.size();) {
    const ssize_t n = read(file.fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) throw Error("Form1 (could not read all of the file)");
    done += static_cast<size_t>(n);
  }
  return bytes;
}

}  // namespace tarnwick
