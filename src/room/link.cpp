#include "room/link.h"

#include <cstring>

#include "room/sha256.h"

namespace dz {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
constexpr int kSecretChars = 43;  // 256 bits in 6-bit characters, no padding

int Base64Value(char c) {
  const char* p = std::strchr(kAlphabet, c);
  return (c != '\0' && p != nullptr) ? static_cast<int>(p - kAlphabet) : -1;
}

// Reads exactly 43 characters into 32 bytes; the last character's two spare bits must be 0.
bool DecodeSecret(const char* text, std::size_t n, std::uint8_t (&out)[kSecretSize]) {
  if (n != kSecretChars) return false;
  std::uint32_t acc = 0;
  int bits = 0;
  int w = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const int v = Base64Value(text[i]);
    if (v < 0) return false;
    acc = (acc << 6) | static_cast<std::uint32_t>(v);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out[w++] = static_cast<std::uint8_t>(acc >> bits);
    }
  }
  return (acc & ((1u << bits) - 1)) == 0;
}

void EncodeSecret(const std::uint8_t (&secret)[kSecretSize], char* out) {
  std::uint32_t acc = 0;
  int bits = 0;
  int w = 0;
  for (std::uint8_t b : secret) {
    acc = (acc << 8) | b;
    bits += 8;
    while (bits >= 6) {
      bits -= 6;
      out[w++] = kAlphabet[(acc >> bits) & 63];
    }
  }
  out[w++] = kAlphabet[(acc << (6 - bits)) & 63];
  out[w] = '\0';
}

bool IsUrlChar(char c) {
  return c > ' ' && c < 0x7F && std::strchr("&#\"'<>\\`^{}|", c) == nullptr;
}

bool IsHostChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
         c == '-';
}

// Copies a field's value into out (at most kMaxAddressSize bytes).
bool CopyValue(const char* p, std::size_t n, char (&out)[kMaxAddressSize + 1]) {
  if (n == 0 || n > kMaxAddressSize) return false;
  std::memcpy(out, p, n);
  out[n] = '\0';
  return true;
}

}  // namespace

bool IsBrokerUrl(const char* text) {
  const std::size_t n = std::strlen(text);
  std::size_t scheme = 0;
  if (std::strncmp(text, "ws://", 5) == 0) scheme = 5;
  if (std::strncmp(text, "wss://", 6) == 0) scheme = 6;
  if (scheme == 0 || n > kMaxAddressSize) return false;
  if (!IsHostChar(text[scheme]) && text[scheme] != '[') return false;
  for (std::size_t i = scheme; i < n; ++i) {
    if (!IsUrlChar(text[i])) return false;
  }
  return true;
}

bool ParseHostPort(const char* text, char (*host)[kMaxAddressSize + 1], std::uint16_t* port) {
  const std::size_t n = std::strlen(text);
  if (n > kMaxAddressSize) return false;
  const char* colon = std::strrchr(text, ':');
  if (colon == nullptr) return false;
  const char* hostStart = text;
  const char* hostEnd = colon;
  if (text[0] == '[') {
    // [IPv6]:port
    if (colon == text || colon[-1] != ']') return false;
    hostStart = text + 1;
    hostEnd = colon - 1;
    for (const char* p = hostStart; p < hostEnd; ++p) {
      const char c = *p;
      const bool hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
      if (!hex && c != ':' && c != '.') return false;
    }
  } else {
    for (const char* p = hostStart; p < hostEnd; ++p) {
      if (!IsHostChar(*p)) return false;
    }
  }
  if (hostEnd == hostStart) return false;
  const char* digits = colon + 1;
  const std::size_t count = std::strlen(digits);
  if (count == 0 || count > 5 || digits[0] == '0') return false;
  std::uint32_t value = 0;
  for (const char* p = digits; *p != '\0'; ++p) {
    if (*p < '0' || *p > '9') return false;
    value = value * 10 + static_cast<std::uint32_t>(*p - '0');
  }
  if (value > 65535) return false;
  if (host != nullptr) {
    const std::size_t len = static_cast<std::size_t>(hostEnd - hostStart);
    std::memcpy(*host, hostStart, len);
    (*host)[len] = '\0';
  }
  if (port != nullptr) *port = static_cast<std::uint16_t>(value);
  return true;
}

