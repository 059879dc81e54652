// A live room: the board shared with every member through an MQTT broker, each piece in a
// retained topic of its own, every message sealed under a key derived from the room link.
//
// The front-end owns one Room for the life of the program. It installs the byte stream and
// the crypto port, forwards the stream's events (OnStreamOpen, OnStreamBytes,
// OnStreamClosed), calls Tick with the time at least once a second, and calls Sync after
// every handler that may have changed the board (and at 10 Hz or more while dragging).
// Outside a room every call but Create and Join does nothing.
//
// Topics, under rooms/<room id>/ (the room id is also the broker user name):
//   p/<piece id>    a character or area, or its tombstone; piece id = kind letter, the
//                   creating member's id and a counter ("c0123456789abcdef-1f")
//   grid            the grid size
//   m/<member id>   a member's presence; its last will marks it gone
// Every payload is nonce (12) | AES-256-GCM ciphertext | tag (16), the additional data the
// whole topic name: a message moved to another topic or room does not open.
//
// Convergence rules:
// - Different pieces never touch: each lives in its own topic.
// - Same piece, last delivered wins: the broker delivers the messages of one topic to every
//   member in one order, echoing a member's own messages back to it. A member counts its
//   messages in flight per piece (published, echo not yet seen); a foreign message that
//   arrives while some are in flight is ignored, because the broker delivers ours after it
//   to everyone, so ours is the last; with none in flight a foreign message is applied. A
//   member's own drag never jumps back on an echo: echoes are never applied.
// - Slots: a piece asks for the slot it was published from. Every member lays out the live
//   pieces of a pool the same way (see Room::Layout): a slot goes to the smallest piece id
//   among the pieces asking for it, the pieces left over take the lowest free slots in piece
//   id order, and pieces beyond the pool's size (26 characters, 5 areas) wait unseen until a
//   slot frees. So every member's pools, and their coordinate codes, end the same.
// - Replays: each member numbers its messages; a message is refused unless its number is
//   above the last one seen from that member on that topic. Member ids are random per
//   connection, so numbers start afresh with each connection.
#pragma once

#include <cstddef>
#include <cstdint>

#include "mqtt/client.h"
#include "room/crypto.h"
#include "room/link.h"
#include "room/message.h"

namespace dz {

enum class RoomStatus : std::uint8_t {
  Outside,     // not in a room
  Connecting,  // opening the connection or subscribing
  Connected,   // in the room: changes go out and come in
  Waiting,     // the connection failed or broke (problem()); retrying with backoff
};

enum class RoomProblem : std::uint8_t {
  None,
  Unreachable,  // the broker could not be reached
  Refused,      // the broker refused the connection (refusalCode()) or the subscription
  Protocol,     // the broker sent something malformed or unexpected
  Timeout,      // the broker stopped answering
  Lost,         // the connection broke
};

enum class Transport : std::uint8_t { Tcp, WebSocket };

enum class JoinResult : std::uint8_t {
  Joined,
  BadLink,    // not a room link
  NoAddress,  // the link names no broker this edition can reach (tcp= or broker=)
};

// What the room tells the app. Defaults do nothing.
class RoomListener {
 public:
  virtual ~RoomListener() = default;
  // The room changed the board: pieces of the pools (written as the code reader writes
  // them; a slot may have been emptied, the selected one too) and, when gridChanged, the
  // grid size. Called once after each batch of changes. The app repaints, rewrites the code
  // field, refreshes the panel of the selected piece and, when gridChanged, selects the grid
  // size in its list and redraws the background. It may call Sync.
  virtual void OnBoardChanged(bool /*gridChanged*/) {}
  // status(), problem() or members() changed: the app shows them.
  virtual void OnStatusChanged() {}
};

class Room : private mqtt::Listener, private CryptoResults {
 public:
  Room(mqtt::ByteStream& stream, Crypto& crypto, Transport transport, RoomListener& listener);

