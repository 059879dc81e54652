#include "win32/win32_ports.h"

#include <commdlg.h>

#include <cstring>
#include <string>

#include "pictures/bmp.h"
#include "win32/gdi_canvas.h"
#include "win32/text.h"

namespace dz::win32 {

HWND& AppHandles::PanelWindow(Panel panel) {
  switch (panel) {
    case Panel::Marker:
      return markerPanel;
    case Panel::Area:
      return areaPanel;
    case Panel::Board:
      break;
  }
  return boardPanel;
}

namespace {

// The handles the ports act on; empty until InstallPorts.
AppHandles noHandles;
AppHandles* handles = &noHandles;

// The bytes of a file, mapped for reading while this lives; none when the file cannot be
// opened, is empty or is larger than any picture the reader takes.
class MappedFile {
 public:
  explicit MappedFile(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    LARGE_INTEGER size{};
    if (GetFileSizeEx(file, &size) && size.QuadPart > 0 && size.QuadPart <= kLargestFile) {
      HANDLE mapping = CreateFileMappingW(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
      if (mapping != nullptr) {
        view_ = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
        if (view_ != nullptr) size_ = static_cast<std::size_t>(size.QuadPart);
        CloseHandle(mapping);  // the view keeps the mapping
      }
    }
    CloseHandle(file);
  }
  ~MappedFile() {
    if (view_ != nullptr) UnmapViewOfFile(view_);
  }
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;

  const std::uint8_t* Data() const { return static_cast<const std::uint8_t*>(view_); }
  std::size_t Size() const { return size_; }

 private:
  // The largest picture the reader takes, 32 bits a pixel, with room for headers and
  // trailing data.
  static constexpr LONGLONG kLargestFile = kMaxBmpPixels * 4 + (LONGLONG{1} << 24);
  void* view_ = nullptr;
  std::size_t size_ = 0;
};

// Reads the program's bitmap resource `name` (a packed DIB); false when there is none.
bool ReadBitmapResource(const std::wstring& name, BmpPicture* picture) {
  HRSRC resource = FindResourceW(handles->appInstance, name.c_str(), RT_BITMAP);
  if (resource == nullptr) return false;
  HGLOBAL block = LoadResource(handles->appInstance, resource);
  const void* bytes = block != nullptr ? LockResource(block) : nullptr;
  if (bytes == nullptr) return false;
  return ReadPackedDib(static_cast<const std::uint8_t*>(bytes),
                       SizeofResource(handles->appInstance, resource), picture) == BmpStatus::Ok;
}

bool ReadBitmapFile(const std::wstring& name, BmpPicture* picture) {
  const MappedFile file(name);
  if (file.Data() == nullptr) return false;
  return ReadBmpFile(file.Data(), file.Size(), picture) == BmpStatus::Ok;
}

// A memory surface holding the picture in a 32-bit DIB section; null when GDI refuses.
std::unique_ptr<Canvas> SurfaceFromPicture(const BmpPicture& picture, std::int32_t* width,
                                           std::int32_t* height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = picture.width;
  info.bmiHeader.biHeight = picture.height;  // bottom-up, as a loaded bitmap is
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap == nullptr) return nullptr;
  if (bits == nullptr) {
    DeleteObject(bitmap);
    return nullptr;
  }
  // 0x00RRGGBB is the byte order of a 32-bit DIB: blue, green, red, 0.
  const std::size_t rowBytes = static_cast<std::size_t>(picture.width) * 4;
  for (std::int32_t y = 0; y < picture.height; ++y) {
    std::memcpy(static_cast<std::uint8_t*>(bits) + rowBytes * (picture.height - 1 - y),
                &picture.pixels[static_cast<std::size_t>(y) * picture.width], rowBytes);
  }
  return SurfaceFromBitmap(bitmap, width, height);
}

class Win32Pictures : public Pictures {
 public:
  std::unique_ptr<Canvas> LoadPicture(const char* name, std::int32_t* width,
                                      std::int32_t* height) override {
    const std::wstring wide = ToWide(name);
    if (wide.empty()) return nullptr;
    // A bitmap resource of the program under that name first, then a file. A picture the
    // reader refuses counts as one that could not be loaded.
    BmpPicture picture;
    if (!ReadBitmapResource(wide, &picture) && !ReadBitmapFile(wide, &picture)) return nullptr;
    return SurfaceFromPicture(picture, width, height);
  }
  std::unique_ptr<Canvas> CreateEmptySurface() override {
    std::unique_ptr<Canvas> surface = CreateEmptyMemorySurface();
    if (!surface) return std::make_unique<NullCanvas>();
    return surface;
  }
  std::unique_ptr<Canvas> CreateSurface(std::int32_t width, std::int32_t height) override {
    // The board's surfaces hold their own pixels: pictures are blended straight into them.
    return CreateDibSurface(handles->referenceDc, width, height);
  }
};

HWND PanelWindow(Panel panel) {
  return handles->PanelWindow(panel);
}

class Win32Panels : public PanelControls {
 public:
  void SetText(Panel panel, int control, const char* text) override {
    // The edit control notifies its panel (EN_CHANGE) before this returns.
    SetDlgItemTextW(PanelWindow(panel), control, ToWide(text).c_str());
  }
  int GetText(Panel panel, int control, char* buf, int size) override {
    if (buf == nullptr || size <= 0) return 0;
    HWND item = GetDlgItem(PanelWindow(panel), control);
    if (item == nullptr) {
      buf[0] = '\0';
      return 0;
    }
    const int length = GetWindowTextLengthW(item);
    std::wstring wide(static_cast<size_t>(length) + 1, L'\0');
    GetWindowTextW(item, &wide[0], length + 1);
    return ToCp932(wide.c_str(), buf, size);
  }
  void AddComboEntry(Panel panel, int control, const char* text) override {
    const std::wstring wide = ToWide(text);
    SendDlgItemMessageW(PanelWindow(panel), control, CB_ADDSTRING, 0,
                        reinterpret_cast<LPARAM>(wide.c_str()));
  }
  void SelectComboEntry(Panel panel, int control, int index) override {
    SendDlgItemMessageW(PanelWindow(panel), control, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  }
  int ComboSelection(Panel panel, int control) override {
    HWND item = GetDlgItem(PanelWindow(panel), control);
    if (item == nullptr) return -1;
    const LRESULT i = SendMessageW(item, CB_GETCURSEL, 0, 0);
    return i == CB_ERR ? -1 : static_cast<int>(i);
  }
  void SetChecked(Panel panel, int control, bool checked) override {
    CheckDlgButton(PanelWindow(panel), control, checked ? BST_CHECKED : BST_UNCHECKED);
  }
  bool IsChecked(Panel panel, int control) override {
    return IsDlgButtonChecked(PanelWindow(panel), control) == BST_CHECKED;
  }
  void ShowControl(Panel panel, int control, bool show) override {
    HWND item = GetDlgItem(PanelWindow(panel), control);
    if (item != nullptr) ShowWindow(item, show ? SW_SHOW : SW_HIDE);
  }
  bool IsControlVisible(Panel panel, int control) override {
    // The control's own visibility, whether or not its panel is shown.
    HWND item = GetDlgItem(PanelWindow(panel), control);
    return item != nullptr && (GetWindowLongW(item, GWL_STYLE) & WS_VISIBLE) != 0;
  }
  void ShowPanel(Panel panel, bool show) override {
    HWND window = PanelWindow(panel);
    if (window != nullptr) ShowWindow(window, show ? SW_SHOW : SW_HIDE);
  }
};

class Win32Menu : public MenuMarks {
 public:
  bool IsChecked(int id) override {
    const UINT state = GetMenuState(handles->settingsMenu, static_cast<UINT>(id), MF_BYCOMMAND);
    return state != static_cast<UINT>(-1) && (state & MF_CHECKED) != 0;
  }
  void SetChecked(int id, bool checked) override {
    CheckMenuItem(handles->settingsMenu, static_cast<UINT>(id),
                  MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
  }
};

// A movable global block holding `bytes` bytes of `data`, or null.
HGLOBAL GlobalCopy(const void* data, size_t bytes) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes);
  if (block == nullptr) return nullptr;
  void* p = GlobalLock(block);
  if (p == nullptr) {
    GlobalFree(block);
    return nullptr;
  }
  std::memcpy(p, data, bytes);
  GlobalUnlock(block);
  return block;
}

class Win32Clipboard : public Clipboard {
 public:
  ClipboardResult PutText(const char* text) override {
    if (text == nullptr) text = "";
    // The code page 932 bytes as they are, and the same text as UTF-16, so that programs
    // reading either format get the right characters on any system.
    HGLOBAL ansi = GlobalCopy(text, std::strlen(text) + 1);
    const std::wstring wide = ToWide(text);
    HGLOBAL unicode =
        ansi != nullptr ? GlobalCopy(wide.c_str(), (wide.size() + 1) * sizeof(wchar_t)) : nullptr;
    if (unicode == nullptr) {
      if (ansi != nullptr) GlobalFree(ansi);
      return ClipboardResult::NoMemory;
    }
    if (!OpenClipboard(handles->boardPanel)) {
      GlobalFree(ansi);
      GlobalFree(unicode);
      return ClipboardResult::CannotOpen;
    }
    EmptyClipboard();
    // The clipboard owns a block once it took it.
    if (SetClipboardData(CF_TEXT, ansi) == nullptr) GlobalFree(ansi);
    if (SetClipboardData(CF_UNICODETEXT, unicode) == nullptr) GlobalFree(unicode);
    CloseClipboard();
    return ClipboardResult::Ok;
  }
};

constexpr int kPathChars = 260;

class Win32Files : public FileDialog {
 public:
  bool ChooseBitmap(const char* initialDir, char* path, char* name) override {
    // The path buffer keeps the previous choice, so the dialog offers it again.
    wchar_t widePath[kPathChars] = {};
    wchar_t wideName[kPathChars] = {};
    const std::wstring previous = ToWide(path);
    previous.copy(widePath, kPathChars - 1);
    const std::wstring dir = WideDir(initialDir);
    static const wchar_t filter[] = L"ビットマップ(*.bmp)\0*.bmp\0All files(*.*)\0*.*\0";
    OPENFILENAMEW request{};
    request.lStructSize = sizeof request;
    request.hwndOwner = handles->mainWindow;
    request.lpstrFilter = filter;
    request.nFilterIndex = 1;
    request.lpstrFile = widePath;
    request.nMaxFile = kPathChars;
    request.lpstrFileTitle = wideName;
    request.nMaxFileTitle = kPathChars;
    request.lpstrInitialDir = dir.c_str();
    request.lpstrTitle = L"ファイルを開く";
    request.Flags = OFN_FILEMUSTEXIST;
    request.lpstrDefExt = L"bmp";
    if (!GetOpenFileNameW(&request)) return false;
    ToCp932(widePath, path, kPathChars);
    ToCp932(wideName, name, kPathChars);
    return true;
  }
  void GetCurrentDir(char* buf, int size) override {
    wchar_t dir[MAX_PATH + 1] = {};
    GetCurrentDirectoryW(MAX_PATH + 1, dir);
    workDirWide_ = dir;
    workDirCp932_ = ToCp932(workDirWide_);
    ToCp932(dir, buf, size);
  }
  void SetCurrentDir(const char* dir) override { SetCurrentDirectoryW(WideDir(dir).c_str()); }

