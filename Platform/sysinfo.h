// System data for identifying this machine: the clock as a file time and a
// record of machine- and moment-specific bytes.
#pragma once

#include <cstdint>
#include <vector>

namespace platform {

// 1970-01-01 00:00 UTC as a file time.
inline constexpr uint64_t kUnixEpochFileTime = 116444736000000000ULL;

// The real-time clock as a file time: 100 ns units since 1601-01-01 00:00 UTC.
uint64_t file_time_now();

// The bytes of sysinfo(2), uname(2), the monotonic and the real-time clock and
// the host name, read now. Meant as hash input: its layout is not a format.
std::vector<unsigned char> system_data();

}  // namespace platform
