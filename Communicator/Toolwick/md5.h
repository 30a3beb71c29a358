// Md5: the MD5 message digest of RFC 1321. Feed the message in any number of
// update() calls, then take the digest with final(); init() starts over.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

using Md5Digest = std::array<uint8_t, 16>;

class Md5 {
 public:
  Md5() { init(); }

  // Forgets everything fed so far.
  void init();
  // Appends `length` bytes at `data` (not kept) to the message.
  void update(const void* data, size_t length);
  // Pads the message and returns its digest; call init() before reuse.
  Md5Digest final();

 private:
  void transform(const uint8_t block[64]);

  std::array<uint32_t, 4> state_{};
  uint64_t bit_count_ = 0;
  std::array<uint8_t, 64> buffer_{};
};

// The digest of `length` bytes at `data` in one call.
Md5Digest md5_digest(const void* data, size_t length);
