// The desktop program driven in-process under Wine: the real application object runs the main
// window on the main thread while a driver thread drops files, presses keys and reads the
// window back, the way a user would see it. Texts here are code page 932 bytes.
// Usage: quillet_gui_test OUTDIR SAMPLE FOLDER NOT_A_MODULE [MODULE...]
// Writes OUTDIR\gui_test.log and the screenshots OUTDIR\main.png and OUTDIR\about.png; the exit
// status is the number of failed checks.
#include <windows.h>
// After windows.h:
#include <richedit.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/main_app.h"
#include "res/resource.h"
#include "scan/pe/dialog_template.h"
#include "scan/pe_services.h"
#include "scan/scanner.h"
#include "tests/gui/png_writer.h"
#include "tests/recording_view.h"
#include "ui/main_dialog.h"

namespace {

using quillet::CMainDialog;

std::FILE* logFile = stdout;
int failures = 0;
std::mutex logMutex;

void Note(const std::string& text) {
  std::lock_guard<std::mutex> lock(logMutex);
  std::fprintf(logFile, "%s\n", text.c_str());
  std::fflush(logFile);
}

#define CHECK(cond, what)                                                                     \
  do {                                                                                        \
    if (cond) {                                                                               \
      Note(std::string("ok   ") + (what));                                                    \
    } else {                                                                                  \
      ++failures;                                                                             \
      Note(std::string("FAIL ") + (what) + "  [" #cond "] line " + std::to_string(__LINE__)); \
    }                                                                                         \
  } while (0)

// Polls `done` for up to `seconds`.
template <typename F>
bool WaitFor(F done, double seconds = 20) {
  const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(seconds * 1000);
  while (GetTickCount64() < end) {
    if (done()) return true;
    Sleep(20);
  }
  return done();
}

// The text up to its NUL. Wine's rich edit answers a WM_GETTEXT from another thread with 0, and
// its length may count characters, not bytes: the buffer has room for double-byte ones.
std::string WindowText(HWND window) {
  const auto length = SendMessageA(window, WM_GETTEXTLENGTH, 0, 0);
  std::string text(2 * static_cast<std::size_t>(length) + 2, '\0');
  SendMessageA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  text.resize(std::strlen(text.c_str()));
  return text;
}

// Line ends as LF, whatever the rich edit version stores.
std::string Unix(std::string text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      out += '\n';
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

// An HDROP as the shell makes one: DROPFILES, then the ANSI paths, each NUL-terminated, and a
// final NUL.
HDROP MakeDrop(const std::vector<std::string>& paths) {
  std::string list;
  for (const std::string& p : paths) list += p + '\0';
  list += std::string(2, '\0');  // the final NUL, and one more for readers that want two
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + list.size());
  auto* files = static_cast<DROPFILES*>(GlobalLock(memory));
  files->pFiles = sizeof(DROPFILES);
  files->fWide = FALSE;
  std::memcpy(reinterpret_cast<char*>(files) + sizeof(DROPFILES), list.data(), list.size());
  GlobalUnlock(memory);
  return static_cast<HDROP>(memory);
}

// What the portable file reader reports for the same paths, with each line's colour.
struct Expected {
  std::string text;
  std::vector<uint32_t> colours;
  int32_t lastErrorCount = 0;
};

Expected ReadWithFileReader(const std::vector<std::string>& paths) {
  quillet::testing::RecordingView view;
  auto services = quillet::MakePeResourceServices(quillet::CodePage(), 0x0411);
  quillet::Scanner scanner(view, *services);
  scanner.SetWindowTextColorSource(
      [] { return static_cast<uint32_t>(GetSysColor(COLOR_WINDOWTEXT)); });
  for (const std::string& p : paths) scanner.ScanFile(p);
  Expected expected{Unix(view.text), {}, scanner.ErrorCount()};
  for (const quillet::CharFormat& f : view.formats) expected.colours.push_back(f.crTextColor);
  return expected;
}

// The colour of the first character of every non-empty line of the log.
std::vector<uint32_t> LineColours(HWND log) {
  std::vector<uint32_t> colours;
  const auto lines = SendMessageA(log, EM_GETLINECOUNT, 0, 0);
  for (LRESULT line = 0; line < lines; ++line) {
    const auto start = SendMessageA(log, EM_LINEINDEX, static_cast<WPARAM>(line), 0);
    if (SendMessageA(log, EM_LINELENGTH, static_cast<WPARAM>(start), 0) == 0) continue;
    CHARRANGE range{static_cast<LONG>(start), static_cast<LONG>(start + 1)};
    SendMessageA(log, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
    CHARFORMATA format{};
    format.cbSize = sizeof format;
    SendMessageA(log, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    colours.push_back(format.crTextColor);
  }
  return colours;
}

bool Screenshot(HWND window, const std::string& path) {
  RedrawWindow(window, nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
  Sleep(700);
  RECT r;
  GetWindowRect(window, &r);
  const int width = r.right - r.left, height = r.bottom - r.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
  SelectObject(memory, old);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  std::vector<uint8_t> bgra(static_cast<std::size_t>(width) * height * 4);
  GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), bgra.data(), &info, DIB_RGB_COLORS);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  std::vector<uint8_t> rgb;
  rgb.reserve(static_cast<std::size_t>(width) * height * 3);
  for (std::size_t i = 0; i < bgra.size(); i += 4)
    rgb.insert(rgb.end(), {bgra[i + 2], bgra[i + 1], bgra[i]});
  return quillet::testing::WritePng(path, width, height, rgb);
}

struct HelpCall {
  HWND window;
  std::string file;
  UINT command;
  ULONG_PTR data;
};

struct Shared {
  quillet::CMainApp* app = nullptr;
  DWORD mainThread = 0;
  std::mutex helpMutex;
  std::vector<HelpCall> help;
  std::string outDir, sample, folder, notModule;
  std::vector<std::string> modules;
};

std::size_t HelpCalls(Shared& s) {
  std::lock_guard<std::mutex> lock(s.helpMutex);
  return s.help.size();
}

HWND Focus(DWORD thread) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  GetGUIThreadInfo(thread, &info);
  return info.hwndFocus;
}

void PressKey(HWND window, WPARAM key) {
  PostMessageA(window, WM_KEYDOWN, key, 1);
  PostMessageA(window, WM_KEYUP, key, 0xC0000001);
}

struct OwnedSearch {
  HWND owner;
  HWND found;
};

BOOL CALLBACK FindOwned(HWND window, LPARAM context) {
  auto& search = *reinterpret_cast<OwnedSearch*>(context);
  if (GetWindow(window, GW_OWNER) != search.owner || !IsWindowVisible(window)) return TRUE;
  search.found = window;
  return FALSE;
}

// The About box owned by the main window, once it is shown.
HWND AboutBox(HWND main) {
  OwnedSearch search{main, nullptr};
  EnumThreadWindows(GetWindowThreadProcessId(main, nullptr), FindOwned,
                    reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::string MenuText(HMENU menu, UINT pos) {
  char text[256] = {};
  GetMenuStringA(menu, pos, text, sizeof text, MF_BYPOSITION);
  return text;
}

void CheckResources() {
  using namespace quillet::pe;
  HMODULE self = GetModuleHandleA(nullptr);
  auto templateOf = [&](int id) -> std::span<const uint8_t> {
    HRSRC found = FindResourceExA(self, MAKEINTRESOURCEA(5), MAKEINTRESOURCEA(id), 0x0411);
    HGLOBAL loaded = found ? LoadResource(self, found) : nullptr;
    if (!loaded) return {};
    return {static_cast<const uint8_t*>(LockResource(loaded)), SizeofResource(self, found)};
  };
  struct Item {
    uint32_t id;
    std::u16string cls;
    std::u16string title;  // empty with titleOrdinal
    uint16_t titleOrdinal;
    uint32_t style;
    int16_t x, y, cx, cy;
  };
  auto checkItems = [](const char* name, const DialogTemplate& d, const std::vector<Item>& items) {
    CHECK(d.items.size() == items.size(), std::string(name) + ": control count");
    for (std::size_t i = 0; i < items.size() && i < d.items.size(); ++i) {
      const DialogItem& got = d.items[i];
      const Item& want = items[i];
      std::u16string cls = got.windowClass.kind == NameOrOrdinal::Kind::kOrdinal
                               ? std::u16string(PredefinedClassName(got.windowClass.ordinal))
                               : got.windowClass.text;
      const bool title = want.titleOrdinal ? got.title == NameOrOrdinal::Ordinal(want.titleOrdinal)
                                           : got.title == NameOrOrdinal::String(want.title);
      CHECK((got.id & 0xFFFF) == (want.id & 0xFFFF) && cls == want.cls && title &&
                got.style == want.style && got.exStyle == 0 && got.helpId == 0 && got.x == want.x &&
                got.y == want.y && got.cx == want.cx && got.cy == want.cy,
            std::string(name) + ": control " + std::to_string(i + 1) + " (id " +
                std::to_string(got.id) + ", class size " + std::to_string(cls.size()) + ", style " +
                std::to_string(got.style) + ", ex " + std::to_string(got.exStyle) + ", at " +
                std::to_string(got.x) + "," + std::to_string(got.y) + " " + std::to_string(got.cx) +
                "x" + std::to_string(got.cy) + ", title " + (title ? "same" : "differs") + ")");
    }
  };

  Result<DialogTemplate> main = ParseDialogTemplate(templateOf(IDD_MAIN));
  CHECK(main.ok(), "IDD_MAIN is there in language 0x0411 and parses");
  if (main) {
    CHECK(main->extended && main->style == 0x90CA00C0 && main->exStyle == 0x00040010 &&
              main->helpId == 0 && main->x == 0 && main->y == 0 && main->cx == 319 &&
              main->cy == 331 && main->menu.kind == NameOrOrdinal::Kind::kNone &&
              main->windowClass.kind == NameOrOrdinal::Kind::kNone,
          "IDD_MAIN: form, styles, place and size");
    CHECK(main->font == (DialogFont{9, 0, 0, 1, u"MS UI Gothic"}), "IDD_MAIN: font");
    CHECK(main->caption.starts_with(u"クイレット Ver1.00 ") && main->caption.size() > 16,
          "IDD_MAIN: caption with a credit");
    checkItems("IDD_MAIN", *main,
               {{0xFFFF, u"Static",
                 u"ドロップされたEXE,DLLファイルの全メニュー＆ダイアログリソースを読み込み、\n"
                 u"アクセスキーの重複または構文ミスが無いかを調べます。",
                 0, 0x50020000, 7, 7, 305, 20},
                {0xFFFF, u"Static", u"ログ(&L) : ", 0, 0x50020000, 7, 32, 25, 8},
                {IDC_CLEAR, u"Button", u"クリア(&C)", 0, 0x50010000, 7, 310, 50, 14},
                {IDC_LOG, u"RICHEDIT", u"", 0, 0x50B130C4, 7, 41, 305, 265}});
  }
  Result<DialogTemplate> about = ParseDialogTemplate(templateOf(IDD_ABOUT));
  CHECK(about.ok(), "IDD_ABOUT is there in language 0x0411 and parses");
  if (about) {
    CHECK(!about->extended && about->style == 0x80C800C0 && about->exStyle == 0 && about->x == 0 &&
              about->y == 0 && about->cx == 235 && about->cy == 55 &&
              about->caption == u"バージョン情報" &&
              about->font == (DialogFont{9, 0, 0, 0, u"ＭＳ Ｐゴシック"}),
          "IDD_ABOUT: form, style, place, size, caption and font");
    CHECK(about->items.size() == 4 && about->items[2].title.kind == NameOrOrdinal::Kind::kString &&
              !about->items[2].title.text.empty(),
          "IDD_ABOUT: a copyright line");
    if (about->items.size() == 4) {
      Item copyright{0xFFFF, u"Static", about->items[2].title.text, 0, 0x50020000, 40, 25, 119, 8};
      checkItems("IDD_ABOUT", *about,
                 {{0xFFFF, u"Static", u"", 128, 0x50000003, 11, 17, 20, 20},
                  {0xFFFF, u"Static", u"クイレット Version 1.00", 0, 0x50020080, 40, 10, 119, 8},
                  copyright,
                  {IDOK, u"Button", u"OK", 0, 0x50030001, 178, 7, 50, 14}});
    }
  }
  Result<DialogTemplate> host = ParseDialogTemplate(templateOf(IDD_TEMPLATE_HOST));
  CHECK(host.ok(), "IDD_TEMPLATE_HOST is there in language 0x0411 and parses");
  if (host) {
    CHECK(host->cx == 187 && host->cy == 93 && host->caption == u"ﾀﾞｲｱﾛｸﾞ" &&
              (host->style & 0x80C800C0) == 0x80C800C0 && (host->style & 0x10000000) == 0 &&
              host->font == (DialogFont{9, 0, 0, 0, u"ＭＳ Ｐゴシック"}),
          "IDD_TEMPLATE_HOST: size, caption, style and font");
    CHECK(host->items.size() == 2 && host->items[0].id == 1 &&
              host->items[0].title == NameOrOrdinal::String(u"OK") && host->items[0].x == 130 &&
              host->items[0].y == 7 && (host->items[0].style & 0xF) == 1 &&
              host->items[1].id == 2 && host->items[1].title == NameOrOrdinal::String(u"ｷｬﾝｾﾙ") &&
              host->items[1].x == 130 && host->items[1].y == 24 && host->items[1].cx == 50 &&
              host->items[1].cy == 14,
          "IDD_TEMPLATE_HOST: OK and Cancel buttons");
  }

  // The icon group: two 8-bit images, 32 and 16 pixels square (GRPICONDIR, GRPICONDIRENTRY).
  HRSRC group =
      FindResourceExA(self, MAKEINTRESOURCEA(14), MAKEINTRESOURCEA(IDR_MAINFRAME), 0x0411);
  const auto* dir =
      group ? static_cast<const uint8_t*>(LockResource(LoadResource(self, group))) : nullptr;
  auto u16 = [](const uint8_t* p) { return static_cast<unsigned>(p[0] | (p[1] << 8)); };
  CHECK(dir && u16(dir + 4) == 2 && dir[6] == 32 && dir[7] == 32 && u16(dir + 6 + 6) == 8 &&
            dir[6 + 14] == 16 && dir[6 + 15] == 16 && u16(dir + 6 + 14 + 6) == 8,
        "IDR_MAINFRAME: 32x32 and 16x16 images, 8 bits per pixel");

  wchar_t about16[128] = {};
  LoadStringW(self, IDS_ABOUTBOX, about16, 128);
  CHECK(std::wstring(about16) == L"Quillet のﾊﾞｰｼﾞｮﾝ情報(&A)...", "IDS_ABOUTBOX text");
  CHECK(FindResourceExA(self, MAKEINTRESOURCEA(6), MAKEINTRESOURCEA(IDS_ABOUTBOX / 16 + 1), 0x0411),
        "IDS_ABOUTBOX in language 0x0411");

  // The version resource.
  CHECK(FindResourceExA(self, MAKEINTRESOURCEA(16), MAKEINTRESOURCEA(1), 0x0411),
        "version in language 0x0411");
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  DWORD ignored = 0;
  std::vector<uint8_t> block(GetFileVersionInfoSizeW(path, &ignored));
  const bool haveVersion =
      !block.empty() &&
      GetFileVersionInfoW(path, 0, static_cast<DWORD>(block.size()), block.data());
  CHECK(haveVersion, "version resource readable");
  if (!haveVersion) return;
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT size = 0;
  VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &size);
  CHECK(fixed && fixed->dwFileVersionMS == 0x00010000 && fixed->dwFileVersionLS == 1 &&
            fixed->dwProductVersionMS == 0x00010000 && fixed->dwProductVersionLS == 1 &&
            fixed->dwFileFlagsMask == 0x3F && fixed->dwFileFlags == 0 &&
            fixed->dwFileOS == VOS__WINDOWS32 && fixed->dwFileType == VFT_APP,
        "version: 1.0.0.1, flags, 32-bit Windows, application");
  WORD* translation = nullptr;
  VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation",
                 reinterpret_cast<void**>(&translation), &size);
  CHECK(translation && size == 4 && translation[0] == 0x0411 && translation[1] == 0x04B0,
        "version: translation");
  auto value = [&](const wchar_t* name) {
    wchar_t* text = nullptr;
    UINT length = 0;
    std::wstring key = std::wstring(L"\\StringFileInfo\\041104B0\\") + name;
    if (!VerQueryValueW(block.data(), key.c_str(), reinterpret_cast<void**>(&text), &length) ||
        !text) {
      return std::wstring(L"<missing>");
    }
    return std::wstring(text);
  };
  CHECK(value(L"FileVersion") == L"1, 0, 0, 1" && value(L"ProductVersion") == L"1, 0, 0, 1" &&
            value(L"ProductName") == L"クイレット" && !value(L"LegalCopyright").empty() &&
            value(L"LegalCopyright") != L"<missing>",
        "version: versions, product name and copyright");
  bool emptyOnes = true;
  for (const wchar_t* name :
       {L"Comments", L"CompanyName", L"FileDescription", L"InternalName", L"LegalTrademarks",
        L"OriginalFilename", L"PrivateBuild", L"SpecialBuild"}) {
    emptyOnes = emptyOnes && value(name).empty();
  }
  CHECK(emptyOnes, "version: the other strings are there and empty");
}

void Drive(Shared& s) {
  HWND main = nullptr;
  CMainDialog* dialog = nullptr;
  const bool up = WaitFor([&] {
    auto* d = static_cast<CMainDialog*>(s.app->MainWindow());
    if (!d || !d->hwnd() || !IsWindowVisible(d->hwnd())) return false;
    dialog = d;
    main = d->hwnd();
    return true;
  });
  CHECK(up, "the main window opens");
  if (!up) return;
  Sleep(300);
  HWND log = GetDlgItem(main, IDC_LOG);
  HWND clear = GetDlgItem(main, IDC_CLEAR);

  // Start-up.
  CHECK(WindowText(main).starts_with("クイレット Ver1.00 "), "caption");
  CHECK((GetWindowLongA(main, GWL_EXSTYLE) & WS_EX_ACCEPTFILES) != 0,
        "the window accepts dropped files");
  CHECK(Focus(s.mainThread) == clear, "the Clear button has the focus");
  CHECK(reinterpret_cast<HICON>(SendMessageA(main, WM_GETICON, ICON_BIG, 0)) ==
                dialog->WindowIcon() &&
            reinterpret_cast<HICON>(SendMessageA(main, WM_GETICON, ICON_SMALL, 0)) ==
                dialog->WindowIcon() &&
            dialog->WindowIcon() != nullptr,
        "big and small icons are the program's icon");
  HMENU system = GetSystemMenu(main, FALSE);
  const int items = GetMenuItemCount(system);
  CHECK(items >= 2 && GetMenuItemID(system, items - 1) == IDM_ABOUTBOX &&
            MenuText(system, static_cast<UINT>(items - 1)) == "Quillet のﾊﾞｰｼﾞｮﾝ情報(&A)..." &&
            (GetMenuState(system, static_cast<UINT>(items - 2), MF_BYPOSITION) & MF_SEPARATOR) != 0,
        "system menu ends with a separator and the About entry");
  RECT window, work;
  GetWindowRect(main, &window);
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  CHECK(std::abs((window.left + window.right) - (work.left + work.right)) <= 2 &&
            std::abs((window.top + window.bottom) - (work.top + work.bottom)) <= 2,
        "the main window is centred in the work area");

  // A drop without paths: the handler scans what the platform lists, which is nothing on
  // Windows; Wine's DragQueryFileA lists one empty path for it.
  HDROP empty = MakeDrop({});
  std::vector<std::string> listed;
  for (UINT i = 0, n = DragQueryFileA(empty, 0xFFFFFFFF, nullptr, 0); i < n; ++i) {
    char path[261] = {};
    DragQueryFileA(empty, i, path, 260);
    listed.push_back(path);
  }
  Note("the platform lists " + std::to_string(listed.size()) + " items for an empty drop");
  SendMessageA(main, WM_DROPFILES, reinterpret_cast<WPARAM>(empty), 0);
  CHECK(Unix(WindowText(log)) == (listed.empty() ? "" : ReadWithFileReader(listed).text),
        "an empty drop scans only what the platform lists");
  SendMessageA(main, WM_COMMAND, MAKEWPARAM(IDC_CLEAR, BN_CLICKED),
               reinterpret_cast<LPARAM>(clear));

  // Several items at once, in drop order, against the file reader's report.
  std::vector<std::string> dropped = s.modules;
  dropped.insert(dropped.begin(), {s.sample, s.folder, s.notModule, s.sample + ".missing"});
  const Expected expected = ReadWithFileReader(dropped);
  SendMessageA(main, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(dropped)), 0);
  const std::string shown = Unix(WindowText(log));

  CHECK(shown == expected.text, "a drop of " + std::to_string(dropped.size()) +
                                    " items shows the file reader's report, in drop order");
  if (shown != expected.text) {
    std::istringstream a(shown), b(expected.text);
    std::string la, lb;
    for (int line = 1; a || b; ++line) {
      la.clear();
      lb.clear();
      std::getline(a, la);
      std::getline(b, lb);
      if (la != lb) {
        Note("  first difference at line " + std::to_string(line) + ":\n    shown:    " + la +
             "\n    expected: " + lb + "\n    sizes " + std::to_string(shown.size()) + " " +
             std::to_string(expected.text.size()));
        break;
      }
    }
  }
  const std::vector<uint32_t> colours = LineColours(log);
  CHECK(colours == expected.colours,
        "each line's colour: red errors, window-text colour otherwise (" +
            std::to_string(colours.size()) + " lines)");
  CHECK(dialog->ErrorCount() == expected.lastErrorCount && dialog->ErrorCount() == 1,
        "errorCount holds the last file's error lines");

  // Clear empties the view and leaves errorCount.
  SendMessageA(main, WM_COMMAND, MAKEWPARAM(IDC_CLEAR, BN_CLICKED),
               reinterpret_cast<LPARAM>(clear));
  CHECK(WindowText(log).empty() && dialog->ErrorCount() == 1,
        "Clear empties the log, errorCount stays");

  // The user's typing stays; the next report goes after the end of the text, wherever the caret.
  for (char c : std::string("memo")) SendMessageA(log, WM_CHAR, static_cast<WPARAM>(c), 1);
  SendMessageA(log, EM_SETSEL, 0, 0);
  SendMessageA(main, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({s.sample})), 0);
  const Expected one = ReadWithFileReader({s.sample});
  CHECK(Unix(WindowText(log)) == "memo" + one.text, "typed text stays, the report follows it");
  std::vector<uint32_t> sampleColours = LineColours(log);
  CHECK(!sampleColours.empty() &&
            std::count(sampleColours.begin(), sampleColours.end(), 0x000000FFu) == 4,
        "the sample's four error lines are red after typed text");

