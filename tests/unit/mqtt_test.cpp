// The MQTT client: packet bytes, the strict reader, and the connection's states.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "mqtt/client.h"
#include "mqtt/packets.h"

namespace dz::mqtt {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Hex(const std::string& hex) {
  Bytes b;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    if (hex[i] == ' ') {
      --i;
      continue;
    }
    b.push_back(static_cast<std::uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  }
  return b;
}

TEST(MqttPackets, EncodersWriteTheProtocolsBytes) {
  std::uint8_t out[kMaxOutgoingPacket];
  const std::uint8_t wp[] = {0xAB};
  const Will will{"w", wp, 1, 1, true};
  EXPECT_EQ(Bytes(out, out + EncodeConnect({"c", "u", 30, nullptr}, out, sizeof out)),
            Hex("10 10 0004 4d515454 04 82 001e 0001 63 0001 75"));
  EXPECT_EQ(Bytes(out, out + EncodeConnect({"c", nullptr, 0, &will}, out, sizeof out)),
            Hex("10 13 0004 4d515454 04 2e 0000 0001 63 0001 77 0001 ab"));
  EXPECT_EQ(Bytes(out, out + EncodeSubscribe(7, "a/#", 1, out, sizeof out)),
            Hex("82 08 0007 0003 612f23 01"));
  const std::uint8_t payload[] = {1, 2};
  EXPECT_EQ(Bytes(out, out + EncodePublish("t", payload, 2, 0, true, 0, out, sizeof out)),
            Hex("31 05 0001 74 0102"));
  EXPECT_EQ(Bytes(out, out + EncodePublish("t", payload, 2, 1, false, 9, out, sizeof out)),
            Hex("32 07 0001 74 0009 0102"));
  EXPECT_EQ(Bytes(out, out + EncodePuback(9, out, sizeof out)), Hex("40 02 0009"));
  EXPECT_EQ(Bytes(out, out + EncodePingreq(out, sizeof out)), Hex("c0 00"));
  EXPECT_EQ(Bytes(out, out + EncodeDisconnect(out, sizeof out)), Hex("e0 00"));
  // Two-byte remaining length.
  const Bytes big(200, 0);
  ASSERT_EQ(EncodePublish("t", big.data(), big.size(), 0, false, 0, out, sizeof out), 206u);
  EXPECT_EQ(Bytes(out, out + 3), Hex("30 cb 01"));
}

TEST(MqttPackets, EncodersRefuseWhatDoesNotFitOrIsOutOfRange) {
  std::uint8_t out[kMaxOutgoingPacket];
  const Bytes payload(kMaxOutgoingPacket - 5, 0);  // header 3 + topic 3: one byte too many
  EXPECT_EQ(EncodePublish("t", payload.data(), payload.size(), 0, false, 0, out, sizeof out), 0u);
  EXPECT_EQ(EncodePublish("t", payload.data(), payload.size() - 1, 0, false, 0, out, sizeof out),
            kMaxOutgoingPacket);
  EXPECT_EQ(EncodePublish("t", payload.data(), 1, 2, false, 1, out, sizeof out), 0u);  // QoS 2
  EXPECT_EQ(EncodePublish("t", payload.data(), 1, 1, false, 0, out, sizeof out), 0u);  // id 0
  EXPECT_EQ(EncodePublish("", payload.data(), 1, 0, false, 0, out, sizeof out), 0u);
  EXPECT_EQ(EncodeSubscribe(0, "a", 0, out, sizeof out), 0u);
  EXPECT_EQ(EncodePingreq(out, 1), 0u);  // the caller's buffer is too small
}

TEST(MqttPackets, ServerPacketsAreReadStrictly) {
  struct Case {
    const char* hex;
    ParseError want;
  };
  const Case cases[] = {
      {"20 02 00 00", ParseError::None},
      {"20 02 01 05", ParseError::None},       // refused, session present
      {"20 02 02 00", ParseError::Malformed},  // reserved flag bit
      {"20 02 00 06", ParseError::Malformed},  // unknown return code
      {"20 03 00 00 00", ParseError::Malformed},
      {"21 02 00 00", ParseError::Malformed},  // reserved header flags
      {"30 05 0001 74 0102", ParseError::None},
      {"31 03 0001 74", ParseError::None},  // retained, empty payload
      {"32 05 0001 74 0001", ParseError::None},
      {"32 05 0001 74 0000", ParseError::Malformed},  // packet id 0
      {"34 05 0001 74 0001", ParseError::Malformed},  // QoS 2
      {"38 05 0001 74 0102", ParseError::Malformed},  // DUP with QoS 0
      {"30 04 0005 7474", ParseError::Malformed},     // topic longer than the packet
      {"30 02 0000", ParseError::Malformed},          // empty topic
      {"30 03 0001 23", ParseError::Malformed},       // wildcard in a topic name
      {"30 03 0001 00", ParseError::Malformed},       // null in a topic name
      {"30 01 00", ParseError::Malformed},
      {"40 02 0003", ParseError::None},
      {"40 03 0003 00", ParseError::Malformed},
      {"90 03 0001 80", ParseError::None},
      {"90 03 0001 03", ParseError::Malformed},
      {"90 04 0001 0000", ParseError::Malformed},  // two return codes
      {"d0 00", ParseError::None},
      {"d0 01 00", ParseError::Malformed},
      {"30 09 0001 74", ParseError::Malformed},  // shorter than announced
      {"10 00", ParseError::Unexpected},         // CONNECT
      {"82 00", ParseError::Unexpected},         // SUBSCRIBE
      {"50 02 0001", ParseError::Unexpected},    // PUBREC
      {"f0 00", ParseError::Unexpected},
  };
  for (const Case& c : cases) {
    const Bytes b = Hex(c.hex);
    Packet p;
    EXPECT_EQ(DecodeServerPacket(b.data(), b.size(), &p), c.want) << c.hex;
  }
}

TEST(MqttPackets, ReaderCutsPacketsAndRefusesBadLengthsEarly) {
  // Two packets fed a byte at a time, then both at once.
  const Bytes two = Hex("30 05 0001 74 0102 d0 00");
  for (std::size_t step : {std::size_t{1}, two.size()}) {
    PacketReader reader;
    std::vector<Bytes> got;
    for (std::size_t at = 0; at < two.size();) {
      const std::size_t n = std::min(step, two.size() - at);
      std::size_t used = 0;
      while (used < n) {
        PacketReader::Status s;
        used += reader.Feed(two.data() + at + used, n - used, &s);
        ASSERT_NE(s, PacketReader::Status::Error);
        if (s == PacketReader::Status::Complete) {
          got.emplace_back(reader.packet(), reader.packet() + reader.size());
        }
      }
      at += n;
    }
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0], Hex("30 05 0001 74 0102"));
    EXPECT_EQ(got[1], Hex("d0 00"));
  }
  struct Case {
    const char* hex;
    ParseError want;
  };
  const Case bad[] = {
      {"30 ff ff ff ff 01", ParseError::Malformed},  // a fifth length byte
      {"30 80 00", ParseError::Malformed},           // longer encoding than needed
      {"90 fe 3f", ParseError::TooLarge},            // 8190 + 3 > 8192, body never read
  };
  for (const Case& c : bad) {
    PacketReader reader;
    const Bytes b = Hex(c.hex);
    PacketReader::Status s;
    reader.Feed(b.data(), b.size(), &s);
    EXPECT_EQ(s, PacketReader::Status::Error) << c.hex;
    EXPECT_EQ(reader.error(), c.want) << c.hex;
  }
  PacketReader reader;
  const Bytes largest = Hex("30 fd 3f");  // 8189 + 3 bytes: just allowed
  PacketReader::Status s;
  reader.Feed(largest.data(), largest.size(), &s);
  EXPECT_EQ(s, PacketReader::Status::NeedMore);
  // A publication too large is passed over, in pieces or whole; what follows it is read.
  Bytes big = Hex("30 a8 46");  // 9000 bytes
  big.resize(3 + 9000, 0x78);
  const Bytes after = Hex("d0 00");
  big.insert(big.end(), after.begin(), after.end());
  for (std::size_t piece : {std::size_t{1000}, big.size()}) {
    PacketReader r;
    std::size_t at = 0;
    while (at < big.size()) {
      at += r.Feed(big.data() + at, std::min(piece, big.size() - at), &s);
      ASSERT_NE(s, PacketReader::Status::Error);
    }
    EXPECT_EQ(s, PacketReader::Status::Complete) << piece;
    EXPECT_EQ(Bytes(r.packet(), r.packet() + r.size()), after) << piece;
  }
}

