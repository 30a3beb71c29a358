#include "simscript.h"

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "Lexwick/parser.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kWeatherKeys[] = {"temperature", "pressure", "humidity", "windspeed",
                                        "winddir"};

std::string trim(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::vector<std::string> words_of(const std::string& text) {
  std::vector<std::string> words;
  std::istringstream in(text);
  for (std::string word; in >> word;) words.push_back(word);
  return words;
}

// The text of `line` after its first `count` words.
std::string after_words(const std::string& line, int count) {
  size_t at = 0;
  for (int i = 0; i < count; ++i) {
    at = line.find_first_not_of(" \t", at);
    at = line.find_first_of(" \t", at);
    if (at == std::string::npos) return "";
  }
  return trim(line.substr(at));
}

bool is_comment(const std::string& line) {
  const size_t first = line.find_first_not_of(" \t");
  return first != std::string::npos && line[first] == '#';
}

template <typename Number>
bool read_number(const std::string& word, Number* value) {
  const char* end = word.data() + word.size();
  const auto [stop, error] = std::from_chars(word.data(), end, *value);
  return error == std::errc() && stop == end && !word.empty();
}

// "250ms" or "2s", at most SimScript::kMaxDurationMs.
bool read_duration(const std::string& word, int* ms) {
  const bool millis = word.size() > 2 && word.compare(word.size() - 2, 2, "ms") == 0;
  const bool seconds = !millis && word.size() > 1 && word.back() == 's';
  if (!millis && !seconds) return false;
  long long value = 0;
  if (!read_number(word.substr(0, word.size() - (millis ? 2 : 1)), &value) || value < 0) {
    return false;
  }
  if (seconds) value = value > SimScript::kMaxDurationMs / 1000 ? -1 : value * 1000;
  if (value < 0 || value > SimScript::kMaxDurationMs) return false;
  *ms = static_cast<int>(value);
  return true;
}

// The content reads back whole as the content of a message, as the KQML
// parser reads it (a parenthesis inside a string does not count; tabs and
// line ends read as blanks), and holds no byte that would end the message
// early.
bool is_sendable(const std::string& content) {
  if (content.find('\x04') != std::string::npos) return false;
  std::string wrapped = "(" + content + ")";
  for (char& c : wrapped) {
    if (c == '\t' || c == '\n' || c == '\r') c = ' ';
  }
  CParser message;
  return message.parse_message(("(tell :content " + wrapped + ")").c_str()) == 1 &&
         message.find_content() != nullptr && wrapped == message.find_content();
}

bool read_whole_file(const fs::path& path, std::string* text) {
  std::error_code error;
  if (!fs::is_regular_file(path, error)) return false;
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream whole;
  whole << in.rdbuf();
  if (in.bad()) return false;
  *text = whole.str();
  return true;
}

// One step a call; the default wait changes with timeout lines.
class StepReader {
 public:
  StepReader(const std::string& folder, const ScriptNames& names)
      : folder_(folder), names_(names) {}

  // Reads the step on `line` into *action; nothing for a timeout line,
  // which only changes the wait of the awaits after it. False with error()
  // set.
  bool read(const std::string& line, std::optional<SimAction>* action);
  const std::string& error() const { return error_; }

 private:
  bool fail(std::string what) {
    error_ = std::move(what);
    return false;
  }
  // `first` is the index of the word "send" or "send-as"; a repeat's count
  // comes before it.
  bool read_send(const std::string& line, const std::vector<std::string>& words, size_t first,
                 int count, std::optional<SimAction>* action);
  bool read_repeat(const std::string& line, const std::vector<std::string>& words,
                   std::optional<SimAction>* action);
  bool read_await(const std::vector<std::string>& words, size_t first, AwaitStep* await);
  bool read_clock(const std::vector<std::string>& words, std::optional<SimAction>* action);
  bool read_weather(const std::vector<std::string>& words, std::optional<SimAction>* action);
  // Expands every placeholder of `text` into *out; `folder` resolves
  // relative paths; `included` for the text of a ${file:...}.
  bool expand(const std::string& text, const fs::path& folder, bool included, std::string* out);
  bool include(const std::string& path, const fs::path& folder, std::string* out);

  fs::path folder_;
  ScriptNames names_;
  bool repeating_ = false;  // ${n} stays in the text, for the runner
  int timeout_ms_ = SimScript::kDefaultTimeoutMs;
  std::string error_;
};

bool StepReader::read(const std::string& line, std::optional<SimAction>* action) {
  const std::vector<std::string> words = words_of(line);
  const std::string& verb = words[0];
  if (verb == "send" || verb == "send-as") return read_send(line, words, 0, 1, action);
  if (verb == "repeat") return read_repeat(line, words, action);
  if (verb == "mark" || verb == "elapsed") {
    if (verb == "mark" && words.size() != 1) return fail("mark: takes nothing");
    if (verb == "elapsed" && words.size() != 2) return fail("elapsed: expected one label");
    if (verb == "mark") {
      action->emplace(MarkStep{});
    } else {
      action->emplace(ElapsedStep{words[1]});
    }
    return true;
  }
  if (verb == "await") {
    AwaitStep await;
    if (words.size() < 2) return fail("await: which command?");
    if (!read_await(words, 1, &await)) return false;
    action->emplace(await);
    return true;
  }
  if (verb == "pause" || verb == "timeout") {
    int ms = 0;
    if (words.size() != 2 || !read_duration(words[1], &ms)) {
      return fail(verb + ": expected one duration such as 250ms or 2s");
    }
    if (verb == "pause") {
      action->emplace(PauseStep{ms});
    } else {
      timeout_ms_ = ms;
    }
    return true;
  }
  if (verb == "clock") return read_clock(words, action);
  if (verb == "teammate") {
    if (words.size() != 2 || !is_agent_name(words[1])) return fail("teammate: expected one agent name");
    action->emplace(TeammateStep{words[1]});
    return true;
  }
  if (verb == "weather") return read_weather(words, action);
  return fail("unknown step '" + verb + "'");
}

bool StepReader::read_send(const std::string& line, const std::vector<std::string>& words,
                           size_t first, int count, std::optional<SimAction>* action) {
  SendStep send;
  send.sender = names_.self;
  send.count = count;
  const std::string& verb = words[first];
  const bool as = verb == "send-as";
  if (as) {
    std::string sample = words.size() > first + 1 ? words[first + 1] : "";
    if (count > 1) sample = repeated(sample, 0);
    if (!is_agent_name(sample)) return fail("send-as: whose name?");
    send.sender = words[first + 1];
  }
  const std::string content = after_words(line, static_cast<int>(first) + (as ? 2 : 1));
  if (content.empty()) return fail(verb + ": no content");
  repeating_ = count > 1;
  const bool expanded = expand(content, folder_, false, &send.content);
  repeating_ = false;
  if (!expanded) return false;
  if (!is_sendable(send.content)) return fail(verb + ": the content's parentheses do not balance");
  action->emplace(send);
  return true;
}

bool StepReader::read_repeat(const std::string& line, const std::vector<std::string>& words,
                             std::optional<SimAction>* action) {
  int count = 0;
  if (words.size() < 3 || !read_number(words[1], &count) || count < 1 ||
      count > SimScript::kMaxRepeat || (words[2] != "send" && words[2] != "send-as")) {
    return fail("repeat: expected 'repeat COUNT send ...' or 'repeat COUNT send-as ...'");
  }
  return read_send(line, words, 2, count, action);
}

bool StepReader::read_await(const std::vector<std::string>& words, size_t first,
                            AwaitStep* await) {
  Expectation& expect = await->expect;
  expect.command = words[first];
  expect.to = names_.self;
  await->within_ms = timeout_ms_;
  for (size_t i = first + 1; i < words.size(); ++i) {
    const std::string& word = words[i];
    if (word == "from" || word == "to" || word == "within") {
      if (i + 1 == words.size()) return fail("await: '" + word + "' without a value");
      const std::string& value = words[++i];
      if (word == "within") {
        if (!read_duration(value, &await->within_ms)) {
          return fail("await: '" + value + "' is not a duration such as 250ms or 2s");
        }
      } else if (!expand(value, folder_, false, word == "from" ? &expect.from : &expect.to)) {
        return false;
      }
      continue;
    }
    const size_t equals = word.find('=');
    const size_t key_start = word[0] == ':' ? 1 : 0;
    if (equals == std::string::npos || equals <= key_start || equals + 1 == word.size()) {
      return fail("await: '" + word + "' is not KEY=VALUE, from, to or within");
    }
    std::string value;
    if (!expand(word.substr(equals + 1), folder_, false, &value)) return false;
    expect.fields.emplace_back(word.substr(key_start, equals - key_start), value);
  }
  return true;
}

bool StepReader::read_clock(const std::vector<std::string>& words,
                            std::optional<SimAction>* action) {
  ClockStep clock;
  const bool shape = (words.size() == 7 || words.size() == 9) && words[3] == "step" &&
                     words[5] == "every" && (words.size() == 7 || words[7] == "await");
  if (!shape || !read_number(words[1], &clock.from) || !read_number(words[2], &clock.to) ||
      !read_number(words[4], &clock.step) || !read_duration(words[6], &clock.every_ms)) {
    return fail("clock: expected 'clock FROM TO step MINUTES every DURATION [await COMMAND]'");
  }
  if (clock.step <= 0) return fail("clock: the step must be positive");
  if (clock.from > clock.to) return fail("clock: FROM must not lie after TO");
  if (words.size() == 9) {
    clock.awaits = true;
    if (!read_await(words, 8, &clock.await)) return false;
  }
  action->emplace(clock);
  return true;
}

bool StepReader::read_weather(const std::vector<std::string>& words,
                              std::optional<SimAction>* action) {
  WeatherStep weather;
  if (words.size() == 2 && words[1] == "error") {
    weather.error = true;
    action->emplace(weather);
    return true;
  }
  if (words.size() < 3 || words.size() % 2 == 0) {
    return fail("weather: expected 'error' or pairs of a name and a number");
  }
  for (size_t i = 1; i < words.size(); i += 2) {
    bool known = false;
    for (const char* key : kWeatherKeys) known = known || words[i] == key;
    if (!known) {
      return fail("weather: '" + words[i] +
                  "' is none of temperature, pressure, humidity, windspeed, winddir");
    }
    double value = 0;
    if (!read_number(words[i + 1], &value)) {
      return fail("weather: '" + words[i + 1] + "' is not a number");
    }
    weather.values.emplace_back(words[i], value);
  }
  action->emplace(weather);
  return true;
}

bool StepReader::expand(const std::string& text, const fs::path& folder, bool included,
                        std::string* out) {
  out->clear();
  size_t at = 0;
  for (;;) {
    const size_t open = text.find("${", at);
    out->append(text, at, open == std::string::npos ? std::string::npos : open - at);
    if (open == std::string::npos) return true;
    const size_t close = text.find('}', open);
    if (close == std::string::npos) return fail("a placeholder without its '}'");
    const std::string name = text.substr(open + 2, close - open - 2);
    at = close + 1;
    if (name == "station") {
      *out += names_.station;
    } else if (name == "self") {
      *out += names_.self;
    } else if (name == "n" && repeating_) {
      *out += "${n}";
    } else if (name.rfind("long:", 0) == 0) {
      int letters = 0;
      if (!read_number(name.substr(5), &letters) || letters < 0 ||
          letters > SimScript::kMaxLong) {
        return fail("${" + name + "}: expected a count of letters up to " +
                    std::to_string(SimScript::kMaxLong));
      }
      out->append(static_cast<size_t>(letters), 'x');
    } else if (name.rfind("url:", 0) == 0) {
      const fs::path path = (folder / name.substr(4)).lexically_normal();
      std::error_code error;
      if (!fs::is_regular_file(path, error)) return fail("no file " + path.string());
      *out += file_url(fs::absolute(path, error).lexically_normal().string());
    } else if (name.rfind("file:", 0) == 0) {
      if (included) return fail("${" + name + "} inside an included file");
      std::string text_of_file;
      if (!include(name.substr(5), folder, &text_of_file)) return false;
      *out += text_of_file;
    } else {
      return fail("unknown placeholder ${" + name + "}");
    }
  }
}

// The file's lines, each without the blanks around it, joined by one
// blank, the comment lines left out; then its own placeholders expanded
// against its folder.
bool StepReader::include(const std::string& path, const fs::path& folder, std::string* out) {
  const fs::path file = (folder / path).lexically_normal();
  std::string whole;
  if (!read_whole_file(file, &whole)) return fail("cannot read " + file.string());
  std::string joined;
  std::istringstream lines(whole);
  for (std::string line; std::getline(lines, line);) {
    for (char& c : line) {
      if (c == '\r' || c == '\t') c = ' ';
    }
    line = trim(line);
    if (line.empty() || line[0] == '#') continue;
    if (!joined.empty()) joined += ' ';
    joined += line;
  }
  return expand(joined, file.parent_path(), true, out);
}

}  // namespace

