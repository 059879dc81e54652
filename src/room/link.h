// The room link: a page address followed by a fragment that names the broker and carries
// the room's secret,
//
//   https://host/dozero/#room=<43 base64url chars>&broker=wss://host:8081/mqtt&tcp=host:1883
//
// `room` is the 256-bit secret; `broker` (a ws:// or wss:// URL, for the page) and `tcp`
// (host:port, for the Windows program) say where the room lives; at least one of them is
// present. Fields come in this order, each once, and nothing else is accepted. The broker
// learns neither the secret nor the key: both the room's name and its key are derived one
// way from the secret.
#pragma once

#include <cstdint>

namespace dz {

constexpr int kSecretSize = 32;
constexpr int kMaxAddressSize = 200;  // an address of the link, terminator excluded
// Room id: 16 derived bytes in lower-case hex.
constexpr int kRoomIdSize = 32;
// Longest link written, terminator included (with a page address of up to 300 bytes).
constexpr int kMaxLinkSize = 300 + 12 + 43 + 8 + kMaxAddressSize + 5 + kMaxAddressSize + 1;

struct RoomLink {
  std::uint8_t secret[kSecretSize] = {};
  char broker[kMaxAddressSize + 1] = {};  // empty: none
  char tcp[kMaxAddressSize + 1] = {};     // empty: none
};

struct RoomKeys {
  char id[kRoomIdSize + 1] = {};  // the broker's user name and the room's topic root
  std::uint8_t key[32] = {};      // AES-256-GCM key
};

// Reads the fragment of a link (everything after its first '#'; a text without '#' is read
// as a fragment). False for anything but a well-formed fragment.
bool ParseRoomLink(const char* text, RoomLink* out);

// Writes page + '#' + fragment into out; returns the length, or 0 when an address is not
// valid or the link does not fit.
int FormatRoomLink(const RoomLink& link, const char* page, char* out, int cap);

void DeriveRoomKeys(const std::uint8_t (&secret)[kSecretSize], RoomKeys* out);

// A ws:// or wss:// URL with a host, of printable characters that a fragment carries as
// they are (no '&', '#', space or quote), at most kMaxAddressSize bytes.
bool IsBrokerUrl(const char* text);
// host:port, the host a name, an IPv4 address or a bracketed IPv6 address, the port 1 to
// 65535 without leading zeros. Writes the host (without brackets) when host is not null.
bool ParseHostPort(const char* text, char (*host)[kMaxAddressSize + 1], std::uint16_t* port);

}  // namespace dz
