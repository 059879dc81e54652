#include "mqtt/packets.h"

#include <cstring>

namespace dz::mqtt {
namespace {

// Writes a packet front to back; remembers when something does not fit.
class Writer {
 public:
  Writer(std::uint8_t* out, std::size_t cap)
      : out_(out), cap_(cap < kMaxOutgoingPacket ? cap : kMaxOutgoingPacket) {}
  void Byte(std::uint8_t b) {
    if (len_ < cap_) {
      out_[len_++] = b;
    } else {
      ok_ = false;
    }
  }
  void U16(std::uint16_t v) {
    Byte(static_cast<std::uint8_t>(v >> 8));
    Byte(static_cast<std::uint8_t>(v));
  }
  void Bytes(const std::uint8_t* p, std::size_t n) {
    if (n > cap_ - len_) {
      ok_ = false;
      return;
    }
    if (n > 0) std::memcpy(out_ + len_, p, n);
    len_ += n;
  }
  // A length-prefixed field.
  void Field(const void* p, std::size_t n) {
    if (n > 0xFFFF) {
      ok_ = false;
      return;
    }
    U16(static_cast<std::uint16_t>(n));
    Bytes(static_cast<const std::uint8_t*>(p), n);
  }
  void Text(const char* s) { Field(s, std::strlen(s)); }
  // The fixed header: type and flags, then the remaining length in 1 to 4 bytes.
  void Header(PacketType type, std::uint8_t flags, std::size_t remaining) {
    Byte(static_cast<std::uint8_t>(static_cast<std::uint8_t>(type) << 4 | flags));
    do {
      std::uint8_t digit = remaining % 128;
      remaining /= 128;
      if (remaining > 0) digit |= 0x80;
      Byte(digit);
    } while (remaining > 0);
  }
  std::size_t Done() const { return ok_ ? len_ : 0; }

