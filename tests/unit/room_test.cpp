// Rooms through the in-memory broker: a few members, each with its own board (swapped into
// the board's pools while it runs), reach one state however their messages cross.
#include "room/room.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "board/board.h"
#include "code/coordinate_code.h"
#include "native/board_store.h"
#include "room_fakes.h"

namespace dz::testing {
namespace {

class Listener : public RoomListener {
 public:
  void OnBoardChanged(bool grid) override {
    ++changes;
    grids += grid ? 1 : 0;
  }
  int changes = 0;
  int grids = 0;
};

struct Member {
  FakeBroker::Stream stream;
  OpensslCrypto crypto;
  Listener listener;
  std::unique_ptr<Room> room;
  native::BoardStore board;
};

class World {
 public:
  FakeBroker broker;
  std::vector<std::unique_ptr<Member>> members;
  native::Boards boards;
  std::uint64_t now = 0;

  explicit World(int n) {
    ResetBoardState();
    for (int i = 0; i < n; ++i) Add();
  }
  ~World() { ResetBoardState(); }

  Member& Add() {
    members.push_back(std::make_unique<Member>());
    const int i = static_cast<int>(members.size()) - 1;
    Member& m = *members.back();
    m.room = std::make_unique<Room>(m.stream, m.crypto, Transport::Tcp, m.listener);
    m.stream.broker = &broker;
    m.stream.as = [this, i](const std::function<void()>& f) { As(i, f); };
    m.stream.open = [&m] { m.room->OnStreamOpen(); };
    m.stream.bytes = [&m](const std::uint8_t* p, std::size_t n) {
      return m.room->OnStreamBytes(p, n);
    };
    m.stream.closed = [&m] { m.room->OnStreamClosed(); };
    return m;
  }

  // Runs f with member i's board in the pools.
  void As(int i, const std::function<void()>& f) {
    boards.Use(members[i]->board);
    f();
  }
  Room& room(int i) { return *members[i]->room; }

  // A change of member i's board, then its Sync.
  void Change(int i, const std::function<void()>& f) {
    As(i, [&] {
      f();
      room(i).Sync();
    });
  }
  void Settle() {
    for (int round = 0; round < 4; ++round) {
      broker.Pump();
      for (std::size_t i = 0; i < members.size(); ++i)
        As(static_cast<int>(i), [&] {
          room(static_cast<int>(i)).Tick(now);
          room(static_cast<int>(i)).Sync();
        });
    }
    broker.Pump();
  }
  std::string Code(int i) {
    std::string code;
    As(i, [&] {
      char buf[kCodeSize];
      BuildCoordinateCode(buf);
      code = buf;
    });
    return code;
  }
  // Creates a room on member 0 and joins every other member to it.
  std::string Open() {
    char link[kMaxLinkSize];
    int n = 0;
    As(0, [&] {
      n = room(0).Create("https://example.org/dz/", "", "127.0.0.1:1883", link, sizeof link);
    });
    EXPECT_GT(n, 0);
    for (std::size_t i = 1; i < members.size(); ++i) {
      As(static_cast<int>(i), [&] { room(static_cast<int>(i)).Join(link); });
    }
    Settle();
    return link;
  }
};

void AddCharacter(int slot, const char* name, std::int32_t x, std::int32_t y) {
  PieceState s;
  s.active = true;
  s.x = x;
  s.y = y;
  std::snprintf(s.name, sizeof s.name, "%.3s", name);
  WriteSlot(PieceKind::Character, slot, s);
}

void Move(int slot, std::int32_t x, std::int32_t y) {
  characters[slot].SetPosition(x, y);
}

TEST(Room, MembersConvergeOnChangesGridAndDeletions) {
  World w(3);
  w.As(0, [] { AddCharacter(0, "A", 1, 1); });
  w.Open();
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(w.room(i).status(), RoomStatus::Connected);
    EXPECT_EQ(w.room(i).members(), 3) << i;
    EXPECT_EQ(w.Code(i), "A:1,1:r") << i;
  }
  w.Change(1, [] {
    Move(0, 91, 61);
    characters[0].SetColor(MarkerColor(2));
    characters[0].SetMelee(1);
    areas[0].LoadBitmapFile("area.bmp");
    areas[0].SetRadius(3);
    areas[0].SetPosition(-14, -14);
    gridSize = 40;
  });
  w.Settle();
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(w.Code(i), "A:91,61:b; rb:-14,-14:3") << i;
    w.As(i, [] { EXPECT_EQ(gridSize, 40); });
  }
  EXPECT_EQ(w.members[0]->listener.grids, 1);
  // A deletion reaches everyone; so does a loaded code (many changes at once).
  w.Change(2, [] { areas[0].Clear(); });
  w.Settle();
  for (int i = 0; i < 3; ++i) EXPECT_EQ(w.Code(i), "A:91,61:b;") << i;
  w.Change(0, [] {
    char code[] = "B:5,5:g C:6,6:y rb:1,1:2";
    ReadCoordinateCode(code);
  });
  w.Settle();
  for (int i = 0; i < 3; ++i) EXPECT_EQ(w.Code(i), "B:5,5:g C:6,6:y rb:1,1:2") << i;
  // Leaving keeps the board; the others count one member less.
  w.As(2, [&] { w.room(2).Leave(); });
  w.Settle();
  EXPECT_EQ(w.Code(2), "B:5,5:g C:6,6:y rb:1,1:2");
  EXPECT_EQ(w.room(0).members(), 2);
  EXPECT_EQ(w.room(2).status(), RoomStatus::Outside);
}