  // The screenshot of the bundled example's report.
  SendMessageA(main, WM_COMMAND, MAKEWPARAM(IDC_CLEAR, BN_CLICKED),
               reinterpret_cast<LPARAM>(clear));
  SendMessageA(main, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({s.sample})), 0);
  CHECK(Screenshot(main, s.outDir + "\\main.png"), "screenshot main.png");

  // F1 in the main window: the help viewer on the main window's topic.
  PressKey(log, VK_F1);
  CHECK(WaitFor([&] { return HelpCalls(s) == 1; }, 5), "F1 calls the help viewer");
  {
    std::lock_guard<std::mutex> lock(s.helpMutex);
    if (!s.help.empty()) {
      const HelpCall& call = s.help.back();
      CHECK(call.window == main && call.command == HELP_CONTEXT &&
                call.data == 0x20000 + IDD_MAIN && call.file.ends_with("quillet_gui_test.HLP"),
            "help: main window topic in a help file named after the program (" + call.file + ")");
    }
  }

  // The About box: 0x0010 and 0x001F, each closing way; the main window comes back unchanged.
  const std::string before = WindowText(log);
  RECT centred{};  // where the About box opens over the restored main window
  struct Close {
    UINT command;
    const char* how;
  };
  for (Close close : {Close{0x0010, "Escape"}, Close{0x001F, "close box"}, Close{0x0010, "OK"}}) {
    PostMessageA(main, WM_SYSCOMMAND, close.command, 0);
    HWND about = nullptr;
    const bool open = WaitFor([&] { return (about = AboutBox(main)) != nullptr; }, 10);
    CHECK(open, "system command " + std::to_string(close.command) + " opens the About box");
    if (!open) continue;
    Sleep(200);
    RECT a, m;
    GetWindowRect(about, &a);
    GetWindowRect(main, &m);
    CHECK(WindowText(about) == "バージョン情報" && !IsWindowEnabled(main) &&
              Focus(s.mainThread) == GetDlgItem(about, IDOK),
          "About: caption, main window disabled, focus on OK");
    centred = a;
    CHECK(std::abs((a.left + a.right) - (m.left + m.right)) <= 2 &&
              std::abs((a.top + a.bottom) - (m.top + m.bottom)) <= 2,
          "About: centred over the main window");
    if (close.command == 0x0010 && std::string(close.how) == "Escape") {
      std::vector<std::string> texts;
      for (HWND c = GetWindow(about, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        texts.push_back(WindowText(c));
      CHECK(texts.size() == 4 && texts[1] == "クイレット Version 1.00" && texts[3] == "OK",
            "About: product line and OK button");
      CHECK(Screenshot(about, s.outDir + "\\about.png"), "screenshot about.png");
      PressKey(GetDlgItem(about, IDOK), VK_F1);
      CHECK(WaitFor([&] { return HelpCalls(s) == 2; }, 5),
            "F1 in the About box calls the help viewer");
      std::lock_guard<std::mutex> lock(s.helpMutex);
      if (s.help.size() == 2) {
        CHECK(s.help[1].window == about && s.help[1].data == 0x20000 + IDD_ABOUT,
              "help: the About box's topic");
      }
    }
    if (std::string(close.how) == "Escape") {
      PressKey(GetDlgItem(about, IDOK), VK_ESCAPE);
    } else if (std::string(close.how) == "close box") {
      PostMessageA(about, WM_SYSCOMMAND, SC_CLOSE, 0);
    } else {
      PostMessageA(GetDlgItem(about, IDOK), BM_CLICK, 0, 0);
    }
    const bool closed = WaitFor([&] { return !IsWindow(about) && IsWindowEnabled(main); }, 10);
    CHECK(closed,
          std::string("About closes with ") + close.how + " and the main window is enabled again");
    CHECK(WindowText(log) == before && GetMenuItemCount(GetSystemMenu(main, FALSE)) == items,
          "the log and the system menu are unchanged after the About box");
  }

  // Minimised: the drag icon, and the About box is not centred.
  PostMessageA(main, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  CHECK(WaitFor([&] { return IsIconic(main) != FALSE; }, 10), "the window minimises");
  CHECK(reinterpret_cast<HICON>(SendMessageA(main, WM_QUERYDRAGICON, 0, 0)) == dialog->WindowIcon(),
        "WM_QUERYDRAGICON gives the window icon");
  PostMessageA(main, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
  HWND about = nullptr;
  if (WaitFor([&] { return (about = AboutBox(main)) != nullptr; }, 10)) {
    RECT a;
    GetWindowRect(about, &a);
    CHECK(a.left != centred.left || a.top != centred.top,
          "About over a minimised window is not centred (at " + std::to_string(a.left) + "," +
              std::to_string(a.top) + ")");
    PostMessageA(GetDlgItem(about, IDOK), BM_CLICK, 0, 0);
    WaitFor([&] { return !IsWindow(about); }, 10);
  } else {
    CHECK(false, "About opens while minimised");
  }
  PostMessageA(main, WM_SYSCOMMAND, SC_RESTORE, 0);
  CHECK(WaitFor([&] { return !IsIconic(main); }, 10), "the window restores");

  // Escape ends the program, with a report in the view.
  SendMessageA(main, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(clear), TRUE);
  PressKey(clear, VK_ESCAPE);
  CHECK(WaitFor([&] { return !IsWindow(main); }, 10), "Escape ends the main window");
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  if (__argc < 5) return 100;
  Shared shared;
  shared.outDir = __argv[1];
  shared.sample = __argv[2];
  shared.folder = __argv[3];
  shared.notModule = __argv[4];
  for (int i = 5; i < __argc; ++i) shared.modules.push_back(__argv[i]);
  if (std::FILE* f = std::fopen((shared.outDir + "\\gui_test.log").c_str(), "w")) logFile = f;

  CheckResources();

  quillet::CMainApp app;
  shared.app = &app;
  shared.mainThread = GetCurrentThreadId();
  app.SetHelpViewer([&shared](HWND window, const char* file, UINT command, ULONG_PTR data) {
    std::lock_guard<std::mutex> lock(shared.helpMutex);
    shared.help.push_back({window, file, command, data});
    return TRUE;
  });
  std::thread driver([&shared] { Drive(shared); });
  const bool keepRunning = app.InitInstance();
  CHECK(!keepRunning, "start-up returns false once the main window has ended");
  driver.join();
  Note(std::to_string(failures) + " failed");
  if (logFile != stdout) std::fclose(logFile);
  return failures;
}
