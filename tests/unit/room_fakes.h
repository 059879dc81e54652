// Fakes for the room tests: an in-memory broker that keeps
// retained messages and delivers every publication to all subscribers in one order.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "mqtt/client.h"
#include "mqtt/packets.h"
#include "native/openssl_crypto.h"
#include "room/crypto.h"

namespace dz::testing {

using Bytes = std::vector<std::uint8_t>;

// The crypto port of the native tools, shared with the tests.
using native::OpensslCrypto;

// A broker in memory. Clients reach it through FakeBroker::Stream; nothing is reported to a
// client from inside its own calls: Pump moves everything, in rounds, until all is quiet.
// Per round the connections' packets are handled in connection order (or reversed), so the
// broker's order of publications is the same for every subscriber.
class FakeBroker {
 public:
  struct Connection;

  class Stream : public mqtt::ByteStream {
   public:
    FakeBroker* broker = nullptr;
    int conn = -1;
    // Reports to the client; set by the test (a room or a client).
    std::function<void()> open;
    std::function<std::size_t(const std::uint8_t*, std::size_t)> bytes;  // returns bytes taken
    std::function<void()> closed;
    // Runs a report as the stream's owner (the tests swap the board in first).
    std::function<void(const std::function<void()>&)> as = [](const std::function<void()>& f) {
      f();
    };
    void Connect(const char* address) override;
    void Send(const std::uint8_t* data, std::size_t n) override;
    void Close() override;
  };

  struct Message {
    std::string topic;
    Bytes payload;
  };

  struct Connection {
    Stream* stream = nullptr;
    bool announced = false;
    bool connected = false;
    bool gone = false;
    bool clean = false;  // DISCONNECT received
    bool deaf = false;   // publications to it are dropped (a client that fell behind)
    std::string user;
    std::vector<std::string> filters;
    Message will;
    bool hasWill = false;
    Bytes in, out;
  };

  std::uint8_t connackCode = 0;
  std::uint8_t subackCode = 0;
  bool answerConnect = true;  // false: CONNECT and SUBSCRIBE are met with silence
  bool answerSubscribe = true;
  bool reverseOrder = false;
  std::map<std::string, Bytes> retained;
  std::vector<Message> log;  // every publication accepted, in order
  std::vector<Connection> conns;

  // A publication from outside any member (a raw publisher on the room's topics).
  void Inject(const std::string& topic, const Bytes& payload, bool retain = true) {
    Route(topic, payload, retain);
  }

  // Moves packets until nothing moves; returns the number of rounds.
  int Pump() {
    int rounds = 0;
    for (bool moved = true; moved; ++rounds) {
      moved = false;
      for (std::size_t k = 0; k < conns.size(); ++k) {
        Connection& c = conns[k];
        if (!c.announced && !c.gone) {
          c.announced = true;
          moved = true;
          c.stream->as(c.stream->open);
        }
      }
      for (std::size_t k = 0; k < conns.size(); ++k) {
        const std::size_t i = reverseOrder ? conns.size() - 1 - k : k;
        moved |= HandleInput(static_cast<int>(i));
      }
      for (std::size_t i = 0; i < conns.size(); ++i) {
        Connection& c = conns[i];
        if (c.out.empty() || c.gone) continue;
        Bytes b;
        b.swap(c.out);
        Stream* s = c.stream;
        std::size_t used = 0;
        s->as([&] { used = s->bytes(b.data(), b.size()); });
        moved |= used > 0;
        // What the client did not take waits, before anything sent since.
        Bytes& out = conns[i].out;
        out.insert(out.begin(), b.begin() + static_cast<long>(used), b.end());
      }
    }
    return rounds;
  }

  // Ends a connection from the broker's side (as a restart or a cut network does).
  void Drop(int conn) {
    Connection& c = conns[conn];
    if (c.gone) return;
    Gone(conn);
    Stream* s = c.stream;
    s->as(s->closed);
  }

  // Sends raw bytes to a connection.
  void SendRaw(int conn, const Bytes& b) { Append(conns[conn].out, b.data(), b.size()); }

