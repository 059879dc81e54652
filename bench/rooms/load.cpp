// The rooms' load generator: N rooms of M members on one broker, every member moving its
// own piece H times a second, all through the core's MQTT client and room logic (the same
// messages, seals and convergence as the editions), on POSIX sockets and OpenSSL.
//
//   rooms_load --tcp HOST:PORT [--rooms N] [--members M] [--hz H] [--procs P]
//              [--warm S] [--measure S] [--cool S] [--broker-pid PID]
//
// The rooms are shared among P processes (every member of a room in the same one); the
// members of a process take turns with the board's pools (native/board_store.h). Each move
// carries its number in the piece's position, and the mover notes when it published it;
// every other member, on opening the message, looks the time up (CLOCK_MONOTONIC, one clock
// for all processes): latency from publish to delivery. Moves published during the
// measuring window count; their deliveries are awaited through the cooling time, while the
// moves go on. The result: one line of figures, then the same as a table row.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "board/board.h"
#include "native/board_store.h"
#include "native/openssl_crypto.h"
#include "native/tcp_stream.h"
#include "room/link.h"
#include "room/message.h"
#include "room/room.h"

namespace {

using namespace dz;
using native::NowUs;

// Moves remembered per member (a ring): at ten a second, 100 s of moves.
constexpr int kRing = 1024;

// Latency histogram in microseconds: 1 µs steps to 10 ms, 100 µs steps to 1 s, 10 ms steps
// to 60 s, then one bucket for the rest.
constexpr int kFine = 10000, kMid = 9900, kCoarse = 5900;
constexpr int kBuckets = kFine + kMid + kCoarse + 1;

int Bucket(std::uint64_t us) {
  if (us < 10000) return static_cast<int>(us);
  if (us < 1000000) return kFine + static_cast<int>((us - 10000) / 100);
  if (us < 60000000) return kFine + kMid + static_cast<int>((us - 1000000) / 10000);
  return kBuckets - 1;
}

std::uint64_t BucketValue(int b) {
  if (b < kFine) return static_cast<std::uint64_t>(b);
  if (b < kFine + kMid) return 10000 + static_cast<std::uint64_t>(b - kFine) * 100;
  return 1000000 + static_cast<std::uint64_t>(b - kFine - kMid) * 10000;
}

// What a process reports to the coordinator.
struct Report {
  std::uint64_t published = 0;  // moves published in the window
  std::uint64_t skipped = 0;    // moves of the window not made: the process fell behind
  std::uint64_t foreign = 0;    // deliveries of window moves to the other members
  std::uint64_t echoes = 0;     // deliveries of window moves back to their movers
  std::uint64_t maxUs = 0;
  std::uint64_t dropped = 0;  // messages the rooms dropped
  std::uint32_t members = 0;
  std::uint32_t ready = 0;  // members that saw the whole room before the moves began
  std::uint32_t reconnects = 0;
  std::uint32_t hist[kBuckets] = {};
};

struct Options {
  std::string tcp;
  int rooms = 10, members = 6, hz = 10, procs = 1;
  double warm = 3, measure = 10, cool = 3;
  long brokerPid = 0;
};

class Generator;

// A member's crypto port: OpenSSL, and the generator sees every message it opens.
class MeasuringCrypto : public native::OpensslCrypto {
 public:
  Generator* generator = nullptr;
  int member = 0;

 protected:
  void Opened(bool ok, const Bytes& plain) override;
};

struct Member : native::TcpStream::Sink, RoomListener {
  Member(Generator& g, native::Loop& loop, int index);
  void OnOpen() override;
  void OnBytes(const std::uint8_t* data, std::size_t n) override;
  void OnClosed() override;
  void OnStatusChanged() override;
  void OnBoardChanged(bool) override;

  Generator& generator;
  int index;   // in the process
  int inRoom;  // 0 .. members − 1: its piece is named 'A' + inRoom
  native::BoardStore board;
  MeasuringCrypto crypto;
  native::TcpStream stream;
  Room room;
  bool placed = false;
  bool wasConnected = false;
  bool isConnected = false;
  bool ready = false;
};

class Generator {
 public:
  Generator(const Options& o, int rooms) : options_(o), rooms_(rooms) {
    const int n = rooms * o.members;
    sent_.assign(static_cast<std::size_t>(n) * kRing, 0);
    for (int i = 0; i < n; ++i) members_.push_back(std::make_unique<Member>(*this, loop_, i));
    links_.assign(static_cast<std::size_t>(rooms), std::string());
  }

