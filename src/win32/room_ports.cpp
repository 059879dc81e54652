#include "win32/room_ports.h"

// clang-format off
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <bcrypt.h>
// clang-format on

#include <cstring>

#include "room/link.h"
#include "room/room.h"

namespace dz::win32 {

// ---- the stream ----------------------------------------------------------------------------

void WinsockStream::Attach(HWND window, Room* room) {
  window_ = window;
  room_ = room;
  WSADATA data{};
  started_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

void WinsockStream::Connect(const char* address) {
  Close();
  char host[kMaxAddressSize + 1] = {};
  if (!started_ || window_ == nullptr || !ParseHostPort(address, &host, &port_) ||
      std::strlen(host) >= sizeof host_) {
    Fail();
    return;
  }
  std::strcpy(host_, host);
  lookup_ = WSAAsyncGetHostByName(window_, kResolvedMessage, host_, hostent_, sizeof hostent_);
  if (lookup_ == nullptr) Fail();
}

void WinsockStream::Send(const std::uint8_t* data, std::size_t n) {
  if (n > kPendingSize - pendingSize_) {
    Fail();
    return;
  }
  std::memcpy(pending_ + pendingSize_, data, n);
  pendingSize_ += n;
  if (open_) Flush();
}

void WinsockStream::Close() {
  ++attempt_;
  if (lookup_ != nullptr) WSACancelAsyncRequest(lookup_);
  lookup_ = nullptr;
  if (socket_ != INVALID_SOCKET) {
    WSAAsyncSelect(socket_, window_, 0, 0);  // no more events of this socket
    closesocket(socket_);
  }
  socket_ = INVALID_SOCKET;
  open_ = false;
  pendingSize_ = 0;
}

void WinsockStream::Fail() {
  const std::uint32_t attempt = attempt_;
  Close();
  attempt_ = attempt;  // the failure belongs to this attempt
  PostMessageW(window_, kFailedMessage, attempt, 0);
}

void WinsockStream::OnFailed(WPARAM wParam) {
  if (static_cast<std::uint32_t>(wParam) != attempt_ || lookup_ != nullptr ||
      socket_ != INVALID_SOCKET) {
    return;
  }
  ++attempt_;
  if (room_ != nullptr) room_->OnStreamClosed();
}

void WinsockStream::Closed() {
  Close();
  if (room_ != nullptr) room_->OnStreamClosed();
}

void WinsockStream::OnResolved(WPARAM wParam, LPARAM lParam) {
  if (lookup_ == nullptr || reinterpret_cast<HANDLE>(wParam) != lookup_) return;
  lookup_ = nullptr;
  const auto* entry = reinterpret_cast<const hostent*>(hostent_);
  if (WSAGETASYNCERROR(lParam) != 0 || entry->h_addrtype != AF_INET ||
      entry->h_addr_list == nullptr || entry->h_addr_list[0] == nullptr) {
    Closed();
    return;
  }
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(port_);
  std::memcpy(&to.sin_addr, entry->h_addr_list[0], sizeof to.sin_addr);
  socket_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (socket_ == INVALID_SOCKET) {
    Closed();
    return;
  }
  // The socket becomes non-blocking; its events come as kSocketMessage.
  if (WSAAsyncSelect(socket_, window_, kSocketMessage,
                     FD_CONNECT | FD_READ | FD_WRITE | FD_CLOSE) != 0) {
    Closed();
    return;
  }
  const BOOL noDelay = TRUE;  // a drag's small packets go out at once
  setsockopt(socket_, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay),
             sizeof noDelay);
  if (connect(socket_, reinterpret_cast<const sockaddr*>(&to), sizeof to) != 0 &&
      WSAGetLastError() != WSAEWOULDBLOCK) {
    Closed();
  }
}

void WinsockStream::Flush() {
  std::size_t sent = 0;
  while (sent < pendingSize_) {
    const int r = send(socket_, reinterpret_cast<const char*>(pending_ + sent),
                       static_cast<int>(pendingSize_ - sent), 0);
    if (r == SOCKET_ERROR) {
      if (WSAGetLastError() == WSAEWOULDBLOCK) break;  // the rest on FD_WRITE
      Fail();
      return;
    }
    sent += static_cast<std::size_t>(r);
  }
  std::memmove(pending_, pending_ + sent, pendingSize_ - sent);
  pendingSize_ -= sent;
}

// One read; Winsock posts FD_READ again while bytes remain.
void WinsockStream::Receive() {
  std::uint8_t buf[4096];
  const int r = recv(socket_, reinterpret_cast<char*>(buf), sizeof buf, 0);
  if (r > 0) {
    if (room_ != nullptr) room_->OnStreamBytes(buf, static_cast<std::size_t>(r));
  } else if (r == 0 || WSAGetLastError() != WSAEWOULDBLOCK) {
    Closed();
  }
}

void WinsockStream::OnSocket(WPARAM wParam, LPARAM lParam) {
  if (socket_ == INVALID_SOCKET || static_cast<SOCKET>(wParam) != socket_) return;
  const SOCKET s = socket_;
  const int error = WSAGETSELECTERROR(lParam);
  switch (WSAGETSELECTEVENT(lParam)) {
    case FD_CONNECT:
      if (error != 0) {
        Closed();
        return;
      }
      open_ = true;
      Flush();
      if (socket_ == s && room_ != nullptr) room_->OnStreamOpen();
      return;
    case FD_READ:
      if (open_) Receive();
      return;
    case FD_WRITE:
      if (open_) Flush();
      return;
    case FD_CLOSE:
      // The bytes that came before the end are read first.
      for (int i = 0; i < 64 && socket_ == s && error == 0; ++i) {
        u_long waiting = 0;
        if (ioctlsocket(s, FIONREAD, &waiting) != 0 || waiting == 0) break;
        Receive();
      }
      if (socket_ == s) Closed();
      return;
    default:
      return;
  }
}

// ---- the crypto ----------------------------------------------------------------------------

CngCrypto::~CngCrypto() {
  if (algorithm_ != nullptr) BCryptCloseAlgorithmProvider(algorithm_, 0);
}

void CngCrypto::Random(std::uint8_t* out, std::size_t n) {
  if (!BCRYPT_SUCCESS(
          BCryptGenRandom(nullptr, out, static_cast<ULONG>(n), BCRYPT_USE_SYSTEM_PREFERRED_RNG))) {
    // Without the platform's generator a room cannot be made safely: the process ends
    // rather than make a guessable secret or nonce.
    FatalAppExitW(0, L"BCryptGenRandom");
  }
}

long CngCrypto::Run(bool seal, const std::uint8_t (&key)[kRoomKeySize],
                    const std::uint8_t (&nonce)[kNonceSize], const std::uint8_t* aad,
                    std::size_t aadLen, const std::uint8_t* in, std::size_t n, std::uint8_t* tag) {
  if (n > kMaxSize) return -1;
  if (algorithm_ == nullptr) {
    BCRYPT_ALG_HANDLE a = nullptr;
    if (!BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&a, BCRYPT_AES_ALGORITHM, nullptr, 0))) {
      return -1;
    }
    if (!BCRYPT_SUCCESS(
            BCryptSetProperty(a, BCRYPT_CHAINING_MODE,
                              reinterpret_cast<PUCHAR>(const_cast<wchar_t*>(BCRYPT_CHAIN_MODE_GCM)),
                              sizeof BCRYPT_CHAIN_MODE_GCM, 0))) {
      BCryptCloseAlgorithmProvider(a, 0);
      return -1;
    }
    algorithm_ = a;
  }
  BCRYPT_KEY_HANDLE k = nullptr;
  if (!BCRYPT_SUCCESS(BCryptGenerateSymmetricKey(algorithm_, &k, nullptr, 0,
                                                 const_cast<PUCHAR>(key), kRoomKeySize, 0))) {
    return -1;
  }
  std::uint8_t iv[kNonceSize];
  std::memcpy(iv, nonce, sizeof iv);
  BCRYPT_AUTHENTICATED_CIPHER_MODE_INFO info;
  BCRYPT_INIT_AUTH_MODE_INFO(info);
  info.pbNonce = iv;
  info.cbNonce = kNonceSize;
  info.pbAuthData = const_cast<PUCHAR>(aad);
  info.cbAuthData = static_cast<ULONG>(aadLen);
  info.pbTag = tag;
  info.cbTag = kTagSize;
  PUCHAR input = n != 0 ? const_cast<PUCHAR>(in) : out_;
  ULONG written = 0;
  const NTSTATUS status = seal ? BCryptEncrypt(k, input, static_cast<ULONG>(n), &info, nullptr, 0,
                                               out_, static_cast<ULONG>(n), &written, 0)
                               : BCryptDecrypt(k, input, static_cast<ULONG>(n), &info, nullptr, 0,
                                               out_, static_cast<ULONG>(n), &written, 0);
  BCryptDestroyKey(k);
  return BCRYPT_SUCCESS(status) && written == n ? static_cast<long>(n) : -1;
}

