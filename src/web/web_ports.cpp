#include "web/web_ports.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "panels/panels.h"
#include "pictures/bmp.h"
#include "web/page.h"
#include "web/text.h"
#include "web/web_canvas.h"

namespace dz::web {
namespace {

constexpr int kPathSize = 260;

struct FileChoice {
  bool waiting = false;
  std::string path;  // code page 932
  std::string name;
  std::string lastPath;  // the path ChooseBitmap handed out last
};
FileChoice choice;
Point pointer{0, 0};

class WebPictures : public Pictures {
 public:
  std::unique_ptr<Canvas> LoadPicture(const char* name, std::int32_t* width,
                                      std::int32_t* height) override {
    if (name == nullptr || name[0] == '\0') return nullptr;
    std::int32_t w = 0;
    std::int32_t h = 0;
    // The program's own pictures first (as resources come before files on Windows),
    // then the file the user has just chosen.
    int handle = page::TakePicture(Cp932ToUtf8(name), false, &w, &h);
    if (handle == 0 && !choice.lastPath.empty() && choice.lastPath == name) {
      handle = page::TakePicture(std::string(), true, &w, &h);
    }
    if (handle == 0) return nullptr;
    *width = w;
    *height = h;
    return std::make_unique<WebCanvas>(handle, w, h);
  }
  std::unique_ptr<Canvas> CreateEmptySurface() override {
    return std::make_unique<WebCanvas>(0, 0, 0);
  }
  std::unique_ptr<Canvas> CreateSurface(std::int32_t width, std::int32_t height) override {
    return CreateWebSurface(width, height);
  }
};

int PanelNumber(Panel panel) {
  return static_cast<int>(panel);
}

class WebPanels : public PanelControls {
 public:
  void SetText(Panel panel, int control, const char* text) override {
    page::SetText(PanelNumber(panel), control, Cp932ToUtf8(text));
    // The contract of the port: the change notifies the panel before this returns.
    RunPanelCommand(panel, control);
  }
  int GetText(Panel panel, int control, char* buf, int size) override {
    if (buf == nullptr || size <= 0) return 0;
    return Utf8ToCp932(page::GetText(PanelNumber(panel), control).c_str(), buf, size);
  }
  void AddComboEntry(Panel panel, int control, const char* text) override {
    page::AddComboEntry(PanelNumber(panel), control, Cp932ToUtf8(text));
  }
  void SelectComboEntry(Panel panel, int control, int index) override {
    page::SelectComboEntry(PanelNumber(panel), control, index);
  }
  int ComboSelection(Panel panel, int control) override {
    return page::ComboSelection(PanelNumber(panel), control);
  }
  void SetChecked(Panel panel, int control, bool checked) override {
    page::SetChecked(PanelNumber(panel), control, checked);
  }
  bool IsChecked(Panel panel, int control) override {
    return page::IsChecked(PanelNumber(panel), control);
  }
  void ShowControl(Panel panel, int control, bool show) override {
    page::ShowControl(PanelNumber(panel), control, show);
  }
  bool IsControlVisible(Panel panel, int control) override {
    return page::IsControlVisible(PanelNumber(panel), control);
  }
  void ShowPanel(Panel panel, bool show) override { page::ShowPanel(PanelNumber(panel), show); }
};

class WebMenu : public MenuMarks {
 public:
  bool IsChecked(int id) override { return page::IsMenuChecked(id); }
  void SetChecked(int id, bool checked) override { page::SetMenuChecked(id, checked); }
};

class WebClipboard : public Clipboard {
 public:
  // The page writes asynchronously and falls back on its own when the browser refuses.
  ClipboardResult PutText(const char* text) override {
    page::PutClipboard(Cp932ToUtf8(text));
    return ClipboardResult::Ok;
  }
};

void CopyField(const std::string& text, char* buf) {
  const std::size_t n = std::min<std::size_t>(text.size(), kPathSize - 1);
  std::memcpy(buf, text.data(), n);
  buf[n] = '\0';
}

class WebFiles : public FileDialog {
 public:
  bool ChooseBitmap(const char*, char* path, char* name) override {
    if (!choice.waiting) return false;
    choice.waiting = false;
    CopyField(choice.path, path);
    CopyField(choice.name, name);
    choice.lastPath = path;
    return true;
  }
  void GetCurrentDir(char* buf, int size) override {
    if (buf != nullptr && size > 1) std::strcpy(buf, "/");
  }
  void SetCurrentDir(const char*) override {}
};

class WebMessages : public MessageBoxes {
 public:
  void ShowError(const char* text) override { page::ShowError(Cp932ToUtf8(text)); }
  // The page has no close question of its own: leaving asks the browser's question.
  bool AskYesNo(const char*, const char*) override { return true; }
};

class WebCursor : public Cursor {
 public:
  Point Position() override { return pointer; }
};

class WebRepaint : public Repaint {
 public:
  void Invalidate(std::int32_t, std::int32_t, std::int32_t, std::int32_t, bool) override {
    page::RequestPaint();
  }
  void InvalidateWindow() override { page::RequestPaint(); }
};

WebPictures pictures;
WebPanels panels;
WebMenu menu;
WebClipboard clipboard;
WebFiles files;
WebMessages messages;
WebCursor cursor;
WebRepaint repaint;

}  // namespace

void InstallPorts() {
  ports = Ports{&pictures, &messages, &repaint};
  uiPorts = UiPorts{&panels, &menu, &clipboard, &files, &cursor};
}

void SetChosenFile(const char* path, const char* name) {
  // Cut after a whole character, as the Windows dialog's buffers would hold it.
  char buf[kPathSize];
  Utf8ToCp932(path, buf, kPathSize);
  choice.path = buf;
  Utf8ToCp932(name, buf, kPathSize);
  choice.name = buf;
  choice.waiting = true;
}

void SetPointerPosition(std::int32_t x, std::int32_t y) {
  pointer = Point{x, y};
}

std::uint8_t* DecodeBmpPicture(const std::uint8_t* data, int size, int* wh) {
  // A background shows at most 800 × 620 pixels: 16 M pixels is plenty, and stays within
  // what a page's memory allows.
  constexpr std::int64_t kMaxPixels = std::int64_t{1} << 24;
  wh[0] = 0;
  wh[1] = 0;
  BmpPicture picture;
  if (size <= 0 ||
      ReadBmpFile(data, static_cast<std::size_t>(size), &picture, kMaxPixels) != BmpStatus::Ok) {
    return nullptr;
  }
  const std::size_t count = picture.pixels.size();
  auto* rgba = static_cast<std::uint8_t*>(std::malloc(count * 4));
  if (rgba == nullptr) return nullptr;
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint32_t p = picture.pixels[i];
    rgba[4 * i] = static_cast<std::uint8_t>(p >> 16);
    rgba[4 * i + 1] = static_cast<std::uint8_t>(p >> 8);
    rgba[4 * i + 2] = static_cast<std::uint8_t>(p);
    rgba[4 * i + 3] = 255;
  }
  wh[0] = picture.width;
  wh[1] = picture.height;
  return rgba;
}

}  // namespace dz::web
