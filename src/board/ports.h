// The ports through which the board reaches the platform: pictures, the error message and
// the repaint request. The controls, the menu, the clipboard, the file dialog and the
// pointer belong to the user interface (panels/ui_ports.h). Each front-end installs its
// implementations at start-up; the tests install fakes. Every port starts out as a harmless
// implementation that does nothing, so the core never follows a null pointer.
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

class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  // An error message: empty caption, error icon, OK button, no owner.
  virtual void ShowError(const char* text) = 0;
  // A question owned by the main window: Yes and No, Yes the default. True for Yes.
  virtual bool AskYesNo(const char* text, const char* caption) = 0;
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
  MessageBoxes* messages;
  Repaint* repaint;
};

// The installed ports. Never null: unset ports do nothing.
extern Ports ports;

// Puts back the do-nothing implementations.
void ResetPorts();

// Asks for a repaint of the board rectangle (0, 0, 601, 600), without erasing.
void InvalidateBoard();

}  // namespace dz
