// Test helper: no new descriptor for the life of the object. It lowers the
// process's soft descriptor limit to the lowest free descriptor number, so
// that every call that would make a descriptor fails with EMFILE, and puts
// the old limit back when it goes.
#pragma once

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace testsupport {

class DescriptorLimit {
 public:
  DescriptorLimit() {
    getrlimit(RLIMIT_NOFILE, &old_);
    const int lowest_free = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    ::close(lowest_free);
    rlimit lowered = old_;
    lowered.rlim_cur = static_cast<rlim_t>(lowest_free);
    setrlimit(RLIMIT_NOFILE, &lowered);
  }
  ~DescriptorLimit() { setrlimit(RLIMIT_NOFILE, &old_); }
  DescriptorLimit(const DescriptorLimit&) = delete;
  DescriptorLimit& operator=(const DescriptorLimit&) = delete;

 private:
  rlimit old_{};
};

}  // namespace testsupport
