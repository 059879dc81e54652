// Plays a broker that sends arbitrary bytes to the MQTT client. The first byte chooses the
// client's state (awaiting CONNACK, or connected with a subscription, a QoS 1 publication
// and a ping awaited) and the size of the pieces the rest arrives in; a tick now and then
// lets the timeouts run. The client must end every connection it cannot follow with a
// reason, never answer on a closed stream, and describe every packet within its bytes.
//
// With the first byte's high bit, a whole room meets the broker instead, through every
// phase (connecting, subscribing, connected, waiting to try again): a piece beginning with
// 0xFE closes the stream instead, one with 0xFF lets time pass. Its crypto port opens nothing,
// as for a broker without the room's key: the status stays sane and the board never changes.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "board/board.h"
#include "code/coordinate_code.h"
#include "mqtt/client.h"
#include "mqtt/packets.h"
#include "room/room.h"

namespace {

void Fail(const char* what) {
  std::fprintf(stderr, "mqtt_fuzz: %s\n", what);
  std::abort();
}

class Stream : public dz::mqtt::ByteStream {
 public:
  void Connect(const char*) override { open = true; }
  void Send(const std::uint8_t* data, std::size_t n) override {
    if (!open) Fail("sent on a closed stream");
    if (n == 0 || n > dz::mqtt::kMaxOutgoingPacket) Fail("outgoing packet size");
    (void)data;
  }
  void Close() override { open = false; }
  bool open = false;
};

class Events : public dz::mqtt::Listener {
 public:
  explicit Events(const dz::mqtt::Client* c) : client(c) {}
  void OnMessage(const char* topic, std::size_t topicLen, const std::uint8_t* payload,
                 std::size_t size, bool) override {
    if (topic == nullptr || topicLen == 0 || (size > 0 && payload == nullptr)) Fail("message");
    if (topicLen + size > dz::mqtt::kMaxIncomingPacket) Fail("message larger than a packet");
  }
  void OnClosed(dz::mqtt::Error why) override {
    if (why == dz::mqtt::Error::None) Fail("closed without a reason");
    if (client->state() != dz::mqtt::State::Idle) Fail("closed but not idle");
    ++closes;
  }
  const dz::mqtt::Client* client;
  int closes = 0;
};

// Seals by appending a zero tag; opens nothing.
class NoKeyCrypto : public dz::Crypto {
 public:
  void Random(std::uint8_t* out, std::size_t n) override {
    for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<std::uint8_t>(++counter_ * 97);
  }
  void Seal(dz::CryptoResults& to, std::uint32_t request, const std::uint8_t (&)[dz::kRoomKeySize],
            const std::uint8_t (&)[dz::kNonceSize], const std::uint8_t*, std::size_t,
            const std::uint8_t* plain, std::size_t n) override {
    std::uint8_t out[dz::kMaxPlainSize + dz::kTagSize] = {};
    std::memcpy(out, plain, n);
    to.OnSealed(request, true, out, n + dz::kTagSize);
  }
  void Open(dz::CryptoResults& to, std::uint32_t request, const std::uint8_t (&)[dz::kRoomKeySize],
            const std::uint8_t (&)[dz::kNonceSize], const std::uint8_t*, std::size_t,
            const std::uint8_t*, std::size_t) override {
    to.OnOpened(request, false, nullptr, 0);
  }

