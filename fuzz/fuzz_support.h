#pragma once
// What the fuzz targets share: the input as a file for readers that take a path, a folder to save
// into, and a watch on the heap that fails an input which makes a reader allocate far more than
// the input's size.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tarnwick::fuzz {

// A file in memory that holds the current input, refilled for each input.
class InputFile {
 public:
  InputFile();
  // Replaces the file's bytes with `data` and returns a path that opens it.
  const std::string& Write(const uint8_t* data, size_t size);

 private:
  int fd_ = -1;
  std::string path_;
};

// An empty folder of this process, removed at exit; in memory where the system offers it, since
// every save flushes its files.
const std::string& ScratchFolder();

// The heap a reader may use beyond what was live when the watch started: a few container headers
// for every input byte, plus a fixed allowance for tables of bounded size. A count read from the
// file can never by itself go past this.
constexpr size_t kHeapPerInputByte = 128;
constexpr size_t kHeapFixed = size_t{2} << 20;

// Watches the peak heap from its construction to its destruction and aborts (a finding) when that
// peak grew past the allowance for `input_size` bytes.
class HeapWatch {
 public:
  explicit HeapWatch(size_t input_size);
  ~HeapWatch();
  HeapWatch(const HeapWatch&) = delete;
  HeapWatch& operator=(const HeapWatch&) = delete;

 private:
  size_t input_size_;
  size_t start_;
};

}  // namespace tarnwick::fuzz