  void Use(Member& m) { boards_.Use(m.board); }
  int MembersPerRoom() const { return options_.members; }

  // Connects the rooms (at most 64 connections opening at once), places every member's
  // piece, and waits until every member sees the whole room or 60 s pass.
  void SetUp() {
    const std::uint64_t limit = NowUs() + 60000000;
    int nextRoom = 0;
    while (NowUs() < limit) {
      int opening = 0, ready = 0;
      for (auto& m : members_) {
        opening += m->room.status() == RoomStatus::Connecting;
        ready += m->ready;
      }
      if (ready == static_cast<int>(members_.size())) break;
      while (nextRoom < rooms_ && opening < 64) {
        Member& first = *members_[static_cast<std::size_t>(nextRoom * options_.members)];
        Use(first);
        char link[kMaxLinkSize];
        if (first.room.Create("http://127.0.0.1/", "", options_.tcp.c_str(), link, sizeof link) ==
            0) {
          std::fprintf(stderr, "rooms_load: bad broker address %s\n", options_.tcp.c_str());
          std::exit(2);
        }
        links_[static_cast<std::size_t>(nextRoom)] = link;
        ++nextRoom;
        ++opening;
      }
      for (auto& m : members_) {
        // The others join once the first is in: the room's board is then there.
        const int r = m->index / options_.members;
        if (m->inRoom != 0 && m->room.status() == RoomStatus::Outside && r < nextRoom &&
            members_[static_cast<std::size_t>(r * options_.members)]->room.status() ==
                RoomStatus::Connected &&
            opening < 64) {
          Use(*m);
          m->room.Join(links_[static_cast<std::size_t>(r)].c_str());
          ++opening;
        }
        if (m->room.status() == RoomStatus::Connected && !m->placed) Place(*m);
      }
      Service(10);
    }
  }

  // Moves for warm + measure + cool seconds from `start` (µs); then waits a second for the
  // last deliveries.
  void Run(std::uint64_t start) {
    const std::uint64_t n = members_.size();
    const double periodUs = 1e6 / options_.hz / static_cast<double>(n);
    windowStart_ = start + static_cast<std::uint64_t>(options_.warm * 1e6);
    windowEnd_ = windowStart_ + static_cast<std::uint64_t>(options_.measure * 1e6);
    const std::uint64_t end = windowEnd_ + static_cast<std::uint64_t>(options_.cool * 1e6);
    std::uint64_t move = 0;
    while (NowUs() < start) Service(static_cast<int>((start - NowUs()) / 1000));
    for (;;) {
      const std::uint64_t now = NowUs();
      if (now >= end) break;
      // Every move due by now; one more than a period late is skipped (counted).
      for (;;) {
        const std::uint64_t due = start + static_cast<std::uint64_t>(move * periodUs);
        if (due > now) break;
        Member& m = *members_[move % n];
        const std::uint32_t k = static_cast<std::uint32_t>(move / n) + 1;
        ++move;
        if (now - due > static_cast<std::uint64_t>(1e6 / options_.hz)) {
          if (due >= windowStart_ && due < windowEnd_) ++report_.skipped;
          continue;
        }
        Move(m, k);
      }
      const std::uint64_t next = start + static_cast<std::uint64_t>(move * periodUs);
      const std::uint64_t after = NowUs();
      Service(next > after ? static_cast<int>((next - after + 999) / 1000) : 0);
    }
    const std::uint64_t drain = NowUs() + 1000000;
    while (NowUs() < drain) Service(10);
  }

  Report& Finish() {
    report_.members = static_cast<std::uint32_t>(members_.size());
    for (auto& m : members_) {
      report_.ready += m->ready;
      report_.dropped += m->room.dropped();
    }
    return report_;
  }