 private:
  unsigned counter_ = 0;
};

class BoardWatch : public dz::RoomListener {
 public:
  void OnBoardChanged(bool) override { Fail("the board changed"); }
};

std::string Code() {
  char code[dz::kCodeSize];
  dz::BuildCoordinateCode(code);
  return code;
}

void RunRoom(const std::uint8_t* data, std::size_t size, std::size_t piece) {
  dz::ResetBoardState();
  dz::PieceState a;
  a.active = true;
  a.x = a.y = 40;
  std::memcpy(a.name, "A", 2);
  dz::WriteSlot(dz::PieceKind::Character, 0, a);
  const std::string board = Code();
  Stream stream;
  NoKeyCrypto crypto;
  BoardWatch watch;
  dz::Room room(stream, crypto, dz::Transport::Tcp, watch);
  char link[dz::kMaxLinkSize];
  if (room.Create("p", "", "h:1", link, sizeof link) == 0) Fail("create");
  std::uint64_t now = 0;
  for (std::size_t at = 0; at < size; at += piece) {
    if (stream.open && room.status() == dz::RoomStatus::Connecting) room.OnStreamOpen();
    const std::size_t n = size - at < piece ? size - at : piece;
    if (data[at] == 0xFE) {
      room.OnStreamClosed();
    } else if (data[at] == 0xFF) {
      room.Tick(now += 3000);
    } else if (room.OnStreamBytes(data + at, n) != n) {
      Fail("bytes left over with a crypto port that answers at once");
    }
    room.Sync();
    const dz::RoomStatus s = room.status();
    const bool problem = room.problem() != dz::RoomProblem::None;
    if (s == dz::RoomStatus::Outside || (s == dz::RoomStatus::Waiting && !problem) ||
        (s == dz::RoomStatus::Connected && problem)) {
      Fail("status");
    }
    if (room.members() > 1) Fail("members counted from messages that do not open");
    if (s == dz::RoomStatus::Waiting) room.Tick(now += 60000);  // the next attempt
  }
  if (Code() != board) Fail("the board changed");
  dz::ResetBoardState();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::uint8_t mode = data[0];
  ++data;
  --size;
  if (mode & 0x80) {
    RunRoom(data, size, (mode >> 1) & 15 ? (mode >> 1) & 15 : size);
    return 0;
  }
  Stream stream;
  Events events(nullptr);
  dz::mqtt::Client client(stream, events);
  events.client = &client;
  dz::mqtt::Options options;
  options.keepAliveS = 5;
  client.Tick(1);
  if (!client.Open("broker:1883", options)) Fail("open");
  client.OnStreamOpen();
  if (mode & 1) {
    static const std::uint8_t kConnack[] = {0x20, 2, 0, 0};
    client.OnStreamBytes(kConnack, sizeof kConnack);
    if (client.state() != dz::mqtt::State::Connected) Fail("CONNACK not taken");
    static const std::uint8_t kPayload[] = {1, 2, 3};
    if (client.Subscribe("rooms/x/#", 0) != 1) Fail("subscribe");
    if (client.Publish("rooms/x/p", kPayload, sizeof kPayload, 1, true) != 2) Fail("publish");
    if (!client.Ping()) Fail("ping");
  }
  // Pieces of 1 to 16 bytes, or everything at once.
  const std::size_t piece = (mode >> 1) & 15 ? (mode >> 1) & 15 : size;
  std::uint64_t now = 1;
  for (std::size_t at = 0; at < size; at += piece) {
    const std::size_t n = size - at < piece ? size - at : piece;
    client.OnStreamBytes(data + at, n);
    if ((mode & 0x20) && data[at] == 0xFF) client.Tick(now += 3000);
    if (client.state() == dz::mqtt::State::Idle) {
      if (stream.open) Fail("idle with the stream open");
      if (events.closes != 1) Fail("ended without a reason");
      break;
    }
  }
  if (mode & 0x40) {
    client.OnStreamClosed();
    if (client.state() != dz::mqtt::State::Idle || stream.open) Fail("close not followed");
  }
  // Every packet the reader cuts is described within its own bytes.
  dz::mqtt::PacketReader reader;
  for (std::size_t at = 0; at < size;) {
    dz::mqtt::PacketReader::Status status;
    at += reader.Feed(data + at, size - at, &status);
    if (status == dz::mqtt::PacketReader::Status::Error) break;
    if (status != dz::mqtt::PacketReader::Status::Complete) continue;
    if (reader.size() > dz::mqtt::kMaxIncomingPacket) Fail("packet over the limit");
    dz::mqtt::Packet p;
    if (dz::mqtt::DecodeServerPacket(reader.packet(), reader.size(), &p) ==
            dz::mqtt::ParseError::None &&
        p.type == dz::mqtt::PacketType::Publish) {
      const auto* begin = reinterpret_cast<const char*>(reader.packet());
      const auto* end = begin + reader.size();
      const auto* payload = reinterpret_cast<const char*>(p.payload);
      if (p.topic < begin || p.topic + p.topicLen > end || payload < begin ||
          payload + p.payloadLen != end) {
        Fail("fields outside their packet");
      }
    }
  }
  return 0;
}
