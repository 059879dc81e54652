// What a room derives from its link: hashes against their published vectors, the link's
// strict reading, the sealed messages' plaintext, and the tests' AES-GCM port.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "gcm_vector.h"
#include "room/link.h"
#include "room/message.h"
#include "room/sha256.h"
#include "room_fakes.h"

namespace dz {
namespace {

using testing::Bytes;

Bytes Hex(const std::string& hex) {
  Bytes b;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    b.push_back(static_cast<std::uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  }
  return b;
}

Bytes Text(const std::string& s) {
  return Bytes(s.begin(), s.end());
}

TEST(RoomCrypto, Sha256HmacAndHkdfGiveThePublishedVectors) {
  struct HashCase {
    Bytes data;
    const char* digest;
  };
  const HashCase hashes[] = {
      {{}, "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {Text("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {Text("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {Bytes(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  for (const HashCase& c : hashes) {
    Sha256 h;
    // In two uneven parts, across block boundaries.
    const std::size_t half = c.data.size() / 3;
    h.Update(c.data.data(), half);
    h.Update(c.data.data() + half, c.data.size() - half);
    std::uint8_t out[kSha256Size];
    h.Final(out);
    EXPECT_EQ(Bytes(out, out + 32), Hex(c.digest)) << c.data.size();
  }
  struct MacCase {  // RFC 4231 cases 1, 2 and 6
    Bytes key, data;
    const char* mac;
  };
  const MacCase macs[] = {
      {Bytes(20, 0x0b), Text("Hi There"),
       "b0344c61d8db38535ca8afceaf0bf12b881dc200c9833da726e9376c2e32cff7"},
      {Text("Jefe"), Text("what do ya want for nothing?"),
       "5bdcc146bf60754e6a042426089575c75a003f089d2739839dec58b964ec3843"},
      {Bytes(131, 0xaa), Text("Test Using Larger Than Block-Size Key - Hash Key First"),
       "60e431591ee0b67f0d8a26aacbf5b77f8e0bc6213728c5140546040f0ee37f54"},
  };
  for (const MacCase& c : macs) {
    std::uint8_t out[kSha256Size];
    HmacSha256(c.key.data(), c.key.size(), c.data.data(), c.data.size(), out);
    EXPECT_EQ(Bytes(out, out + 32), Hex(c.mac));
  }
  struct KdfCase {  // RFC 5869 cases 1 and 3
    Bytes salt, info;
    const char* okm;
  };
  const KdfCase kdfs[] = {
      {Hex("000102030405060708090a0b0c"), Hex("f0f1f2f3f4f5f6f7f8f9"),
       "3cb25f25faacd57a90434f64d0362f2a2d2d0a90cf1a5a4c5db02d56ecc4c5bf34007208d5b887185865"},
      {{},
       {},
       "8da4e775a563c18f715f802a063c5a31b8a11f5c5ee1879ec3454e5f3c738d2d9d201395faa4b61a96c8"},
  };
  const Bytes ikm(22, 0x0b);
  for (const KdfCase& c : kdfs) {
    std::uint8_t out[42];
    ASSERT_TRUE(HkdfSha256(c.salt.data(), c.salt.size(), ikm.data(), ikm.size(), c.info.data(),
                           c.info.size(), out, sizeof out));
    EXPECT_EQ(Bytes(out, out + 42), Hex(c.okm));
  }
}

TEST(RoomCrypto, TheTestsGcmPortGivesTheNistVector) {
  const Bytes key = Hex(testing::gcm::kKey);
  const Bytes iv = Hex(testing::gcm::kNonce);
  const Bytes aad = Hex(testing::gcm::kAad);
  const Bytes plain = Hex(testing::gcm::kPlain);
  const Bytes sealed = Hex(testing::gcm::kSealed);
  Bytes out;
  ASSERT_TRUE(testing::OpensslCrypto::Gcm(true, key.data(), iv.data(), aad.data(), aad.size(),
                                          plain.data(), plain.size(), &out));
  EXPECT_EQ(out, sealed);
  ASSERT_TRUE(testing::OpensslCrypto::Gcm(false, key.data(), iv.data(), aad.data(), aad.size(),
                                          sealed.data(), sealed.size(), &out));
  EXPECT_EQ(out, plain);
  EXPECT_FALSE(testing::OpensslCrypto::Gcm(false, key.data(), iv.data(), aad.data(), aad.size() - 1,
                                           sealed.data(), sealed.size(), &out));
}

constexpr char kSecret[] = "AAECAwQFBgcICQoLDA0ODxAREhMUFRYXGBkaGxwdHh8";  // bytes 0 to 31

TEST(RoomLinks, OnlyWellFormedLinksAreRead) {
  const std::string room = std::string("room=") + kSecret;
  struct Case {
    std::string text;
    bool ok;
  };
  const Case cases[] = {
      {"https://h/dz/#" + room + "&broker=wss://b:8081/mqtt&tcp=b:1883", true},
      {"#" + room + "&tcp=[::1]:1883", true},
      {room + "&broker=ws://127.0.0.1:9001", true},
      {"#" + room, false},                                // no broker
      {"#" + room + "&tcp=b:1883&broker=ws://b", false},  // out of order
      {"#" + room + "&tcp=b:1883&tcp=b:1884", false},
      {"#" + room + "&tcp=b:1883&x=1", false},
      {"#" + room + "&tcp=b:0", false},
      {"#" + room + "&tcp=b:65536", false},
      {"#" + room + "&tcp=b:01883", false},
      {"#" + room + "&tcp=b c:1883", false},
      {"#" + room + "&tcp=b", false},
      {"#" + room + "&broker=http://b", false},
      {"#" + room + "&broker=ws://", false},
      {"#" + room + "&broker=ws://b/\"x", false},
      {"#" + room + "&broker=" + std::string(200, 'w'), false},
      {"#room=" + std::string(kSecret).substr(1) + "&tcp=b:1", false},  // 42 characters
      {"#room=" + std::string(kSecret) + "A&tcp=b:1", false},           // 44
      {"#room=" + std::string(kSecret, 42) + "9&tcp=b:1", false},       // spare bits set
      {"#room=" + std::string(kSecret, 42) + "=&tcp=b:1", false},       // padding
      {"#broker=ws://b&" + room, false},
      {"", false},
  };
  for (const Case& c : cases) {
    RoomLink link;
    EXPECT_EQ(ParseRoomLink(c.text.c_str(), &link), c.ok) << c.text;
  }
  RoomLink link;
  ASSERT_TRUE(ParseRoomLink(cases[0].text.c_str(), &link));
  for (int i = 0; i < 32; ++i) EXPECT_EQ(link.secret[i], i);
  EXPECT_STREQ(link.broker, "wss://b:8081/mqtt");
  EXPECT_STREQ(link.tcp, "b:1883");
  // Written back: the same link (a page's own fragment is dropped).
  char out[kMaxLinkSize];
  ASSERT_GT(FormatRoomLink(link, "https://h/dz/#old", out, sizeof out), 0);
  EXPECT_EQ(out, cases[0].text);
  EXPECT_EQ(FormatRoomLink(link, "https://h/dz/", out, 20), 0);
  char host[kMaxAddressSize + 1];
  std::uint16_t port = 0;
  ASSERT_TRUE(ParseHostPort("[fe80::1]:8883", &host, &port));
  EXPECT_STREQ(host, "fe80::1");
  EXPECT_EQ(port, 8883);
}

TEST(RoomLinks, IdAndKeyAreDerivedApartAndOneWay) {
  RoomLink link;
  ASSERT_TRUE(ParseRoomLink((std::string("room=") + kSecret + "&tcp=b:1").c_str(), &link));
  RoomKeys a;
  DeriveRoomKeys(link.secret, &a);
  EXPECT_EQ(std::strlen(a.id), 32u);
  EXPECT_EQ(std::strspn(a.id, "0123456789abcdef"), 32u);
  // Neither is the secret or a part of it, and neither is the other.
  EXPECT_EQ(std::memcmp(a.key, link.secret, 32) == 0, false);
  EXPECT_NE(Bytes(a.key, a.key + 16), Hex(a.id));
  link.secret[31] ^= 1;
  RoomKeys b;
  DeriveRoomKeys(link.secret, &b);
  EXPECT_STRNE(a.id, b.id);
  EXPECT_NE(Bytes(a.key, a.key + 32), Bytes(b.key, b.key + 32));
}

TEST(RoomMessages, RoundTripAndStrictReading) {
  RoomMessage c;
  c.type = MessageType::Piece;
  c.member = 0x0102030405060708;
  c.seq = 77;
  c.slot = 25;
  c.piece.active = true;
  c.piece.x = -5;
  c.piece.y = 2147483647;
  std::strcpy(c.piece.name, "\x82\xa0Z");  // a double-byte character and a letter
  c.piece.color = 5;
  c.piece.melee = 1;
  RoomMessage a = c;
  a.kind = PieceKind::Area;
  a.slot = 4;
  a.piece.radius = -3;
  RoomMessage g;
  g.type = MessageType::Grid;
  g.grid = 25;
  for (const RoomMessage& m : {c, a, g}) {
    std::uint8_t buf[kMaxPlainSize];
    const std::size_t n = EncodeRoomMessage(m, buf);
    RoomMessage back;
    ASSERT_TRUE(DecodeRoomMessage(buf, n, &back));
    EXPECT_EQ(back.type, m.type);
    EXPECT_EQ(back.member, m.member);
    EXPECT_EQ(back.seq, m.seq);
    EXPECT_EQ(back.grid, m.grid);
    if (m.type == MessageType::Piece) {
      EXPECT_EQ(back.slot, m.slot);
      EXPECT_TRUE(SameState(m.kind, back.piece, m.piece));
    }
    EXPECT_FALSE(DecodeRoomMessage(buf, n - 1, &back));
  }
  std::uint8_t buf[kMaxPlainSize];
  const std::size_t n = EncodeRoomMessage(c, buf);
  // Each change of one byte that must be refused.
  struct Change {
    std::size_t at;
    std::uint8_t value;
    const char* what;
  };
  const Change changes[] = {
      {0, 2, "version"},      {1, 9, "type"},          {18, 26, "slot"},
      {19, 2, "kind"},        {28, 6, "colour"},       {29, 2, "melee"},
      {30, 4, "name length"}, {31, 0, "null in name"}, {33, 0x82, "half a character"},
  };
  for (const Change& ch : changes) {
    std::uint8_t bad[kMaxPlainSize];
    std::memcpy(bad, buf, n);
    bad[ch.at] = ch.value;
    RoomMessage back;
    EXPECT_FALSE(DecodeRoomMessage(bad, n, &back)) << ch.what;
  }
  g.grid = 31;
  const std::size_t gn = EncodeRoomMessage(g, buf);
  RoomMessage back;
  EXPECT_FALSE(DecodeRoomMessage(buf, gn, &back)) << "a grid size not offered";
}

}  // namespace
}  // namespace dz
