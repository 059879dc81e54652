// A scripted room member on Linux: the core's room on a POSIX socket and OpenSSL, making
// random but legal changes to its board (add, move, rename, colour, melee flag, radius,
// delete, grid size, a loaded code, clearing) at a random pace, for the soak.
//
//   dz_member --tcp HOST:PORT --dir DIR --seed S [--pace MS]
//
// It is steered through two files in DIR, each replaced whole (written aside, then renamed):
// the steerer writes "ctl" as "<number> <command>", the member answers in "reply" as
// "<number> <answer>" once the command is done. Commands:
//   create          makes a room of its board         -> "link <link>"
//   join LINK       joins a room                      -> "joined" once connected
//   pause           stops changing; when nothing came or went for 400 ms
//                   -> "code <hex of the code, code page 932> grid <pixels> members <n>
//                       dropped <messages the room dropped>"
//   resume          changes again                     -> "ok"
//   quit            leaves the room and ends          -> "ok"
// Every change is logged in DIR/member.log ("m <n> <what>").
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "board/board.h"
#include "code/coordinate_code.h"
#include "native/openssl_crypto.h"
#include "native/tcp_stream.h"
#include "room/link.h"
#include "room/room.h"

namespace {

using namespace dz;
using native::NowMs;

// splitmix64, as the soak's own generator.
struct Random {
  std::uint64_t state;
  std::uint64_t Next() {
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
  }
  int Below(int n) { return n <= 0 ? 0 : static_cast<int>(Next() % static_cast<std::uint64_t>(n)); }
  int Between(int lo, int hi) { return lo + Below(hi - lo + 1); }
};

// Names a player types, each at most 3 bytes of code page 932 (this file is compiled to it).
const char* const kNames[] = {"A",  "Bob", "zz", "x1", "あ", "猫A", "龍", "ｱｲｳ",
                              "#!", "ー1", "Ω",  "ｶﾞ", "",   "K9",  "表", "ソb"};

class Member : public native::TcpStream::Sink, public RoomListener {
 public:
  Member(const std::string& tcp, const std::string& dir, std::uint64_t seed, int pace)
      : tcp_(tcp),
        dir_(dir),
        pace_(pace),
        stream_(loop_, *this),
        room_(stream_, crypto_, Transport::Tcp, *this) {
    rnd_.state = seed;
    log_ = std::fopen((dir + "/member.log").c_str(), "w");
  }

  int Run() {
    std::uint64_t nextPoll = 0, nextTick = 0;
    for (;;) {
      const std::uint64_t now = NowMs();
      if (now >= nextTick) {
        room_.Tick(now);
        nextTick = now + 100;
      }
      if (stream_.bytesIn() != bytesIn_ || stream_.bytesOut() != bytesOut_) {
        bytesIn_ = stream_.bytesIn();
        bytesOut_ = stream_.bytesOut();
        lastTraffic_ = now;
      }
      if (now >= nextPoll) {
        nextPoll = now + 20;
        if (!Steer(now)) return 0;
      }
      if (running_ && room_.status() == RoomStatus::Connected && now >= nextChange_) {
        Change();
        room_.Sync();
        lastTraffic_ = NowMs();
        nextChange_ =
            lastTraffic_ + static_cast<std::uint64_t>(rnd_.Between(pace_ / 2, pace_ * 3 / 2));
      }
      loop_.RunOnce(10);
    }
  }

  void OnOpen() override { room_.OnStreamOpen(); }
  void OnBytes(const std::uint8_t* data, std::size_t n) override { room_.OnStreamBytes(data, n); }
  void OnClosed() override { room_.OnStreamClosed(); }
  void OnStatusChanged() override {
    const int status = static_cast<int>(room_.status()),
              problem = static_cast<int>(room_.problem());
    if (status == status_ && problem == problem_) return;
    status_ = status;
    problem_ = problem;
    Log("t status " + std::to_string(status) + " problem " + std::to_string(problem));
  }