// A stream that keeps what the client sends; the test plays the broker.
class Stream : public ByteStream {
 public:
  void Connect(const char* a) override { address = a; }
  void Send(const std::uint8_t* d, std::size_t n) override { sent.insert(sent.end(), d, d + n); }
  void Close() override { closed = true; }
  std::string address;
  Bytes sent;
  bool closed = false;
};

class Events : public Listener {
 public:
  void OnConnected(bool) override { ++connected; }
  void OnSubscribed(std::uint16_t, std::uint8_t code) override { subacks.push_back(code); }
  void OnMessage(const char* t, std::size_t n, const std::uint8_t*, std::size_t size,
                 bool retained) override {
    messages.push_back(std::string(t, n) + ":" + std::to_string(size) + (retained ? "r" : ""));
  }
  void OnPublished(std::uint16_t id) override { acks.push_back(id); }
  void OnClosed(Error why) override { closes.push_back(why); }
  int connected = 0;
  std::vector<std::uint8_t> subacks;
  std::vector<std::string> messages;
  std::vector<std::uint16_t> acks;
  std::vector<Error> closes;
};

struct Harness {
  Stream stream;
  Events events;
  Client client{stream, events};
  void Feed(const std::string& hex) {
    const Bytes b = Hex(hex);
    client.OnStreamBytes(b.data(), b.size());
  }
  void Connect() {
    Options o;
    o.keepAliveS = 5;
    ASSERT_TRUE(client.Open("h:1", o));
    client.OnStreamOpen();
    stream.sent.clear();
    Feed("20 02 00 00");
    ASSERT_EQ(client.state(), State::Connected);
  }
};