  // A message a member opened: a move of a piece is looked up by its mover and number.
  void Opened(int member, const std::uint8_t* plain, std::size_t n) {
    RoomMessage msg;
    if (!DecodeRoomMessage(plain, n, &msg) || msg.type != MessageType::Piece ||
        msg.kind != PieceKind::Character) {
      return;
    }
    const int mover = msg.piece.name[0] - 'A';
    if (mover < 0 || mover >= options_.members || msg.piece.name[1] != '\0') return;
    const int k = ((msg.piece.x - 16) / 17) + 32 * ((msg.piece.y - 16) / 17);
    if (k < 0 || k >= kRing) return;
    const int room = member / options_.members;
    const std::uint64_t sent =
        sent_[static_cast<std::size_t>((room * options_.members + mover) * kRing + k)];
    if (sent < windowStart_ || sent >= windowEnd_) return;
    if (mover == member % options_.members) {
      ++report_.echoes;
      return;
    }
    const std::uint64_t us = NowUs() - sent;
    ++report_.foreign;
    ++report_.hist[Bucket(us)];
    report_.maxUs = std::max(report_.maxUs, us);
  }

  void Reconnected() { ++report_.reconnects; }

 private:
  // Runs the loop once, then gives every room its clock four times a second.
  void Service(int timeoutMs) {
    loop_.RunOnce(std::max(0, std::min(timeoutMs, 50)));
    const std::uint64_t nowMs = NowUs() / 1000;
    if (nowMs - lastTick_ < 250) return;
    lastTick_ = nowMs;
    for (auto& m : members_) {
      Use(*m);
      m->room.Tick(nowMs);
    }
  }

  // The member's own piece: a character named 'A' + its place in the room, in the slot of
  // the same number.
  void Place(Member& m) {
    Use(m);
    PieceState s;
    s.active = true;
    s.x = 16 + 17 * 31;  // the cell of move kRing − 1: not one of a run's
    s.y = 16 + 17 * 31;
    s.name[0] = static_cast<char>('A' + m.inRoom);
    s.color = static_cast<std::uint8_t>(m.inRoom % kColorCount);
    WriteSlot(PieceKind::Character, m.inRoom, s);
    m.room.Sync();
    m.placed = true;
  }

  // Move k of a member: its piece to the cell that encodes k (modulo the ring).
  void Move(Member& m, std::uint32_t k) {
    Use(m);
    const int slot = m.inRoom;
    const int at = static_cast<int>(k % kRing);
    if (!characters[slot].IsActive() || characters[slot].GetName()[0] != 'A' + m.inRoom) return;
    characters[slot].SetPosition(16 + 17 * (at % 32), 16 + 17 * (at / 32));
    const int room = m.index / options_.members;
    const std::uint64_t now = NowUs();
    sent_[static_cast<std::size_t>((room * options_.members + m.inRoom) * kRing + at)] = now;
    if (now >= windowStart_ && now < windowEnd_) ++report_.published;
    m.room.Sync();
  }

  Options options_;
  int rooms_;
  native::Loop loop_;
  native::Boards boards_;
  std::vector<std::unique_ptr<Member>> members_;
  std::vector<std::string> links_;
  std::vector<std::uint64_t> sent_;  // per member and move number: when it was published
  std::uint64_t windowStart_ = ~0ull, windowEnd_ = ~0ull;
  std::uint64_t lastTick_ = 0;
  Report report_;
};

void MeasuringCrypto::Opened(bool ok, const Bytes& plain) {
  if (ok) generator->Opened(member, plain.data(), plain.size());
}

Member::Member(Generator& g, native::Loop& loop, int i)
    : generator(g),
      index(i),
      inRoom(i % g.MembersPerRoom()),
      stream(loop, *this),
      room(stream, crypto, Transport::Tcp, *this) {
  crypto.generator = &g;
  crypto.member = i;
}

void Member::OnOpen() {
  generator.Use(*this);
  room.OnStreamOpen();
}

void Member::OnBytes(const std::uint8_t* data, std::size_t n) {
  generator.Use(*this);
  room.OnStreamBytes(data, n);
}

void Member::OnClosed() {
  generator.Use(*this);
  room.OnStreamClosed();
}

void Member::OnStatusChanged() {
  const bool connected = room.status() == RoomStatus::Connected;
  if (connected && !isConnected && wasConnected) generator.Reconnected();
  wasConnected |= connected;
  isConnected = connected;
}

// Ready when the whole room is on its board (the pools are this member's during the call).
void Member::OnBoardChanged(bool) {
  if (ready) return;
  int n = 0;
  for (const Character& c : characters) n += c.IsActive();
  ready = n == generator.MembersPerRoom();
}

// ---- the coordinator ----------------------------------------------------------------------

std::vector<int> Threads(long pid) {
  std::vector<int> out;
  const std::string dir = "/proc/" + std::to_string(pid) + "/task";
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* e = readdir(d)) {
      if (e->d_name[0] != '.') out.push_back(std::atoi(e->d_name));
    }
    closedir(d);
  }
  return out;
}

