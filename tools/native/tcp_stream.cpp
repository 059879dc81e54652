#include "native/tcp_stream.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>

#include "room/link.h"

namespace dz::native {

std::uint64_t NowUs() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<std::uint64_t>(t.tv_sec) * 1000000u +
         static_cast<std::uint64_t>(t.tv_nsec) / 1000u;
}

std::uint64_t NowMs() {
  return NowUs() / 1000u;
}

Loop::Loop() : ep_(epoll_create1(EPOLL_CLOEXEC)) {
  if (ep_ < 0) std::perror("epoll_create1");
}

Loop::~Loop() {
  if (ep_ >= 0) close(ep_);
}

int Loop::Register(TcpStream* s) {
  streams_.push_back(s);
  return static_cast<int>(streams_.size()) - 1;
}

int Loop::RunOnce(int timeoutMs) {
  while (!deferred_.empty()) {
    std::vector<std::function<void()>> now;
    now.swap(deferred_);
    for (auto& f : now) f();
    timeoutMs = 0;
  }
  epoll_event events[256];
  const int n = epoll_wait(ep_, events, 256, timeoutMs);
  for (int i = 0; i < n; ++i) {
    const std::uint64_t d = events[i].data.u64;
    TcpStream* s = streams_[static_cast<std::size_t>(d & 0xffffffffu)];
    if (s) s->Handle(events[i].events, static_cast<std::uint32_t>(d >> 32));
  }
  return n < 0 ? 0 : n;
}

TcpStream::TcpStream(Loop& loop, Sink& sink)
    : loop_(loop), sink_(sink), slot_(loop.Register(this)) {}

TcpStream::~TcpStream() {
  Close();
  loop_.streams_[static_cast<std::size_t>(slot_)] = nullptr;
}

void TcpStream::Connect(const char* address) {
  Close();
  ++generation_;
  failed_ = false;
  char host[kMaxAddressSize + 1];
  std::uint16_t port = 0;
  addrinfo hints{};
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  char service[8];
  if (!ParseHostPort(address, &host, &port)) return Fail();
  std::snprintf(service, sizeof service, "%u", port);
  if (getaddrinfo(host, service, &hints, &found) != 0 || !found) return Fail();
  fd_ = socket(found->ai_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  const int on = 1;
  const bool started =
      fd_ >= 0 && setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on) == 0 &&
      (connect(fd_, found->ai_addr, found->ai_addrlen) == 0 || errno == EINPROGRESS);
  freeaddrinfo(found);
  if (!started) return Fail();
  connecting_ = true;
  epoll_event ev{};
  ev.events = EPOLLOUT;
  ev.data.u64 = static_cast<std::uint64_t>(generation_) << 32 | static_cast<std::uint32_t>(slot_);
  writable_wanted_ = true;
  if (epoll_ctl(loop_.ep_, EPOLL_CTL_ADD, fd_, &ev) != 0) return Fail();
}

void TcpStream::Send(const std::uint8_t* data, std::size_t n) {
  if (fd_ < 0 || failed_) return;
  if (out_.size() - outHead_ + n > kMaxBuffered) return Fail();
  out_.insert(out_.end(), data, data + n);
  if (!connecting_) Flush();
}

void TcpStream::Close() {
  if (fd_ >= 0) {
    epoll_ctl(loop_.ep_, EPOLL_CTL_DEL, fd_, nullptr);
    close(fd_);
  }
  fd_ = -1;
  ++generation_;  // nothing more of this connection is reported
  connecting_ = false;
  out_.clear();
  outHead_ = 0;
}

void TcpStream::Fail() {
  if (failed_) return;
  Close();
  failed_ = true;
  const std::uint32_t gen = generation_;
  loop_.Defer([this, gen] {
    if (generation_ == gen && failed_) sink_.OnClosed();
  });
}

void TcpStream::Flush() {
  while (outHead_ < out_.size()) {
    const ssize_t w = send(fd_, out_.data() + outHead_, out_.size() - outHead_, MSG_NOSIGNAL);
    if (w < 0) {
      if (errno == EAGAIN || errno == EWOULDBLOCK) break;
      if (errno == EINTR) continue;
      return Fail();
    }
    outHead_ += static_cast<std::size_t>(w);
    bytesOut_ += static_cast<std::uint64_t>(w);
  }
  if (outHead_ == out_.size()) {
    out_.clear();
    outHead_ = 0;
  } else if (outHead_ > (1u << 16)) {
    out_.erase(out_.begin(), out_.begin() + static_cast<long>(outHead_));
    outHead_ = 0;
  }
  Watch();
}

// Asks for writability only while bytes wait.
void TcpStream::Watch(bool force) {
  const bool want = outHead_ < out_.size();
  if (fd_ < 0 || (want == writable_wanted_ && !force)) return;
  writable_wanted_ = want;
  epoll_event ev{};
  ev.events = EPOLLIN | (want ? EPOLLOUT : 0u);
  ev.data.u64 = static_cast<std::uint64_t>(generation_) << 32 | static_cast<std::uint32_t>(slot_);
  if (epoll_ctl(loop_.ep_, EPOLL_CTL_MOD, fd_, &ev) != 0) Fail();
}

void TcpStream::Handle(std::uint32_t events, std::uint32_t generation) {
  if (generation != generation_ || fd_ < 0) return;
  if (connecting_) {
    int err = 0;
    socklen_t len = sizeof err;
    if (getsockopt(fd_, SOL_SOCKET, SO_ERROR, &err, &len) != 0 || err != 0) return Fail();
    if (!(events & EPOLLOUT)) return;
    connecting_ = false;
    Watch(true);
    Flush();
    if (generation != generation_) return;
    sink_.OnOpen();
    return;
  }
  if (events & EPOLLOUT) {
    Flush();
    if (generation != generation_) return;
  }
  if (events & (EPOLLIN | EPOLLHUP | EPOLLERR)) {
    // A bounded number of reads per event, so that one busy socket cannot starve the rest.
    std::uint8_t buf[16384];
    for (int i = 0; i < 4 && generation == generation_; ++i) {
      const ssize_t r = recv(fd_, buf, sizeof buf, 0);
      if (r > 0) {
        bytesIn_ += static_cast<std::uint64_t>(r);
        sink_.OnBytes(buf, static_cast<std::size_t>(r));
        if (static_cast<std::size_t>(r) < sizeof buf) break;
        continue;
      }
      if (r < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
      if (r < 0 && errno == EINTR) continue;
      // The peer closed, or the socket failed: reported now, from the loop.
      Close();
      sink_.OnClosed();
      return;
    }
  }
}

}  // namespace dz::native
