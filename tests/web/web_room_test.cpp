// The browser edition's crypto port against the fake page: WebCrypto's answers reach the
// request they belong to, once. (The room on the page's socket: tests/web/rooms.test.js.)
#include "web/web_room.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_page.h"

namespace dz::web {
namespace {

using testing::fakePage;

struct Recorder : CryptoResults {
  std::vector<std::string> got;
  void OnSealed(std::uint32_t request, bool ok, const std::uint8_t*, std::size_t n) override {
    got.push_back("sealed " + std::to_string(request) + (ok ? " ok " : " failed ") +
                  std::to_string(n));
  }
  void OnOpened(std::uint32_t request, bool ok, const std::uint8_t*, std::size_t n) override {
    got.push_back("opened " + std::to_string(request) + (ok ? " ok " : " failed ") +
                  std::to_string(n));
  }
};

// The room numbers seals and openings separately: the same request id on both, answered out
// of order, still reaches the right callback; a repeated or unknown answer reaches nothing.
TEST(WebRoomTest, CryptoAnswersFindTheirRequest) {
  fakePage = testing::FakePage{};
  Recorder a;
  Recorder b;
  const std::uint8_t key[kRoomKeySize] = {};
  const std::uint8_t nonce[kNonceSize] = {};
  const std::uint8_t bytes[20] = {};
  PageCrypto().Seal(a, 7, key, nonce, bytes, 3, bytes, 4);
  PageCrypto().Open(b, 7, key, nonce, bytes, 3, bytes, 20);
  ASSERT_EQ(fakePage.crypto.size(), 2u);
  EXPECT_TRUE(fakePage.crypto[0].seal);
  EXPECT_FALSE(fakePage.crypto[1].seal);
  EXPECT_EQ(fakePage.crypto[1].data.size(), 20u);
  const std::uint32_t sealTicket = fakePage.crypto[0].ticket;
  const std::uint32_t openTicket = fakePage.crypto[1].ticket;
  EXPECT_NE(sealTicket, openTicket);
  CryptoDone(openTicket, false, nullptr, 0);
  CryptoDone(sealTicket, true, bytes, 20);
  CryptoDone(sealTicket, true, bytes, 20);
  CryptoDone(openTicket + 100, true, bytes, 4);
  EXPECT_EQ(a.got, std::vector<std::string>{"sealed 7 ok 20"});
  EXPECT_EQ(b.got, std::vector<std::string>{"opened 7 failed 0"});
}

}  // namespace
}  // namespace dz::web