  // Makes a room whose board is the current board (its pieces and grid size are published
  // on connecting), writes its link (page address + fragment) into out and joins it.
  // Returns the link's length, or 0 when an address is not valid or out is too small; then
  // nothing changes. Leaves the current room first.
  int Create(const char* page, const char* brokerUrl, const char* tcpAddress, char* out, int cap);
  // Joins the room of a link. The board is emptied, then filled with the room's board as
  // it arrives; the grid size stays until the room's arrives. Leaves the current room first.
  JoinResult Join(const char* linkText);
  // Leaves the room; the board stays as it is. The other members see this member gone.
  void Leave();

  // Publishes the changes of the board since the last Sync or remote change: a piece in a
  // slot that was empty is a new piece, a slot emptied is a deletion, any other difference an
  // update; the grid size likewise. While the connection is down the changes wait and go
  // out when it is back. A deletion may let in a piece that waited for a free slot: then
  // OnBoardChanged follows before Sync returns.
  void Sync();
  // The time in milliseconds of a monotonic clock; at least once a second.
  void Tick(std::uint64_t nowMs);

  void OnStreamOpen() { client_.OnStreamOpen(); }
  // Returns how many bytes it took: fewer only while kQueueSize messages are opening (never
  // with a crypto port that answers inside its calls); the front-end keeps the rest and
  // hands it over again after the next answer of its crypto port.
  std::size_t OnStreamBytes(const std::uint8_t* data, std::size_t n) {
    return client_.OnStreamBytes(data, n);
  }
  void OnStreamClosed() { client_.OnStreamClosed(); }

  RoomStatus status() const { return status_; }
  RoomProblem problem() const { return problem_; }
  std::uint8_t refusalCode() const { return refusalCode_; }
  // Members present, this one included (0 outside a room or while not connected).
  int members() const;
  // Messages dropped since joining: unopenable, malformed, replayed, from elsewhere, or
  // beyond a queue's bound.
  std::uint32_t dropped() const { return dropped_; }

  // Limits.
  static constexpr int kMaxRecords = 64;    // pieces known at once (seen or unseen)
  static constexpr int kMaxMembers = 32;    // presences counted
  static constexpr int kMaxSeen = 512;      // (member, topic) sequence numbers kept
  static constexpr int kQueueSize = 64;     // messages opening / sealing at once
  static constexpr int kMaxTopicSize = 96;  // topic name, terminator included
  static constexpr int kPieceIdSize = 28;   // piece id, terminator included
  static constexpr int kFloodPerS = 300;    // live messages a second beyond any room's own

 private:
  struct Record {
    bool used = false;
    bool live = false;  // false: deleted, kept while its tombstone is in flight
    PieceKind kind = PieceKind::Character;
    char id[kPieceIdSize] = {};
    std::uint8_t asked = 0;  // the slot the piece asks for
    PieceState state;
    int inFlight = 0;             // own messages published, echo not yet seen
    bool resend = false;          // in flight when the connection broke: publish again
    std::uint64_t restoreAt = 0;  // not 0: publish again then, unless a message holds first
  };
  struct Delivery {  // an incoming message, opening or opened, or the barrier
    bool barrier = false;
    bool retained = false;  // sent as a retained message on subscribing
    int state = 0;          // 0 opening, 1 opened, 2 refused
    char topic[kMaxTopicSize] = {};
    std::uint8_t plain[kMaxPlainSize] = {};
    std::size_t size = 0;
  };
  struct Outgoing {  // a message being sealed, published in order
    int state = 0;   // 0 sealing, 1 sealed, 2 failed
    char topic[kMaxTopicSize] = {};
    std::uint8_t payload[kNonceSize + kMaxPlainSize + kTagSize] = {};
    std::size_t size = 0;
    int record = -1;  // the piece it carries, or −1
    bool grid = false;
  };
  struct Seen {
    std::uint64_t member = 0;
    std::uint64_t topic = 0;  // hash of the topic name
    std::uint64_t seq = 0;
  };
  struct Presence {
    std::uint64_t member = 0;  // 0: free
  };