TEST(Room, LateJoinerGetsTheBoardFromRetainedMessagesAlone) {
  World w(1);
  w.As(0, [] {
    AddCharacter(3, "D", 31, 31);
    gridSize = 20;
  });
  const std::string link = w.Open();
  w.As(0, [&] { w.room(0).Leave(); });
  w.Add();
  w.As(1, [] { AddCharacter(0, "X", 7, 7); });  // its own board gives way to the room's
  w.As(1, [&] { EXPECT_EQ(w.room(1).Join(link.c_str()), JoinResult::Joined); });
  w.Settle();
  EXPECT_EQ(w.Code(1), "D:31,31:r");
  w.As(1, [] { EXPECT_EQ(gridSize, 20); });
  EXPECT_EQ(w.room(1).members(), 1);
  // The will of the member that left was taken off the broker by the joiner.
  int presences = 0;
  for (const auto& [topic, payload] : w.broker.retained) {
    presences += topic.find("/m/") != std::string::npos ? 1 : 0;
  }
  EXPECT_EQ(presences, 1);
}

TEST(Room, ConcurrentChangesKeepDifferentPiecesAndLastDeliveredWinsOnOne) {
  for (bool reverse : {false, true}) {
    World w(2);
    w.As(0, [] {
      AddCharacter(0, "A", 1, 1);
      AddCharacter(1, "B", 2, 2);
    });
    w.Open();
    w.broker.reverseOrder = reverse;
    // Both move A and each moves its own other piece, before the broker sees either.
    w.Change(0, [] {
      Move(0, 100, 100);
      Move(1, 200, 200);
    });
    w.Change(1, [] { Move(0, 300, 300); });
    w.Change(1, [] { AddCharacter(2, "C", 9, 9); });
    w.broker.Pump();
    // Member 1's is delivered last unless the broker takes member 1's packets first.
    const std::string want =
        reverse ? "A:100,100:r B:200,200:r C:9,9:r" : "A:300,300:r B:200,200:r C:9,9:r";
    w.Settle();
    EXPECT_EQ(w.Code(0), want) << reverse;
    EXPECT_EQ(w.Code(1), want) << reverse;
  }
}

