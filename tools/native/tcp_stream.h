// The rooms' byte stream on a POSIX non-blocking TCP socket, and the epoll loop that runs
// many of them in one thread. A stream reports its events to its Sink from the loop, never
// from inside Connect, Send or Close, as the MQTT client requires.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "mqtt/client.h"

namespace dz::native {

// Monotonic milliseconds and microseconds (CLOCK_MONOTONIC: one clock for every process
// of the machine).
std::uint64_t NowMs();
std::uint64_t NowUs();

class TcpStream;

class Loop {
 public:
  Loop();
  ~Loop();
  Loop(const Loop&) = delete;
  Loop& operator=(const Loop&) = delete;

  // Waits for socket events up to timeoutMs (0: just polls) and reports them; runs the
  // deferred reports first. Returns the number of socket events handled.
  int RunOnce(int timeoutMs);
  // Runs f from the loop, after the current call returns.
  void Defer(std::function<void()> f) { deferred_.push_back(std::move(f)); }

 private:
  friend class TcpStream;
  int Register(TcpStream* s);  // a slot for the stream's events
  int ep_ = -1;
  std::vector<TcpStream*> streams_;
  std::vector<std::function<void()>> deferred_;
};

class TcpStream : public mqtt::ByteStream {
 public:
  // What the stream reports; the owner forwards it to its room (Room::OnStream...).
  class Sink {
   public:
    virtual ~Sink() = default;
    virtual void OnOpen() = 0;
    virtual void OnBytes(const std::uint8_t* data, std::size_t n) = 0;
    virtual void OnClosed() = 0;
  };

  // Bytes the stream keeps for a slow socket; beyond this the connection fails.
  static constexpr std::size_t kMaxBuffered = 1 << 20;

  TcpStream(Loop& loop, Sink& sink);
  ~TcpStream() override;

  void Connect(const char* address) override;
  void Send(const std::uint8_t* data, std::size_t n) override;
  void Close() override;

  std::uint64_t bytesIn() const { return bytesIn_; }
  std::uint64_t bytesOut() const { return bytesOut_; }

 private:
  friend class Loop;
  void Handle(std::uint32_t events, std::uint32_t generation);
  void Fail();  // closes and reports OnClosed from the loop
  void Flush();
  void Watch(bool force = false);

  Loop& loop_;
  Sink& sink_;
  int slot_;
  int fd_ = -1;
  std::uint32_t generation_ = 0;  // counts connections; stale events are dropped
  bool connecting_ = false;
  bool failed_ = false;
  bool writable_wanted_ = false;
  std::vector<std::uint8_t> out_;
  std::size_t outHead_ = 0;
  std::uint64_t bytesIn_ = 0;
  std::uint64_t bytesOut_ = 0;
};

}  // namespace dz::native
