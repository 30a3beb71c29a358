#include "Toolwick/uuid.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "Platform/sysinfo.h"
#include "Toolwick/md5.h"

namespace {

constexpr const char* kStateFile = "state";
constexpr const char* kNodeFile = "nodeid";

// From 1601-01-01 (file time) to 1582-10-15 (UUID time).
constexpr uint64_t kUuidEpochOffset = 0x00146BF33E42C000ULL;
// Readings are cut to whole milliseconds, so that reading + count never
// reaches the next reading.
constexpr uint64_t kTicksPerReading = 10000;
constexpr uint16_t kUuidsPerReading = 1024;
// 10 seconds in UUID time.
constexpr uint64_t kSaveInterval = 100000000;

using File = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

File open_file(const char* path, const char* mode) { return File(std::fopen(path, mode), std::fclose); }

// The first N bytes of `path`; a file that cannot be opened or is shorter
// counts as missing.
template <size_t N>
std::optional<std::array<uint8_t, N>> read_file(const char* path) {
  File file = open_file(path, "rb");
  if (!file) return std::nullopt;
  std::array<uint8_t, N> bytes;
  if (std::fread(bytes.data(), 1, N, file.get()) != N) return std::nullopt;
  return bytes;
}

// Nothing is written when the file cannot be created.
void write_file(const char* path, const uint8_t* bytes, size_t length) {
  File file = open_file(path, "wb");
  if (file) std::fwrite(bytes, 1, length, file.get());
}

// Network byte order, as hashed for name-based UUIDs.
std::array<uint8_t, 16> to_bytes(const Uuid& u) {
  return {static_cast<uint8_t>(u.time_low >> 24),
          static_cast<uint8_t>(u.time_low >> 16),
          static_cast<uint8_t>(u.time_low >> 8),
          static_cast<uint8_t>(u.time_low),
          static_cast<uint8_t>(u.time_mid >> 8),
          static_cast<uint8_t>(u.time_mid),
          static_cast<uint8_t>(u.time_hi_and_version >> 8),
          static_cast<uint8_t>(u.time_hi_and_version),
          u.clock_seq_hi_and_reserved,
          u.clock_seq_low,
          u.node[0],
          u.node[1],
          u.node[2],
          u.node[3],
          u.node[4],
          u.node[5]};
}

}  // namespace

CUuidGenerator::CUuidGenerator() : CUuidGenerator(platform::file_time_now) {}

CUuidGenerator::CUuidGenerator(FileTimeClock clock) : clock_(std::move(clock)) {}

CUuidGenerator& CUuidGenerator::instance() {
  static CUuidGenerator generator;
  return generator;
}

Uuid CUuidGenerator::create() {
  const uint64_t timestamp = next_timestamp();
  const UuidNode& node = node_id();

  if (!state_) {
    if (auto bytes = read_file<16>(kStateFile)) {
      State stored;
      for (int i = 0; i < 8; ++i) stored.timestamp |= static_cast<uint64_t>((*bytes)[i]) << (8 * i);
      std::memcpy(stored.node.data(), bytes->data() + 8, 6);
      stored.clock_seq = static_cast<uint16_t>((*bytes)[14] | (*bytes)[15] << 8);
      state_ = stored;
    }
  }

  uint16_t clock_seq;
  if (!state_ || state_->node != node) {
    clock_seq = random_clock_seq();
  } else {
    clock_seq = state_->clock_seq;
    if (state_->timestamp > timestamp) ++clock_seq;  // the clock went backwards
  }

  Uuid uuid;
  uuid.time_low = static_cast<uint32_t>(timestamp);
  uuid.time_mid = static_cast<uint16_t>(timestamp >> 32);
  uuid.time_hi_and_version = static_cast<uint16_t>(((timestamp >> 48) & 0x0FFF) | 0x1000);
  uuid.clock_seq_low = static_cast<uint8_t>(clock_seq);
  uuid.clock_seq_hi_and_reserved = static_cast<uint8_t>(((clock_seq >> 8) & 0x3F) | 0x80);
  uuid.node = node;

  save_state(State{timestamp, node, clock_seq});
  return uuid;
}

uint64_t CUuidGenerator::next_timestamp() {
  for (;;) {
    const uint64_t reading = clock_() / kTicksPerReading * kTicksPerReading;
    if (reading != last_reading_) {
      last_reading_ = reading;
      count_this_reading_ = 0;
      break;
    }
    if (count_this_reading_ < kUuidsPerReading) {
      ++count_this_reading_;
      break;
    }
    // Too fast for the clock: wait for its next reading.
  }
  return *last_reading_ + kUuidEpochOffset + count_this_reading_;
}

const UuidNode& CUuidGenerator::node_id() {
  if (node_) return *node_;
  if (auto stored = read_file<6>(kNodeFile)) {
    node_ = *stored;
    return *node_;
  }
  const std::vector<unsigned char> data = platform::system_data();
  const Md5Digest digest = md5_digest(data.data(), data.size());
  UuidNode node;
  std::memcpy(node.data(), digest.data(), node.size());
  node[0] |= 0x80;
  write_file(kNodeFile, node.data(), node.size());
  node_ = node;
  return *node_;
}

uint16_t CUuidGenerator::random_clock_seq() {
  if (!random_) {
    const uint64_t now = (clock_() + kUuidEpochOffset) / kUuidsPerReading;
    random_.emplace(static_cast<uint32_t>((now >> 32) ^ now));
  }
  return static_cast<uint16_t>((*random_)());
}

void CUuidGenerator::save_state(const State& state) {
  state_ = state;
  if (!next_save_) next_save_ = state.timestamp;
  if (state.timestamp < *next_save_) return;

  uint8_t bytes[16];
  for (int i = 0; i < 8; ++i) bytes[i] = static_cast<uint8_t>(state.timestamp >> (8 * i));
  std::memcpy(bytes + 8, state.node.data(), 6);
  bytes[14] = static_cast<uint8_t>(state.clock_seq);
  bytes[15] = static_cast<uint8_t>(state.clock_seq >> 8);
  write_file(kStateFile, bytes, sizeof bytes);
  next_save_ = state.timestamp + kSaveInterval;
}

Uuid uuid_create_from_name(const Uuid& nsid, const void* name, size_t length) {
  const std::array<uint8_t, 16> space = to_bytes(nsid);
  Md5 md5;
  md5.update(space.data(), space.size());
  md5.update(name, length);
  const Md5Digest hash = md5.final();

  Uuid uuid;
  uuid.time_low = static_cast<uint32_t>(hash[0]) << 24 | static_cast<uint32_t>(hash[1]) << 16 |
                  static_cast<uint32_t>(hash[2]) << 8 | hash[3];
  uuid.time_mid = static_cast<uint16_t>(hash[4] << 8 | hash[5]);
  uuid.time_hi_and_version = static_cast<uint16_t>(((hash[6] << 8 | hash[7]) & 0x0FFF) | 0x3000);
  uuid.clock_seq_hi_and_reserved = static_cast<uint8_t>((hash[8] & 0x3F) | 0x80);
  uuid.clock_seq_low = hash[9];
  std::memcpy(uuid.node.data(), hash.data() + 10, 6);
  return uuid;
}

int uuid_compare(const Uuid& a, const Uuid& b) {
  // Field by field: the same as comparing the network byte order.
  const std::array<uint8_t, 16> x = to_bytes(a);
  const std::array<uint8_t, 16> y = to_bytes(b);
  const int order = std::memcmp(x.data(), y.data(), x.size());
  return order < 0 ? -1 : order > 0 ? 1 : 0;
}