TEST(Room, SimultaneousAddsAreBothKeptInTheSameSlots) {
  World w(2);
  w.Open();
  w.Change(0, [] { AddCharacter(0, "A", 1, 1); });
  w.Change(1, [] { AddCharacter(0, "A", 5, 5); });
  w.Settle();
  const std::string code = w.Code(0);
  EXPECT_EQ(code, w.Code(1));
  EXPECT_EQ(std::count(code.begin(), code.end(), ':'), 4) << code;  // two pieces
}

TEST(Room, PoolLimitsResolveTheSameWayEverywhere) {
  World w(2);
  w.Open();
  w.Change(0, [] {
    for (int s = 0; s < kCharacterCount; ++s) AddCharacter(s, defaultNames[s], s, 0);
  });
  w.Change(1, [] { AddCharacter(0, "x", 0, 1); });
  w.Settle();
  EXPECT_EQ(w.Code(0), w.Code(1));
  // Deleting one lets the piece that waited in.
  w.Change(0, [] { characters[5].Clear(); });
  w.Settle();
  EXPECT_EQ(w.Code(0), w.Code(1));
  int active = 0;
  w.As(1, [&] {
    for (const Character& c : characters) active += c.IsActive() ? 1 : 0;
  });
  EXPECT_EQ(active, kCharacterCount);
}

TEST(Room, OwnDragDoesNotJumpBackOnEchoesAndSupersedesWhatCameBefore) {
  World w(2);
  w.As(0, [] { AddCharacter(0, "A", 0, 0); });
  w.Open();
  // Drag steps go out while the earlier ones are still on their way back: the echoes
  // never write the board.
  const int changes = w.members[0]->listener.changes;
  for (int step = 1; step <= 5; ++step) {
    w.Change(0, [&] { Move(0, step * 10, 0); });
    if (step % 2 == 1) w.broker.Pump();
  }
  w.broker.Pump();
  EXPECT_EQ(w.members[0]->listener.changes, changes);
  w.As(0, [] { EXPECT_EQ(characters[0].GetPosition().x, 50); });
  // A foreign move that the broker delivers before this member's next step is superseded
  // on this member, and on the other because ours comes after it.
  w.broker.reverseOrder = true;
  w.Change(1, [] { Move(0, 999, 999); });
  w.Change(0, [] { Move(0, 60, 0); });
  w.Settle();
  EXPECT_EQ(w.Code(0), "A:60,0:r");
  EXPECT_EQ(w.Code(1), "A:60,0:r");
}

TEST(Room, OutOfOrderOpensApplyInDeliveryOrder) {
  World w(2);
  w.As(0, [] { AddCharacter(0, "A", 0, 0); });
  w.Open();
  w.members[1]->crypto.deferred = true;
  for (int step = 1; step <= 4; ++step) w.Change(0, [&] { Move(0, step, step); });
  w.broker.Pump();
  w.As(1, [&] {
    EXPECT_GT(w.members[1]->crypto.Finish(), 0);  // the latest answer first
    EXPECT_EQ(characters[0].GetPosition().x, 4);
  });
  w.members[1]->crypto.deferred = false;
  w.Settle();
  EXPECT_EQ(w.Code(1), "A:4,4:r");
}

// A valid piece message of another room.
Bytes ForeignMessage() {
  World other(1);
  other.As(0, [] { AddCharacter(0, "Z", 9, 9); });
  other.Open();
  for (const auto& m : other.broker.log) {
    if (m.topic.find("/p/") != std::string::npos) return m.payload;
  }
  return {};
}