  // mqtt::Listener
  void OnConnected(bool sessionPresent) override;
  void OnSubscribed(std::uint16_t id, std::uint8_t code) override;
  void OnMessage(const char* topic, std::size_t topicLen, const std::uint8_t* payload,
                 std::size_t size, bool retained) override;
  void OnPong() override;
  void OnClosed(mqtt::Error why) override;
  bool Full() override { return inNext_ - inBase_ >= kQueueSize; }
  // CryptoResults
  void OnSealed(std::uint32_t request, bool ok, const std::uint8_t* data, std::size_t n) override;
  void OnOpened(std::uint32_t request, bool ok, const std::uint8_t* data, std::size_t n) override;

  void Enter(const RoomLink& link, bool keepBoard);
  void StartAttempt();
  void ConnectionEnded(RoomProblem why);
  void SetStatus(RoomStatus s, RoomProblem p);
  bool Seal(MessageType type, const char* topic, const RoomMessage& m, int record, bool grid);
  bool PublishRecord(int r);
  bool PublishGrid();
  void FlushOutgoing();
  void Drain();
  void Notify();
  void Apply(const Delivery& d);
  void Refuse(const Delivery& d);
  void ApplyPiece(const char* pieceId, const RoomMessage& m, bool own);
  void Layout(PieceKind kind);
  int FindRecord(const char* id) const;
  int NewRecord(const char* id, PieceKind kind);
  void FreeRecord(int r);
  bool Fresh(std::uint64_t member, const char* topic, std::uint64_t seq);
  void PieceTopic(const char* id, char (&out)[kMaxTopicSize]) const;
  void MemberTopic(std::uint64_t member, char (&out)[kMaxTopicSize]) const;

  mqtt::Client client_;
  Crypto& crypto_;
  Transport transport_;
  RoomListener& listener_;

  RoomStatus status_ = RoomStatus::Outside;
  RoomProblem problem_ = RoomProblem::None;
  std::uint8_t refusalCode_ = 0;
  std::uint32_t dropped_ = 0;

  RoomKeys keys_;
  char address_[kMaxAddressSize + 1] = {};
  char root_[48] = {};  // "rooms/<id>/"
  std::uint64_t now_ = 0;
  std::uint64_t retryAt_ = 0;
  int failures_ = 0;
  bool worked_ = false;        // a connection of this room got in (subscribed)
  std::uint32_t attempt_ = 0;  // connection attempts, for the will's seal
  bool willSealing_ = false;
  std::uint8_t will_[kNonceSize + kMaxPlainSize + kTagSize] = {};
  std::size_t willSize_ = 0;
  char willTopic_[kMaxTopicSize] = {};
  std::uint8_t lastWill_[kNonceSize + kMaxPlainSize + kTagSize] = {};  // of the last connection
  std::size_t lastWillSize_ = 0;
  char lastWillTopic_[kMaxTopicSize] = {};
  char clientId_[24] = {};

  std::uint64_t member_ = 0;  // this member's id on the current connection
  std::uint64_t seq_ = 0;
  std::uint32_t pieceCounter_ = 0;
  bool subscribed_ = false;

  Record records_[kMaxRecords];
  int slotRecord_[2][26];  // per kind and slot: the record shown there, or −1
  PieceState synced_[2][26];
  std::int32_t syncedGrid_ = 0;
  int gridInFlight_ = 0;
  bool heardAny_ = false;   // a piece or the grid arrived on this connection
  bool gridKnown_ = false;  // the room has a grid size (heard or published)
  bool gridResend_ = false;
  std::uint64_t gridRestoreAt_ = 0;
  std::uint64_t burstAt_ = 0;  // live messages counted since then, in bursts of a second
  int burst_ = 0;
  bool flooded_ = false;  // the broker may have dropped messages to us: connect again
  std::uint64_t lastLiveAt_ = 0;

  Seen seen_[kMaxSeen];
  int seenNext_ = 0;
  Presence presence_[kMaxMembers];

  Delivery deliveries_[kQueueSize];
  std::uint32_t inBase_ = 0;  // request id of deliveries_[inBase_ % kQueueSize]
  std::uint32_t inNext_ = 0;
  Outgoing outgoing_[kQueueSize];
  std::uint32_t outBase_ = 0;
  std::uint32_t outNext_ = 0;
  bool draining_ = false;
  bool flushing_ = false;
  bool boardChanged_ = false;
  bool gridChanged_ = false;
};

}  // namespace dz