 private:
  // Reads the steering file; answers what can be answered. False: quit.
  bool Steer(std::uint64_t now) {
    if (pending_.empty()) {
      std::ifstream in(dir_ + "/ctl");
      std::string line;
      if (!std::getline(in, line)) return true;
      const long number = std::atol(line.c_str());
      const std::size_t space = line.find(' ');
      if (number <= handled_ || space == std::string::npos) return true;
      handled_ = number;
      pending_ = line.substr(space + 1);
      since_ = now;
      Log("s " + pending_);
      if (pending_ == "create") {
        char link[kMaxLinkSize];
        const int n = room_.Create("http://127.0.0.1:8000/", "", tcp_.c_str(), link, sizeof link);
        return Answer(n > 0 ? std::string("link ") + link : "error bad address");
      }
      if (pending_.compare(0, 5, "join ") == 0) {
        if (room_.Join(pending_.c_str() + 5) != JoinResult::Joined) return Answer("error bad link");
        pending_ = "join";
      }
      if (pending_ == "pause") running_ = false;
      if (pending_ == "resume") {
        running_ = true;
        return Answer("ok");
      }
      if (pending_ == "quit") {
        room_.Leave();
        Answer("ok");
        return false;
      }
    }
    const bool connected = room_.status() == RoomStatus::Connected;
    if (pending_ == "join") {
      if (connected) return Answer("joined");
      if (now - since_ > 15000) return Answer("error not connected");
    } else if (pending_ == "pause") {
      if (connected && now - lastTraffic_ >= 400) {
        char code[kCodeSize];
        BuildCoordinateCode(code);
        std::string hex;
        for (const char* p = code; *p != '\0'; ++p) {
          char b[3];
          std::snprintf(b, sizeof b, "%02x", static_cast<unsigned char>(*p));
          hex += b;
        }
        return Answer("code " + (hex.empty() ? std::string("-") : hex) + " grid " +
                      std::to_string(gridSize) + " members " + std::to_string(room_.members()) +
                      " dropped " + std::to_string(room_.dropped()));
      }
    } else if (!pending_.empty()) {
      return Answer("error unknown command");
    }
    return true;
  }

  bool Answer(const std::string& text) {
    const std::string tmp = dir_ + "/reply.tmp";
    if (std::FILE* f = std::fopen(tmp.c_str(), "w")) {
      std::fprintf(f, "%ld %s\n", handled_, text.c_str());
      std::fclose(f);
      std::rename(tmp.c_str(), (dir_ + "/reply").c_str());
    }
    Log("r " + text);
    pending_.clear();
    return true;
  }

  void Log(const std::string& line) {
    if (!log_) return;
    std::fprintf(log_, "%s @%llu\n", line.c_str(),
                 static_cast<unsigned long long>(NowMs() % 100000));
    std::fflush(log_);
  }

  // A random active piece: kind and slot; false when the board is empty.
  bool PickPiece(PieceKind* kind, int* slot) {
    int slots[kCharacterCount + kAreaCount];
    int n = 0;
    for (int i = 0; i < kCharacterCount; ++i) {
      if (characters[i].IsActive()) slots[n++] = i;
    }
    for (int i = 0; i < kAreaCount; ++i) {
      if (areas[i].IsActive()) slots[n++] = kCharacterCount + i;
    }
    if (n == 0) return false;
    const int s = slots[rnd_.Below(n)];
    *kind = s < kCharacterCount ? PieceKind::Character : PieceKind::Area;
    *slot = s < kCharacterCount ? s : s - kCharacterCount;
    return true;
  }

  int Pos() { return rnd_.Between(-20, 590); }

  // A character's centre inside an area's circle: the board offers the melee flag there.
  static bool InArea(const Character& c) {
    const Point p = c.GetCenter();
    for (const Area& a : areas) {
      if (!a.IsActive()) continue;
      const Point q = a.GetCenter();
      const double d = std::hypot(static_cast<double>(p.x) - q.x, static_cast<double>(p.y) - q.y);
      if (d <= static_cast<double>(a.GetRadius()) * gridSize) return true;
    }
    return false;
  }

