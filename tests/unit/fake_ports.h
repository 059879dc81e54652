// Fake ports for the unit tests: they keep what the core asked of the platform and behave
// like the platform where the core relies on it (an edit box's text change notifies its
// panel synchronously; selecting a combo entry or setting a check mark from code does not).
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "board/board.h"
#include "board/ports.h"
#include "panels/ui_ports.h"

namespace dz::testing {

// A picture surface that remembers which name it was loaded from.
class FakePicture : public NullCanvas {
 public:
  explicit FakePicture(std::string n) : name(std::move(n)) {}
  void MarkAsPicture() override { marked = true; }
  std::string name;
  bool marked = false;  // told that it holds a picture (its keyed copies may be kept)
};

class FakePictures : public Pictures {
 public:
  struct Size {
    std::int32_t width;
    std::int32_t height;
  };
  std::map<std::string, Size> available = {{"area.bmp", {64, 64}}, {"shadow.bmp", {32, 32}}};
  std::vector<std::string> loads;
  std::function<std::unique_ptr<Canvas>(std::int32_t, std::int32_t)> makeSurface;

  std::unique_ptr<Canvas> LoadPicture(const char* name, std::int32_t* width,
                                      std::int32_t* height) override {
    loads.emplace_back(name);
    auto it = available.find(name);
    if (it == available.end()) return nullptr;
    *width = it->second.width;
    *height = it->second.height;
    return std::make_unique<FakePicture>(name);
  }
  std::unique_ptr<Canvas> CreateEmptySurface() override { return std::make_unique<NullCanvas>(); }
  std::unique_ptr<Canvas> CreateSurface(std::int32_t width, std::int32_t height) override {
    if (makeSurface) return makeSurface(width, height);
    return std::make_unique<NullCanvas>();
  }
};

class FakePanels : public PanelControls {
 public:
  struct Control {
    std::string text;
    std::vector<std::string> entries;
    int selection = -1;
    bool checked = false;
    bool visible = true;
  };
  std::map<std::pair<Panel, int>, Control> controls;
  std::map<Panel, bool> panelVisible = {
      {Panel::Board, true}, {Panel::Marker, false}, {Panel::Area, false}};
  // Runs a control's command, as the panel's dialog procedure would on a notification.
  std::function<void(Panel, int)> notify;
  std::vector<std::pair<Panel, int>> notifications;

  Control& At(Panel p, int id) { return controls[{p, id}]; }
  const std::string& Text(Panel p, int id) { return At(p, id).text; }

  void SetText(Panel p, int id, const char* text) override {
    At(p, id).text = text;
    Notify(p, id);
  }
  int GetText(Panel p, int id, char* buf, int size) override {
    if (size <= 0) return 0;
    const std::string& t = At(p, id).text;
    int n = static_cast<int>(t.size()) < size - 1 ? static_cast<int>(t.size()) : size - 1;
    t.copy(buf, static_cast<size_t>(n));
    buf[n] = '\0';
    return n;
  }
  void AddComboEntry(Panel p, int id, const char* text) override {
    At(p, id).entries.emplace_back(text);
  }
  void SelectComboEntry(Panel p, int id, int index) override {
    Control& c = At(p, id);
    c.selection = (index >= 0 && index < static_cast<int>(c.entries.size())) ? index : -1;
  }
  int ComboSelection(Panel p, int id) override { return At(p, id).selection; }
  void SetChecked(Panel p, int id, bool checked) override { At(p, id).checked = checked; }
  bool IsChecked(Panel p, int id) override { return At(p, id).checked; }
  void ShowControl(Panel p, int id, bool show) override { At(p, id).visible = show; }
  bool IsControlVisible(Panel p, int id) override { return At(p, id).visible; }
  void ShowPanel(Panel p, bool show) override { panelVisible[p] = show; }