bool ParseRoomLink(const char* text, RoomLink* out) {
  *out = RoomLink{};
  const char* hash = std::strchr(text, '#');
  const char* p = hash != nullptr ? hash + 1 : text;
  // Fields in their order; each but the first optional.
  static const char* const kNames[] = {"room=", "broker=", "tcp="};
  int next = 0;
  while (true) {
    const char* end = std::strchr(p, '&');
    const std::size_t len = end != nullptr ? static_cast<std::size_t>(end - p) : std::strlen(p);
    int field = -1;
    for (int k = next; k < 3 && field < 0; ++k) {
      const std::size_t nameLen = std::strlen(kNames[k]);
      if (len >= nameLen && std::strncmp(p, kNames[k], nameLen) == 0) field = k;
    }
    if (field < 0 || (next == 0 && field != 0)) return false;
    const std::size_t nameLen = std::strlen(kNames[field]);
    const char* value = p + nameLen;
    const std::size_t valueLen = len - nameLen;
    switch (field) {
      case 0:
        if (!DecodeSecret(value, valueLen, out->secret)) return false;
        break;
      case 1:
        if (!CopyValue(value, valueLen, out->broker) || !IsBrokerUrl(out->broker)) return false;
        break;
      default:
        if (!CopyValue(value, valueLen, out->tcp) || !ParseHostPort(out->tcp, nullptr, nullptr)) {
          return false;
        }
        break;
    }
    next = field + 1;
    if (end == nullptr) break;
    p = end + 1;
  }
  return out->broker[0] != '\0' || out->tcp[0] != '\0';
}

int FormatRoomLink(const RoomLink& link, const char* page, char* out, int cap) {
  if (link.broker[0] == '\0' && link.tcp[0] == '\0') return 0;
  if (link.broker[0] != '\0' && !IsBrokerUrl(link.broker)) return 0;
  if (link.tcp[0] != '\0' && !ParseHostPort(link.tcp, nullptr, nullptr)) return 0;
  char secret[kSecretChars + 1];
  EncodeSecret(link.secret, secret);
  const std::size_t pageLen = std::strlen(page);
  const char* pageEnd = std::strchr(page, '#');  // a page's own fragment is dropped
  const std::size_t keep = pageEnd != nullptr ? static_cast<std::size_t>(pageEnd - page) : pageLen;
  const char* parts[] = {
      "#room=", secret, link.broker[0] ? "&broker=" : "", link.broker, link.tcp[0] ? "&tcp=" : "",
      link.tcp};
  std::size_t total = keep;
  for (const char* s : parts) total += std::strlen(s);
  if (cap <= 0 || total >= static_cast<std::size_t>(cap)) return 0;
  std::memcpy(out, page, keep);
  std::size_t at = keep;
  for (const char* s : parts) {
    const std::size_t n = std::strlen(s);
    std::memcpy(out + at, s, n);
    at += n;
  }
  out[at] = '\0';
  return static_cast<int>(at);
}

void DeriveRoomKeys(const std::uint8_t (&secret)[kSecretSize], RoomKeys* out) {
  static const char kIdInfo[] = "dozero room id v1";
  static const char kKeyInfo[] = "dozero room key v1";
  std::uint8_t id[kRoomIdSize / 2];
  HkdfSha256(nullptr, 0, secret, sizeof secret, reinterpret_cast<const std::uint8_t*>(kIdInfo),
             sizeof kIdInfo - 1, id, sizeof id);
  static const char kHex[] = "0123456789abcdef";
  for (int i = 0; i < kRoomIdSize / 2; ++i) {
    out->id[2 * i] = kHex[id[i] >> 4];
    out->id[2 * i + 1] = kHex[id[i] & 15];
  }
  out->id[kRoomIdSize] = '\0';
  HkdfSha256(nullptr, 0, secret, sizeof secret, reinterpret_cast<const std::uint8_t*>(kKeyInfo),
             sizeof kKeyInfo - 1, out->key, sizeof out->key);
}

}  // namespace dz
