// The native tools' TCP stream: events come from the loop only, never from inside Connect,
// Send or Close, and the bytes arrive whole and in order both ways.
#include "native/tcp_stream.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>

namespace dz::native {
namespace {

struct Recorder : TcpStream::Sink {
  std::string events;  // o: open, c: closed
  std::string bytes;
  bool inCall = false;  // set while the test is inside a call of the stream
  int reportsInCall = 0;
  void OnOpen() override { Note('o'); }
  void OnBytes(const std::uint8_t* data, std::size_t n) override {
    reportsInCall += inCall;
    bytes.append(reinterpret_cast<const char*>(data), n);
  }
  void OnClosed() override { Note('c'); }
  void Note(char e) {
    reportsInCall += inCall;
    events += e;
  }
};

// A listening socket on a free port of 127.0.0.1.
int Listen(std::uint16_t* port) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof a;
  if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(fd, 4) != 0 ||
      getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
    return -1;
  }
  *port = ntohs(a.sin_port);
  return fd;
}

template <typename F>
bool RunUntil(Loop& loop, F done) {
  for (int i = 0; i < 200 && !done(); ++i) loop.RunOnce(10);
  return done();
}

TEST(TcpStream, BytesBothWaysThenThePeerCloses) {
  std::uint16_t port = 0;
  const int server = Listen(&port);
  ASSERT_GE(server, 0);
  Loop loop;
  Recorder r;
  TcpStream s(loop, r);
  const std::string address = "127.0.0.1:" + std::to_string(port);
  r.inCall = true;
  s.Connect(address.c_str());
  r.inCall = false;
  ASSERT_TRUE(RunUntil(loop, [&] { return !r.events.empty(); }));
  EXPECT_EQ(r.events, "o");
  const int peer = accept(server, nullptr, nullptr);
  ASSERT_GE(peer, 0);

  std::string big(300000, 'x');  // more than a socket takes at once: the rest waits
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>('a' + i % 26);
  r.inCall = true;
  s.Send(reinterpret_cast<const std::uint8_t*>(big.data()), big.size());
  r.inCall = false;
  std::string got;
  char buf[65536];
  while (got.size() < big.size()) {
    loop.RunOnce(0);
    const ssize_t n = recv(peer, buf, sizeof buf, MSG_DONTWAIT);
    if (n > 0) got.append(buf, static_cast<std::size_t>(n));
    if (n == 0) break;
  }
  EXPECT_TRUE(got == big);
  ASSERT_EQ(send(peer, "hello", 5, 0), 5);
  ASSERT_TRUE(RunUntil(loop, [&] { return r.bytes.size() == 5; }));
  EXPECT_EQ(r.bytes, "hello");
  close(peer);
  ASSERT_TRUE(RunUntil(loop, [&] { return r.events.size() == 2; }));
  EXPECT_EQ(r.events, "oc");
  EXPECT_EQ(r.reportsInCall, 0);
  close(server);
}

TEST(TcpStream, FailuresAreReportedOnceFromTheLoopAndCloseSilences) {
  std::uint16_t port = 0;
  const int server = Listen(&port);
  ASSERT_GE(server, 0);
  close(server);  // nobody listens there any more
  Loop loop;
  const std::string refused = "127.0.0.1:" + std::to_string(port);
  for (const char* address : {refused.c_str(), "not an address", "127.0.0.1:0"}) {
    Recorder r;
    TcpStream s(loop, r);
    r.inCall = true;
    s.Connect(address);
    r.inCall = false;
    RunUntil(loop, [&] { return !r.events.empty(); });
    for (int i = 0; i < 5; ++i) loop.RunOnce(1);
    EXPECT_EQ(r.events, "c") << address;
    EXPECT_EQ(r.reportsInCall, 0) << address;
  }
  // Closed before the failure is reported: nothing is.
  Recorder r;
  TcpStream s(loop, r);
  s.Connect("not an address");
  s.Close();
  for (int i = 0; i < 5; ++i) loop.RunOnce(1);
  EXPECT_EQ(r.events, "");
}

}  // namespace
}  // namespace dz::native
