// The crypto port of a room: randomness and AES-256-GCM. The front-end implements it with
// its platform's primitives (CNG on Windows, WebCrypto in the page). Sealing and opening
// may finish at once (inside the call) or later (WebCrypto answers through promises): either
// way the result is reported exactly once, to the CryptoResults passed with the request.
#pragma once

#include <cstddef>
#include <cstdint>

namespace dz {

constexpr int kRoomKeySize = 32;
constexpr int kNonceSize = 12;
constexpr int kTagSize = 16;

class CryptoResults {
 public:
  virtual ~CryptoResults() = default;
  // The ciphertext followed by the 16-byte tag (n = plaintext size + 16), or ok false when
  // sealing failed. The bytes are valid during the call only.
  virtual void OnSealed(std::uint32_t request, bool ok, const std::uint8_t* data,
                        std::size_t n) = 0;
  // The plaintext, or ok false when the message does not open under the key (altered,
  // sealed under another key or with another additional data).
  virtual void OnOpened(std::uint32_t request, bool ok, const std::uint8_t* data,
                        std::size_t n) = 0;
};

class Crypto {
 public:
  virtual ~Crypto() = default;
  // Fills out with bytes from the platform's cryptographic generator.
  virtual void Random(std::uint8_t* out, std::size_t n) = 0;
  // AES-256-GCM with a 12-byte nonce and a 16-byte tag. Every argument is copied before
  // the call returns.
  virtual void Seal(CryptoResults& to, std::uint32_t request,
                    const std::uint8_t (&key)[kRoomKeySize],
                    const std::uint8_t (&nonce)[kNonceSize], const std::uint8_t* aad,
                    std::size_t aadLen, const std::uint8_t* plain, std::size_t n) = 0;
  // `sealed` is the ciphertext followed by the tag.
  virtual void Open(CryptoResults& to, std::uint32_t request,
                    const std::uint8_t (&key)[kRoomKeySize],
                    const std::uint8_t (&nonce)[kNonceSize], const std::uint8_t* aad,
                    std::size_t aadLen, const std::uint8_t* sealed, std::size_t n) = 0;
};

}  // namespace dz
