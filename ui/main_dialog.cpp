// The main window's handlers: start-up of the window, system commands, minimised painting,
// dropped files and the Clear button.
#include "ui/main_dialog.h"

#include <shellapi.h>

#include <string>

#include "res/resource.h"
#include "scan/win32_services.h"
#include "ui/about_dialog.h"
#include "ui/icon_placement.h"

namespace quillet {

static_assert(CTemplateHostDialog::kTemplateId == IDD_TEMPLATE_HOST);

namespace {

// A string of the program's own string table; empty when it is missing.
std::string LoadOwnString(UINT id) {
  std::string text(256, '\0');
  for (;;) {
    const int got =
        LoadStringA(GetModuleHandleA(nullptr), id, text.data(), static_cast<int>(text.size()));
    if (got <= 0) return {};
    if (static_cast<std::size_t>(got) + 1 < text.size()) {
      text.resize(static_cast<std::size_t>(got));
      return text;
    }
    text.resize(text.size() * 2);  // it may have been cut: try a larger buffer
  }
}

}  // namespace

CMainDialog::CMainDialog(HWND parent)
    : ui::Dialog(IDD_MAIN, parent),
      CMainDialogParts{{},
                       MakeWin32ResourceServices([this] { return static_cast<void*>(hwnd()); })},
      Scanner(log, *CMainDialogParts::services),
      icon_(LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME))) {
  SetWindowTextColorSource([] { return static_cast<uint32_t>(GetSysColor(COLOR_WINDOWTEXT)); });
}

// The icon is shared by the platform and never destroyed here.
CMainDialog::~CMainDialog() = default;

void CMainDialog::DoDataExchange() {
  BindControl(log, IDC_LOG);
}

BOOL CMainDialog::OnInitDialog() {
  ui::Dialog::OnInitDialog();
  if (HMENU systemMenu = GetSystemMenu(hwnd(), FALSE)) {
    const std::string about = LoadOwnString(IDS_ABOUTBOX);
    if (!about.empty()) {
      AppendMenuA(systemMenu, MF_SEPARATOR, 0, nullptr);
      AppendMenuA(systemMenu, MF_STRING, IDM_ABOUTBOX, about.c_str());
    }
  }
  SendMessageA(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
  SendMessageA(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));
  return TRUE;  // the platform focuses the first tab stop, the Clear button
}

bool CMainDialog::OnMessage(UINT message, WPARAM wParam, LPARAM, INT_PTR& result) {
  switch (message) {
    case WM_SYSCOMMAND:
      return OnSysCommand(static_cast<UINT>(wParam));
    case WM_PAINT:
      return OnPaint();
    case WM_QUERYDRAGICON:
      result = reinterpret_cast<INT_PTR>(icon_);
      return true;
    case WM_DROPFILES:
      OnDropFiles(reinterpret_cast<HDROP>(wParam));
      return true;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDC_CLEAR && HIWORD(wParam) == BN_CLICKED) {
        OnClear();
        return true;
      }
      return false;
    default:
      return false;
  }
}

// The About entry, whatever the low four bits; everything else is the platform's.
bool CMainDialog::OnSysCommand(UINT command) {
  if ((command & 0xFFF0) != IDM_ABOUTBOX) return false;
  CAboutDialog about;
  about.DoModal();
  return true;
}

bool CMainDialog::OnPaint() {
  if (!IsIconic(hwnd())) return false;
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(hwnd(), &paint);
  SendMessageA(hwnd(), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  const int iconWidth = GetSystemMetrics(SM_CXICON);
  const int iconHeight = GetSystemMetrics(SM_CYICON);
  RECT client;
  GetClientRect(hwnd(), &client);
  DrawIcon(dc, ui::CenteredIconOffset(client.right - client.left, iconWidth),
           ui::CenteredIconOffset(client.bottom - client.top, iconHeight), icon_);
  EndPaint(hwnd(), &paint);
  return true;
}

// Every dropped item in the drop's order, unfiltered: ScanFile reports what it cannot load.
void CMainDialog::OnDropFiles(HDROP drop) {
  const UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    char path[261] = {};  // the call gets a limit of 260, terminating zero included
    DragQueryFileA(drop, i, path, 260);
    ScanFile(std::string(path));
  }
  DragFinish(drop);
  RedrawWindow(hwnd(), nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);  // 0x0185
}

// Empties the view only; the error count stays.
void CMainDialog::OnClear() {
  log.SetText("");
}

}  // namespace quillet
