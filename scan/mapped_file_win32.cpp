// MappedFile on Windows: CreateFileA (paths are in the ANSI code page, as everywhere in the
// Windows build), then one read-only view of the whole file. The handles are closed once the
// view exists; the view keeps the file open, and Windows refuses to truncate a mapped file.
#include <windows.h>

#include <cstdint>

#include "scan/mapped_file.h"

namespace quillet {
namespace {

std::string ErrorText(DWORD code) {
  return "Windows error " + std::to_string(code);
}

bool IsMissing(DWORD code) {
  return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND || code == ERROR_INVALID_NAME;
}

}  // namespace

bool MappedFile::Open(const std::string& path, std::string& error) {
  Close();
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD code = GetLastError();
    error = IsMissing(code) ? "no such file" : "cannot read: " + ErrorText(code);
    return false;
  }
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    error = "is a folder, not a module";
    return false;
  }
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    error = "cannot open: " + ErrorText(GetLastError());
    return false;
  }
  // Devices (NUL, CON) and pipes are never read.
  LARGE_INTEGER size{};
  std::string refusal;
  if (GetFileType(file) != FILE_TYPE_DISK) {
    refusal = "not a regular file (a device or pipe)";
  } else if (!GetFileSizeEx(file, &size)) {
    refusal = "cannot read: " + ErrorText(GetLastError());
  } else if (size.QuadPart <= 0) {
    refusal = "the file is empty";
  } else if (static_cast<std::uint64_t>(size.QuadPart) > SIZE_MAX) {
    refusal = "larger than a 32-bit process can map";
  }
  if (!refusal.empty()) {
    CloseHandle(file);
    error = refusal;
    return false;
  }
  HANDLE mapping = CreateFileMappingW(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
  const DWORD mappingError = GetLastError();
  CloseHandle(file);
  if (mapping == nullptr) {
    error = "cannot map the file: " + ErrorText(mappingError);
    return false;
  }
  void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
  const DWORD viewError = GetLastError();
  CloseHandle(mapping);
  if (view == nullptr) {
    error = viewError == ERROR_NOT_ENOUGH_MEMORY ? "not enough free address space to map its " +
                                                       std::to_string(size.QuadPart) + " bytes"
                                                 : "cannot map the file: " + ErrorText(viewError);
    return false;
  }
  data_ = static_cast<const uint8_t*>(view);
  size_ = static_cast<std::size_t>(size.QuadPart);
  return true;
}

void MappedFile::Close() {
  if (data_ != nullptr) UnmapViewOfFile(data_);
  data_ = nullptr;
  size_ = 0;
}

}  // namespace quillet
