#include "web/web_room.h"

#include <vector>

#include "app/room_session.h"
#include "web/page.h"
#include "web/text.h"

namespace dz::web {
namespace {

class WebSocketStream : public mqtt::ByteStream {
 public:
  void Connect(const char* address) override { page::SocketOpen(address); }
  void Send(const std::uint8_t* data, std::size_t n) override { page::SocketSend(data, n); }
  void Close() override { page::SocketClose(); }
};

// WebCrypto answers through promises, possibly out of order: each request gets a ticket of
// its own, since the room numbers its seals and its openings separately.
class WebCrypto : public Crypto {
 public:
  void Random(std::uint8_t* out, std::size_t n) override { page::RandomBytes(out, n); }
  void Seal(CryptoResults& to, std::uint32_t request, const std::uint8_t (&key)[kRoomKeySize],
            const std::uint8_t (&nonce)[kNonceSize], const std::uint8_t* aad, std::size_t aadLen,
            const std::uint8_t* plain, std::size_t n) override {
    Start(to, request, true, key, nonce, aad, aadLen, plain, n);
  }
  void Open(CryptoResults& to, std::uint32_t request, const std::uint8_t (&key)[kRoomKeySize],
            const std::uint8_t (&nonce)[kNonceSize], const std::uint8_t* aad, std::size_t aadLen,
            const std::uint8_t* sealed, std::size_t n) override {
    Start(to, request, false, key, nonce, aad, aadLen, sealed, n);
  }

  void Done(std::uint32_t ticket, bool ok, const std::uint8_t* data, std::size_t n) {
    for (std::size_t i = 0; i < pending_.size(); ++i) {
      if (pending_[i].ticket != ticket) continue;
      const Pending p = pending_[i];
      pending_.erase(pending_.begin() + static_cast<std::ptrdiff_t>(i));
      if (p.seal) {
        p.to->OnSealed(p.request, ok, data, ok ? n : 0);
      } else {
        p.to->OnOpened(p.request, ok, data, ok ? n : 0);
      }
      return;
    }
  }

 private:
  struct Pending {
    std::uint32_t ticket;
    std::uint32_t request;
    CryptoResults* to;
    bool seal;
  };
  void Start(CryptoResults& to, std::uint32_t request, bool seal,
             const std::uint8_t (&key)[kRoomKeySize], const std::uint8_t (&nonce)[kNonceSize],
             const std::uint8_t* aad, std::size_t aadLen, const std::uint8_t* data, std::size_t n) {
    const std::uint32_t ticket = ++lastTicket_;
    pending_.push_back(Pending{ticket, request, &to, seal});
    page::CryptoStart(ticket, seal, key, nonce, aad, aadLen, data, n);
  }

  std::vector<Pending> pending_;
  std::uint32_t lastTicket_ = 0;
};

class WebRoomStatus : public RoomStatusView {
 public:
  void ShowRoomStatus(const char* text) override { page::ShowRoomStatus(Cp932ToUtf8(text)); }
};

WebSocketStream stream;
WebCrypto webCrypto;
WebRoomStatus status;

}  // namespace

void StartWebRooms() {
  StartRooms(stream, webCrypto, Transport::WebSocket, &status);
}

void CryptoDone(std::uint32_t ticket, bool ok, const std::uint8_t* data, std::size_t n) {
  webCrypto.Done(ticket, ok, data, n);
}

Crypto& PageCrypto() {
  return webCrypto;
}

}  // namespace dz::web
