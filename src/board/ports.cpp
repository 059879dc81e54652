#include "board/ports.h"

#include "base/geometry.h"

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

class NoMessages : public MessageBoxes {
 public:
  void ShowError(const char*) override {}
  bool AskYesNo(const char*, const char*) override { return false; }
};

class NoRepaint : public Repaint {
 public:
  void Invalidate(std::int32_t, std::int32_t, std::int32_t, std::int32_t, bool) override {}
  void InvalidateWindow() override {}
};

NoPictures noPictures;
NoMessages noMessages;
NoRepaint noRepaint;

Ports NullPorts() {
  return Ports{&noPictures, &noMessages, &noRepaint};
}

}  // namespace

Ports ports = NullPorts();

void ResetPorts() {
  ports = NullPorts();
}

void InvalidateBoard() {
  ports.repaint->Invalidate(0, 0, kSurfaceWidth, kSurfaceHeight, false);
}

}  // namespace dz
