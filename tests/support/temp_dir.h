#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace tilora::testing {

// A fresh folder removed with everything in it at the end of the test.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::string operator/(const std::string& leaf) const { return (path_ / leaf).string(); }
  // The names in the folder, sorted.
  std::vector<std::string> List() const;

 private:
  std::filesystem::path path_;
};

}  // namespace tilora::testing
