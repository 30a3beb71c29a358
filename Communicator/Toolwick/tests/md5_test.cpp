#include "Toolwick/md5.h"

#include <gtest/gtest.h>

#include <string>

#include "Toolwick/format.h"

namespace {

std::string hex(const Md5Digest& digest) {
  std::string out;
  for (uint8_t byte : digest) out += str_format("%02x", static_cast<unsigned>(byte));
  return out;
}

struct Vector {
  const char* message;
  const char* digest;
};

// The test suite of RFC 1321.
const Vector kRfcVectors[] = {
    {"", "d41d8cd98f00b204e9800998ecf8427e"},
    {"a", "0cc175b9c0f1b6a831c399e269772661"},
    {"abc", "900150983cd24fb0d6963f7d28e17f72"},
    {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
    {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
    {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
    {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
     "57edf4a22be3c955ac49da2e2107b67a"},
};

TEST(Md5Test, RfcVectorsInOneCall) {
  for (const Vector& v : kRfcVectors) {
    EXPECT_EQ(hex(md5_digest(v.message, std::string(v.message).size())), v.digest) << '"' << v.message << '"';
  }
}

// Every split of the message into two updates gives the same digest: the
// buffering across the 64-byte blocks and the padding at 55/56 bytes hold.
TEST(Md5Test, RfcVectorsFedInTwoParts) {
  for (const Vector& v : kRfcVectors) {
    const std::string message = v.message;
    for (size_t cut = 0; cut <= message.size(); ++cut) {
      Md5 md5;
      md5.update(message.data(), cut);
      md5.update(message.data() + cut, message.size() - cut);
      EXPECT_EQ(hex(md5.final()), v.digest) << '"' << v.message << "\" cut at " << cut;
    }
  }
}

TEST(Md5Test, InitStartsOver) {
  Md5 md5;
  md5.update("junk", 4);
  md5.final();
  md5.init();
  md5.update("abc", 3);
  EXPECT_EQ(hex(md5.final()), "900150983cd24fb0d6963f7d28e17f72");
}

// Messages whose padding needs a second block, and a long one.
TEST(Md5Test, LengthsAroundTheBlockEnd) {
  const struct {
    size_t length;
    const char* digest;
  } cases[] = {
      {55, "ef1772b6dff9a122358552954ad0df65"},
      {56, "3b0c8ac703f828b04c6c197006d17218"},
      {64, "014842d480b571495a4a0363793f7367"},
      {1000, "cabe45dcc9ae5b66ba86600cca6b8ba8"},
  };
  for (const auto& c : cases) {
    const std::string message(c.length, 'a');
    EXPECT_EQ(hex(md5_digest(message.data(), message.size())), c.digest) << c.length << " x 'a'";
  }
}

}  // namespace