  // What the user does. Each notifies the control's command as the platform would.
  void UserTypes(Panel p, int id, const std::string& text) {
    At(p, id).text = text;
    Notify(p, id);
  }
  void UserSelects(Panel p, int id, int index) {
    At(p, id).selection = index;
    Notify(p, id);
  }
  void UserClicks(Panel p, int id) { Notify(p, id); }
  void UserToggles(Panel p, int id) {
    At(p, id).checked = !At(p, id).checked;
    Notify(p, id);
  }
  void UserFocuses(Panel p, int id) { Notify(p, id); }

 private:
  void Notify(Panel p, int id) {
    notifications.emplace_back(p, id);
    if (notify) notify(p, id);
  }
};

class FakeMenu : public MenuMarks {
 public:
  std::map<int, bool> checked;
  bool IsChecked(int id) override { return checked[id]; }
  void SetChecked(int id, bool on) override { checked[id] = on; }
};

class FakeClipboard : public Clipboard {
 public:
  ClipboardResult result = ClipboardResult::Ok;
  bool hasText = false;
  std::string text;
  ClipboardResult PutText(const char* t) override {
    if (result != ClipboardResult::Ok) return result;
    hasText = true;
    text = t;
    return result;
  }
};

class FakeFiles : public FileDialog {
 public:
  std::string currentDir = "C:\\dozero";
  bool choose = false;  // whether the user picks a file
  std::string choicePath;
  std::string choiceName;
  std::vector<std::string> dialogStartDirs;
  std::vector<std::string> dirChanges;

  bool ChooseBitmap(const char* initialDir, char* path, char* name) override {
    dialogStartDirs.emplace_back(initialDir);
    if (!choose) return false;
    choicePath.copy(path, 259);
    path[choicePath.size() < 259 ? choicePath.size() : 259] = '\0';
    choiceName.copy(name, 259);
    name[choiceName.size() < 259 ? choiceName.size() : 259] = '\0';
    return true;
  }
  void GetCurrentDir(char* buf, int size) override {
    if (size <= 0) return;
    size_t n = currentDir.size() < static_cast<size_t>(size - 1) ? currentDir.size()
                                                                 : static_cast<size_t>(size - 1);
    currentDir.copy(buf, n);
    buf[n] = '\0';
  }
  void SetCurrentDir(const char* dir) override {
    currentDir = dir;
    dirChanges.emplace_back(dir);
  }
};

class FakeMessages : public MessageBoxes {
 public:
  std::vector<std::string> errors;
  std::vector<std::pair<std::string, std::string>> questions;
  bool answer = false;
  void ShowError(const char* text) override { errors.emplace_back(text); }
  bool AskYesNo(const char* text, const char* caption) override {
    questions.emplace_back(text, caption);
    return answer;
  }
};

class FakeCursor : public Cursor {
 public:
  Point position{0, 0};
  Point Position() override { return position; }
};

class FakeRepaint : public Repaint {
 public:
  struct Request {
    std::int32_t left, top, right, bottom;
    bool erase;
    bool wholeWindow;
  };
  std::vector<Request> requests;
  void Invalidate(std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b,
                  bool erase) override {
    requests.push_back({l, t, r, b, erase, false});
  }
  void InvalidateWindow() override { requests.push_back({0, 0, 0, 0, false, true}); }
};

struct FakePlatform {
  FakePictures pictures;
  FakePanels panels;
  FakeMenu menu;
  FakeClipboard clipboard;
  FakeFiles files;
  FakeMessages messages;
  FakeCursor cursor;
  FakeRepaint repaint;

  void Install() {
    ports = Ports{&pictures, &messages, &repaint};
    uiPorts = UiPorts{&panels, &menu, &clipboard, &files, &cursor};
  }
};

// Each test starts from the board of a freshly started process, with fresh fakes.
class BoardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetBoardState();
    fake.Install();
  }
  void TearDown() override {
    ResetPorts();
    ResetUiPorts();
    ResetBoardState();
  }
  FakePlatform fake;
};

}  // namespace dz::testing
