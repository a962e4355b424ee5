#include "fuzz_support.h"

#include <sanitizer/allocator_interface.h>
#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace tarnwick::fuzz {
namespace {

[[noreturn]] void Die(const char* what) {
  std::perror(what);
  std::abort();
}

// Bytes live on the heap now and the most live since the last reset. libFuzzer's own threads
// allocate too, rarely; the counts stay exact because every change is atomic.
std::atomic<size_t> live{0};
std::atomic<size_t> peak{0};

void OnMalloc(const volatile void*, size_t size) {
  const size_t now = live.fetch_add(size, std::memory_order_relaxed) + size;
  size_t seen = peak.load(std::memory_order_relaxed);
  while (now > seen && !peak.compare_exchange_weak(seen, now, std::memory_order_relaxed)) {
  }
}

void OnFree(const volatile void* p) {
  // Free hooks run before the block is released, so its size can still be asked for.
  live.fetch_sub(__sanitizer_get_allocated_size(const_cast<const void*>(p)),
                 std::memory_order_relaxed);
}

size_t largest_grown = 0, largest_input = 0;  // the input that used most of its allowance

const bool hooks_installed = __sanitizer_install_malloc_and_free_hooks(OnMalloc, OnFree) != 0;

}  // namespace

InputFile::InputFile() : fd_(memfd_create("tarnwick-fuzz-input", MFD_CLOEXEC)) {
  if (fd_ < 0) Die("memfd_create");
  path_ = "/proc/self/fd/" + std::to_string(fd_);
}

const std::string& InputFile::Write(const uint8_t* data, size_t size) {
  if (ftruncate(fd_, 0) != 0) Die("ftruncate");
  for (size_t done = 0; done < size;) {
    const ssize_t n = pwrite(fd_, data + done, size - done, static_cast<off_t>(done));
    if (n <= 0) Die("pwrite");
    done += static_cast<size_t>(n);
  }
  return path_;
}

const std::string& ScratchFolder() {
  static const std::string folder = [] {
    const char* base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    std::string name = std::string(base) + "/tarnwick-fuzz-XXXXXX";
    if (mkdtemp(name.data()) == nullptr) Die("mkdtemp");
    static std::string to_remove;
    to_remove = name;
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(to_remove, ignored);
    });
    return name;
  }();
  return folder;
}

HeapWatch::HeapWatch(size_t input_size) : input_size_(input_size) {
  if (!hooks_installed) Die("__sanitizer_install_malloc_and_free_hooks");
  start_ = live.load();
  peak.store(start_);
}

HeapWatch::~HeapWatch() {
  const size_t grown = peak.load() - start_;
  const size_t allowed = kHeapPerInputByte * input_size_ + kHeapFixed;
  // With TARNWICK_HEAP_REPORT set, the input that used most of its allowance is named at exit.
  static const bool report = [] {
    if (std::getenv("TARNWICK_HEAP_REPORT") == nullptr) return false;
    std::atexit([] {
      std::fprintf(stderr,
                   "==HeapWatch== most of the allowance: %zu bytes for %zu bytes of input\n",
                   largest_grown, largest_input);
    });
    return true;
  }();
  if (report &&
      grown * (kHeapPerInputByte * largest_input + kHeapFixed) > largest_grown * allowed) {
    largest_grown = grown;
    largest_input = input_size_;
  }
  if (grown > allowed) {
    std::fprintf(stderr, "==HeapWatch== %zu bytes of input made the heap grow by %zu bytes\n",
                 input_size_, grown);
    std::abort();
  }
}

}  // namespace tarnwick::fuzz
