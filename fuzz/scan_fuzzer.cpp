// libFuzzer target: any bytes scanned as a module, the whole way the tool does it: the PE
// resource services open a file, the scanner walks its menus and dialogs and checks every
// label, and the report goes to a view that only counts. Checks that the report is complete:
// it ends in the closing line (or the file's failure line), its count is the number of red
// lines, painting is back on, and every failure line comes with a reason. Build and run with
// fuzz/run.
#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz/fuzz_support.h"
#include "report/templates.h"
#include "scan/pe/pe_image.h"
#include "scan/pe_services.h"
#include "scan/scanner.h"

namespace {

// The file each input is written to: made once per process under /dev/shm (else $TMPDIR, else
// /tmp), named after the process, removed when the process ends normally.
class InputFile {
 public:
  InputFile() {
    std::string dir = "/dev/shm";
    if (access(dir.c_str(), W_OK) != 0) {
      const char* tmp = std::getenv("TMPDIR");
      dir = tmp != nullptr && *tmp != '\0' ? tmp : "/tmp";
    }
    path_ = dir + "/quillet-scan-fuzzer-" + std::to_string(getpid()) + ".dll";
    fd_ = open(path_.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd_ < 0) {
      std::perror(path_.c_str());
      std::abort();
    }
  }
  ~InputFile() {
    close(fd_);
    unlink(path_.c_str());
  }
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  const std::string& Write(const uint8_t* data, std::size_t size) {
    FUZZ_CHECK(ftruncate(fd_, 0) == 0);
    std::size_t done = 0;
    while (done < size) {
      const ssize_t n = pwrite(fd_, data + done, size - done, static_cast<off_t>(done));
      FUZZ_CHECK(n > 0);
      done += static_cast<std::size_t>(n);
    }
    return path_;
  }

 private:
  std::string path_;
  int fd_ = -1;
};

std::string Line(const char* templ, int32_t value) {
  char buffer[256];
  std::snprintf(buffer, sizeof buffer, templ, value);
  return std::string(buffer) + "\r\n";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace quillet;
  static InputFile file;
  const std::string& path = file.Write(data, size);

  const CodePage codePage;  // 932, as the tool scans by default
  fuzz::CountingView view;
  auto services = MakePeResourceServices(codePage, pe::kDefaultLanguage);
  Scanner scanner(view, *services, codePage);
  int32_t failures = 0;  // failure lines, each told to the listener with why
  scanner.SetFailureListener([&](const std::string& what) {
    FUZZ_CHECK(!what.empty() && !services->LastError().empty());
    ++failures;
  });
  scanner.ScanFile(path);

  FUZZ_CHECK(view.redraw);
  FUZZ_CHECK(view.redLines == scanner.ErrorCount());
  FUZZ_CHECK(failures <= view.redLines);
  const bool unreadable = view.lastLine == std::string(templates::kFileLoadFailed) + "\r\n";
  FUZZ_CHECK(unreadable ? view.lines == 3 && failures == 1
                        : view.lastLine == Line(templates::kFinished, scanner.ErrorCount()));
  return 0;
}
