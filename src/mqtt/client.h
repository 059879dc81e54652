// An MQTT 3.1.1 client for one connection at a time, behind a byte-stream port. No threads
// and no clock: the front-end reports the stream's events and calls Tick with the time, and
// the client answers through its listener. Reconnecting is its owner's business.
#pragma once

#include <cstddef>
#include <cstdint>

#include "mqtt/packets.h"

namespace dz::mqtt {

// The port: a reliable, ordered byte stream to a broker. A TCP socket carries MQTT as it
// is; a WebSocket (subprotocol "mqtt") carries it in binary messages, cut anywhere.
//
// The front-end reports the stream's events to the client it serves (Client::OnStreamOpen,
// OnStreamBytes, OnStreamClosed), never from inside one of these calls: from its own event
// handling (a window message, a JavaScript event).
class ByteStream {
 public:
  virtual ~ByteStream() = default;
  // Starts opening a stream to `address`: "host:port" for TCP, a ws:// or wss:// URL for a
  // WebSocket. Later, exactly one of OnStreamOpen or OnStreamClosed.
  virtual void Connect(const char* address) = 0;
  // Sends the bytes after everything sent before; they are copied before this returns.
  // What the platform cannot take at once the stream keeps and sends later, in order.
  virtual void Send(const std::uint8_t* data, std::size_t n) = 0;
  // Closes the stream; nothing more is reported of it.
  virtual void Close() = 0;
};

enum class State : std::uint8_t {
  Idle,             // no connection: Open starts one
  Opening,          // the stream is being opened
  AwaitingConnack,  // CONNECT sent
  Connected,        // CONNACK accepted: subscribe and publish
};

// Why a connection ended.
enum class Error : std::uint8_t {
  None,         // the owner disconnected
  Unreachable,  // the stream closed or failed before the broker answered CONNECT
  Refused,      // CONNACK with a non-zero return code (see refusalCode)
  Protocol,     // a malformed or unexpected packet, or one larger than the limit
  Timeout,      // CONNECT, SUBSCRIBE, PINGREQ or a QoS 1 PUBLISH left unanswered
  Lost,         // the stream closed after CONNACK
};

// What the client tells its owner. Every call may call the client back (publish,
// subscribe, disconnect); the client checks its state after each. Defaults do nothing.
class Listener {
 public:
  virtual ~Listener() = default;
  // CONNACK accepted.
  virtual void OnConnected(bool /*sessionPresent*/) {}
  // SUBACK for the SUBSCRIBE `id`: code 0 or 1 is the granted QoS, 0x80 a refusal.
  virtual void OnSubscribed(std::uint16_t /*id*/, std::uint8_t /*code*/) {}
  // A PUBLISH: `retained` is set for the messages a broker sends on a new subscription.
  // The texts and payload are valid during the call only.
  virtual void OnMessage(const char* /*topic*/, std::size_t /*topicLen*/,
                         const std::uint8_t* /*payload*/, std::size_t /*size*/, bool /*retained*/) {
  }
  // PUBACK for the QoS 1 PUBLISH `id`.
  virtual void OnPublished(std::uint16_t /*id*/) {}
  // PINGRESP (to a ping of the owner's or of the keep-alive).
  virtual void OnPong() {}
  // The connection ended (the stream is closed); the client is Idle again.
  virtual void OnClosed(Error /*why*/) {}
  // True while the owner can take no more packets: the client leaves the bytes that follow
  // to the stream's owner, which hands them over again later (see OnStreamBytes).
  virtual bool Full() { return false; }
};

struct Options {
  const char* clientId = "dz";
  const char* userName = nullptr;
  std::uint16_t keepAliveS = 30;
  const Will* will = nullptr;
};

// An answer later than this ends the connection with Error::Timeout.
constexpr std::uint64_t kAnswerTimeoutMs = 10000;
// QoS 1 publications and subscriptions awaiting their answer at a time.
constexpr int kMaxPending = 16;

class Client {
 public:
  Client(ByteStream& stream, Listener& listener) : stream_(stream), listener_(listener) {}

  // Opens a connection (only when Idle; false otherwise or when CONNECT would not fit).
  // The options' texts are copied into the CONNECT packet at once.
  bool Open(const char* address, const Options& options);
  // Sends DISCONNECT (when connected) and closes, without OnClosed; the client is Idle.
  // With keepWill the DISCONNECT is left out, so the broker publishes the last will.
  void Disconnect(bool keepWill = false);

  // Each returns the packet id (1 for QoS 0 publications), or 0 when not connected, when
  // the packet would pass the size limit, or when kMaxPending answers are awaited already.
  std::uint16_t Subscribe(const char* topicFilter, std::uint8_t qos);
  std::uint16_t Publish(const char* topic, const std::uint8_t* payload, std::size_t size,
                        std::uint8_t qos, bool retain);
  // Sends a PINGREQ now; the broker answers it after every packet sent before it.
  bool Ping();

  // The time in milliseconds of a monotonic clock (any origin); call it at least every
  // second. Sends the keep-alive pings and ends connections whose answers are overdue.
  void Tick(std::uint64_t nowMs);

  // The stream's events, reported by the front-end. OnStreamBytes returns how many bytes it
  // took: fewer than n only while the listener is Full, and then the front-end keeps the
  // rest, in order, and hands it over again once the listener has made room.
  void OnStreamOpen();
  std::size_t OnStreamBytes(const std::uint8_t* data, std::size_t n);
  void OnStreamClosed();

  State state() const { return state_; }
  Error lastError() const { return lastError_; }
  std::uint8_t refusalCode() const { return refusalCode_; }
  ParseError parseError() const { return parseError_; }

 private:
  struct Awaited {
    std::uint16_t id;  // 0: free
    bool subscribe;
    std::uint64_t since;
  };
  void Fail(Error why);
  void SendPacket(const std::uint8_t* p, std::size_t n);
  bool HandlePacket(const Packet& p);  // false: the connection ended
  std::uint16_t NextId();
  Awaited* FreeAwaited();
  Awaited* FindAwaited(std::uint16_t id, bool subscribe);

  ByteStream& stream_;
  Listener& listener_;
  State state_ = State::Idle;
  Error lastError_ = Error::None;
  std::uint8_t refusalCode_ = 0;
  ParseError parseError_ = ParseError::None;
  std::uint32_t generation_ = 0;  // counts connections, so a callback can tell it ended
  std::uint64_t now_ = 0;
  std::uint64_t openedAt_ = 0;  // Open or CONNECT sent
  std::uint64_t lastSent_ = 0;
  std::uint64_t pingSince_ = 0;  // when the oldest awaited ping was sent
  int pings_ = 0;                // pings awaited
  std::uint16_t keepAliveS_ = 0;
  std::uint16_t lastId_ = 0;
  Awaited awaited_[kMaxPending] = {};
  std::uint8_t connect_[kMaxOutgoingPacket];
  std::size_t connectSize_ = 0;
  PacketReader reader_;
};

}  // namespace dz::mqtt