void CngCrypto::Seal(CryptoResults& to, std::uint32_t request,
                     const std::uint8_t (&key)[kRoomKeySize],
                     const std::uint8_t (&nonce)[kNonceSize], const std::uint8_t* aad,
                     std::size_t aadLen, const std::uint8_t* plain, std::size_t n) {
  std::uint8_t tag[kTagSize] = {};
  const long size = Run(true, key, nonce, aad, aadLen, plain, n, tag);
  if (size < 0) {
    to.OnSealed(request, false, nullptr, 0);
    return;
  }
  std::memcpy(out_ + size, tag, kTagSize);
  to.OnSealed(request, true, out_, static_cast<std::size_t>(size) + kTagSize);
}

void CngCrypto::Open(CryptoResults& to, std::uint32_t request,
                     const std::uint8_t (&key)[kRoomKeySize],
                     const std::uint8_t (&nonce)[kNonceSize], const std::uint8_t* aad,
                     std::size_t aadLen, const std::uint8_t* sealed, std::size_t n) {
  std::uint8_t tag[kTagSize] = {};
  long size = -1;
  if (n >= kTagSize) {
    std::memcpy(tag, sealed + n - kTagSize, kTagSize);
    size = Run(false, key, nonce, aad, aadLen, sealed, n - kTagSize, tag);
  }
  if (size < 0) {
    to.OnOpened(request, false, nullptr, 0);
    return;
  }
  to.OnOpened(request, true, out_, static_cast<std::size_t>(size));
}

}  // namespace dz::win32