 private:
  static void Append(Bytes& to, const std::uint8_t* p, std::size_t n) {
    to.insert(to.end(), p, p + n);
  }
  static bool Matches(const std::string& filter, const std::string& topic) {
    if (filter.size() >= 2 && filter.compare(filter.size() - 2, 2, "/#") == 0) {
      return topic.compare(0, filter.size() - 1, filter, 0, filter.size() - 1) == 0;
    }
    return filter == topic;
  }
  void Gone(int conn) {
    Connection& c = conns[conn];
    if (c.gone) return;
    c.gone = true;
    if (c.connected && !c.clean && c.hasWill) Route(c.will.topic, c.will.payload, true);
  }
  void Route(const std::string& topic, const Bytes& payload, bool retain) {
    log.push_back({topic, payload});
    if (retain && payload.empty()) retained.erase(topic);
    if (retain && !payload.empty()) retained[topic] = payload;
    for (Connection& c : conns) {
      if (!c.connected || c.gone || c.deaf) continue;
      for (const std::string& f : c.filters) {
        if (Matches(f, topic)) {
          Publish(c, topic, payload, false);
          break;
        }
      }
    }
  }
  static void Publish(Connection& c, const std::string& topic, const Bytes& payload, bool retain) {
    Bytes p;
    p.push_back(static_cast<std::uint8_t>(0x30 | (retain ? 1 : 0)));
    std::size_t rem = 2 + topic.size() + payload.size();
    do {
      std::uint8_t d = rem % 128;
      rem /= 128;
      if (rem) d |= 0x80;
      p.push_back(d);
    } while (rem);
    p.push_back(static_cast<std::uint8_t>(topic.size() >> 8));
    p.push_back(static_cast<std::uint8_t>(topic.size()));
    p.insert(p.end(), topic.begin(), topic.end());
    p.insert(p.end(), payload.begin(), payload.end());
    Append(c.out, p.data(), p.size());
  }
  static std::string Text(const std::uint8_t*& p) {
    const std::size_t n = std::size_t{p[0]} << 8 | p[1];
    std::string s(reinterpret_cast<const char*>(p + 2), n);
    p += 2 + n;
    return s;
  }
  bool HandleInput(int conn) {
    Connection& c = conns[conn];
    bool moved = false;
    while (!c.gone && c.in.size() >= 2) {
      std::size_t rem = 0, i = 1;
      for (int shift = 0;; shift += 7, ++i) {
        if (i >= c.in.size()) return moved;
        rem |= std::size_t{c.in[i] & 0x7Fu} << shift;
        if (!(c.in[i] & 0x80)) break;
      }
      ++i;
      if (c.in.size() < i + rem) return moved;
      const Bytes packet(c.in.begin(), c.in.begin() + static_cast<long>(i + rem));
      c.in.erase(c.in.begin(), c.in.begin() + static_cast<long>(i + rem));
      moved = true;
      Handle(conn, packet[0], packet.data() + i, rem);
    }
    return moved;
  }
  void Handle(int conn, std::uint8_t head, const std::uint8_t* body, std::size_t rem) {
    Connection& c = conns[conn];
    const std::uint8_t* p = body;
    switch (head >> 4) {
      case 1: {  // CONNECT
        Text(p);
        p += 1;
        const std::uint8_t flags = *p++;
        p += 2;
        Text(p);  // client id
        if (flags & 0x04) {
          c.hasWill = true;
          c.will.topic = Text(p);
          const std::string w = Text(p);
          c.will.payload.assign(w.begin(), w.end());
        }
        if (flags & 0x80) c.user = Text(p);
        if (!answerConnect) return;
        const std::uint8_t ack[] = {0x20, 2, 0, connackCode};
        Append(c.out, ack, sizeof ack);
        c.connected = connackCode == 0;
        return;
      }
      case 3: {  // PUBLISH (QoS 0 or 1)
        const std::string topic = Text(p);
        const std::uint8_t qos = (head >> 1) & 3;
        if (qos) {
          const std::uint8_t ack[] = {0x40, 2, p[0], p[1]};
          Append(c.out, ack, sizeof ack);
          p += 2;
        }
        // The broker's access list: a client writes under rooms/<its user name>/ only.
        if (topic.rfind("rooms/" + c.user + "/", 0) != 0) return;
        Route(topic, Bytes(p, body + rem), head & 1);
        return;
      }
      case 8: {  // SUBSCRIBE of one filter
        const std::uint8_t id0 = p[0], id1 = p[1];
        p += 2;
        const std::string filter = Text(p);
        if (!answerSubscribe || !answerConnect) return;
        const std::uint8_t ack[] = {0x90, 3, id0, id1, subackCode};
        Append(c.out, ack, sizeof ack);
        if (subackCode == 0x80 || filter.rfind("rooms/" + c.user + "/", 0) != 0) return;
        c.filters.push_back(filter);
        for (const auto& [topic, payload] : retained) {
          if (Matches(filter, topic) && !payload.empty()) Publish(c, topic, payload, true);
        }
        return;
      }
      case 12: {  // PINGREQ
        const std::uint8_t pong[] = {0xD0, 0};
        Append(c.out, pong, sizeof pong);
        return;
      }
      case 14:  // DISCONNECT
        c.clean = true;
        Gone(conn);
        return;
      default:
        return;
    }
  }
};

inline void FakeBroker::Stream::Connect(const char*) {
  conn = static_cast<int>(broker->conns.size());
  broker->conns.push_back(Connection{});
  broker->conns.back().stream = this;
}

inline void FakeBroker::Stream::Send(const std::uint8_t* data, std::size_t n) {
  if (conn >= 0 && !broker->conns[conn].gone) Append(broker->conns[conn].in, data, n);
}

inline void FakeBroker::Stream::Close() {
  if (conn < 0) return;
  // What the client sent before closing still reaches the broker.
  broker->HandleInput(conn);
  broker->Gone(conn);
  conn = -1;
}

}  // namespace dz::testing
