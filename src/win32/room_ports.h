// The room's platform ports on Win32: a TCP byte stream on Winsock, driven by window
// messages (no threads, the message loop never blocks), and AES-256-GCM on CNG.
#pragma once

#include <windows.h>
#include <winsock2.h>

#include <cstddef>
#include <cstdint>

#include "mqtt/client.h"
#include "room/crypto.h"

namespace dz {
class Room;
}

namespace dz::win32 {

// The private messages of the stream, posted to the window it is attached to.
constexpr UINT kResolvedMessage = WM_APP + 40;  // WSAAsyncGetHostByName's answer
constexpr UINT kSocketMessage = WM_APP + 41;    // WSAAsyncSelect's events
constexpr UINT kFailedMessage = WM_APP + 42;    // a connection that failed before a socket

// "host:port" over TCP. Its events go to the room given to Attach, from the window's
// messages only.
class WinsockStream : public mqtt::ByteStream {
 public:
  WinsockStream() = default;
  WinsockStream(const WinsockStream&) = delete;
  WinsockStream& operator=(const WinsockStream&) = delete;

  // Starts Winsock; the stream's messages go to `window`, its events to `room`.
  void Attach(HWND window, Room* room);

  void Connect(const char* address) override;
  void Send(const std::uint8_t* data, std::size_t n) override;
  void Close() override;

  // The handlers of the three private messages.
  void OnResolved(WPARAM wParam, LPARAM lParam);
  void OnSocket(WPARAM wParam, LPARAM lParam);
  void OnFailed(WPARAM wParam);

  // Bytes waiting for the socket to take them; beyond it the stream fails.
  static constexpr std::size_t kPendingSize = 32 * 1024;

 private:
  void Fail();  // reports the stream closed, later, from a message
  void Flush();
  void Receive();
  void Closed();  // closes the socket and reports it

  HWND window_ = nullptr;
  Room* room_ = nullptr;
  bool started_ = false;
  HANDLE lookup_ = nullptr;  // the host name lookup under way, or null
  SOCKET socket_ = INVALID_SOCKET;
  bool open_ = false;          // FD_CONNECT succeeded
  std::uint32_t attempt_ = 0;  // counts Connect and Close: stale failures are ignored
  std::uint16_t port_ = 0;
  char host_[256] = {};
  char hostent_[MAXGETHOSTSTRUCT] = {};
  std::uint8_t pending_[kPendingSize] = {};
  std::size_t pendingSize_ = 0;
};

// AES-256-GCM and randomness on CNG; every request answers inside the call.
class CngCrypto : public Crypto {
 public:
  CngCrypto() = default;
  ~CngCrypto() override;
  CngCrypto(const CngCrypto&) = delete;
  CngCrypto& operator=(const CngCrypto&) = delete;

  void Random(std::uint8_t* out, std::size_t n) override;
  void Seal(CryptoResults& to, std::uint32_t request, const std::uint8_t (&key)[kRoomKeySize],
            const std::uint8_t (&nonce)[kNonceSize], const std::uint8_t* aad, std::size_t aadLen,
            const std::uint8_t* plain, std::size_t n) override;
  void Open(CryptoResults& to, std::uint32_t request, const std::uint8_t (&key)[kRoomKeySize],
            const std::uint8_t (&nonce)[kNonceSize], const std::uint8_t* aad, std::size_t aadLen,
            const std::uint8_t* sealed, std::size_t n) override;

  // The largest plaintext sealed or opened; larger requests fail.
  static constexpr std::size_t kMaxSize = 4096;

 private:
  // Encrypts (seal) or decrypts into out_; the size written, or −1.
  long Run(bool seal, const std::uint8_t (&key)[kRoomKeySize],
           const std::uint8_t (&nonce)[kNonceSize], const std::uint8_t* aad, std::size_t aadLen,
           const std::uint8_t* in, std::size_t n, std::uint8_t* tag);

  void* algorithm_ = nullptr;  // BCRYPT_ALG_HANDLE, opened on first use
  std::uint8_t out_[kMaxSize + kTagSize] = {};
};

}  // namespace dz::win32
