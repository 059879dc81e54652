#include "app/room_session.h"

#include <cstdio>
#include <memory>

#include "board/board.h"
#include "board/ports.h"
#include "panels/panels.h"
#include "render/surfaces.h"

namespace dz {
namespace {

// What the room's changes of the board mean for the window: the panels of the selected
// pieces, the grid's list and layer, the code field and a repaint.
class Session : public RoomListener {
 public:
  Session(mqtt::ByteStream& stream, Crypto& crypto, Transport transport, RoomStatusView* view)
      : room(stream, crypto, transport, *this), view_(view) {}

  void OnBoardChanged(bool gridChanged) override { ShowRoomChanges(gridChanged); }

  void OnStatusChanged() override {
    if (view_ == nullptr) return;
    char text[128];
    FormatRoomStatus(room.status(), room.problem(), room.refusalCode(), room.members(), text,
                     sizeof text);
    view_->ShowRoomStatus(text);
  }

  Room room;

 private:
  RoomStatusView* view_;
};

// Made once, on the heap: the room's buffers are large.
Session* session = nullptr;

}  // namespace

void ShowRoomChanges(bool gridChanged) {
  // A selected piece the room took off the board is no longer selected.
  if (selectedCharacter != -1) {
    if (const Character* c = SelectedCharacterPiece(); c != nullptr && c->IsActive()) {
      FillMarkerPanel(*c, NameBoxFill::Silent);
    } else {
      selectedCharacter = -1;
      dragging = 0;
      measuring = 0;
      shadow.SetPosition(kParked, kParked);
      ShowPiecePanel(Panel::Board);
    }
  }
  if (selectedArea != -1) {
    if (const Area* a = SelectedAreaPiece(); a != nullptr && a->IsActive()) {
      FillAreaPanel(*a);
    } else {
      selectedArea = -1;
      ShowPiecePanel(Panel::Board);
    }
  }
  if (gridChanged) {
    ShowGridSize();
    if (backgroundLayer) DrawBoardBackground(*backgroundLayer);
  }
  WriteCoordinateCode();
  InvalidateBoard();
}

void StartRooms(mqtt::ByteStream& stream, Crypto& crypto, Transport transport,
                RoomStatusView* view) {
  if (session == nullptr) session = new Session(stream, crypto, transport, view);
}

Room* ProgramRoom() {
  return session != nullptr ? &session->room : nullptr;
}

void AfterInput() {
  if (session != nullptr && !dragging) session->room.Sync();
}

void RoomTick(std::uint64_t nowMs) {
  if (session == nullptr) return;
  session->room.Tick(nowMs);
  session->room.Sync();
}

int FormatRoomStatus(RoomStatus status, RoomProblem problem, int refusal, int members, char* out,
                     int size) {
  if (out == nullptr || size <= 0) return 0;
    // The texts in code page 932: "ルーム: " and what follows; "再接続中…" while retrying.
#define DZ_ROOM "\x83\x8b\x81[\x83\x80: "
#define DZ_RETRY                          \
  "\x81"                                  \
  "B\x8d\xc4\x90\xda\x91\xb1\x92\x86\x81" \
  "c"
  const char* text = "";
  int number = 0;
  switch (status) {
    case RoomStatus::Outside:
      break;
    case RoomStatus::Connecting:
      text = DZ_ROOM
          "\x90\xda\x91\xb1\x92\x86\x81"
          "c";  // 接続中…
      break;
    case RoomStatus::Connected:
      text = DZ_ROOM "\x90\xda\x91\xb1 %d\x90l";  // 接続 %d人
      number = members;
      break;
    case RoomStatus::Waiting:
      switch (problem) {
        case RoomProblem::Refused:  // ブローカーに拒否されました (%d)
          text = DZ_ROOM
              "\x83u\x83\x8d\x81[\x83J\x81[\x82\xc9\x8b\x91\x94\xdb\x82\xb3\x82\xea\x82"
              "\xdc\x82\xb5\x82\xbd (%d)" DZ_RETRY;
          number = refusal;
          break;
        case RoomProblem::Protocol:  // ブローカーの応答が不正です
          text = DZ_ROOM
              "\x83u\x83\x8d\x81[\x83J\x81[\x82\xcc\x89\x9e\x93\x9a\x82\xaa\x95s\x90\xb3"
              "\x82\xc5\x82\xb7" DZ_RETRY;
          break;
        case RoomProblem::Timeout:  // ブローカーが応答しません
          text = DZ_ROOM
              "\x83u\x83\x8d\x81[\x83J\x81[\x82\xaa\x89\x9e\x93\x9a\x82\xb5\x82\xdc\x82"
              "\xb9\x82\xf1" DZ_RETRY;
          break;
        case RoomProblem::Lost:  // 接続が切れました
          text =
              DZ_ROOM "\x90\xda\x91\xb1\x82\xaa\x90\xd8\x82\xea\x82\xdc\x82\xb5\x82\xbd" DZ_RETRY;
          break;
        case RoomProblem::Unreachable:
        case RoomProblem::None:  // ブローカーに接続できません
          text = DZ_ROOM
              "\x83u\x83\x8d\x81[\x83J\x81[\x82\xc9\x90\xda\x91\xb1\x82\xc5\x82\xab\x82"
              "\xdc\x82\xb9\x82\xf1" DZ_RETRY;
          break;
      }
      break;
  }
#undef DZ_ROOM
#undef DZ_RETRY
  const int n = std::snprintf(out, static_cast<std::size_t>(size), text, number);
  return n < 0 ? 0 : (n < size ? n : size - 1);
}

}  // namespace dz
