#include "Namewick/anskeys.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <string_view>
#include <thread>
#include <utility>

#include "Namewick/ansprotocol.h"

namespace {

using Holding = CANSKeys::Holding;
using Kept = CANSKeys::Kept;

// How long a call waits for another agent's turn with the file.
constexpr auto kLockWait = std::chrono::milliseconds(100);
// Room for kMaxKeys lines of the longest words; a larger file is read this
// far.
constexpr size_t kMaxFileBytes = 512 * 1024;

bool same_name(const Holding& a, const Holding& b) {
  return a.server == b.server && a.name == b.name;
}

bool same_place(const Holding& a, const Holding& b) {
  return same_name(a, b) && a.host == b.host && a.port == b.port;
}

// A descriptor closed when it goes, which ends its lock.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

// Takes the lock `operation` on `fd`, waiting kLockWait at most.
bool lock(int fd, int operation) {
  const auto give_up = std::chrono::steady_clock::now() + kLockWait;
  while (flock(fd, operation | LOCK_NB) != 0) {
    if (errno != EWOULDBLOCK && errno != EINTR) return false;
    if (std::chrono::steady_clock::now() >= give_up) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

// "SERVER NAME HOST PORT KEY" read into *kept; false for any other line.
bool read_line(std::string_view line, Kept* kept) {
  std::string fields[5];
  size_t count = 0;
  while (!line.empty()) {
    const size_t end = line.find(' ');
    if (count == 5) return false;
    fields[count++] = std::string(line.substr(0, end));
    line = end == std::string_view::npos ? std::string_view() : line.substr(end + 1);
  }
  if (count != 5) return false;
  unsigned port = 0;
  using ansprotocol::is_word;
  if (!is_word(fields[0].c_str()) || !is_word(fields[1].c_str()) || !is_word(fields[2].c_str()) ||
      !ansprotocol::read_port(fields[3].c_str(), &port) || !is_word(fields[4].c_str())) {
    return false;
  }
  *kept = {{fields[0], fields[1], fields[2], port}, fields[4]};
  return true;
}

std::vector<Kept> read_keys(std::string_view text) {
  std::vector<Kept> keys;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    Kept kept;
    if (read_line(text.substr(0, end), &kept)) keys.push_back(std::move(kept));
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
  }
  return keys;
}

std::string written(const std::vector<Kept>& keys) {
  std::string text;
  for (const Kept& k : keys) {
    text += k.held.server + ' ' + k.held.name + ' ' + k.held.host + ' ' +
            std::to_string(k.held.port) + ' ' + k.key + '\n';
  }
  return text;
}

// The open file's text, or false with *why: a file that is not a plain
// file of this user's is not trusted with keys.
bool read_text(int fd, std::string* text, std::string* why) {
  struct stat status {};
  if (fstat(fd, &status) != 0) {
    *why = std::strerror(errno);
    return false;
  }
  if (!S_ISREG(status.st_mode) || status.st_uid != geteuid()) {
    *why = "not a file of this user";
    return false;
  }
  text->resize(std::min(static_cast<size_t>(status.st_size), kMaxFileBytes));
  size_t got = 0;
  while (got < text->size()) {
    const ssize_t n = pread(fd, text->data() + got, text->size() - got, static_cast<off_t>(got));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      *why = std::strerror(errno);
      return false;
    }
    if (n == 0) break;
    got += static_cast<size_t>(n);
  }
  text->resize(got);
  return true;
}

bool write_text(int fd, const std::string& text, std::string* why) {
  size_t put = 0;
  while (put < text.size()) {
    const ssize_t n = pwrite(fd, text.data() + put, text.size() - put, static_cast<off_t>(put));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      *why = std::strerror(errno);
      return false;
    }
    put += static_cast<size_t>(n);
  }
  if (ftruncate(fd, static_cast<off_t>(text.size())) != 0) {
    *why = std::strerror(errno);
    return false;
  }
  return true;
}

}  // namespace

CANSKeys::CANSKeys(std::string path) : path_(std::move(path)) {}

bool CANSKeys::fail(const std::string& what) {
  error_ = "[" + path_ + "]: " + what;
  return false;
}

std::string CANSKeys::find(const Holding& held) {
  error_.clear();
  const auto known = std::find_if(memory_.begin(), memory_.end(),
                                  [&](const Kept& k) { return same_name(k.held, held); });
  if (known != memory_.end()) return same_place(known->held, held) ? known->key : "";
  if (path_.empty()) return "";
  const Descriptor file(open(path_.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
  if (file.get() < 0) {
    if (errno != ENOENT) fail(std::strerror(errno));
    return "";
  }
  std::string text;
  std::string why;
  if (!lock(file.get(), LOCK_SH)) {
    fail("locked by another agent");
    return "";
  }
  if (!read_text(file.get(), &text, &why)) {
    fail(why);
    return "";
  }
  for (Kept& k : read_keys(text)) {
    if (!same_place(k.held, held)) continue;
    memory_.push_back(k);
    return k.key;
  }
  return "";
}

bool CANSKeys::keep(const Holding& held, const std::string& key) {
  error_.clear();
  std::erase_if(memory_, [&](const Kept& k) { return same_name(k.held, held); });
  const Kept added{held, key};
  memory_.push_back(added);
  if (memory_.size() > kMaxKeys) memory_.erase(memory_.begin());
  return path_.empty() || rewrite(held, &added);
}

bool CANSKeys::forget(const Holding& held) {
  error_.clear();
  std::erase_if(memory_, [&](const Kept& k) { return same_name(k.held, held); });
  return path_.empty() || rewrite(held, nullptr);
}

bool CANSKeys::rewrite(const Holding& held, const Kept* added) {
  const int flags = O_RDWR | O_CLOEXEC | O_NOFOLLOW | (added != nullptr ? O_CREAT : 0);
  const Descriptor file(open(path_.c_str(), flags, S_IRUSR | S_IWUSR));
  if (file.get() < 0) {
    // Nothing to forget in a file that is not there.
    return added == nullptr && errno == ENOENT ? true : fail(std::strerror(errno));
  }
  if (!lock(file.get(), LOCK_EX)) return fail("locked by another agent");
  std::string text;
  std::string why;
  if (!read_text(file.get(), &text, &why)) return fail(why);
  std::vector<Kept> keys = read_keys(text);
  const size_t before = keys.size();
  std::erase_if(keys, [&](const Kept& k) { return same_name(k.held, held); });
  if (added == nullptr && keys.size() == before) return true;
  if (added != nullptr) keys.push_back(*added);
  if (keys.size() > kMaxKeys) keys.erase(keys.begin(), keys.end() - kMaxKeys);
  // Made by an older umask, perhaps: a key is a secret of its holder.
  if (fchmod(file.get(), S_IRUSR | S_IWUSR) != 0) return fail(std::strerror(errno));
  return write_text(file.get(), written(keys), &why) || fail(why);
}
