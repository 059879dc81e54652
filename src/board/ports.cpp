#include "board/ports.h"

namespace dz {
namespace {

class NoPictures : public Pictures {
 public:
  std::unique_ptr<Canvas> LoadPicture(const char*, std::int32_t*, std::int32_t*) override {
    return nullptr;
  }
  std::unique_ptr<Canvas> CreateEmptySurface() override { return std::make_unique<NullCanvas>(); }
  std::unique_ptr<Canvas> CreateSurface(std::int32_t, std::int32_t) override {
    return std::make_unique<NullCanvas>();
  }
};

class NoPanels : public PanelControls {
 public:
  void SetText(Panel, int, const char*) override {}
  int GetText(Panel, int, char* buf, int size) override {
    if (size > 0) buf[0] = '\0';
    return 0;
  }
  void AddComboEntry(Panel, int, const char*) override {}
  void SelectComboEntry(Panel, int, int) override {}
  int ComboSelection(Panel, int) override { return -1; }
  void SetChecked(Panel, int, bool) override {}
  bool IsChecked(Panel, int) override { return false; }
  void ShowControl(Panel, int, bool) override {}
  bool IsControlVisible(Panel, int) override { return false; }
  void ShowPanel(Panel, bool) override {}
};

class NoMenu : public MenuMarks {
 public:
  bool IsChecked(int) override { return false; }
  void SetChecked(int, bool) override {}
};

class NoClipboard : public Clipboard {
 public:
  ClipboardResult PutText(const char*) override { return ClipboardResult::CannotOpen; }
};

class NoFiles : public FileDialog {
 public:
  bool ChooseBitmap(const char*, char*, char*) override { return false; }
  void GetCurrentDir(char* buf, int size) override {
    if (size > 0) buf[0] = '\0';
  }
  void SetCurrentDir(const char*) override {}
};

class NoMessages : public MessageBoxes {
 public:
  void ShowError(const char*) override {}
  bool AskYesNo(const char*, const char*) override { return false; }
};

class NoCursor : public Cursor {
 public:
  Point Position() override { return Point{0, 0}; }
};

class NoRepaint : public Repaint {
 public:
  void Invalidate(std::int32_t, std::int32_t, std::int32_t, std::int32_t, bool) override {}
  void InvalidateWindow() override {}
};

NoPictures noPictures;
NoPanels noPanels;
NoMenu noMenu;
NoClipboard noClipboard;
NoFiles noFiles;
NoMessages noMessages;
NoCursor noCursor;
NoRepaint noRepaint;

Ports NullPorts() {
  return Ports{&noPictures, &noPanels,   &noMenu,   &noClipboard,
               &noFiles,    &noMessages, &noCursor, &noRepaint};
}

}  // namespace

Ports ports = NullPorts();

void ResetPorts() {
  ports = NullPorts();
}

}  // namespace dz
