// The published AES-GCM test vector of both crypto ports' checks (the OpenSSL port of the
// unit tests, CNG under Wine): AES-256, a 96-bit nonce, with additional data (case 16).
#pragma once

namespace dz::testing::gcm {

constexpr char kKey[] = "feffe9928665731c6d6a8f9467308308feffe9928665731c6d6a8f9467308308";
constexpr char kNonce[] = "cafebabefacedbaddecaf888";
constexpr char kAad[] = "feedfacedeadbeeffeedfacedeadbeefabaddad2";
constexpr char kPlain[] =
    "d9313225f88406e5a55909c5aff5269a86a7a9531534f7da2e4c303d8a318a721c3c0c95956809532fcf0e2449"
    "a6b525b16aedf5aa0de657ba637b39";
// The ciphertext followed by the 16-byte tag.
constexpr char kSealed[] =
    "522dc1f099567d07f47f37a32a84427d643a8cdcbfe5c0c97598a2bd2555d1aa8cb08e48590dbb3da7b08b1056"
    "828838c5f61e6393ba7a0abcc9f66276fc6ece0f4e1768cddf8853bb2d551b";

}  // namespace dz::testing::gcm
