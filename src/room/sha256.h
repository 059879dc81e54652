// SHA-256 (FIPS 180-4), HMAC-SHA-256 (RFC 2104) and HKDF-SHA-256 (RFC 5869): what the room
// needs to derive its name and its key from the secret of a room link, one way.
#pragma once

#include <cstddef>
#include <cstdint>

namespace dz {

constexpr int kSha256Size = 32;

class Sha256 {
 public:
  Sha256();
  void Update(const std::uint8_t* data, std::size_t n);
  // Writes the digest; the object must not be used afterwards.
  void Final(std::uint8_t (&out)[kSha256Size]);

 private:
  void Block(const std::uint8_t* p);
  std::uint32_t h_[8];
  std::uint8_t buf_[64];
  std::uint64_t length_ = 0;  // bytes hashed so far
  std::size_t fill_ = 0;      // bytes waiting in buf_
};

void HmacSha256(const std::uint8_t* key, std::size_t keyLen, const std::uint8_t* data,
                std::size_t n, std::uint8_t (&out)[kSha256Size]);

// Extract and expand: fills out[0, outLen) (at most 255 × 32 bytes; false beyond).
bool HkdfSha256(const std::uint8_t* salt, std::size_t saltLen, const std::uint8_t* ikm,
                std::size_t ikmLen, const std::uint8_t* info, std::size_t infoLen,
                std::uint8_t* out, std::size_t outLen);

}  // namespace dz