std::uint64_t ProcessTicks(long pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const std::size_t close = all.rfind(')');
  if (close == std::string::npos) return 0;
  std::istringstream rest(all.substr(close + 2));
  std::string field;
  std::uint64_t utime = 0, stime = 0;
  for (int i = 3; i <= 15 && rest >> field; ++i) {
    if (i == 14) utime = std::strtoull(field.c_str(), nullptr, 10);
    if (i == 15) stime = std::strtoull(field.c_str(), nullptr, 10);
  }
  return utime + stime;
}

// Nanoseconds a process's threads waited for a core while runnable (the kernel's
// schedstat): on a shared machine, CPU it wanted and did not get.
std::uint64_t WaitNs(long pid) {
  std::uint64_t total = 0;
  const std::string dir = "/proc/" + std::to_string(pid) + "/task/";
  for (int tid : Threads(pid)) {
    std::ifstream in(dir + std::to_string(tid) + "/schedstat");
    std::uint64_t run = 0, wait = 0;
    if (in >> run >> wait) total += wait;
  }
  return total;
}

// Busy and total ticks of the whole machine (every core).
std::pair<std::uint64_t, std::uint64_t> MachineTicks() {
  std::ifstream in("/proc/stat");
  std::string cpu;
  std::uint64_t v[8] = {};
  in >> cpu;
  for (auto& x : v) in >> x;
  std::uint64_t total = 0;
  for (auto x : v) total += x;
  return {total - v[3] - v[4], total};
}

long StatusKb(long pid, const char* key) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/status");
  std::string k;
  long value = -1;
  while (in >> k) {
    if (k == key && in >> value) return value;
  }
  return -1;
}

std::string LoadAverage() {
  std::ifstream in("/proc/loadavg");
  std::string a, b, c;
  in >> a >> b >> c;
  return a + " " + b + " " + c;
}

bool ReadAll(int fd, void* p, std::size_t n) {
  auto* b = static_cast<std::uint8_t*>(p);
  while (n > 0) {
    const ssize_t r = read(fd, b, n);
    if (r <= 0) return false;
    b += r;
    n -= static_cast<std::size_t>(r);
  }
  return true;
}

bool WriteAll(int fd, const void* p, std::size_t n) {
  auto* b = static_cast<const std::uint8_t*>(p);
  while (n > 0) {
    const ssize_t w = write(fd, b, n);
    if (w <= 0) return false;
    b += w;
    n -= static_cast<std::size_t>(w);
  }
  return true;
}

void SleepUntil(std::uint64_t us) {
  const std::uint64_t now = NowUs();
  if (us > now) usleep(static_cast<useconds_t>(us - now));
}

