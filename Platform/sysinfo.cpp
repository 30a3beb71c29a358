#include "Platform/sysinfo.h"

#include <sys/sysinfo.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <climits>
#include <cstring>
#include <ctime>

namespace platform {

namespace {

template <typename T>
void append(std::vector<unsigned char>* record, const T& value) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(&value);
  record->insert(record->end(), bytes, bytes + sizeof value);
}

uint64_t to_file_time(const timespec& unix_time) {
  return kUnixEpochFileTime + static_cast<uint64_t>(unix_time.tv_sec) * 10000000ULL +
         static_cast<uint64_t>(unix_time.tv_nsec) / 100;
}

}  // namespace

uint64_t file_time_now() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return to_file_time(now);
}

std::vector<unsigned char> system_data() {
  std::vector<unsigned char> record;

  // Zeroed first, so that padding and fields of failed calls hash alike.
  struct sysinfo system;
  std::memset(&system, 0, sizeof system);
  sysinfo(&system);
  append(&record, system);

  struct utsname names;
  std::memset(&names, 0, sizeof names);
  uname(&names);
  append(&record, names);

  timespec monotonic{};
  clock_gettime(CLOCK_MONOTONIC, &monotonic);
  append(&record, monotonic);

  timespec real{};
  clock_gettime(CLOCK_REALTIME, &real);
  append(&record, real);

  char host[HOST_NAME_MAX + 1] = {};
  gethostname(host, sizeof host - 1);
  append(&record, host);

  return record;
}

}  // namespace platform
