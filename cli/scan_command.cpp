// quillet scan: every menu and dialog of each module, reported as the desktop tool shows it.
#include "cli/scan_command.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "cli/console_view.h"
#include "cli/options.h"
#include "cli/ordered_pool.h"
#include "cli/progress_line.h"
#include "cli/report_recorder.h"
#include "scan/pe_services.h"
#include "scan/scanner.h"
#ifdef _WIN32
#include "scan/win32_services.h"
#endif

namespace quillet::cli {
namespace {

namespace fs = std::filesystem;

constexpr const char* kScanUsage =
    "Usage: quillet scan [OPTIONS] PATH...\n"
    "\n"
    "Reads each Windows module (EXE, DLL, MUI, OCX, CPL...; 32- or 64-bit) without running\n"
    "it, checks the access keys of every menu and dialog, and prints the report: per file a\n"
    "separator, the file, each menu and dialog with its findings, and the error count.\n"
    "Files are reported in the order given. A file that is not a module, or a folder given\n"
    "without --recursive, gets the load-failure line. Why something failed is told on\n"
    "standard error.\n"
    "\n"
    "Options:\n"
    "  -r, --recursive   scan the modules below each folder given (sorted by path);\n"
    "                    a module is a file starting with \"MZ\"\n"
    "  --lang LANGID     language to prefer when a resource has several (default 0x0411;\n"
    "                    the neutral language comes first, then this one, its neutral\n"
    "                    sublanguage, 0x0409 and the first stored), e.g. --lang 0x0409\n"
    "  -j, --jobs N      scan up to N files at once (default: one per processor); N is\n"
    "                    1 to 256, other values are refused; the report, its order and\n"
    "                    the exit status are the same as with -j 1\n"
    "  -q, --quiet       do not explain failures on standard error, and show no\n"
    "                    progress (shown on a terminal's standard error for long scans)\n"
#ifdef _WIN32
    "  --reader READER   pe (default): read the module file itself, running none of its\n"
    "                    code; windows: load it as a data file with LoadLibraryEx and\n"
    "                    create its dialogs (hidden) as the desktop tool does; it scans\n"
    "                    one file at a time whatever --jobs says, as the platform ties\n"
    "                    the dialogs it creates to one thread\n"
#endif
    ;

constexpr const char* kScanUsageTail =
    "  -h, --help        show this help\n"
    "\n"
    "Exit status: 0 no error line was written, 1 at least one (a finding or a failure),\n"
    "2 usage error.\n";

std::optional<uint16_t> ParseLangId(std::string_view text) {
  if (text.empty()) return std::nullopt;
  const std::string s(text);
  std::size_t used = 0;
  unsigned long value = 0;
  try {
    value = std::stoul(s, &used, 0);
  } catch (...) {
    return std::nullopt;
  }
  if (used != s.size() || value > 0xFFFF) return std::nullopt;
  return static_cast<uint16_t>(value);
}

constexpr unsigned kMaxJobs = 256;

std::optional<unsigned> ParseJobs(std::string_view text) {
  if (text.empty() || text.size() > 3) return std::nullopt;
  unsigned value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<unsigned>(c - '0');
  }
  if (value < 1 || value > kMaxJobs) return std::nullopt;
  return value;
}

// The value of "--jobs N", "--jobs=N", "-j N" or "-jN" at args[i].
std::optional<std::string_view> JobsValue(const std::vector<std::string_view>& args, std::size_t& i,
                                          std::string& error) {
  const std::string_view arg = args[i];
  if (arg.size() > 2 && arg.starts_with("-j")) return arg.substr(2);
  if (arg == "-j") return OptionValue(args, i, "-j", error);
  return OptionValue(args, i, "--jobs", error);
}

unsigned DefaultJobs() {
  return std::max(1u, std::thread::hardware_concurrency());
}

bool LooksLikeModule(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  char magic[2] = {};
  return in.read(magic, 2) && magic[0] == 'M' && magic[1] == 'Z';
}

// The path as the report shows it: code-page bytes. A name the code page cannot spell keeps
// '?' in place of what it lacks.
std::string ReportPath(const std::string& path, const CodePage& codePage) {
#ifdef _WIN32
  (void)codePage;
  return path;  // already in the ANSI code page
#else
  if (auto converted = codePage.FromUtf8(path)) return *converted;
  std::string out = path;
  for (char& c : out) {
    if (static_cast<unsigned char>(c) >= 0x80) c = '?';
  }
  return out;
#endif
}

}  // namespace

std::vector<std::string> ExpandPaths(const std::vector<std::string>& paths, bool recursive,
                                     std::string& error) {
  std::vector<std::string> files;
  for (const std::string& path : paths) {
    std::error_code ec;
    if (!recursive || !fs::is_directory(path, ec)) {
      files.push_back(path);
      continue;
    }
    std::vector<std::string> found;
    fs::recursive_directory_iterator it(path, fs::directory_options::skip_permission_denied, ec);
    for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
      std::error_code typeError;
      if (it->is_regular_file(typeError) && LooksLikeModule(it->path())) {
        found.push_back(it->path().string());
      }
    }
    if (ec) {
      error = path + ": " + ec.message();
      return {};
    }
    std::sort(found.begin(), found.end());
    files.insert(files.end(), found.begin(), found.end());
  }
  return files;
}

