// MappedFile: a file's bytes mapped read-only, so that reading a module touches only the pages
// its headers and resources lie in, whatever the file's size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <utility>

namespace quillet {

class MappedFile {
 public:
  MappedFile() = default;
  MappedFile(MappedFile&& other) noexcept
      : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)) {}
  MappedFile& operator=(MappedFile&& other) noexcept {
    if (this != &other) {
      Close();
      data_ = std::exchange(other.data_, nullptr);
      size_ = std::exchange(other.size_, 0);
    }
    return *this;
  }
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;
  ~MappedFile() { Close(); }

  // Maps the regular file at `path`. Anything else fails with the reason in `error`: no such
  // file, a folder, a device, pipe or socket (refused before anything is read from it, so
  // never waited on), an empty file, or one the process cannot open or find room to map.
  bool Open(const std::string& path, std::string& error);

  // Empty until Open succeeds; valid while this object lives.
  std::span<const uint8_t> bytes() const { return {data_, size_}; }

 private:
  void Close();

  const uint8_t* data_ = nullptr;
  std::size_t size_ = 0;
};

}  // namespace quillet