int Usage() {
  std::fprintf(stderr,
               "usage: rooms_load --tcp HOST:PORT [--rooms N] [--members M] [--hz H] [--procs P]\n"
               "                  [--warm S] [--measure S] [--cool S] [--broker-pid PID]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (i + 1 >= argc) return Usage();
    const char* v = argv[++i];
    if (a == "--tcp") {
      o.tcp = v;
    } else if (a == "--rooms") {
      o.rooms = std::atoi(v);
    } else if (a == "--members") {
      o.members = std::atoi(v);
    } else if (a == "--hz") {
      o.hz = std::atoi(v);
    } else if (a == "--procs") {
      o.procs = std::atoi(v);
    } else if (a == "--warm") {
      o.warm = std::atof(v);
    } else if (a == "--measure") {
      o.measure = std::atof(v);
    } else if (a == "--cool") {
      o.cool = std::atof(v);
    } else if (a == "--broker-pid") {
      o.brokerPid = std::atol(v);
    } else {
      return Usage();
    }
  }
  if (o.tcp.empty() || o.rooms < 1 || o.members < 2 || o.members > 26 || o.hz < 1 || o.procs < 1 ||
      o.procs > o.rooms) {
    return Usage();
  }
  signal(SIGPIPE, SIG_IGN);

  // One process per share of the rooms: up to `ready`, then the start time from the
  // coordinator, then the report.
  struct Child {
    pid_t pid;
    int toChild, fromChild;
  };
  std::vector<Child> children;
  for (int p = 0; p < o.procs; ++p) {
    int down[2], up[2];
    if (pipe(down) != 0 || pipe(up) != 0) return 1;
    const int first = o.rooms * p / o.procs, last = o.rooms * (p + 1) / o.procs;
    const pid_t pid = fork();
    if (pid == 0) {
      close(down[1]);
      close(up[0]);
      ResetBoardState();
      auto g = std::make_unique<Generator>(o, last - first);
      g->SetUp();
      const char ready = 'r';
      std::uint64_t start = 0;
      if (!WriteAll(up[1], &ready, 1) || !ReadAll(down[0], &start, sizeof start)) _exit(1);
      g->Run(start);
      const Report& r = g->Finish();
      _exit(WriteAll(up[1], &r, sizeof r) ? 0 : 1);
    }
    close(down[0]);
    close(up[1]);
    children.push_back({pid, down[1], up[0]});
  }
  for (const Child& c : children) {
    char ready = 0;
    if (!ReadAll(c.fromChild, &ready, 1)) {
      std::fprintf(stderr, "rooms_load: a generator process failed while setting up\n");
      return 1;
    }
  }
  // The moves begin together, half a second from now.
  const std::uint64_t start = NowUs() + 500000;
  for (const Child& c : children) WriteAll(c.toChild, &start, sizeof start);
  const std::uint64_t ws = start + static_cast<std::uint64_t>(o.warm * 1e6);
  const std::uint64_t we = ws + static_cast<std::uint64_t>(o.measure * 1e6);

  SleepUntil(ws);
  const std::uint64_t broker0 = o.brokerPid ? ProcessTicks(o.brokerPid) : 0;
  std::uint64_t gen0 = 0, genWait0 = 0;
  const std::uint64_t brokerWait0 = o.brokerPid ? WaitNs(o.brokerPid) : 0;
  for (const Child& c : children) {
    gen0 += ProcessTicks(c.pid);
    genWait0 += WaitNs(c.pid);
  }
  const auto machine0 = MachineTicks();
  const std::uint64_t t0 = NowUs();
  SleepUntil(we);
  const std::uint64_t t1 = NowUs();
  const std::uint64_t broker1 = o.brokerPid ? ProcessTicks(o.brokerPid) : 0;
  std::uint64_t gen1 = 0, genWait1 = 0;
  const std::uint64_t brokerWait1 = o.brokerPid ? WaitNs(o.brokerPid) : 0;
  for (const Child& c : children) {
    gen1 += ProcessTicks(c.pid);
    genWait1 += WaitNs(c.pid);
  }
  const auto machine1 = MachineTicks();
  const long rss = o.brokerPid ? StatusKb(o.brokerPid, "VmRSS:") : -1;
  const long hwm = o.brokerPid ? StatusKb(o.brokerPid, "VmHWM:") : -1;
  const std::string load = LoadAverage();

  Report total;
  auto part = std::make_unique<Report>();
  bool ok = true;
  for (const Child& c : children) {
    if (!ReadAll(c.fromChild, part.get(), sizeof *part)) {
      ok = false;
      continue;
    }
    total.published += part->published;
    total.skipped += part->skipped;
    total.foreign += part->foreign;
    total.echoes += part->echoes;
    total.maxUs = std::max(total.maxUs, part->maxUs);
    total.dropped += part->dropped;
    total.members += part->members;
    total.ready += part->ready;
    total.reconnects += part->reconnects;
    for (int b = 0; b < kBuckets; ++b) total.hist[b] += part->hist[b];
  }
  for (const Child& c : children) waitpid(c.pid, nullptr, 0);
  if (!ok) {
    std::fprintf(stderr, "rooms_load: a generator process did not report\n");
    return 1;
  }

  auto percentile = [&](double q) -> double {
    if (total.foreign == 0) return 0;
    const auto want = static_cast<std::uint64_t>(q * static_cast<double>(total.foreign - 1)) + 1;
    std::uint64_t seen = 0;
    for (int b = 0; b < kBuckets; ++b) {
      seen += total.hist[b];
      if (seen >= want) return static_cast<double>(BucketValue(b)) / 1000.0;
    }
    return static_cast<double>(total.maxUs) / 1000.0;
  };
  const double secs = static_cast<double>(t1 - t0) / 1e6;
  const double window = o.measure;
  const double tick = static_cast<double>(sysconf(_SC_CLK_TCK));
  const double brokerCpu = static_cast<double>(broker1 - broker0) / tick / secs * 100;
  const double genCpu = static_cast<double>(gen1 - gen0) / tick / secs * 100;
  const double machine = static_cast<double>(machine1.first - machine0.first) /
                         static_cast<double>(machine1.second - machine0.second) * 100 *
                         static_cast<double>(sysconf(_SC_NPROCESSORS_ONLN));
  const double brokerWait = static_cast<double>(brokerWait1 - brokerWait0) / 1e3 / secs / 1e4;
  const double genWait = static_cast<double>(genWait1 - genWait0) / 1e3 / secs / 1e4;
  // CPU time per message through the broker (a publication or a delivery): what a core
  // buys, whatever else the machine is doing meanwhile.
  const double messages = static_cast<double>(total.published + total.foreign + total.echoes);
  const auto perMessage = [&](std::uint64_t ticks) {
    return messages > 0 ? static_cast<double>(ticks) / tick * 1e6 / messages * window / secs : 0;
  };
  const double brokerUs = perMessage(broker1 - broker0), genUs = perMessage(gen1 - gen0);
  const double offered = static_cast<double>(total.members) * o.hz;
  const double in = static_cast<double>(total.published) / window;
  const double out = static_cast<double>(total.foreign + total.echoes) / window;
  const std::uint64_t expected = total.published * static_cast<std::uint64_t>(o.members - 1);
  const double lost =
      expected ? 100.0 * static_cast<double>(expected - std::min(expected, total.foreign)) /
                     static_cast<double>(expected)
               : 0;
  const double median = percentile(0.5), p99 = percentile(0.99);
  const double maxMs = static_cast<double>(total.maxUs) / 1000.0;
  std::printf(
      "rooms %d x %d members (%u ready), %d process(es): publications %.0f/s of %.0f/s offered "
      "(%llu skipped), deliveries %.0f/s (%.2f%% of the others' lost); latency median %.2f ms, "
      "p99 %.2f ms, max %.2f ms; broker CPU %.0f%% (waited for a core %.0f%%), %.1f us a "
      "message, RSS %ld KiB (peak %ld KiB); generator CPU %.0f%% (waited %.0f%%), %.1f us a "
      "message; machine busy %.0f%% of %ld cores; load %s; rooms dropped %llu, reconnects %u\n",
      o.rooms, o.members, total.ready, o.procs, in, offered,
      static_cast<unsigned long long>(total.skipped), out, lost, median, p99, maxMs, brokerCpu,
      brokerWait, brokerUs, rss, hwm, genCpu, genWait, genUs, machine,
      sysconf(_SC_NPROCESSORS_ONLN), load.c_str(), static_cast<unsigned long long>(total.dropped),
      total.reconnects);
  std::printf(
      "| %d | %u | %.0f | %.0f | %.0f | %.2f | %.2f | %.2f | %.2f | %.0f (%.0f) | %.1f | %.1f "
      "| %.0f (%.0f) | %.1f | %.0f | %s |\n",
      o.rooms, total.members, offered, in, out, lost, median, p99, maxMs, brokerCpu, brokerWait,
      static_cast<double>(hwm) / 1024.0, brokerUs, genCpu, genWait, genUs, machine, load.c_str());
  return 0;
}
