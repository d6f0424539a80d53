// MappedFile on POSIX: open, fstat, mmap. The descriptor is closed once the mapping exists.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <system_error>

#include "scan/mapped_file.h"

namespace quillet {
namespace {

std::string ErrnoText(int code) {
  return std::error_code(code, std::generic_category()).message();
}

// Why a file of this type is not scanned; empty for a regular file.
std::string Refusal(mode_t mode) {
  if (S_ISREG(mode)) return {};
  if (S_ISDIR(mode)) return "is a folder, not a module";
  return "not a regular file (a device, pipe or socket)";
}

}  // namespace

bool MappedFile::Open(const std::string& path, std::string& error) {
  Close();
  // Checked before opening: opening a device can have effects of its own (a tape rewinds).
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) {
    error =
        errno == ENOENT || errno == ENOTDIR ? "no such file" : "cannot read: " + ErrnoText(errno);
    return false;
  }
  if (std::string why = Refusal(info.st_mode); !why.empty()) {
    error = why;
    return false;
  }
  // O_NONBLOCK: should the path have become a FIFO meanwhile, opening it must not wait for a
  // writer. Nothing is read through the descriptor.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    error = "cannot open: " + ErrnoText(errno);
    return false;
  }
  if (::fstat(fd, &info) != 0) {
    error = "cannot read: " + ErrnoText(errno);
    ::close(fd);
    return false;
  }
  if (std::string why = Refusal(info.st_mode); !why.empty()) {
    error = why;
    ::close(fd);
    return false;
  }
  if (info.st_size <= 0) {
    error = "the file is empty";
    ::close(fd);
    return false;
  }
  if (static_cast<std::uintmax_t>(info.st_size) > SIZE_MAX) {
    error = "too large to map in this process's address space";
    ::close(fd);
    return false;
  }
  const auto size = static_cast<std::size_t>(info.st_size);
  void* view = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
  const int mapError = errno;
  ::close(fd);
  if (view == MAP_FAILED) {
    error = "cannot map the file: " + ErrnoText(mapError);
    return false;
  }
  // Only headers and resources are read, in no order: no read-ahead around each touched page.
  ::madvise(view, size, MADV_RANDOM);
  data_ = static_cast<const uint8_t*>(view);
  size_ = size;
  return true;
}

void MappedFile::Close() {
  if (data_ != nullptr) ::munmap(const_cast<uint8_t*>(data_), size_);
  data_ = nullptr;
  size_ = 0;
}

}  // namespace quillet
