// Time-based (version 1) and name-based (version 3) UUIDs.
//
// CUuidGenerator keeps two files in the working directory:
//   "nodeid"  6 bytes: the node identifier, made once from system data;
//   "state"  16 bytes: timestamp of the last UUID (8, little-endian), the node
//            used for it (6) and the clock sequence (2, little-endian).
// "state" is rewritten at most every 10 seconds of UUID time; the rest of the
// state lives in the generator. Both files are opened by their relative names,
// so they follow the working directory of each use. One thread only.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <random>

using UuidNode = std::array<uint8_t, 6>;

struct Uuid {
  uint32_t time_low = 0;
  uint16_t time_mid = 0;
  uint16_t time_hi_and_version = 0;
  uint8_t clock_seq_hi_and_reserved = 0;
  uint8_t clock_seq_low = 0;
  UuidNode node{};
};

// A reading of the system time as a file time: 100 ns units since
// 1601-01-01 00:00 UTC.
using FileTimeClock = std::function<uint64_t()>;

class CUuidGenerator {
 public:
  // Reads the real-time clock.
  CUuidGenerator();
  explicit CUuidGenerator(FileTimeClock clock);
  CUuidGenerator(const CUuidGenerator&) = delete;
  CUuidGenerator& operator=(const CUuidGenerator&) = delete;

  // The process-wide generator (real clock), made on first use.
  static CUuidGenerator& instance();

  // A new version 1 UUID. Up to 1,025 UUIDs per millisecond of the clock get
  // distinct timestamps; past that it waits for the clock to move on.
  Uuid create();

 private:
  struct State {
    uint64_t timestamp = 0;
    UuidNode node{};
    uint16_t clock_seq = 0;
  };

  uint64_t next_timestamp();
  const UuidNode& node_id();
  uint16_t random_clock_seq();
  void save_state(const State& state);

  FileTimeClock clock_;
  std::optional<UuidNode> node_;
  std::optional<State> state_;
  std::optional<uint64_t> last_reading_;
  uint16_t count_this_reading_ = 0;
  std::optional<uint64_t> next_save_;
  std::optional<std::minstd_rand> random_;
};

// The version 3 UUID of `name` (`length` bytes, not kept) in the name space
// `nsid`: MD5 of the name space in network byte order followed by the name.
Uuid uuid_create_from_name(const Uuid& nsid, const void* name, size_t length);

// Orders two UUIDs field by field in declaration order: -1, 0 or 1.
int uuid_compare(const Uuid& a, const Uuid& b);