int RunScan(const std::vector<std::string_view>& args) {
  OutputOptions output;
  bool recursive = false;
  bool quiet = false;
  uint16_t language = 0x0411;
  bool windowsReader = false;
  unsigned jobs = DefaultJobs();
  std::vector<std::string> paths;
  bool onlyOperands = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    std::string error;
    if (onlyOperands || arg == "-" || arg.empty() || arg[0] != '-') {
      paths.emplace_back(arg);
      continue;
    }
    if (arg == "--") {
      onlyOperands = true;
    } else if (arg == "-h" || arg == "--help") {
      std::fputs(kScanUsage, stdout);
      std::fputs(kOutputOptionsHelp, stdout);
      std::fputs(kScanUsageTail, stdout);
      return kExitClean;
    } else if (arg == "-r" || arg == "--recursive") {
      recursive = true;
    } else if (arg == "-q" || arg == "--quiet") {
      quiet = true;
    } else if (auto count = JobsValue(args, i, error); count || !error.empty()) {
      if (!count) return UsageError(error);
      auto parsed = ParseJobs(*count);
      if (!parsed) {
        return UsageError("--jobs takes a number of files to scan at once, from 1 to " +
                          std::to_string(kMaxJobs) + ", not '" + std::string(*count) + "'");
      }
      jobs = *parsed;
    } else if (auto value = OptionValue(args, i, "--lang", error); value || !error.empty()) {
      if (!value) return UsageError(error);
      auto lang = ParseLangId(*value);
      if (!lang) {
        return UsageError("--lang takes a LANGID from 0 to 0xFFFF, e.g. 0x0409, not '" +
                          std::string(*value) + "'");
      }
      language = *lang;
    } else if (auto reader = OptionValue(args, i, "--reader", error); reader || !error.empty()) {
      if (!reader) return UsageError(error);
#ifdef _WIN32
      if (*reader != "pe" && *reader != "windows") {
        return UsageError("--reader takes pe or windows, not '" + std::string(*reader) + "'");
      }
      windowsReader = *reader == "windows";
#else
      if (*reader != "pe") return UsageError("--reader: only pe is available on this system");
#endif
    } else if (ParseOutputOption(args, i, output, error)) {
      if (!error.empty()) return UsageError(error);
    } else {
      return UsageError("scan: unknown option '" + std::string(arg) +
                        "' (see quillet scan --help)");
    }
  }
  if (paths.empty()) return UsageError("scan: no PATH given (see quillet scan --help)");

  std::string error;
  const std::vector<std::string> files = ExpandPaths(paths, recursive, error);
  if (!error.empty()) return UsageError(error);

  const CodePage codePage;
  ConsoleView view(stdout, codePage, ResolveConsole(output, stdout));
  // The Windows reader's dialogs belong to the thread that created them: one file at a time,
  // on this thread.
  if (windowsReader) jobs = 1;

  // Each worker scans with its own services and scanner into a recorder; this thread alone
  // writes the reports, in the order of the files, with the reasons for failures among them.
  struct FileReport {
    std::vector<RecordedEntry> entries;
    int32_t errorCount = 0;
  };
  auto makeWorker = [&] {
    struct Worker {
      std::unique_ptr<ResourceServices> services;
      ReportRecorder recorder;
      std::unique_ptr<Scanner> scanner;
      std::string current;
    };
    auto worker = std::make_shared<Worker>();
#ifdef _WIN32
    worker->services =
        windowsReader ? MakeWin32ResourceServices() : MakePeResourceServices(codePage, language);
#else
    worker->services = MakePeResourceServices(codePage, language);
#endif
    worker->scanner = std::make_unique<Scanner>(worker->recorder, *worker->services, codePage);
    if (!quiet) {
      worker->scanner->SetFailureListener([w = worker.get()](const std::string& what) {
        w->recorder.AddDiagnostic("quillet: " + w->current + ": " + what + "\n");
      });
    }
    return [worker, &files, &codePage](std::size_t i) {
      const std::string& file = files[i];
      worker->current = file;
      worker->scanner->ScanFile(ReportPath(file, codePage), file);
      return FileReport{worker->recorder.Take(), worker->scanner->ErrorCount()};
    };
  };

  const bool reportOnTerminal = IsTerminal(stdout);
  ProgressLine progress(stderr, !quiet && IsTerminal(stderr), files.size());
  uint64_t errorLines = 0;
  // A few files per worker may wait for their turn, enough to keep the workers busy while a
  // slow file holds up the output.
  RunInOrder<FileReport>(files.size(), jobs, std::size_t{4} * jobs, makeWorker,
                         [&](std::size_t i, FileReport report) {
                           if (reportOnTerminal || HasDiagnostics(report.entries)) progress.Clear();
                           Replay(report.entries, view, stderr);
                           errorLines += static_cast<uint32_t>(report.errorCount);
                           progress.Update(i + 1);
                         });
  progress.Clear();
  if (std::fflush(stdout) != 0 || !view.ok()) {
    std::fputs("quillet: error writing the report to standard output\n", stderr);
    return kExitUsage;
  }
  return errorLines > 0 ? kExitFindings : kExitClean;
}

}  // namespace quillet::cli
