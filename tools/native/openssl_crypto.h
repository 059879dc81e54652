// The rooms' crypto port on OpenSSL, for the native tools and the unit tests: AES-256-GCM and
// the system's generator. Answers inside the call, or, when deferred, when Finish is called:
// latest first, as an asynchronous platform may.
#pragma once

#include <openssl/evp.h>
#include <openssl/rand.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "room/crypto.h"

namespace dz::native {

class OpensslCrypto : public Crypto {
 public:
  using Bytes = std::vector<std::uint8_t>;
  bool deferred = false;

  // Seals (ciphertext then tag) or opens (`in` is ciphertext then tag) into out.
  static bool Gcm(bool seal, const std::uint8_t* key, const std::uint8_t* nonce,
                  const std::uint8_t* aad, std::size_t aadLen, const std::uint8_t* in,
                  std::size_t n, Bytes* out) {
    if (!seal && n < kTagSize) return false;
    const std::size_t body = seal ? n : n - kTagSize;
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    int len = 0;
    out->assign(body + kTagSize, 0);
    bool ok = EVP_CipherInit_ex(ctx, EVP_aes_256_gcm(), nullptr, key, nonce, seal ? 1 : 0) == 1 &&
              EVP_CipherUpdate(ctx, nullptr, &len, aad, static_cast<int>(aadLen)) == 1 &&
              EVP_CipherUpdate(ctx, out->data(), &len, in, static_cast<int>(body)) == 1;
    if (ok && !seal) {
      ok = EVP_CIPHER_CTX_ctrl(ctx, EVP_CTRL_GCM_SET_TAG, kTagSize,
                               const_cast<std::uint8_t*>(in + body)) == 1;
    }
    ok = ok && EVP_CipherFinal_ex(ctx, out->data() + body, &len) == 1;
    if (ok && seal) {
      ok = EVP_CIPHER_CTX_ctrl(ctx, EVP_CTRL_GCM_GET_TAG, kTagSize, out->data() + body) == 1;
    }
    EVP_CIPHER_CTX_free(ctx);
    if (!seal) out->resize(body);
    return ok;
  }

  void Random(std::uint8_t* out, std::size_t n) override { RAND_bytes(out, static_cast<int>(n)); }
  void Seal(CryptoResults& to, std::uint32_t request, const std::uint8_t (&key)[kRoomKeySize],
            const std::uint8_t (&nonce)[kNonceSize], const std::uint8_t* aad, std::size_t aadLen,
            const std::uint8_t* plain, std::size_t n) override {
    Bytes out;
    const bool ok = Gcm(true, key, nonce, aad, aadLen, plain, n, &out);
    Answer([&to, request, ok, out] { to.OnSealed(request, ok, out.data(), out.size()); });
  }
  void Open(CryptoResults& to, std::uint32_t request, const std::uint8_t (&key)[kRoomKeySize],
            const std::uint8_t (&nonce)[kNonceSize], const std::uint8_t* aad, std::size_t aadLen,
            const std::uint8_t* sealed, std::size_t n) override {
    Bytes out;
    const bool ok = Gcm(false, key, nonce, aad, aadLen, sealed, n, &out);
    Opened(ok, out);
    Answer([&to, request, ok, out] { to.OnOpened(request, ok, out.data(), out.size()); });
  }
  // Gives the deferred answers, the latest first; returns how many.
  int Finish() {
    int n = 0;
    while (!pending_.empty()) {
      auto f = pending_.back();
      pending_.pop_back();
      f();
      ++n;
    }
    return n;
  }

 protected:
  // Sees every message opened (the load generator measures its deliveries here).
  virtual void Opened(bool /*ok*/, const Bytes& /*plain*/) {}

 private:
  void Answer(std::function<void()> f) {
    if (deferred) {
      pending_.push_back(std::move(f));
    } else {
      f();
    }
  }
  std::vector<std::function<void()>> pending_;
};

}  // namespace dz::native
