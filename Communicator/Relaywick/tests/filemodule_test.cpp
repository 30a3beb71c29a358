#include "Relaywick/filemodule.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <regex>
#include <sstream>

#include "Platform/directory.h"
#include "moduletest.h"

namespace {

using namespace moduletest;
using relaytest::EnvSetting;
using testsupport::TempDir;

// TZ for the life of the object.
class FixedZone {
 public:
  explicit FixedZone(const char* zone) {
    if (const char* old = std::getenv("TZ")) old_ = old;
    setenv("TZ", zone, 1);
    tzset();
  }
  ~FixedZone() {
    if (old_) {
      setenv("TZ", old_->c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }

 private:
  std::optional<std::string> old_;
};

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

// The line without the "[number] [time] " prefix of the log.
std::string unprefixed(const std::string& line) {
  static const std::regex prefix(R"(\[\d{5}\] \[\d\d:[ \d]\d:\d\d\] (.*))");
  std::smatch match;
  return std::regex_match(line, match, prefix) ? std::string(match[1]) : "(no prefix) " + line;
}

class FileModuleTest : public ModuleTest {
 protected:
  FileModuleTest() : home_setting("VERANTA", dir.path().c_str()) {}

  // The one log file made under the home directory, read whole.
  std::string log_file() {
    const std::string logfiles = dir.file("Logfiles");
    std::vector<platform::DirEntry> folders;
    EXPECT_TRUE(platform::list_directory(logfiles, "Log-*", &folders));
    EXPECT_EQ(folders.size(), 1u);
    if (folders.size() != 1) return "";
    std::vector<platform::DirEntry> files;
    platform::list_directory(logfiles + "/" + folders[0].name, "*.txt", &files);
    EXPECT_EQ(files.size(), 1u);
    return files.empty() ? "" : TempDir::read(logfiles + "/" + folders[0].name + "/" + files[0].name);
  }

  FixedZone zone{"XYZ-14"};  // far from UTC, so the local time is what counts
  EnvSetting home_setting;
};

TEST_F(FileModuleTest, OneFilePerRunInTheFolderOfWeekdayAndMonth) {
  const time_t before = std::time(nullptr);
  CFileModule module("station", comm->get_beliefdb(), comm.get(), 0);
  const time_t after = std::time(nullptr);
  EXPECT_EQ(module.get_type(), LOGTYPE_FILE);
  ASSERT_NE(module.get_file_pointer(), nullptr);

  // The name of the file for each second the construction may have taken,
  // in the local time of the zone.
  bool found = false;
  for (time_t t = before; t <= after; ++t) {
    tm local{};
    localtime_r(&t, &local);
    const char* stamp = CDebug::my_asctime(&local);
    const std::string folder = "Log-" + std::string(stamp, 3) + "-" + std::string(stamp + 4, 3);
    const std::string path =
        dir.path() + "/Logfiles/" + folder + "/station-" + stamp + ".txt";
    if (module.get_file() != nullptr && path == module.get_file()) found = true;
  }
  EXPECT_TRUE(found) << module.get_file();
  EXPECT_TRUE(std::regex_match(
      module.get_file(),
      std::regex(".*/Logfiles/Log-(Sun|Mon|Tue|Wed|Thu|Fri|Sat)-[A-Z][a-z]{2}/"
                 "station-[A-Z][a-z]{2}-[A-Z][a-z]{2}-[ 1-3][0-9]-[0-2][0-9]_[ 1-5][0-9]_[0-5][0-9]"
                 "-[0-9]{4}\\.txt")))
      << module.get_file();

  // A second run in the same folder: the folders already there are no failure.
  CFileModule second("other", comm->get_beliefdb(), comm.get(), 0);
  EXPECT_NE(second.get_file_pointer(), nullptr);
}

TEST_F(FileModuleTest, EventLinesCarryTheAgentAndTheDirection) {
  {
    CFileModule module("station", comm->get_beliefdb(), comm.get(), 0);
    module.process_message("a\r\nb", DIRECTION_INCOMING);
    module.process_message("", DIRECTION_INCOMING);
    module.process_message(nullptr, DIRECTION_INCOMING);
    module.process_message("sent", DIRECTION_OUTGOING);
    module.process_message("inside", DIRECTION_INTERNAL);
    module.process_message("odd", 7);
    module.set_filter("ping");
    module.process_message("tell :action ping", DIRECTION_OUTGOING);
    module.process_message("pong", 9);
    module.set_filter(nullptr);
    module.process_message("ping again", DIRECTION_INCOMING);
    EXPECT_EQ(module.get_counter(), 6);
  }
  const std::vector<std::string> lines = lines_of(log_file());
  ASSERT_EQ(lines.size(), 8u);
  EXPECT_EQ(unprefixed(lines[0]), "[station] [**] <CFileModule> starting up");
  EXPECT_EQ(lines[1], "[---] [station] [<-] a  b");
  EXPECT_EQ(lines[2], "[---] [station] [->] sent");
  EXPECT_EQ(lines[3], "[---] [station] [**] inside");
  EXPECT_EQ(lines[4], "[---] [station] [00004] [no type indicator] odd");
  EXPECT_EQ(lines[5], "[---] [station] [00005] [no type indicator] pong");
  EXPECT_EQ(lines[6], "[---] [station] [<-] ping again");
  EXPECT_EQ(unprefixed(lines[7]), "<CFileModule> shutting down");
}

TEST_F(FileModuleTest, StateLines) {
  {
    CFileModule module("station", comm->get_beliefdb(), comm.get(), 0);
    for (unsigned state : {0u, 1u, 2u, 3u, 4u, 9u}) EXPECT_EQ(module.change_state(state), 1);
  }
  const std::vector<std::string> lines = lines_of(log_file());
  std::vector<std::string> messages;
  for (const std::string& line : lines) {
    if (!line.empty()) messages.push_back(unprefixed(line));
  }
  EXPECT_EQ(messages, (std::vector<std::string>{
                          "[station] [**] <CFileModule> starting up",
                          "[station] [++] Idle state logged",
                          "[station] [++] Planning state logged",
                          "[station] [++] Advertise state logged",
                          "[station] [++] Agent successfully registered with ANS",
                          "[station] [++] Agent successfully unregistered with ANS",
                          "[station] [++] Unknown state-change logged",
                          "<CFileModule> shutting down"}));
  // Each state text ends in a line end of its own, so an empty line follows it.
  EXPECT_EQ(lines.size(), 8u + 6u);
}

TEST_F(FileModuleTest, WithoutHomeNameOrDatabaseThereIsNoFile) {
  {
    EnvSetting no_home("VERANTA", nullptr);
    CFileModule module("station", comm->get_beliefdb(), comm.get(), 0);
    EXPECT_EQ(module.get_file_pointer(), nullptr);
    module.process_message("lost", DIRECTION_INCOMING);
    EXPECT_EQ(module.get_counter(), 0);
  }
  CBeliefDB nameless;
  CFileModule unnamed("station", &nameless, comm.get(), 0);
  EXPECT_EQ(unnamed.get_file_pointer(), nullptr);
  EXPECT_EQ(unnamed.change_state(3), 0);
  EXPECT_FALSE(TempDir::exists(dir.file("Logfiles")));

  // Without a database or communicator the state is refused, with a line
  // where a log is set.
  CFileModule alone("station", nullptr, nullptr, 0);
  logged(&alone);
  EXPECT_EQ(alone.change_state(3), 0);
  alone.process_message("text", DIRECTION_INCOMING);
  CFileModule no_comm("station", comm->get_beliefdb(), nullptr, 0);
  EXPECT_EQ(no_comm.change_state(3), 0);
  EXPECT_EQ(log.lines(), (std::vector<std::string>{
                             "[--] [**] <CFileModule> BeliefDB is NULL, unable to obtain agent name",
                             "", "[----] BeliefDB is null, unable to proccess string"}));
}

TEST_F(FileModuleTest, AHomeWhereNoFolderCanBeMadeGivesNoFile) {
  TempDir::write(dir.file("Logfiles"), "a file, not a folder");
  CFileModule module("station", comm->get_beliefdb(), comm.get(), 0);
  EXPECT_EQ(module.get_file_pointer(), nullptr);
}

}  // namespace