TEST(Room, ForeignAndBrokenMessagesChangeNothing) {
  const Bytes foreign = ForeignMessage();
  ASSERT_FALSE(foreign.empty());
  World w(2);
  w.As(0, [] { AddCharacter(0, "A", 1, 1); });
  const std::string link = w.Open();
  // An old message of member 0's, kept for a replay.
  std::string pieceTopic;
  for (const auto& m : w.broker.log) {
    if (m.topic.find("/p/") != std::string::npos) pieceTopic = m.topic;
  }
  ASSERT_FALSE(pieceTopic.empty());
  const Bytes old = w.broker.retained[pieceTopic];
  w.Change(0, [] { Move(0, 50, 50); });
  w.Settle();
  const std::string before = w.Code(1);

  Bytes flipped = old;
  flipped[20] ^= 1;
  const std::string root = pieceTopic.substr(0, pieceTopic.find("/p/") + 1);
  const std::vector<std::pair<std::string, Bytes>> attacks = {
      {pieceTopic, {}},                       // empty
      {pieceTopic, Bytes(40, 0x41)},          // garbage
      {pieceTopic, Bytes(600, 0x42)},         // oversize
      {pieceTopic, flipped},                  // altered
      {pieceTopic, foreign},                  // another room's
      {pieceTopic, old},                      // a replay
      {root + "p/c0000000000000000-1", old},  // moved to another topic
      {root + "grid", old},                   // and to the grid
  };
  for (const auto& [topic, payload] : attacks) {
    w.broker.Inject(topic, payload);
    w.Settle();
    EXPECT_EQ(w.Code(1), before) << topic << " " << payload.size();
    EXPECT_EQ(w.Code(0), before) << topic << " " << payload.size();
  }
  EXPECT_GE(w.room(1).dropped(), attacks.size() - 1);
  // A move made while a stranger's message is on its way is not undone by the member that
  // refuses it.
  w.broker.Inject(pieceTopic, {});
  w.Change(1, [] { Move(0, 60, 60); });
  w.now = 5000;
  w.Settle();
  EXPECT_EQ(w.Code(0), "A:60,60:r");
  // The members put back what the empty message and the replay took off the broker: a
  // joiner sees the board, not the attacks.
  for (const auto& [topic, payload] : attacks) w.broker.Inject(topic, payload);
  w.Settle();
  w.now = 10000;
  w.Settle();
  w.Add();
  w.As(2, [&] { w.room(2).Join(link.c_str()); });
  w.Settle();
  EXPECT_EQ(w.Code(2), "A:60,60:r");
  // Still in step after all that.
  w.Change(1, [] { Move(0, 7, 7); });
  w.Settle();
  EXPECT_EQ(w.Code(0), "A:7,7:r");
}

TEST(Room, AnAnsweringLaterCryptoTakesMoreRetainedMessagesThanItsQueueHolds) {
  World w(1);
  const std::string link = w.Open();
  // Three boards in turn, the first two deleted: their tombstones stay retained.
  for (int round = 0; round < 3; ++round) {
    w.Change(0, [&] {
      for (int s = 0; s < kCharacterCount; ++s) AddCharacter(s, defaultNames[s], s, round);
    });
    w.Settle();
    if (round < 2)
      w.Change(0, [] {
        for (Character& c : characters) c.Clear();
      });
    w.Settle();
  }
  ASSERT_GT(w.broker.retained.size(), std::size_t{Room::kQueueSize});
  Member& joiner = w.Add();
  joiner.crypto.deferred = true;
  w.As(1, [&] { w.room(1).Join(link.c_str()); });
  for (int answers = 1; answers > 0;) {
    w.Settle();
    w.As(1, [&] { answers = joiner.crypto.Finish(); });
  }
  EXPECT_EQ(w.Code(1), w.Code(0));
  EXPECT_EQ(w.room(1).dropped(), 0u);
}

