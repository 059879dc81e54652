#include "panels/ui_ports.h"

namespace dz {
namespace {

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

class NoCursor : public Cursor {
 public:
  Point Position() override { return Point{0, 0}; }
};

NoPanels noPanels;
NoMenu noMenu;
NoClipboard noClipboard;
NoFiles noFiles;
NoCursor noCursor;

UiPorts NullUiPorts() {
  return UiPorts{&noPanels, &noMenu, &noClipboard, &noFiles, &noCursor};
}

}  // namespace

UiPorts uiPorts = NullUiPorts();

void ResetUiPorts() {
  uiPorts = NullUiPorts();
}

}  // namespace dz