bool SimScript::read(const std::string& text, const std::string& folder,
                     const ScriptNames& names) {
  steps_.clear();
  error_.clear();
  StepReader reader(folder, names);
  std::vector<SimStep> steps;
  std::string pending;  // a step continued over several lines
  int first_line = 0;
  int number = 0;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (is_comment(line)) continue;
    if (pending.empty()) first_line = number;
    line = trim(line);
    const bool continued = !line.empty() && line.back() == '\\';
    if (continued) line = trim(line.substr(0, line.size() - 1));
    pending += line;
    if (continued) {
      pending += ' ';
      continue;
    }
    pending = trim(pending);
    if (pending.empty()) continue;
    std::optional<SimAction> action;
    if (!reader.read(pending, &action)) {
      error_ = std::to_string(first_line) + ": " + reader.error();
      return false;
    }
    if (action) steps.push_back(SimStep{first_line, std::move(*action)});
    pending.clear();
  }
  if (!trim(pending).empty()) {
    error_ = std::to_string(first_line) + ": the step continues past the end of the script";
    return false;
  }
  steps_ = std::move(steps);
  return true;
}

bool SimScript::read_file(const std::string& path, const ScriptNames& names) {
  std::string text;
  if (!read_whole_file(path, &text)) {
    steps_.clear();
    error_ = "0: cannot read " + path;
    return false;
  }
  return read(text, fs::path(path).parent_path().string(), names);
}

std::string repeated(const std::string& text, int index) {
  std::string out = text;
  const std::string number = std::to_string(index);
  for (size_t at = out.find("${n}"); at != std::string::npos; at = out.find("${n}", at)) {
    out.replace(at, 4, number);
    at += number.size();
  }
  return out;
}

bool is_agent_name(const std::string& name) {
  return !name.empty() && name.find_first_of(" \t()\"\x04") == std::string::npos;
}

std::string file_url(const std::string& path) {
  std::string url = "file://";
  for (const unsigned char c : path) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                       (c >= '0' && c <= '9') || std::string_view("-._~/").find(c) !=
                                                     std::string_view::npos;
    if (plain) {
      url += static_cast<char>(c);
    } else {
      char escaped[4];
      std::snprintf(escaped, sizeof escaped, "%%%02X", c);
      url += escaped;
    }
  }
  return url;
}
