// The small ports through which the portable core reaches the platform. The Windows
// front-end installs its implementations at start-up; the tests install fakes. Every port
// starts out as a harmless implementation that does nothing, so the core never follows a
// null pointer.
#pragma once

#include <cstdint>
#include <memory>

#include "base/canvas.h"
#include "base/geometry.h"

namespace dz {

// Pictures and surfaces.
class Pictures {
 public:
  virtual ~Pictures() = default;
  // Loads a bitmap, first as a bitmap resource of the program under `name`, then as a
  // file (a relative name resolves against the current directory). On success returns a
  // surface that holds the picture and stores its size; on failure returns null.
  virtual std::unique_ptr<Canvas> LoadPicture(const char* name, std::int32_t* width,
                                              std::int32_t* height) = 0;
  // A memory surface that holds no picture (what a piece keeps after a failed load).
  virtual std::unique_ptr<Canvas> CreateEmptySurface() = 0;
  // A memory surface holding a fresh bitmap of width × height pixels.
  virtual std::unique_ptr<Canvas> CreateSurface(std::int32_t width, std::int32_t height) = 0;
};

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

class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  // An error message: empty caption, error icon, OK button, no owner.
  virtual void ShowError(const char* text) = 0;
  // A question owned by the main window: Yes and No, Yes the default. True for Yes.
  virtual bool AskYesNo(const char* text, const char* caption) = 0;
};

class Cursor {
 public:
  virtual ~Cursor() = default;
  // The pointer's position now, in client pixels of the main window.
  virtual Point Position() = 0;
};

class Repaint {
 public:
  virtual ~Repaint() = default;
  // Marks the rectangle (right and bottom excluded) of the main window as needing paint.
  virtual void Invalidate(std::int32_t left, std::int32_t top, std::int32_t right,
                          std::int32_t bottom, bool erase) = 0;
  // Marks the whole client area of the main window, without erasing.
  virtual void InvalidateWindow() = 0;
};

struct Ports {
  Pictures* pictures;
  PanelControls* panels;
  MenuMarks* menu;
  Clipboard* clipboard;
  FileDialog* files;
  MessageBoxes* messages;
  Cursor* cursor;
  Repaint* repaint;
};

// The installed ports. Never null: unset ports do nothing.
extern Ports ports;

// Puts back the do-nothing implementations.
void ResetPorts();

}  // namespace dz