// The flood is garbage on A's topic, which would have A put back 2 s later; but a flooded
// member may have missed A's last move, and must not put back what it holds.
TEST(Room, AfterAFloodMembersConnectAgainForWhatTheBrokerDroppedOnTheWay) {
  World w(2);
  w.As(0, [] { AddCharacter(0, "A", 1, 1); });
  w.Open();
  std::string topicA;
  for (const auto& [topic, payload] : w.broker.retained) {
    if (topic.find("/p/") != std::string::npos) topicA = topic;
  }
  for (int i = 0; i <= Room::kFloodPerS; ++i) w.broker.Inject(topicA, Bytes(60, 0x41), false);
  w.Settle();
  w.now = 1500;
  auto& deaf = w.broker.conns[w.members[1]->stream.conn].deaf;
  deaf = true;
  w.Change(0, [] { Move(0, 90, 90); });
  w.Settle();
  deaf = false;
  w.Change(0, [] { AddCharacter(1, "B", 1, 1); });
  w.Settle();
  EXPECT_EQ(w.Code(1), "A:1,1:r B:1,1:r");
  w.now = 2500;  // A's put-back would be due
  w.Settle();
  w.now = 4000;  // quiet for two seconds: both connect again
  w.Settle();
  w.now = 6000;
  w.Settle();
  EXPECT_EQ(w.room(1).status(), RoomStatus::Connected);
  EXPECT_EQ(w.Code(0), "A:90,90:r B:1,1:r");
  EXPECT_EQ(w.Code(1), "A:90,90:r B:1,1:r");
}

// A broker that misbehaves at any point of the connection: the room says why, keeps its
// board, and is back in the room once the broker behaves.
TEST(Room, HostileBrokersLeaveTheBoardAndSayWhy) {
  enum Phase { kConnecting, kSubscribing, kConnected };
  struct Case {
    const char* what;
    Phase phase;
    const char* bytes;  // the broker's, in hex
    bool close;         // then the broker closes the connection
    RoomProblem want;
  };
  const Case cases[] = {
      {"a PUBLISH before CONNACK", kConnecting, "30 03 0001 74", false, RoomProblem::Protocol},
      {"CONNACK refused", kConnecting, "20 02 00 04", false, RoomProblem::Refused},
      {"closed before CONNACK", kConnecting, "", true, RoomProblem::Unreachable},
      {"SUBACK never comes", kSubscribing, "", false, RoomProblem::Timeout},
      {"malformed length", kConnected, "30 ff ff ff ff 01", false, RoomProblem::Protocol},
      {"announced over the limit", kConnected, "90 ff 7f", false, RoomProblem::Protocol},
      {"longer than announced", kConnected, "30 03 0001 74 f0 00", false, RoomProblem::Protocol},
      {"SUBACK of nothing", kConnected, "90 03 0009 00", false, RoomProblem::Protocol},
      {"closed mid-packet", kConnected, "30 40 0003 726f6f", true, RoomProblem::Lost},
  };
  for (const Case& c : cases) {
    World w(1);
    w.As(0, [] { AddCharacter(0, "A", 1, 1); });
    w.broker.answerConnect = c.phase != kConnecting;
    w.broker.answerSubscribe = c.phase == kConnected;
    char link[kMaxLinkSize];
    w.As(0, [&] { w.room(0).Create("p", "", "h:1", link, sizeof link); });
    w.Settle();
    const int conn = w.members[0]->stream.conn;
    Bytes raw;
    for (const char* h = c.bytes; *h != '\0'; h += *h == ' ' ? 1 : 2) {
      if (*h != ' ') raw.push_back(static_cast<std::uint8_t>(std::stoi(std::string(h, 2), 0, 16)));
    }
    w.broker.SendRaw(conn, raw);
    w.broker.Pump();
    if (c.close) w.broker.Drop(conn);
    if (c.want == RoomProblem::Timeout)
      w.As(0, [&] { w.room(0).Tick(mqtt::kAnswerTimeoutMs + 1); });
    EXPECT_EQ(w.room(0).status(), RoomStatus::Waiting) << c.what;
    EXPECT_EQ(w.room(0).problem(), c.want) << c.what;
    EXPECT_EQ(w.Code(0), "A:1,1:r") << c.what;
    w.broker.answerConnect = w.broker.answerSubscribe = true;
    w.now = 60000;
    w.Settle();
    EXPECT_EQ(w.room(0).status(), RoomStatus::Connected) << c.what;
    EXPECT_EQ(w.Code(0), "A:1,1:r") << c.what;
  }
}

