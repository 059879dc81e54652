// A page without a browser for the tests of the browser edition's C++ side: it keeps the
// controls' texts and marks, records every drawing call and hands out pictures by name.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace dz::web::testing {

struct FakePage {
  std::map<std::pair<int, int>, std::string> texts;  // (panel, control) → UTF-8 text
  std::map<std::pair<int, int>, std::vector<std::string>> combos;
  std::map<std::pair<int, int>, int> selections;
  std::map<std::pair<int, int>, bool> checks;
  std::set<std::pair<int, int>> hidden;
  std::map<int, bool> menu;
  std::vector<std::string> calls;  // drawing calls, one line each
  std::vector<std::string> errors;
  std::vector<std::string> clipboard;
  std::map<std::string, std::pair<int, int>> ownPictures;  // name → size
  bool chosenPictureWaits = false;
  std::pair<int, int> chosenSize{0, 0};
  std::vector<std::string> pictureRequests;
  std::set<int> liveSurfaces;
  int nextSurface = 1;
  int paintRequests = 0;
  std::vector<std::string> socket;  // "open URL", "send N", "close"
  struct CryptoCall {
    std::uint32_t ticket;
    bool seal;
    std::vector<std::uint8_t> data;
  };
  std::vector<CryptoCall> crypto;
  std::vector<std::string> roomStatus;
};

extern FakePage fakePage;

}  // namespace dz::web::testing
