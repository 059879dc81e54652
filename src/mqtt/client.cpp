#include "mqtt/client.h"

namespace dz::mqtt {

bool Client::Open(const char* address, const Options& options) {
  if (state_ != State::Idle) return false;
  ConnectFields f{options.clientId, options.userName, options.keepAliveS, options.will};
  connectSize_ = EncodeConnect(f, connect_, sizeof connect_);
  if (connectSize_ == 0) return false;
  ++generation_;
  keepAliveS_ = options.keepAliveS;
  lastError_ = Error::None;
  refusalCode_ = 0;
  parseError_ = ParseError::None;
  pings_ = 0;
  for (Awaited& a : awaited_) a = Awaited{};
  reader_.Reset();
  state_ = State::Opening;
  openedAt_ = now_;
  stream_.Connect(address);
  return true;
}

void Client::Disconnect(bool keepWill) {
  if (state_ == State::Idle) return;
  if (state_ == State::Connected && !keepWill) {
    std::uint8_t p[2];
    SendPacket(p, EncodeDisconnect(p, sizeof p));
  }
  state_ = State::Idle;
  ++generation_;
  lastError_ = Error::None;
  stream_.Close();
}

void Client::Fail(Error why) {
  if (state_ == State::Idle) return;
  state_ = State::Idle;
  ++generation_;
  lastError_ = why;
  stream_.Close();
  listener_.OnClosed(why);
}

void Client::SendPacket(const std::uint8_t* p, std::size_t n) {
  if (n == 0) return;
  lastSent_ = now_;
  stream_.Send(p, n);
}

std::uint16_t Client::NextId() {
  if (++lastId_ == 0) lastId_ = 1;
  return lastId_;
}

Client::Awaited* Client::FreeAwaited() {
  for (Awaited& a : awaited_) {
    if (a.id == 0) return &a;
  }
  return nullptr;
}

Client::Awaited* Client::FindAwaited(std::uint16_t id, bool subscribe) {
  for (Awaited& a : awaited_) {
    if (a.id == id && a.subscribe == subscribe) return &a;
  }
  return nullptr;
}

std::uint16_t Client::Subscribe(const char* topicFilter, std::uint8_t qos) {
  if (state_ != State::Connected) return 0;
  Awaited* slot = FreeAwaited();
  if (slot == nullptr) return 0;
  const std::uint16_t id = NextId();
  std::uint8_t p[kMaxOutgoingPacket];
  const std::size_t n = EncodeSubscribe(id, topicFilter, qos, p, sizeof p);
  if (n == 0) return 0;
  *slot = Awaited{id, true, now_};
  SendPacket(p, n);
  return id;
}

std::uint16_t Client::Publish(const char* topic, const std::uint8_t* payload, std::size_t size,
                              std::uint8_t qos, bool retain) {
  if (state_ != State::Connected) return 0;
  Awaited* slot = nullptr;
  std::uint16_t id = 1;
  if (qos == 1) {
    slot = FreeAwaited();
    if (slot == nullptr) return 0;
    id = NextId();
  }
  std::uint8_t p[kMaxOutgoingPacket];
  const std::size_t n = EncodePublish(topic, payload, size, qos, retain, id, p, sizeof p);
  if (n == 0) return 0;
  if (slot != nullptr) *slot = Awaited{id, false, now_};
  SendPacket(p, n);
  return id;
}

bool Client::Ping() {
  if (state_ != State::Connected) return false;
  if (pings_ >= kMaxPending) return false;
  std::uint8_t p[2];
  SendPacket(p, EncodePingreq(p, sizeof p));
  if (pings_++ == 0) pingSince_ = now_;
  return true;
}

void Client::Tick(std::uint64_t nowMs) {
  now_ = nowMs;
  switch (state_) {
    case State::Idle:
      return;
    case State::Opening:
    case State::AwaitingConnack:
      if (now_ - openedAt_ > kAnswerTimeoutMs) Fail(Error::Timeout);
      return;
    case State::Connected:
      break;
  }
  if (pings_ != 0 && now_ - pingSince_ > kAnswerTimeoutMs) return Fail(Error::Timeout);
  for (const Awaited& a : awaited_) {
    if (a.id != 0 && now_ - a.since > kAnswerTimeoutMs) return Fail(Error::Timeout);
  }
  // Keep-alive: a ping once nothing was sent for the interval.
  if (keepAliveS_ != 0 && pings_ == 0 && now_ - lastSent_ >= keepAliveS_ * 1000ull) Ping();
}

void Client::OnStreamOpen() {
  if (state_ != State::Opening) return;
  state_ = State::AwaitingConnack;
  openedAt_ = now_;
  SendPacket(connect_, connectSize_);
}

void Client::OnStreamClosed() {
  if (state_ == State::Idle) return;
  Fail(state_ == State::Connected ? Error::Lost : Error::Unreachable);
}

std::size_t Client::OnStreamBytes(const std::uint8_t* data, std::size_t n) {
  if (state_ == State::Opening || state_ == State::Idle) return n;
  const std::uint32_t generation = generation_;
  const std::size_t total = n;
  while (n > 0 && !listener_.Full()) {
    PacketReader::Status status;
    const std::size_t used = reader_.Feed(data, n, &status);
    data += used;
    n -= used;
    if (status == PacketReader::Status::Error) {
      parseError_ = reader_.error();
      Fail(Error::Protocol);
      return total;
    }
    if (status != PacketReader::Status::Complete) continue;
    Packet p;
    const ParseError e = DecodeServerPacket(reader_.packet(), reader_.size(), &p);
    if (e != ParseError::None) {
      parseError_ = e;
      Fail(Error::Protocol);
      return total;
    }
    if (!HandlePacket(p) || generation != generation_) return total;
  }
  return total - n;
}

bool Client::HandlePacket(const Packet& p) {
  if (state_ == State::AwaitingConnack) {
    if (p.type != PacketType::Connack) {
      parseError_ = ParseError::Unexpected;
      Fail(Error::Protocol);
      return false;
    }
    if (p.returnCode != 0) {
      refusalCode_ = p.returnCode;
      Fail(Error::Refused);
      return false;
    }
    state_ = State::Connected;
    lastSent_ = now_;
    listener_.OnConnected(p.sessionPresent);
    return true;
  }
  switch (p.type) {
    case PacketType::Publish:
      if (p.qos == 1) {
        std::uint8_t ack[4];
        SendPacket(ack, EncodePuback(p.packetId, ack, sizeof ack));
      }
      listener_.OnMessage(p.topic, p.topicLen, p.payload, p.payloadLen, p.retain);
      return true;
    case PacketType::Puback:
    case PacketType::Suback: {
      const bool subscribe = p.type == PacketType::Suback;
      Awaited* a = FindAwaited(p.packetId, subscribe);
      if (a == nullptr) break;  // an answer to nothing asked
      *a = Awaited{};
      if (subscribe) {
        listener_.OnSubscribed(p.packetId, p.subackCode);
      } else {
        listener_.OnPublished(p.packetId);
      }
      return true;
    }
    case PacketType::Pingresp:
      if (pings_ == 0) break;
      // The next ping's wait is counted from now: a little longer than it was.
      if (--pings_ != 0) pingSince_ = now_;
      listener_.OnPong();
      return true;
    default:
      break;  // a second CONNACK
  }
  parseError_ = ParseError::Unexpected;
  Fail(Error::Protocol);
  return false;
}

}  // namespace dz::mqtt