 private:
  std::uint8_t* out_;
  std::size_t cap_;
  std::size_t len_ = 0;
  bool ok_ = true;
};

std::size_t FieldSize(std::size_t n) {
  return 2 + n;
}

}  // namespace

std::size_t EncodeConnect(const ConnectFields& f, std::uint8_t* out, std::size_t cap) {
  if (f.clientId == nullptr) return 0;
  const Will* w = f.will;
  if (w != nullptr && (w->topic == nullptr || w->qos > 1)) return 0;
  std::size_t remaining = FieldSize(4) + 1 + 1 + 2 + FieldSize(std::strlen(f.clientId));
  std::uint8_t flags = 0x02;  // clean session
  if (w != nullptr) {
    remaining += FieldSize(std::strlen(w->topic)) + FieldSize(w->size);
    flags |= static_cast<std::uint8_t>(0x04 | w->qos << 3 | (w->retain ? 0x20 : 0));
  }
  if (f.userName != nullptr) {
    remaining += FieldSize(std::strlen(f.userName));
    flags |= 0x80;
  }
  Writer wr(out, cap);
  wr.Header(PacketType::Connect, 0, remaining);
  wr.Text("MQTT");
  wr.Byte(4);  // protocol level 3.1.1
  wr.Byte(flags);
  wr.U16(f.keepAliveS);
  wr.Text(f.clientId);
  if (w != nullptr) {
    wr.Text(w->topic);
    wr.Field(w->payload, w->size);
  }
  if (f.userName != nullptr) wr.Text(f.userName);
  return wr.Done();
}

std::size_t EncodeSubscribe(std::uint16_t id, const char* topicFilter, std::uint8_t qos,
                            std::uint8_t* out, std::size_t cap) {
  if (id == 0 || qos > 1 || topicFilter == nullptr || topicFilter[0] == '\0') return 0;
  Writer wr(out, cap);
  wr.Header(PacketType::Subscribe, 0x02, 2 + FieldSize(std::strlen(topicFilter)) + 1);
  wr.U16(id);
  wr.Text(topicFilter);
  wr.Byte(qos);
  return wr.Done();
}

std::size_t EncodePublish(const char* topic, const std::uint8_t* payload, std::size_t size,
                          std::uint8_t qos, bool retain, std::uint16_t id, std::uint8_t* out,
                          std::size_t cap) {
  if (qos > 1 || (qos == 1 && id == 0) || topic == nullptr || topic[0] == '\0') return 0;
  if (size > kMaxOutgoingPacket) return 0;
  Writer wr(out, cap);
  const std::size_t remaining = FieldSize(std::strlen(topic)) + (qos ? 2 : 0) + size;
  wr.Header(PacketType::Publish, static_cast<std::uint8_t>(qos << 1 | (retain ? 1 : 0)), remaining);
  wr.Text(topic);
  if (qos) wr.U16(id);
  wr.Bytes(payload, size);
  return wr.Done();
}

std::size_t EncodePuback(std::uint16_t id, std::uint8_t* out, std::size_t cap) {
  Writer wr(out, cap);
  wr.Header(PacketType::Puback, 0, 2);
  wr.U16(id);
  return wr.Done();
}

std::size_t EncodePingreq(std::uint8_t* out, std::size_t cap) {
  Writer wr(out, cap);
  wr.Header(PacketType::Pingreq, 0, 0);
  return wr.Done();
}

std::size_t EncodeDisconnect(std::uint8_t* out, std::size_t cap) {
  Writer wr(out, cap);
  wr.Header(PacketType::Disconnect, 0, 0);
  return wr.Done();
}

ParseError DecodeServerPacket(const std::uint8_t* p, std::size_t n, Packet* out) {
  // The fixed header, once more: PacketReader has checked it, a direct caller may not have.
  if (n < 2) return ParseError::Malformed;
  std::size_t remaining = 0;
  std::size_t i = 1;
  for (int shift = 0;; shift += 7, ++i) {
    if (i >= n || i > 4) return ParseError::Malformed;
    remaining |= static_cast<std::size_t>(p[i] & 0x7F) << shift;
    if ((p[i] & 0x80) == 0) break;
  }
  ++i;
  if (n - i != remaining) return ParseError::Malformed;
  const std::uint8_t* body = p + i;
  const std::uint8_t flags = p[0] & 0x0F;
  *out = Packet{};
  out->type = static_cast<PacketType>(p[0] >> 4);
  switch (out->type) {
    case PacketType::Connack:
      if (flags != 0 || remaining != 2 || (body[0] & 0xFE) != 0) return ParseError::Malformed;
      out->sessionPresent = body[0] & 1;
      out->returnCode = body[1];
      if (out->returnCode > 5) return ParseError::Malformed;
      return ParseError::None;
    case PacketType::Publish: {
      out->qos = (flags >> 1) & 3;
      out->retain = flags & 1;
      const bool dup = flags & 8;
      if (out->qos > 1 || (out->qos == 0 && dup)) return ParseError::Malformed;
      if (remaining < 2) return ParseError::Malformed;
      const std::size_t topicLen = std::size_t{body[0]} << 8 | body[1];
      const std::size_t idLen = out->qos ? 2 : 0;
      if (topicLen == 0 || topicLen + idLen > remaining - 2) return ParseError::Malformed;
      const char* topic = reinterpret_cast<const char*>(body + 2);
      for (std::size_t k = 0; k < topicLen; ++k) {
        // A topic name holds no wildcard and no null character.
        if (topic[k] == '\0' || topic[k] == '+' || topic[k] == '#') return ParseError::Malformed;
      }
      out->topic = topic;
      out->topicLen = topicLen;
      std::size_t at = 2 + topicLen;
      if (out->qos) {
        out->packetId = static_cast<std::uint16_t>(body[at] << 8 | body[at + 1]);
        if (out->packetId == 0) return ParseError::Malformed;
        at += 2;
      }
      out->payload = body + at;
      out->payloadLen = remaining - at;
      return ParseError::None;
    }
    case PacketType::Puback:
      if (flags != 0 || remaining != 2) return ParseError::Malformed;
      out->packetId = static_cast<std::uint16_t>(body[0] << 8 | body[1]);
      return out->packetId == 0 ? ParseError::Malformed : ParseError::None;
    case PacketType::Suback:
      if (flags != 0 || remaining != 3) return ParseError::Malformed;
      out->packetId = static_cast<std::uint16_t>(body[0] << 8 | body[1]);
      out->subackCode = body[2];
      if (out->packetId == 0 || (out->subackCode > 2 && out->subackCode != 0x80)) {
        return ParseError::Malformed;
      }
      return ParseError::None;
    case PacketType::Pingresp:
      return (flags != 0 || remaining != 0) ? ParseError::Malformed : ParseError::None;
    default:
      return ParseError::Unexpected;
  }
}

void PacketReader::Reset() {
  fill_ = 0;
  skip_ = 0;
  total_ = 0;
  complete_ = false;
  error_ = ParseError::None;
}

std::size_t PacketReader::Feed(const std::uint8_t* data, std::size_t n, Status* status) {
  if (error_ != ParseError::None) {
    *status = Status::Error;
    return 0;
  }
  if (complete_) {
    fill_ = 0;
    total_ = 0;
    complete_ = false;
  }
  // The rest of a publication too large to keep, passed over.
  std::size_t used = skip_ < n ? skip_ : n;
  skip_ -= used;
  // The fixed header, a byte at a time until the remaining length is known.
  while (total_ == 0 && used < n) {
    const std::uint8_t b = data[used++];
    buf_[fill_++] = b;
    if (fill_ == 1) continue;
    // A fifth length byte, or a last length byte of 0 after the first (a longer encoding
    // than needed), is malformed.
    if ((b & 0x80) != 0 && fill_ == 5) {
      error_ = ParseError::Malformed;
      *status = Status::Error;
      return used;
    }
    if ((b & 0x80) != 0) continue;
    if (b == 0 && fill_ > 2) {
      error_ = ParseError::Malformed;
      *status = Status::Error;
      return used;
    }
    std::size_t remaining = 0;
    for (std::size_t k = fill_ - 1; k >= 1; --k) remaining = remaining * 128 + (buf_[k] & 0x7F);
    if (remaining > kMaxIncomingPacket - fill_) {
      // A publication that large is no room's: passed over, as a broker that relays
      // whatever a client sends (one without a packet size limit) would break the
      // connection of every member on every subscription. Any other packet ends it.
      if ((buf_[0] >> 4) == 3) {
        skip_ = remaining;
        fill_ = 0;
        return used + Feed(data + used, n - used, status);
      }
      error_ = ParseError::TooLarge;
      *status = Status::Error;
      return used;
    }
    total_ = fill_ + remaining;
  }
  if (total_ == 0) {
    *status = Status::NeedMore;
    return used;
  }
  const std::size_t take = (total_ - fill_ < n - used) ? total_ - fill_ : n - used;
  if (take > 0) std::memcpy(buf_ + fill_, data + used, take);
  fill_ += take;
  used += take;
  if (fill_ == total_) {
    complete_ = true;
    *status = Status::Complete;
  } else {
    *status = Status::NeedMore;
  }
  return used;
}

}  // namespace dz::mqtt
