#pragma once
// What the cache tests share: a file to write caches to, and word access to built bytes.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "support/bsp_builder.h"

namespace tarnwick::test {

inline uint32_t GetWord(const std::vector<uint8_t>& bytes, uint64_t at) {
  return uint32_t(bytes[at]) | uint32_t(bytes[at + 1]) << 8 | uint32_t(bytes[at + 2]) << 16 |
         uint32_t(bytes[at + 3]) << 24;
}

inline void SetWord(std::vector<uint8_t>& bytes, uint64_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// `size` bytes that differ from block to block, without zeros.
inline std::vector<uint8_t> Pattern(size_t size, uint32_t seed) {
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < size; ++i)
    bytes[i] = static_cast<uint8_t>(1 + (i * 7 + seed * 31 + i / 97) % 255);
  return bytes;
}

class CacheFileTest : public ::testing::Test {
 protected:
  const std::string& Save(const std::vector<uint8_t>& bytes) {
    WriteFileBytes(path_, bytes);
    return path_;
  }
  void TearDown() override { std::filesystem::remove(path_); }

  std::string path_ = ::testing::TempDir() + "gcf_test_" +
                      ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".gcf";
};

}  // namespace tarnwick::test
