#include "room/room.h"

#include <cstdio>
#include <cstring>

#include "board/board.h"

namespace dz {
namespace {

constexpr std::uint16_t kKeepAliveS = 30;
constexpr std::uint32_t kFirstRetryMs = 1000;
constexpr std::uint32_t kLastRetryMs = 30000;
constexpr std::uint32_t kRestoreMs = 2000;
constexpr std::size_t kMinPayload = kNonceSize + 18 + kTagSize;
constexpr int kKinds = 2;
constexpr int kKept = -2;  // a slot of the layout that keeps what it holds

int KindIndex(PieceKind k) {
  return k == PieceKind::Character ? 0 : 1;
}

void Hex64(std::uint64_t v, char* out) {
  static const char kHex[] = "0123456789abcdef";
  for (int i = 0; i < 16; ++i) out[i] = kHex[(v >> (60 - 4 * i)) & 15];
  out[16] = '\0';
}

bool IsHex(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
}

// A piece id: 'c' or 'a', 16 hex digits, '-', 1 to 8 hex digits.
bool IsPieceId(const char* id) {
  if (id[0] != 'c' && id[0] != 'a') return false;
  for (int i = 1; i <= 16; ++i) {
    if (!IsHex(id[i])) return false;
  }
  if (id[17] != '-') return false;
  int n = 0;
  for (const char* p = id + 18; *p != '\0'; ++p, ++n) {
    if (!IsHex(*p) || n == 8) return false;
  }
  return n > 0;
}

std::uint64_t HashTopic(const char* s) {
  std::uint64_t h = 0xcbf29ce484222325ull;
  for (; *s != '\0'; ++s) h = (h ^ static_cast<unsigned char>(*s)) * 0x100000001b3ull;
  return h;
}

}  // namespace

Room::Room(mqtt::ByteStream& stream, Crypto& crypto, Transport transport, RoomListener& listener)
    : client_(stream, *this), crypto_(crypto), transport_(transport), listener_(listener) {
  for (auto& kind : slotRecord_) {
    for (int& r : kind) r = -1;
  }
}

int Room::members() const {
  if (status_ != RoomStatus::Connected) return 0;
  int n = 0;
  for (const Presence& p : presence_) n += p.member != 0 ? 1 : 0;
  return n;
}

void Room::SetStatus(RoomStatus s, RoomProblem p) {
  status_ = s;
  problem_ = p;
  listener_.OnStatusChanged();
}

// ---- Entering and leaving -------------------------------------------------------------

int Room::Create(const char* page, const char* brokerUrl, const char* tcpAddress, char* out,
                 int cap) {
  RoomLink link;
  crypto_.Random(link.secret, sizeof link.secret);
  if (std::strlen(brokerUrl) > kMaxAddressSize || std::strlen(tcpAddress) > kMaxAddressSize) {
    return 0;
  }
  std::strcpy(link.broker, brokerUrl);
  std::strcpy(link.tcp, tcpAddress);
  if ((transport_ == Transport::Tcp ? link.tcp : link.broker)[0] == '\0') return 0;
  const int n = FormatRoomLink(link, page, out, cap);
  if (n == 0) return 0;
  Leave();
  Enter(link, true);
  return n;
}

JoinResult Room::Join(const char* linkText) {
  RoomLink link;
  if (!ParseRoomLink(linkText, &link)) return JoinResult::BadLink;
  if ((transport_ == Transport::Tcp ? link.tcp : link.broker)[0] == '\0') {
    return JoinResult::NoAddress;
  }
  Leave();
  Enter(link, false);
  return JoinResult::Joined;
}

void Room::Enter(const RoomLink& link, bool keepBoard) {
  DeriveRoomKeys(link.secret, &keys_);
  std::snprintf(root_, sizeof root_, "rooms/%s/", keys_.id);
  std::strcpy(address_, transport_ == Transport::Tcp ? link.tcp : link.broker);
  for (Record& r : records_) r = Record{};
  for (int k = 0; k < kKinds; ++k) {
    for (int s = 0; s < 26; ++s) {
      slotRecord_[k][s] = -1;
      synced_[k][s] = PieceState{};
    }
  }
  // Creating: everything on the board is new to the room. Joining: the board empties and
  // the room's fills it; the grid size stays until the room's arrives.
  if (keepBoard) {
    syncedGrid_ = 0;
  } else {
    syncedGrid_ = gridSize;
    for (int k = 0; k < kKinds; ++k) {
      const PieceKind kind = k == 0 ? PieceKind::Character : PieceKind::Area;
      for (int s = 0; s < PoolSize(kind); ++s) WriteSlot(kind, s, PieceState{});
    }
    listener_.OnBoardChanged(false);
  }
  gridInFlight_ = 0;
  lastWillSize_ = 0;
  gridKnown_ = false;
  gridResend_ = false;
  for (Seen& s : seen_) s = Seen{};
  seenNext_ = 0;
  for (Presence& p : presence_) p = Presence{};
  inBase_ = inNext_;
  outBase_ = outNext_;
  dropped_ = 0;
  failures_ = 0;
  worked_ = false;
  refusalCode_ = 0;
  problem_ = RoomProblem::None;
  StartAttempt();
}

void Room::Leave() {
  if (status_ == RoomStatus::Outside) return;
  // Closing without DISCONNECT: the broker publishes the will, so the others see us gone.
  client_.Disconnect(true);
  willSealing_ = false;
  subscribed_ = false;
  inBase_ = inNext_;
  outBase_ = outNext_;
  for (Presence& p : presence_) p = Presence{};
  SetStatus(RoomStatus::Outside, RoomProblem::None);
}

void Room::StartAttempt() {
  do {
    crypto_.Random(reinterpret_cast<std::uint8_t*>(&member_), sizeof member_);
  } while (member_ == 0);
  seq_ = 0;
  std::memcpy(clientId_, "dz", 2);
  Hex64(member_, clientId_ + 2);
  MemberTopic(member_, willTopic_);
  // The will is sealed before the connection opens; its number is the highest there is,
  // as it is the member's last message on its presence topic.
  RoomMessage m;
  m.type = MessageType::Gone;
  m.member = member_;
  m.seq = ~std::uint64_t{0};
  std::uint8_t plain[kMaxPlainSize];
  const std::size_t n = EncodeRoomMessage(m, plain);
  std::uint8_t nonce[kNonceSize];
  crypto_.Random(nonce, sizeof nonce);
  std::memcpy(will_, nonce, sizeof nonce);
  willSealing_ = true;
  ++attempt_;
  SetStatus(RoomStatus::Connecting, problem_);
  crypto_.Seal(*this, attempt_ * 2 + 1, keys_.key, nonce,
               reinterpret_cast<const std::uint8_t*>(willTopic_), std::strlen(willTopic_), plain,
               n);
}

void Room::ConnectionEnded(RoomProblem why) {
  // Whatever was in flight may never have reached the broker: it goes out again on the
  // next connection (the broker's echo of it will not come).
  for (Record& r : records_) {
    if (!r.used || r.inFlight == 0) continue;
    r.inFlight = 0;
    r.resend = true;
  }
  if (gridInFlight_ > 0) gridResend_ = true;
  gridInFlight_ = 0;
  inBase_ = inNext_;
  outBase_ = outNext_;
  subscribed_ = false;
  willSealing_ = false;
  flooded_ = false;
  for (Presence& p : presence_) p = Presence{};
  // A room whose broker worked is most likely back soon (a restart, a network blip): it
  // waits at most 8 s between attempts, a room that never got in up to 30 s.
  const int most = worked_ ? 3 : 5;
  std::uint32_t delay = kFirstRetryMs << (failures_ < most ? failures_ : most);
  if (delay > kLastRetryMs) delay = kLastRetryMs;
  std::uint8_t r[2];
  crypto_.Random(r, sizeof r);
  const std::uint32_t jitter = (std::uint32_t{r[0]} << 8 | r[1]) % (delay / 4 + 1);
  retryAt_ = now_ + delay + jitter;
  ++failures_;
  SetStatus(RoomStatus::Waiting, why);
}

void Room::Tick(std::uint64_t nowMs) {
  now_ = nowMs;
  client_.Tick(nowMs);
  if (status_ == RoomStatus::Waiting && now_ >= retryAt_) StartAttempt();
  if (status_ != RoomStatus::Connected) return;
  // A broker drops messages to a member that falls behind (a flood), our echoes and the
  // flood's last word too: once it is quiet, the room connects again and is sent its board.
  // Until then nothing is put back: what this member holds may be what it missed.
  if (flooded_) {
    if (now_ - lastLiveAt_ < kRestoreMs) return;
    flooded_ = false;
    client_.Disconnect(true);
    return ConnectionEnded(RoomProblem::Lost);
  }
  for (int r = 0; r < kMaxRecords; ++r) {
    Record& rec = records_[r];
    if (rec.restoreAt == 0 || now_ < rec.restoreAt) continue;
    rec.restoreAt = 0;
    if (rec.used && rec.inFlight == 0) PublishRecord(r);
  }
  if (gridRestoreAt_ != 0 && now_ >= gridRestoreAt_) {
    gridRestoreAt_ = 0;
    if (gridInFlight_ == 0) PublishGrid();
  }
}

// ---- The connection --------------------------------------------------------------------

void Room::OnConnected(bool) {
  for (Presence& p : presence_) p = Presence{};
  presence_[0].member = member_;
  char filter[kMaxTopicSize];
  std::snprintf(filter, sizeof filter, "%s#", root_);
  if (client_.Subscribe(filter, 0) == 0) {
    client_.Disconnect(true);
    return ConnectionEnded(RoomProblem::Protocol);
  }
  RoomMessage here;
  here.type = MessageType::Here;
  char topic[kMaxTopicSize];
  MemberTopic(member_, topic);
  Seal(MessageType::Here, topic, here, -1, false);
  // The will of this member's previous connection, published by the member itself: a
  // broker that was killed never publishes it, and the old presence would stay for good.
  if (lastWillSize_ != 0) client_.Publish(lastWillTopic_, lastWill_, lastWillSize_, 0, true);
  std::memcpy(lastWill_, will_, willSize_);
  lastWillSize_ = willSize_;
  std::memcpy(lastWillTopic_, willTopic_, sizeof willTopic_);
  heardAny_ = false;
  for (int r = 0; r < kMaxRecords; ++r) {
    if (records_[r].used && records_[r].resend) {
      records_[r].resend = false;
      PublishRecord(r);
    }
  }
  if (gridResend_) {
    gridResend_ = false;
    PublishGrid();
  }
  Sync();
}

void Room::OnSubscribed(std::uint16_t, std::uint8_t code) {
  if (code == 0x80) {
    client_.Disconnect(true);
    refusalCode_ = 0x80;
    return ConnectionEnded(RoomProblem::Refused);
  }
  subscribed_ = true;
  worked_ = true;
  failures_ = 0;
  // The broker answers a ping after everything sent before it: once the answer is in, the
  // retained messages of the subscription have all arrived.
  client_.Ping();
  SetStatus(RoomStatus::Connected, RoomProblem::None);
}

void Room::OnPong() {
  if (!subscribed_ || inNext_ - inBase_ >= kQueueSize) return;
  subscribed_ = false;  // one barrier per connection
  Delivery& d = deliveries_[inNext_++ % kQueueSize];
  d = Delivery{};
  d.barrier = true;
  Drain();
}

void Room::OnClosed(mqtt::Error why) {
  RoomProblem p = RoomProblem::Lost;
  switch (why) {
    case mqtt::Error::Unreachable:
      p = RoomProblem::Unreachable;
      break;
    case mqtt::Error::Refused:
      p = RoomProblem::Refused;
      refusalCode_ = client_.refusalCode();
      break;
    case mqtt::Error::Protocol:
      p = RoomProblem::Protocol;
      break;
    case mqtt::Error::Timeout:
      p = RoomProblem::Timeout;
      break;
    default:
      break;
  }
  ConnectionEnded(p);
}

// ---- Outgoing --------------------------------------------------------------------------

void Room::PieceTopic(const char* id, char (&out)[kMaxTopicSize]) const {
  std::snprintf(out, sizeof out, "%sp/%s", root_, id);
}

void Room::MemberTopic(std::uint64_t member, char (&out)[kMaxTopicSize]) const {
  char hex[17];
  Hex64(member, hex);
  std::snprintf(out, sizeof out, "%sm/%s", root_, hex);
}

bool Room::Seal(MessageType type, const char* topic, const RoomMessage& base, int record,
                bool grid) {
  if (outNext_ - outBase_ >= kQueueSize) return false;
  RoomMessage m = base;
  m.type = type;
  m.member = member_;
  m.seq = ++seq_;
  std::uint8_t plain[kMaxPlainSize];
  const std::size_t n = EncodeRoomMessage(m, plain);
  const std::uint32_t id = outNext_++;
  Outgoing& o = outgoing_[id % kQueueSize];
  o = Outgoing{};
  std::snprintf(o.topic, sizeof o.topic, "%s", topic);
  std::uint8_t nonce[kNonceSize];
  crypto_.Random(nonce, sizeof nonce);
  std::memcpy(o.payload, nonce, sizeof nonce);
  o.record = record;
  o.grid = grid;
  if (record >= 0) ++records_[record].inFlight;
  if (grid) ++gridInFlight_;
  crypto_.Seal(*this, id * 2, keys_.key, nonce, reinterpret_cast<const std::uint8_t*>(o.topic),
               std::strlen(o.topic), plain, n);
  return true;
}

bool Room::PublishRecord(int r) {
  const Record& rec = records_[r];
  RoomMessage m;
  m.kind = rec.kind;
  m.slot = rec.asked;
  m.piece = rec.state;
  char topic[kMaxTopicSize];
  PieceTopic(rec.id, topic);
  return Seal(rec.live ? MessageType::Piece : MessageType::Removed, topic, m, r, false);
}

bool Room::PublishGrid() {
  RoomMessage m;
  m.grid = syncedGrid_;
  char topic[kMaxTopicSize];
  std::snprintf(topic, sizeof topic, "%sgrid", root_);
  if (!Seal(MessageType::Grid, topic, m, -1, true)) return false;
  gridKnown_ = true;
  return true;
}

void Room::OnSealed(std::uint32_t request, bool ok, const std::uint8_t* data, std::size_t n) {
  if (request % 2 == 1) {
    // The will of a connection attempt.
    if (!willSealing_ || request != attempt_ * 2 + 1) return;
    willSealing_ = false;
    if (!ok || n > sizeof will_ - kNonceSize) return ConnectionEnded(RoomProblem::Protocol);
    std::memcpy(will_ + kNonceSize, data, n);
    willSize_ = kNonceSize + n;
    const mqtt::Will will{willTopic_, will_, willSize_, 0, true};
    mqtt::Options options;
    options.clientId = clientId_;
    options.userName = keys_.id;
    options.keepAliveS = kKeepAliveS;
    options.will = &will;
    client_.Tick(now_);
    if (!client_.Open(address_, options)) ConnectionEnded(RoomProblem::Protocol);
    return;
  }
  const std::uint32_t id = request / 2;
  if (id - outBase_ >= outNext_ - outBase_) return;  // of a connection that ended
  Outgoing& o = outgoing_[id % kQueueSize];
  if (ok && n <= sizeof o.payload - kNonceSize) {
    std::memcpy(o.payload + kNonceSize, data, n);
    o.size = kNonceSize + n;
    o.state = 1;
  } else {
    o.state = 2;
  }
  FlushOutgoing();
}

// Publishes the sealed messages in the order they were made.
void Room::FlushOutgoing() {
  if (flushing_) return;
  flushing_ = true;
  while (outBase_ != outNext_) {
    Outgoing& o = outgoing_[outBase_ % kQueueSize];
    if (o.state == 0) break;
    ++outBase_;
    const bool sent = o.state == 1 && client_.Publish(o.topic, o.payload, o.size, 0, true) != 0;
    if (sent) continue;
    // Never to be echoed: not in flight, but to go out again.
    if (o.record >= 0 && records_[o.record].inFlight > 0) {
      --records_[o.record].inFlight;
      records_[o.record].resend = true;
    }
    if (o.grid && gridInFlight_ > 0) --gridInFlight_;
  }
  flushing_ = false;
}

void Room::Sync() {
  if (status_ == RoomStatus::Outside || client_.state() != mqtt::State::Connected) return;
  for (int k = 0; k < kKinds; ++k) {
    const PieceKind kind = k == 0 ? PieceKind::Character : PieceKind::Area;
    bool freed = false;
    for (int s = 0; s < PoolSize(kind); ++s) {
      const PieceState cur = ReadSlot(kind, s);
      if (SameState(kind, cur, synced_[k][s])) continue;
      int r = slotRecord_[k][s];
      bool created = false;
      if (r < 0) {
        if (!cur.active) {
          synced_[k][s] = cur;
          continue;
        }
        char id[kPieceIdSize];
        char hex[17];
        Hex64(member_, hex);
        std::snprintf(id, sizeof id, "%c%s-%x", k == 0 ? 'c' : 'a', hex,
                      static_cast<unsigned>(++pieceCounter_));
        r = NewRecord(id, kind);
        if (r < 0) continue;  // the table is full: the piece stays local
        slotRecord_[k][s] = r;
        created = true;
      }
      Record& rec = records_[r];
      const PieceState before = rec.state;
      const bool wasLive = rec.live;
      rec.state = cur;
      rec.asked = static_cast<std::uint8_t>(s);
      rec.live = cur.active;
      if (!PublishRecord(r)) {  // the queue is full: again at the next Sync
        if (created) {
          FreeRecord(r);
          slotRecord_[k][s] = -1;
        } else {
          rec.state = before;
          rec.live = wasLive;
        }
        continue;
      }
      synced_[k][s] = cur;
      if (!cur.active) {
        slotRecord_[k][s] = -1;
        freed = true;
      }
    }
    // A freed slot takes in a piece that waited beyond the pool's size.
    if (freed) Layout(kind);
  }
  if (gridSize != syncedGrid_) {
    const std::int32_t before = syncedGrid_;
    syncedGrid_ = gridSize;
    if (!PublishGrid()) syncedGrid_ = before;
  }
  if (!draining_) Notify();
}

void Room::Notify() {
  if (!boardChanged_) return;
  const bool grid = gridChanged_;
  boardChanged_ = false;
  gridChanged_ = false;
  listener_.OnBoardChanged(grid);
}

// ---- Incoming --------------------------------------------------------------------------

void Room::OnMessage(const char* topic, std::size_t topicLen, const std::uint8_t* payload,
                     std::size_t size, bool retained) {
  if (status_ != RoomStatus::Connecting && status_ != RoomStatus::Connected) return;
  if (!retained) {
    if (now_ - burstAt_ >= 1000) {
      burstAt_ = now_;
      burst_ = 0;
    }
    flooded_ |= ++burst_ > kFloodPerS;
    lastLiveAt_ = now_;
  }
  const std::size_t rootLen = std::strlen(root_);
  if (topicLen >= kMaxTopicSize || topicLen <= rootLen || std::memcmp(topic, root_, rootLen) != 0 ||
      inNext_ - inBase_ >= kQueueSize) {
    ++dropped_;
    return;
  }
  const std::uint32_t id = inNext_;
  Delivery& d = deliveries_[id % kQueueSize];
  d = Delivery{};
  std::memcpy(d.topic, topic, topicLen);
  d.topic[topicLen] = '\0';
  if (size < kMinPayload || size > kNonceSize + kMaxPlainSize + kTagSize) return Refuse(d);
  ++inNext_;
  d.retained = retained;
  std::uint8_t nonce[kNonceSize];
  std::memcpy(nonce, payload, sizeof nonce);
  crypto_.Open(*this, id, keys_.key, nonce, reinterpret_cast<const std::uint8_t*>(d.topic),
               topicLen, payload + kNonceSize, size - kNonceSize);
}

void Room::OnOpened(std::uint32_t request, bool ok, const std::uint8_t* data, std::size_t n) {
  if (request - inBase_ >= inNext_ - inBase_) return;  // of a connection that ended
  Delivery& d = deliveries_[request % kQueueSize];
  if (ok && n <= sizeof d.plain) {
    std::memcpy(d.plain, data, n);
    d.size = n;
    d.state = 1;
  } else {
    d.state = 2;
  }
  Drain();
}

// Applies the opened messages in the order the broker delivered them, however the opening
// finished.
void Room::Drain() {
  if (draining_) return;
  draining_ = true;
  Sync();  // the board holds nothing unpublished while remote changes are written
  while (inBase_ != inNext_) {
    const Delivery& d = deliveries_[inBase_ % kQueueSize];
    if (!d.barrier && d.state == 0) break;
    ++inBase_;
    if (d.barrier) {
      // The broker has sent everything it keeps. If that was nothing while we hold a board,
      // it has lost the room (a restart without persistence): the room gets it back from us.
      // (Only when nothing at all came: a piece that did come may be newer than ours.)
      if (!heardAny_) {
        for (int r = 0; r < kMaxRecords; ++r) {
          const Record& rec = records_[r];
          if (rec.used && rec.live && rec.inFlight == 0) PublishRecord(r);
        }
        if (gridKnown_ && gridInFlight_ == 0) PublishGrid();
      }
    } else if (d.state == 1) {
      Apply(d);
    } else {
      Refuse(d);
    }
  }
  draining_ = false;
  Notify();
}

// A message that does not hold (empty, garbage, a replay) on a piece's or the grid's topic is
// never a member's: whoever knows the room id sent it, and the broker may now keep it for the
// next joiner in place of the real one. What this member holds there goes out again after
// kRestoreMs, unless a message that holds comes on that topic first (it is then the one
// kept, and a member's change is not overwritten by an older state).
void Room::Refuse(const Delivery& d) {
  ++dropped_;
  if (d.retained) return;
  const char* rest = d.topic + std::strlen(root_);
  const int r = std::strncmp(rest, "p/", 2) == 0 ? FindRecord(rest + 2) : -1;
  if (r >= 0) records_[r].restoreAt = now_ + kRestoreMs;
  if (std::strcmp(rest, "grid") == 0 && gridKnown_) gridRestoreAt_ = now_ + kRestoreMs;
}

bool Room::Fresh(std::uint64_t member, const char* topic, std::uint64_t seq) {
  const std::uint64_t h = HashTopic(topic);
  for (Seen& s : seen_) {
    if (s.member == member && s.topic == h) {
      if (seq <= s.seq) return false;
      s.seq = seq;
      return true;
    }
  }
  // A full table forgets its oldest entry.
  seen_[seenNext_] = Seen{member, h, seq};
  seenNext_ = (seenNext_ + 1) % kMaxSeen;
  return true;
}

void Room::Apply(const Delivery& d) {
  RoomMessage m;
  const char* rest = d.topic + std::strlen(root_);
  if (!DecodeRoomMessage(d.plain, d.size, &m) || m.member == 0) return Refuse(d);
  const bool own = m.member == member_;
  bool fits = false;
  if (std::strncmp(rest, "p/", 2) == 0) {
    const char* id = rest + 2;
    fits = IsPieceId(id) && (m.type == MessageType::Removed ||
                             (m.type == MessageType::Piece &&
                              m.kind == (id[0] == 'c' ? PieceKind::Character : PieceKind::Area)));
  } else if (std::strcmp(rest, "grid") == 0) {
    fits = m.type == MessageType::Grid;
  } else if (std::strncmp(rest, "m/", 2) == 0) {
    char hex[17];
    Hex64(m.member, hex);
    fits = std::strcmp(rest + 2, hex) == 0 &&
           (m.type == MessageType::Here || m.type == MessageType::Gone);
  }
  // The broker still keeps the room (for the barrier), even when it sends only what we
  // have seen before. Only what it kept counts: our own messages and others' may come
  // back before the barrier from an emptied broker too.
  const bool presence = m.type == MessageType::Here || m.type == MessageType::Gone;
  if (fits && !presence && d.retained) heardAny_ = true;
  // A member's presence topic carries its one "here" and its will: it needs no number kept,
  // and the "here" of a member seen before comes again after each reconnection.
  if (!fits || (!presence && !Fresh(m.member, d.topic, m.seq))) {
    // A kept piece older than ours: the broker came back from an older copy of the room
    // (one saved a little before it stopped). It gets ours again.
    const int r = fits && d.retained && m.type == MessageType::Piece ? FindRecord(rest + 2) : -1;
    if (r >= 0 && records_[r].live && records_[r].inFlight == 0 &&
        (records_[r].asked != m.slot || !SameState(m.kind, records_[r].state, m.piece))) {
      PublishRecord(r);
    }
    return Refuse(d);
  }
  switch (m.type) {
    case MessageType::Piece:
    case MessageType::Removed:
      return ApplyPiece(rest + 2, m, own);
    case MessageType::Grid:
      gridKnown_ = true;
      gridRestoreAt_ = 0;
      if (own) {
        if (gridInFlight_ > 0) --gridInFlight_;
        return;
      }
      if (gridInFlight_ > 0) return;  // ours comes after it
      syncedGrid_ = m.grid;
      if (gridSize != m.grid) {
        SetGridSize(m.grid);  // the boxes of the pieces follow
        boardChanged_ = true;
        gridChanged_ = true;
      }
      return;
    case MessageType::Here:
    case MessageType::Gone: {
      Presence* free = nullptr;
      Presence* found = nullptr;
      for (Presence& p : presence_) {
        if (p.member == m.member) found = &p;
        if (p.member == 0 && free == nullptr) free = &p;
      }
      const int before = members();
      if (m.type == MessageType::Gone && found != nullptr) found->member = 0;
      if (m.type == MessageType::Here && found == nullptr && free != nullptr) {
        free->member = m.member;
      }
      if (members() != before) listener_.OnStatusChanged();
      // The will of a member gone before we came, kept by the broker: nobody needs it any
      // more, so it is taken off the broker (an empty retained message), or every member
      // that ever connected would be sent to every joiner.
      if (m.type == MessageType::Gone && d.retained) client_.Publish(d.topic, nullptr, 0, 0, true);
      return;
    }
  }
}

void Room::ApplyPiece(const char* pieceId, const RoomMessage& m, bool own) {
  const PieceKind kind = pieceId[0] == 'c' ? PieceKind::Character : PieceKind::Area;
  int r = FindRecord(pieceId);
  if (r >= 0) records_[r].restoreAt = 0;
  if (own) {
    if (r < 0) return;
    Record& rec = records_[r];
    if (rec.inFlight > 0) --rec.inFlight;
    if (!rec.live && rec.inFlight == 0) FreeRecord(r);
    return;
  }
  if (r >= 0 && records_[r].inFlight > 0) return;  // superseded: ours is delivered after it
  if (m.type == MessageType::Removed) {
    if (r < 0) return;
    FreeRecord(r);
    return Layout(kind);
  }
  if (r < 0) r = NewRecord(pieceId, kind);
  if (r < 0) {
    ++dropped_;
    return;
  }
  Record& rec = records_[r];
  rec.state = m.piece;
  rec.asked = m.slot;
  rec.live = true;
  Layout(kind);
}

int Room::FindRecord(const char* id) const {
  for (int r = 0; r < kMaxRecords; ++r) {
    if (records_[r].used && std::strcmp(records_[r].id, id) == 0) return r;
  }
  return -1;
}

int Room::NewRecord(const char* id, PieceKind kind) {
  for (int r = 0; r < kMaxRecords; ++r) {
    if (records_[r].used) continue;
    records_[r] = Record{};
    records_[r].used = true;
    records_[r].kind = kind;
    std::snprintf(records_[r].id, sizeof records_[r].id, "%s", id);
    return r;
  }
  return -1;
}

// A record on a slot leaves the slot's entry behind: the caller lays the pool out again,
// which empties the slot (a slot on no record that holds a piece would be kept).
void Room::FreeRecord(int r) {
  records_[r] = Record{};
}

// Lays the live pieces of a pool into its slots, the same on every member whatever the
// order the pieces arrived in:
//  1. in order of (asked slot, piece id), each piece takes the slot it asks for if that is
//     still free: of pieces asking for one slot, the smallest piece id gets it;
//  2. the pieces left over, in piece id order, take the lowest free slots;
//  3. pieces beyond the pool's size stay unseen (slot −1) until a slot frees.
// The slots whose piece changed are written; the rest of the board is left alone.
void Room::Layout(PieceKind kind) {
  const int k = KindIndex(kind);
  const int pool = PoolSize(kind);
  int order[kMaxRecords];
  int n = 0;
  for (int r = 0; r < kMaxRecords; ++r) {
    if (records_[r].used && records_[r].live && records_[r].kind == kind) order[n++] = r;
  }
  auto before = [this](int a, int b, bool bySlot) {
    const Record& x = records_[a];
    const Record& y = records_[b];
    if (bySlot && x.asked != y.asked) return x.asked < y.asked;
    return std::strcmp(x.id, y.id) < 0;
  };
  for (int i = 1; i < n; ++i) {
    for (int j = i; j > 0 && before(order[j], order[j - 1], true); --j) {
      const int t = order[j];
      order[j] = order[j - 1];
      order[j - 1] = t;
    }
  }
  // Local changes not yet published (the sealing queue was full) are left as they are: a
  // slot holding a piece on no record keeps it, a slot whose piece changed keeps its piece.
  int assign[26];
  bool placed[kMaxRecords] = {};
  for (int s = 0; s < pool; ++s) {
    assign[s] = -1;
    const int held = slotRecord_[k][s];
    const PieceState cur = ReadSlot(kind, s);
    if (held < 0 && cur.active) {
      assign[s] = kKept;
    } else if (held >= 0 && records_[held].used && records_[held].live &&
               !SameState(kind, cur, synced_[k][s])) {
      assign[s] = kKept;
      placed[held] = true;
    }
  }
  int left[kMaxRecords];
  int leftCount = 0;
  for (int i = 0; i < n; ++i) {
    if (placed[order[i]]) continue;
    Record& rec = records_[order[i]];
    if (rec.asked < pool && assign[rec.asked] == -1) {
      assign[rec.asked] = order[i];
    } else {
      left[leftCount++] = order[i];
    }
  }
  for (int i = 1; i < leftCount; ++i) {
    for (int j = i; j > 0 && before(left[j], left[j - 1], false); --j) {
      const int t = left[j];
      left[j] = left[j - 1];
      left[j - 1] = t;
    }
  }
  int nextFree = 0;
  for (int i = 0; i < leftCount; ++i) {
    while (nextFree < pool && assign[nextFree] != -1) ++nextFree;
    if (nextFree == pool) break;
    assign[nextFree] = left[i];
  }
  for (int s = 0; s < pool; ++s) {
    const int r = assign[s];
    if (r == kKept) continue;
    const PieceState want = r >= 0 ? records_[r].state : PieceState{};
    if (!SameState(kind, ReadSlot(kind, s), want)) {
      WriteSlot(kind, s, want);
      boardChanged_ = true;
    }
    synced_[k][s] = ReadSlot(kind, s);
    slotRecord_[k][s] = r;
  }
}

}  // namespace dz
