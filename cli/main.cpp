// quillet: the command-line front end.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "cli/console_view.h"
#include "cli/labels_command.h"
#include "cli/options.h"
#include "cli/scan_command.h"

namespace {

constexpr const char* kUsage =
    "Usage: quillet COMMAND [OPTIONS] ...\n"
    "\n"
    "Finds access-key faults in the menus and dialogs of Windows programs.\n"
    "\n"
    "Commands:\n"
    "  scan PATH...      check every menu and dialog of Windows modules (EXE, DLL, ...)\n"
    "  labels [FILE|-]   check a list of labels, one per line (a blank line starts a\n"
    "                    new menu level or dialog)\n"
    "\n"
    "Options:\n"
    "  -h, --help        show this help (or a command's: quillet scan --help)\n"
    "  --version         show the version\n"
    "\n"
    "Exit status: 0 no error line was written, 1 at least one error line, 2 usage or\n"
    "input error.\n";

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stdin), _O_BINARY);
#endif
  std::vector<std::string_view> args(argv + 1, argv + argc);
  if (args.empty()) {
    std::fputs(kUsage, stderr);
    return quillet::cli::kExitUsage;
  }
  const std::string_view command = args.front();
  args.erase(args.begin());
  if (command == "-h" || command == "--help" || command == "help") {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (command == "--version") {
    std::puts("quillet 0.1.0");
    return 0;
  }
  if (command == "labels") return quillet::cli::RunLabels(args);
  if (command == "scan") return quillet::cli::RunScan(args);
  std::fprintf(stderr, "quillet: unknown command '%.*s' (see quillet --help)\n",
               static_cast<int>(command.size()), command.data());
  return quillet::cli::kExitUsage;
}