struct ClientTest : ::testing::Test, Harness {};

TEST_F(ClientTest, ConnectsSubscribesPublishesAndAcknowledges) {
  Connect();
  EXPECT_EQ(stream.address, "h:1");
  EXPECT_EQ(client.Subscribe("a/#", 0), 1);
  EXPECT_EQ(client.Publish("a/b", nullptr, 0, 1, true), 2);
  stream.sent.clear();
  // A SUBACK refusal is reported, not fatal; a QoS 1 message is acknowledged.
  Feed("90 03 0001 80 40 02 0002 33 07 0001 74 0005 0102 31 04 0001 75 09");
  EXPECT_EQ(events.subacks, std::vector<std::uint8_t>{0x80});
  EXPECT_EQ(events.acks, std::vector<std::uint16_t>{2});
  EXPECT_EQ(events.messages, (std::vector<std::string>{"t:2r", "u:1r"}));
  EXPECT_EQ(stream.sent, Hex("40 02 0005"));
  client.Disconnect();
  EXPECT_EQ(stream.sent, Hex("40 02 0005 e0 00"));
  EXPECT_TRUE(stream.closed);
  EXPECT_TRUE(events.closes.empty());
}

TEST_F(ClientTest, HostileOrSilentBrokersEndTheConnectionWithAReason) {
  struct Case {
    const char* what;
    std::function<void(Harness&)> act;
    Error want;
  };
  const Case cases[] = {
      {"refused",
       [](Harness& t) { t.client.Open("h:1", {}), t.client.OnStreamOpen(), t.Feed("20 02 00 05"); },
       Error::Refused},
      {"closed before CONNACK",
       [](Harness& t) { t.client.Open("h:1", {}), t.client.OnStreamClosed(); }, Error::Unreachable},
      {"PUBLISH before CONNACK",
       [](Harness& t) {
         t.client.Open("h:1", {}), t.client.OnStreamOpen(), t.Feed("30 03 0001 74");
       },
       Error::Protocol},
      {"CONNACK never comes",
       [](Harness& t) { t.client.Open("h:1", {}), t.client.Tick(kAnswerTimeoutMs + 1); },
       Error::Timeout},
      {"SUBACK never comes",
       [](Harness& t) {
         t.Connect(), t.client.Subscribe("a", 0), t.client.Tick(kAnswerTimeoutMs + 1);
       },
       Error::Timeout},
      {"PINGRESP never comes",
       [](Harness& t) { t.Connect(), t.client.Tick(5000), t.client.Tick(15001); }, Error::Timeout},
      {"malformed", [](Harness& t) { t.Connect(), t.Feed("30 80 00"); }, Error::Protocol},
      {"too large", [](Harness& t) { t.Connect(), t.Feed("90 ff 7f"); }, Error::Protocol},
      {"second CONNACK", [](Harness& t) { t.Connect(), t.Feed("20 02 00 00"); }, Error::Protocol},
      {"PUBACK of nothing", [](Harness& t) { t.Connect(), t.Feed("40 02 0007"); }, Error::Protocol},
      {"PINGRESP unasked", [](Harness& t) { t.Connect(), t.Feed("d0 00"); }, Error::Protocol},
      {"closed mid-packet",
       [](Harness& t) { t.Connect(), t.Feed("30 05 00"), t.client.OnStreamClosed(); }, Error::Lost},
  };
  for (const Case& c : cases) {
    Harness t;
    c.act(t);
    EXPECT_EQ(t.events.closes, std::vector<Error>{c.want}) << c.what;
    EXPECT_EQ(t.client.state(), State::Idle) << c.what;
    EXPECT_TRUE(t.stream.closed) << c.what;
  }
}

TEST_F(ClientTest, KeepAlivePingsOnlyWhenIdle) {
  Connect();
  client.Tick(4000);
  EXPECT_TRUE(stream.sent.empty());
  client.Tick(5000);
  EXPECT_EQ(stream.sent, Hex("c0 00"));
  Feed("d0 00");
  client.Tick(9000);  // the ping itself was the last thing sent
  EXPECT_EQ(stream.sent, Hex("c0 00"));
  client.Tick(10000);
  EXPECT_EQ(stream.sent, Hex("c0 00 c0 00"));
  EXPECT_TRUE(events.closes.empty());
}

}  // namespace
}  // namespace dz::mqtt
