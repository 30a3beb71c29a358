// Fuzzes reading appointments: the input is read twice into one meeting
// (attendees add up), written, and the written text read into another.
#include <cstddef>
#include <cstdint>
#include <string>

#include "Sidewick/meeting.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  CMeeting meeting;
  for (int round = 0; round < 2; ++round) {
    std::string copy = text;
    meeting.from_string(copy.data());
  }
  meeting.set_time(new CKelTime);
  std::string written = meeting.to_string();
  CMeeting back;
  back.from_string(written.data());
  back.to_string();
  return 0;
}
