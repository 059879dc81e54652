// The ports of the user interface: the panels' controls, the check marks of the menu, the
// clipboard, the file dialog and the pointer. Only the layers that run the interface (panels,
// app) and the front-ends know them; the board, the code and the drawing never do. Each
// front-end installs its implementations at start-up; the tests install fakes. Every port
// starts out as a harmless implementation that does nothing.
#pragma once

#include <cstdint>

#include "base/geometry.h"

namespace dz {

// The three side panels and their controls.
enum class Panel : std::uint8_t { Board, Marker, Area };

class PanelControls {
 public:
  virtual ~PanelControls() = default;
  // Replaces the text of an edit control. As on the platform, the change notifies the
  // control's panel synchronously: its command runs before this returns.
  virtual void SetText(Panel panel, int control, const char* text) = 0;
  // Copies at most size − 1 bytes of the control's text and a terminator into buf;
  // returns the number of bytes copied.
  virtual int GetText(Panel panel, int control, char* buf, int size) = 0;
  // Combo boxes. Selecting from code notifies nothing.
  virtual void AddComboEntry(Panel panel, int control, const char* text) = 0;
  virtual void SelectComboEntry(Panel panel, int control, int index) = 0;
  // The selected entry, or −1 when none is selected.
  virtual int ComboSelection(Panel panel, int control) = 0;
  // Check boxes. Setting the mark from code notifies nothing.
  virtual void SetChecked(Panel panel, int control, bool checked) = 0;
  virtual bool IsChecked(Panel panel, int control) = 0;
  virtual void ShowControl(Panel panel, int control, bool show) = 0;
  virtual bool IsControlVisible(Panel panel, int control) = 0;
  virtual void ShowPanel(Panel panel, bool show) = 0;
};

// The check marks of the main window's menu, the only store of the settings.
class MenuMarks {
 public:
  virtual ~MenuMarks() = default;
  virtual bool IsChecked(int id) = 0;
  virtual void SetChecked(int id, bool checked) = 0;
};

// How putting a text on the clipboard went.
enum class ClipboardResult : std::uint8_t { Ok, NoMemory, CannotOpen };

class Clipboard {
 public:
  virtual ~Clipboard() = default;
  // Puts the code page 932 text (with its terminator) on the clipboard, replacing what
  // was there. On failure the clipboard is unchanged.
  virtual ClipboardResult PutText(const char* text) = 0;
};

class FileDialog {
 public:
  virtual ~FileDialog() = default;
  // Runs the open-file dialog for a bitmap, starting in initialDir. `path` (260 bytes)
  // shows the previous choice and receives the chosen full path; `name` (260 bytes)
  // receives the file name without its folder. Returns false when nothing was chosen.
  virtual bool ChooseBitmap(const char* initialDir, char* path, char* name) = 0;
  virtual void GetCurrentDir(char* buf, int size) = 0;
  virtual void SetCurrentDir(const char* dir) = 0;
};

class Cursor {
 public:
  virtual ~Cursor() = default;
  // The pointer's position now, in client pixels of the main window.
  virtual Point Position() = 0;
};

struct UiPorts {
  PanelControls* panels;
  MenuMarks* menu;
  Clipboard* clipboard;
  FileDialog* files;
  Cursor* cursor;
};

// The installed ports of the interface. Never null: unset ports do nothing.
extern UiPorts uiPorts;

// Puts back the do-nothing implementations.
void ResetUiPorts();

}  // namespace dz