  void Change() {
    ++changes_;
    const int kind = rnd_.Below(100);
    PieceKind pk = PieceKind::Character;
    int slot = -1;
    const bool any = PickPiece(&pk, &slot);
    char what[160];
    if (kind < 14) {
      const int s = FindFreeCharacter();
      if (s < 0) return Log("m " + std::to_string(changes_) + " add character: full");
      PieceState p;
      p.active = true;
      p.x = Pos();
      p.y = Pos();
      std::snprintf(p.name, sizeof p.name, "%s", kNames[rnd_.Below(16)]);
      p.color = static_cast<std::uint8_t>(rnd_.Below(kColorCount));
      WriteSlot(PieceKind::Character, s, p);
      std::snprintf(what, sizeof what, "add character %d at %d,%d", s, p.x, p.y);
    } else if (kind < 20) {
      const int s = FindFreeArea();
      if (s < 0) return Log("m " + std::to_string(changes_) + " add area: full");
      PieceState p;
      p.active = true;
      p.x = Pos();
      p.y = Pos();
      p.radius = rnd_.Between(2, 6);
      WriteSlot(PieceKind::Area, s, p);
      std::snprintf(what, sizeof what, "add area %d radius %d", s, p.radius);
    } else if (!any) {
      std::snprintf(what, sizeof what, "nothing to change");
    } else if (kind < 50) {
      const int x = Pos(), y = Pos();
      if (pk == PieceKind::Character) {
        characters[slot].SetPosition(x, y);
      } else {
        areas[slot].SetPosition(x, y);
      }
      std::snprintf(what, sizeof what, "move %s %d to %d,%d",
                    pk == PieceKind::Area ? "area" : "character", slot, x, y);
    } else if (pk == PieceKind::Area && kind < 62) {
      const int r = rnd_.Between(2, 6);
      areas[slot].SetRadius(r);
      std::snprintf(what, sizeof what, "radius of area %d to %d", slot, r);
    } else if (kind < 62) {
      characters[slot].SetName(kNames[rnd_.Below(16)]);
      std::snprintf(what, sizeof what, "rename character %d", slot);
    } else if (pk == PieceKind::Character && kind < 72) {
      const int c = rnd_.Below(kColorCount);
      characters[slot].SetColor(MarkerColor(c));
      std::snprintf(what, sizeof what, "colour of character %d to %d", slot, c);
    } else if (pk == PieceKind::Character && kind < 78) {
      const int m = characters[slot].IsMelee() ? 0 : InArea(characters[slot]) ? 1 : 0;
      characters[slot].SetMelee(m);
      std::snprintf(what, sizeof what, "melee of character %d to %d", slot, m);
    } else if (kind < 88) {
      (pk == PieceKind::Character ? static_cast<Marker&>(characters[slot])
                                  : static_cast<Marker&>(areas[slot]))
          .Clear();
      std::snprintf(what, sizeof what, "delete %s %d", pk == PieceKind::Area ? "area" : "character",
                    slot);
    } else if (kind < 94) {
      const int g = rnd_.Below(kGridChoiceCount);
      SetGridSize(gridChoices[g].size);
      std::snprintf(what, sizeof what, "grid size %d", gridChoices[g].size);
    } else if (kind < 99) {
      char code[kCodeSize] = {};
      int at = 0;
      const int n = rnd_.Between(1, 8);
      for (int i = 0; i < n; ++i) {
        if (rnd_.Below(4) == 0) {
          at += std::snprintf(code + at, sizeof code - static_cast<std::size_t>(at),
                              "%srb:%d,%d:%d", i ? " " : "", Pos(), Pos(), rnd_.Between(2, 6));
        } else {
          at += std::snprintf(code + at, sizeof code - static_cast<std::size_t>(at),
                              "%s%c:%d,%d:%s", i ? " " : "", 'A' + rnd_.Below(26), Pos(), Pos(),
                              colorLetters[rnd_.Below(kColorCount)]);
        }
      }
      ReadCoordinateCode(code);
      std::snprintf(what, sizeof what, "load a code of %d pieces", n);
    } else {
      ClearBoard();
      std::snprintf(what, sizeof what, "clear the board");
    }
    Log("m " + std::to_string(changes_) + " " + what);
  }

  std::string tcp_, dir_;
  int pace_;
  Random rnd_{0};
  native::Loop loop_;
  native::OpensslCrypto crypto_;
  native::TcpStream stream_;
  Room room_;
  std::FILE* log_ = nullptr;
  long handled_ = 0;
  std::string pending_;
  std::uint64_t since_ = 0;
  bool running_ = false;
  std::uint64_t nextChange_ = 0;
  std::uint64_t lastTraffic_ = 0;
  std::uint64_t bytesIn_ = 0, bytesOut_ = 0;
  long changes_ = 0;
  int status_ = -1, problem_ = -1;
};

}  // namespace

int main(int argc, char** argv) {
  std::string tcp, dir;
  std::uint64_t seed = 1;
  int pace = 150;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string a = argv[i];
    if (a == "--tcp") {
      tcp = argv[i + 1];
    } else if (a == "--dir") {
      dir = argv[i + 1];
    } else if (a == "--seed") {
      seed = std::strtoull(argv[i + 1], nullptr, 0);
    } else if (a == "--pace") {
      pace = std::max(2, std::atoi(argv[i + 1]));
    } else {
      tcp.clear();
      break;
    }
  }
  if (tcp.empty() || dir.empty()) {
    std::fprintf(stderr, "usage: dz_member --tcp HOST:PORT --dir DIR --seed S [--pace MS]\n");
    return 2;
  }
  signal(SIGPIPE, SIG_IGN);
  ResetBoardState();
  Member m(tcp, dir, seed, pace);
  return m.Run();
}