 private:
  // The directory read at start-up goes back as the very same wide name, even if code
  // page 932 cannot spell it.
  std::wstring WideDir(const char* dir) const {
    if (dir != nullptr && !workDirWide_.empty() && workDirCp932_ == dir) return workDirWide_;
    return ToWide(dir);
  }
  std::wstring workDirWide_;
  std::string workDirCp932_;
};

class Win32Messages : public MessageBoxes {
 public:
  void ShowError(const char* text) override {
    MessageBoxW(nullptr, ToWide(text).c_str(), L"", MB_OK | MB_ICONERROR);
  }
  bool AskYesNo(const char* text, const char* caption) override {
    return MessageBoxW(handles->mainWindow, ToWide(text).c_str(), ToWide(caption).c_str(),
                       MB_YESNO | MB_ICONQUESTION) == IDYES;
  }
};

class Win32Cursor : public Cursor {
 public:
  Point Position() override {
    POINT p{};
    GetCursorPos(&p);
    ScreenToClient(handles->mainWindow, &p);
    return Point{p.x, p.y};
  }
};

class Win32Repaint : public Repaint {
 public:
  void Invalidate(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom,
                  bool erase) override {
    HWND window = handles->mainWindow;
    if (window == nullptr) return;  // never the whole desktop
    RECT r{left, top, right, bottom};
    InvalidateRect(window, &r, erase ? TRUE : FALSE);
  }
  void InvalidateWindow() override {
    HWND window = handles->mainWindow;
    if (window != nullptr) InvalidateRect(window, nullptr, FALSE);
  }
};

Win32Pictures pictures;
Win32Panels panels;
Win32Menu menu;
Win32Clipboard clipboard;
Win32Files files;
Win32Messages messages;
Win32Cursor cursor;
Win32Repaint repaint;

}  // namespace

void InstallPorts(AppHandles& appHandles) {
  handles = &appHandles;
  ports = Ports{&pictures, &messages, &repaint};
  uiPorts = UiPorts{&panels, &menu, &clipboard, &files, &cursor};
}

}  // namespace dz::win32
