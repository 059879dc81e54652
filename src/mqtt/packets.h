// MQTT 3.1.1 packets: the encoders of what a client sends and a strict reader of what a
// server sends. Every packet is bounded: an encoder writes nothing that would pass
// kMaxOutgoingPacket, and the reader refuses any packet larger than kMaxIncomingPacket as
// soon as its length is known, before reading its body.
#pragma once

#include <cstddef>
#include <cstdint>

namespace dz::mqtt {

// Whole packets, fixed header included. Brokers slow larger packets to WebSocket clients.
constexpr std::size_t kMaxOutgoingPacket = 4096;
constexpr std::size_t kMaxIncomingPacket = 8192;

enum class PacketType : std::uint8_t {
  Connect = 1,
  Connack = 2,
  Publish = 3,
  Puback = 4,
  Pubrec = 5,
  Pubrel = 6,
  Pubcomp = 7,
  Subscribe = 8,
  Suback = 9,
  Unsubscribe = 10,
  Unsuback = 11,
  Pingreq = 12,
  Pingresp = 13,
  Disconnect = 14,
};

struct Will {
  const char* topic;
  const std::uint8_t* payload;
  std::size_t size;
  std::uint8_t qos;  // 0 or 1
  bool retain;
};

struct ConnectFields {
  const char* clientId;  // 1 to 23 letters and digits for every broker to take it
  const char* userName;  // null: none
  std::uint16_t keepAliveS;
  const Will* will;  // null: none
};

// Each encoder writes one packet into out[0, cap) and returns its size, or 0 when the
// packet would pass cap or kMaxOutgoingPacket or a field is out of range (a topic or a
// text over 65535 bytes, a QoS over 1, a packet id 0 where one is needed).
std::size_t EncodeConnect(const ConnectFields& f, std::uint8_t* out, std::size_t cap);
std::size_t EncodeSubscribe(std::uint16_t id, const char* topicFilter, std::uint8_t qos,
                            std::uint8_t* out, std::size_t cap);
// `id` is used only with QoS 1.
std::size_t EncodePublish(const char* topic, const std::uint8_t* payload, std::size_t size,
                          std::uint8_t qos, bool retain, std::uint16_t id, std::uint8_t* out,
                          std::size_t cap);
std::size_t EncodePuback(std::uint16_t id, std::uint8_t* out, std::size_t cap);
std::size_t EncodePingreq(std::uint8_t* out, std::size_t cap);
std::size_t EncodeDisconnect(std::uint8_t* out, std::size_t cap);

enum class ParseError : std::uint8_t {
  None,
  Malformed,   // bad remaining length, reserved flags, fields past the packet's end, …
  TooLarge,    // announced length over kMaxIncomingPacket
  Unexpected,  // a packet type a server never sends to this client
};

// One packet from a server, its texts and payload pointing into the bytes it was read from.
struct Packet {
  PacketType type = PacketType::Connack;
  // CONNACK
  bool sessionPresent = false;
  std::uint8_t returnCode = 0;
  // PUBLISH
  const char* topic = nullptr;
  std::size_t topicLen = 0;
  const std::uint8_t* payload = nullptr;
  std::size_t payloadLen = 0;
  std::uint8_t qos = 0;
  bool retain = false;
  // PUBLISH with QoS 1, PUBACK, SUBACK
  std::uint16_t packetId = 0;
  // SUBACK (this client subscribes one filter at a time): 0 to 1 granted QoS, 0x80 refused
  std::uint8_t subackCode = 0;
};

// Checks one whole packet (as PacketReader gives it) and describes it. Accepts only what a
// server may send to a client that subscribes with QoS 0 or 1: CONNACK, PUBLISH of QoS 0 or
// 1, PUBACK, SUBACK with one return code, PINGRESP; each with exactly its own length.
ParseError DecodeServerPacket(const std::uint8_t* p, std::size_t n, Packet* out);

// Cuts a byte stream into whole packets, in a fixed buffer.
class PacketReader {
 public:
  enum class Status : std::uint8_t { NeedMore, Complete, Error };

  // Takes bytes from data[0, n) up to the end of the current packet and returns how many it
  // took. A PUBLISH larger than kMaxIncomingPacket is passed over. After Complete the packet is
  // packet()[0, size()) until the next Feed; after Error, error() says why and the reader takes
  // nothing more until Reset.
  std::size_t Feed(const std::uint8_t* data, std::size_t n, Status* status);
  void Reset();
  const std::uint8_t* packet() const { return buf_; }
  std::size_t size() const { return fill_; }
  ParseError error() const { return error_; }

 private:
  std::uint8_t buf_[kMaxIncomingPacket];
  std::size_t fill_ = 0;
  std::size_t total_ = 0;  // whole packet size once the remaining length is read, else 0
  std::size_t skip_ = 0;   // bytes of a publication too large to keep, still to pass over
  bool complete_ = false;
  ParseError error_ = ParseError::None;
};

}  // namespace dz::mqtt
