#pragma once
// A fresh empty directory, the working directory for the lifetime of the object.
#include <stdlib.h>

#include <filesystem>
#include <string>

namespace ostrel::testing {

class ScratchDirectory {
 public:
  ScratchDirectory() : old_(std::filesystem::current_path()) {
    char pattern[] = "/tmp/ostrel-scratch-XXXXXX";
    path_ = mkdtemp(pattern);
    std::filesystem::current_path(path_);
  }
  ~ScratchDirectory() {
    std::filesystem::current_path(old_);
    std::filesystem::remove_all(path_);
  }
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::filesystem::path old_;
  std::string path_;
};

}  // namespace ostrel::testing
