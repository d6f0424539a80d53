// ConsoleView: the command line's log view.
#include "cli/console_view.h"

namespace quillet::cli {

void ConsoleView::ReplaceSel(std::string_view text) {
  Count(text);

  std::string bytes;
  if (options_.encoding == OutputEncoding::kCodePage) {
    bytes.assign(text);
  } else {
    bytes = codePage_.ToUtf8(text);
    // CR LF -> LF for a POSIX terminal or file.
    std::string lf;
    lf.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
      const auto c = static_cast<unsigned char>(bytes[i]);
      if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
      const bool lineEnd = c == '\n' && i + 1 == bytes.size();
      if (options_.escapeControls && (c < 0x20 || c == 0x7F) && c != '\t' && !lineEnd) {
        lf.push_back('^');
        lf.push_back(static_cast<char>(c ^ 0x40));
        continue;
      }
      lf.push_back(bytes[i]);
    }
    bytes.swap(lf);
  }

  const bool red = options_.color && format().crTextColor == CharFormat::kRed;
  if (red) {
    // Colour the text, not the line break, so a pager's line stays clean.
    std::size_t body = bytes.size();
    while (body > 0 && (bytes[body - 1] == '\n' || bytes[body - 1] == '\r')) --body;
    bytes = "\x1b[31m" + bytes.substr(0, body) + "\x1b[0m" + bytes.substr(body);
  }
  if (std::fwrite(bytes.data(), 1, bytes.size(), out_) != bytes.size()) ok_ = false;
}

void ConsoleView::RedrawNow() {
  if (options_.flushEachLine && std::fflush(out_) != 0) ok_ = false;
}

}  // namespace quillet::cli