TEST(Room, ReconnectsWithBackoffAndSendsWhatChangedMeanwhile) {
  World w(2);
  w.As(0, [] { AddCharacter(0, "A", 1, 1); });
  const std::string link = w.Open();
  // Member 1's connection breaks; it changes the board while away, member 0 too.
  w.broker.Drop(w.members[1]->stream.conn);
  EXPECT_EQ(w.room(1).status(), RoomStatus::Waiting);
  EXPECT_EQ(w.room(1).problem(), RoomProblem::Lost);
  w.Change(1, [] { AddCharacter(1, "B", 2, 2); });
  w.Change(0, [] { Move(0, 40, 40); });
  w.Settle();
  EXPECT_EQ(w.room(1).status(), RoomStatus::Waiting);  // not before a second
  w.now = 1300;                                        // past the first delay and its jitter
  w.Settle();
  EXPECT_EQ(w.room(1).status(), RoomStatus::Connected);
  EXPECT_EQ(w.Code(0), "A:40,40:r B:2,2:r");
  EXPECT_EQ(w.Code(1), "A:40,40:r B:2,2:r");
  // A move on its way when the connection breaks, lost with it, goes out again.
  w.Change(1, [] { Move(0, 77, 77); });
  w.broker.Drop(w.members[1]->stream.conn);
  w.now = 5000;
  w.Settle();
  EXPECT_EQ(w.Code(0), "A:77,77:r B:2,2:r");

  // The broker forgets everything (no persistence): the members bring the board back.
  w.broker.retained.clear();
  for (int i = 0; i < 2; ++i) w.broker.Drop(w.members[i]->stream.conn);
  w.now = 20000;
  w.Settle();
  EXPECT_EQ(w.room(0).status(), RoomStatus::Connected);
  w.Add();
  w.As(2, [&] { w.room(2).Join(link.c_str()); });
  w.Settle();
  EXPECT_EQ(w.Code(2), "A:77,77:r B:2,2:r");
}

// A broker killed and back without the room, or with an older copy of it (saved a little
// before it stopped), gets the board back from the members, even when the changes they made
// meanwhile come back to them before the end of what it kept; the presences of the
// connections before go (the broker never sent their wills); a member that reconnects alone
// counts the others again.
TEST(Room, BrokerBackEmptyOrOlderGetsTheBoardBackAndPresenceHolds) {
  World w(2);
  w.As(0, [] {
    AddCharacter(0, "A", 1, 1);
    AddCharacter(1, "B", 2, 2);
  });
  const std::string link = w.Open();
  w.broker.Drop(w.members[1]->stream.conn);
  w.now = 2000;
  w.Settle();
  EXPECT_EQ(w.room(1).members(), 2);
  EXPECT_EQ(w.room(0).members(), 2);

  auto restart = [&](const std::map<std::string, Bytes>& kept, const std::function<void()>& away) {
    // Killed: no will goes out, and it comes back with what it had saved.
    for (auto& m : w.members) w.broker.Drop(m->stream.conn);
    w.broker.retained = kept;
    w.Change(1, away);
    w.now += 3000;
    w.Settle();
    w.Add();
    const int late = static_cast<int>(w.members.size()) - 1;
    w.As(late, [&] { w.room(late).Join(link.c_str()); });
    w.Settle();
    EXPECT_EQ(w.room(late).members(), late + 1) << "no presence of a connection before";
    return w.Code(late);
  };
  const auto older = w.broker.retained;
  w.Change(0, [] { Move(1, 50, 50); });
  w.Settle();
  EXPECT_EQ(restart(older, [] {}), "A:1,1:r B:50,50:r");
  EXPECT_EQ(restart({}, [] { Move(0, 30, 30); }), "A:30,30:r B:50,50:r");
  EXPECT_EQ(w.Code(0), "A:30,30:r B:50,50:r");
}

