#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace tarnwick::web_test {

// A fresh folder, removed with everything in it at the end of the test.
struct TempDir {
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
  // mkdtemp fills in the X's; a null result makes the string constructor throw.
  std::string path =
      mkdtemp((std::filesystem::temp_directory_path() / "tarnwick-XXXXXX").string().data());
};

inline void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string ReadFile(const std::string& path) {
  std::ostringstream bytes;
  bytes << std::ifstream(path, std::ios::binary).rdbuf();
  return bytes.str();
}

}  // namespace tarnwick::web_test