// Attempts while the broker is down (it answers "unavailable"): a room whose broker had
// worked tries at least every 8 s (plus jitter), one that never got in backs off to 30 s.
TEST(Room, RetriesSoonerWhenTheBrokerHadWorked) {
  for (const bool worked : {true, false}) {
    World w(1);
    w.As(0, [] { AddCharacter(0, "A", 1, 1); });
    if (worked) {
      w.Open();
      w.broker.connackCode = 3;
      w.broker.Drop(w.members[0]->stream.conn);
    } else {
      w.broker.connackCode = 3;
      w.Open();
    }
    std::uint64_t longest = 0;
    std::uint64_t last = 0;
    std::size_t attempts = w.broker.conns.size();
    for (w.now = 0; w.now < 120000; w.now += 100) {
      w.Settle();
      if (w.broker.conns.size() == attempts) continue;
      attempts = w.broker.conns.size();
      longest = std::max(longest, w.now - last);
      last = w.now;
    }
    EXPECT_GE(longest, worked ? 8000u : 30000u) << worked;
    EXPECT_LE(longest, worked ? 10100u : 37600u) << worked;
  }
}

TEST(Room, StatusNamesWhyTheConnectionFailedAndLinksAreChecked) {
  struct Case {
    const char* what;
    std::uint8_t connack, suback;
    RoomProblem want;
    std::uint8_t code;
  };
  const Case cases[] = {
      {"CONNACK refused", 5, 0, RoomProblem::Refused, 5},
      {"SUBSCRIBE refused", 0, 0x80, RoomProblem::Refused, 0x80},
  };
  for (const Case& c : cases) {
    World w(1);
    w.broker.connackCode = c.connack;
    w.broker.subackCode = c.suback;
    char link[kMaxLinkSize];
    w.As(0, [&] { EXPECT_GT(w.room(0).Create("p", "", "h:1", link, sizeof link), 0); });
    w.Settle();
    EXPECT_EQ(w.room(0).status(), RoomStatus::Waiting) << c.what;
    EXPECT_EQ(w.room(0).problem(), c.want) << c.what;
    EXPECT_EQ(w.room(0).refusalCode(), c.code) << c.what;
    EXPECT_EQ(w.room(0).members(), 0) << c.what;
  }
  World w(1);
  Room& r = w.room(0);
  char link[kMaxLinkSize];
  EXPECT_EQ(r.Create("p", "wss://b/mqtt", "", link, sizeof link), 0);  // nothing for TCP
  EXPECT_EQ(r.Create("p", "", "no port", link, sizeof link), 0);
  EXPECT_EQ(r.status(), RoomStatus::Outside);
  EXPECT_EQ(r.Join("#room=x&tcp=h:1"), JoinResult::BadLink);
  EXPECT_EQ(r.Join("#room=AAECAwQFBgcICQoLDA0ODxAREhMUFRYXGBkaGxwdHh8&broker=ws://b"),
            JoinResult::NoAddress);
  EXPECT_EQ(r.status(), RoomStatus::Outside);
  // Silence: the connection attempt times out, then the room waits and tries again.
  w.As(0, [&] { EXPECT_GT(r.Create("p", "", "h:1", link, sizeof link), 0); });
  EXPECT_EQ(r.status(), RoomStatus::Connecting);
  w.As(0, [&] { r.Tick(mqtt::kAnswerTimeoutMs + 1); });
  EXPECT_EQ(r.problem(), RoomProblem::Timeout);
  w.now = 2 * mqtt::kAnswerTimeoutMs;
  w.Settle();
  EXPECT_EQ(r.status(), RoomStatus::Connected);
  EXPECT_EQ(r.problem(), RoomProblem::None);
}

}  // namespace
}  // namespace dz::testing
