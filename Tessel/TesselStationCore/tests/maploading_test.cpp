// The map data file named by a scenario: the check of its location, the
// reading of file and http locations, and the messages of each failure.
// Files live in a temporary folder; http locations are served by a small
// server on loopback.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "TesselStationCore/mapsource.h"
#include "stationrecorder.h"
#include "testsupport/loopback.h"
#include "testsupport/tempdir.h"

namespace stationtest {
namespace {

// A version 1.2 map data file of 3 x 2 cells.
std::string map12(const std::string& width = "3", const std::string& lat = "12.5:80",
                  const std::string& height = "2") {
  return "#Druvik MapData(1.2) - test map\r\n" + width + "\r\n" + lat + "\r\n" + height +
         "\n100:160\r\nvelocity 7\r\nabc \x01\ndef \x01\n";
}

// The file:// URL of a path, with blanks and percent signs escaped.
std::string file_url(const std::string& path) {
  std::string url = "file://";
  for (const char c : path) {
    if (c == ' ') {
      url += "%20";
    } else if (c == '%') {
      url += "%25";
    } else {
      url += c;
    }
  }
  return url;
}

// Answers every request on loopback with one fixed text, from a thread of
// its own, and notes the first line of each request.
class LoopbackHttpServer {
 public:
  explicit LoopbackHttpServer(std::string answer) : answer_(std::move(answer)) {
    listener_ = testsupport::listen_on_loopback(&port_);
    thread_ = std::thread([this] { Serve(); });
  }
  ~LoopbackHttpServer() {
    stop_ = true;
    thread_.join();
    close(listener_);
  }

  std::string url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
  }
  Lines requests() {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
  }

 private:
  void Serve() {
    while (!stop_) {
      pollfd ready{listener_, POLLIN, 0};
      if (poll(&ready, 1, 20) <= 0) continue;
      const int fd = accept(listener_, nullptr, nullptr);
      if (fd < 0) continue;
      std::string request;
      char buffer[1024];
      while (request.find("\r\n\r\n") == std::string::npos) {
        pollfd data{fd, POLLIN, 0};
        if (poll(&data, 1, 3000) <= 0) break;
        const ssize_t got = recv(fd, buffer, sizeof buffer, 0);
        if (got <= 0) break;
        request.append(buffer, static_cast<size_t>(got));
      }
      {
        std::lock_guard<std::mutex> lock(mutex_);
        requests_.push_back(request.substr(0, request.find("\r\n")));
      }
      send(fd, answer_.data(), answer_.size(), MSG_NOSIGNAL);
      close(fd);
    }
  }

  const std::string answer_;
  unsigned port_ = 0;
  int listener_ = -1;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  Lines requests_;
  std::thread thread_;  // last: it starts once the rest exists
};

class MapLoading : public StationTest {
 protected:
  // A file of the temporary folder with these bytes; its file:// URL.
  std::string write(const std::string& name, const std::string& bytes) {
    testsupport::TempDir::write(dir.file(name), bytes);
    return file_url(dir.file(name));
  }
  CWorldMap* map() { return doc.GetWorldMap(); }

  testsupport::TempDir dir;
};

TEST_F(MapLoading, AVersion12FileBuildsTheMapAndTheViewsRenderIt) {
  const std::string url = write("map.txt", map12());
  EXPECT_TRUE(doc.OpenMapURL(url.c_str()));
  EXPECT_STREQ(doc.GetMapURL(), url.c_str());
  EXPECT_EQ(ui.calls, Lines{"LoadMap"});
  EXPECT_EQ(map()->getWidth(), 3);
  EXPECT_EQ(map()->getHeight(), 2);
  EXPECT_EQ(map()->point(0, 1), 'a');
  EXPECT_EQ(map()->point(2, 0), 'f');
  EXPECT_EQ(map()->GetMinLat(), 12.5);
  EXPECT_EQ(map()->GetMaxLat(), 80.0);
  EXPECT_EQ(map()->GetMinLng(), 100.0);
  EXPECT_EQ(map()->GetMaxLng(), 160.0);
  EXPECT_EQ(map()->getScalefactor(), 2);  // emptying the map set it back
  EXPECT_TRUE(map()->getGridlinesOn());
  EXPECT_EQ(map()->getGridlineCount(), 40u);
}

TEST_F(MapLoading, AVersion11FileTakesItsSizeFromTheGridAndShowsIt) {
  const std::string url = write("old.txt", "#Druvik MapData(1.1) -\nab\x01\ncd\x01\n");
  EXPECT_TRUE(doc.OpenMapURL(url.c_str()));
  EXPECT_EQ(ui.calls, (Lines{"MessageBox(Map is 2 pixels wide by 2 pixels high)", "LoadMap"}));
  EXPECT_EQ(map()->point(0, 1), 'a');
  EXPECT_EQ(map()->point(1, 0), 'd');
}

// A map file's bytes.
struct FileCase {
  const char* name;
  std::string bytes;
};

void PrintTo(const FileCase& c, std::ostream* out) { *out << c.name; }

// A file whose header the location check accepts but whose map cannot be
// built: the box of the failure, no map for the views, and a refused
// location, so that a scenario goes no further with it.
class UnreadableMap : public MapLoading, public testing::WithParamInterface<FileCase> {};

TEST_P(UnreadableMap, IsRefusedWithTheInternalErrorAndTheMapStays) {
  const std::string url = write("bad.txt", GetParam().bytes);
  EXPECT_FALSE(doc.OpenMapURL(url.c_str()));
  EXPECT_EQ(ui.calls, Lines{"MessageBox(Internal Error: CTesselStationView::GetMapFromURL())"});
}

INSTANTIATE_TEST_SUITE_P(
    Files, UnreadableMap,
    testing::Values(FileCase{"WidthZero", map12("0")},
                    FileCase{"HeightNotANumber", map12("3", "12.5:80", "high")},
                    FileCase{"BoundsWithoutColon", map12("3", "12.5 80")},
                    FileCase{"PreambleCutShort", "#Druvik MapData(1.2) -\n3\n0:1\n2\n"},
                    FileCase{"Version11EndingNoRow", "#Druvik MapData(1.1) -\nabcd\n"},
                    FileCase{"GridTooLarge", map12("100000", "0:1", "100000")}),
    [](const testing::TestParamInfo<FileCase>& info) { return info.param.name; });

TEST_F(MapLoading, AFailureInThePreambleLeavesTheMapAsItWas) {
  doc.SetMapURL(write("bad.txt", map12("0")).c_str());
  EXPECT_FALSE(doc.GetMapFromURL());
  EXPECT_EQ(map()->getWidth(), 40);
  EXPECT_EQ(map()->getScalefactor(), 3);  // prepared, not emptied
}

class InvalidHeader : public MapLoading, public testing::WithParamInterface<FileCase> {};

TEST_P(InvalidHeader, ShowsTheFormatAndTheInternalErrorAndKeepsTheMap) {
  const std::string url = write("bad.txt", GetParam().bytes);
  EXPECT_FALSE(doc.OpenMapURL(url.c_str()));  // the check shows nothing
  EXPECT_EQ(ui.calls, Lines{});
  doc.SetMapURL(url.c_str());
  EXPECT_FALSE(doc.GetMapFromURL());
  EXPECT_EQ(ui.calls, (Lines{"MessageBox(Invalid File Format " + url + ", stop)",
                             "MessageBox(Internal Error: CTesselStationView::GetMapFromURL())"}));
  EXPECT_EQ(map()->getWidth(), 40);
}

INSTANTIATE_TEST_SUITE_P(
    Files, InvalidHeader,
    testing::Values(FileCase{"Empty", ""}, FileCase{"HashAlone", "#\n"},
                    FileCase{"OtherVersion", "#Druvik MapData(1.3) -\n3\n0:1\n"}),
    [](const testing::TestParamInfo<FileCase>& info) { return info.param.name; });

TEST_F(MapLoading, AFileThatCannotBeOpenedShowsOnlyTheRetrievalError) {
  const std::string url = file_url(dir.file("missing.txt"));
  EXPECT_FALSE(doc.OpenMapURL(url.c_str()));
  EXPECT_EQ(ui.calls, Lines{});
  doc.SetMapURL(url.c_str());
  EXPECT_FALSE(doc.GetMapFromURL());
  EXPECT_EQ(ui.calls, Lines{"MessageBox(Error in retriving " + url + ", stop)"});
  EXPECT_EQ(map()->getWidth(), 40);
}

TEST_F(MapLoading, APercentEncodedPathIsDecoded) {
  std::filesystem::create_directory(dir.file("maps 50%"));
  const std::string url = write("maps 50%/my map.txt", map12());
  EXPECT_NE(url.find("maps%2050%25/my%20map.txt"), std::string::npos);
  EXPECT_TRUE(doc.OpenMapURL(url.c_str()));
  EXPECT_EQ(map()->getWidth(), 3);
}

TEST_F(MapLoading, LeadingBlanksAreDroppedFromTheLocation) {
  const std::string url = write("map.txt", map12());
  EXPECT_TRUE(doc.OpenMapURL(("  \t" + url).c_str()));
  EXPECT_STREQ(doc.GetMapURL(), url.c_str());
}

// Locations refused before anything is read: nothing shown, the map and
// the map URL unchanged.
struct LocationCase {
  const char* name;
  const char* url;  // "@" stands for the folder of a good map file
};

void PrintTo(const LocationCase& c, std::ostream* out) { *out << c.name; }

class RefusedLocation : public MapLoading, public testing::WithParamInterface<LocationCase> {};

TEST_P(RefusedLocation, ReadsNothingAndShowsNothing) {
  write("map.txt", map12());
  std::string url = GetParam().url;
  if (const size_t at = url.find('@'); at != std::string::npos) url.replace(at, 1, dir.path());
  doc.SetMapURL("before");
  EXPECT_FALSE(doc.OpenMapURL(url.c_str()));
  EXPECT_EQ(ui.calls, Lines{});
  EXPECT_STREQ(doc.GetMapURL(), "before");
  EXPECT_EQ(map()->getWidth(), 40);
}

INSTANTIATE_TEST_SUITE_P(Locations, RefusedLocation,
                         testing::Values(LocationCase{"Empty", ""},
                                         LocationCase{"SchemeInCapitals", "FILE://@/map.txt"},
                                         LocationCase{"OtherScheme", "ftp://127.0.0.1/map.txt"},
                                         LocationCase{"NoScheme", "@/map.txt"},
                                         LocationCase{"FileWithoutSlashes", "file:@/map.txt"},
                                         LocationCase{"BadEscape", "file://@/map%2.txt"},
                                         LocationCase{"EscapedNulByte", "file://@/map.txt%00.png"},
                                         LocationCase{"AFolder", "file://@"},
                                         LocationCase{"HttpWithoutHost", "http:///map.txt"},
                                         LocationCase{"SecureHttp", "https://127.0.0.1/map.txt"}),
                         [](const testing::TestParamInfo<LocationCase>& info) {
                           return info.param.name;
                         });

TEST_F(MapLoading, ANullLocationIsRefused) { EXPECT_FALSE(doc.OpenMapURL(nullptr)); }

TEST_F(MapLoading, AnHttpLocationIsFetchedForTheCheckAndForTheMap) {
  LoopbackHttpServer server("HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\n" + map12());
  const std::string url = server.url("/maps/demo.map");
  EXPECT_TRUE(doc.OpenMapURL(url.c_str()));
  EXPECT_EQ(ui.calls, Lines{"LoadMap"});
  EXPECT_EQ(map()->getWidth(), 3);
  EXPECT_EQ(map()->point(0, 1), 'a');
  EXPECT_EQ(map()->GetMaxLat(), 80.0);
  EXPECT_EQ(server.requests(), (Lines{"GET http://127.0.0.1/maps/demo.map HTTP/1.0",
                                      "GET http://127.0.0.1/maps/demo.map HTTP/1.0"}));
}

TEST_F(MapLoading, AnHttpErrorAnswerIsNoMap) {
  LoopbackHttpServer server("HTTP/1.0 404 Not Found\r\n\r\n" + map12());
  const std::string url = server.url("/maps/demo.map");
  EXPECT_FALSE(doc.OpenMapURL(url.c_str()));
  doc.SetMapURL(url.c_str());
  EXPECT_FALSE(doc.GetMapFromURL());
  EXPECT_EQ(ui.calls, Lines{"MessageBox(Error in retriving " + url + ", stop)"});
  EXPECT_EQ(map()->getWidth(), 40);
}

TEST_F(MapLoading, AnHttpServerThatIsNotThereIsNoMap) {
  unsigned port = 0;
  close(testsupport::listen_on_loopback(&port));  // a port where nothing listens
  EXPECT_FALSE(doc.OpenMapURL(("http://127.0.0.1:" + std::to_string(port) + "/m").c_str()));
  EXPECT_EQ(ui.calls, Lines{});
}

TEST(MapSource, ReadsLinesEndedByLfOrCrLf) {
  testsupport::TempDir dir;
  testsupport::TempDir::write(dir.file("t"), "one\r\ntwo\n\nlast");
  CMapSource source;
  ASSERT_TRUE(source.Open(("file://" + dir.file("t")).c_str()));
  Lines lines;
  for (std::string line; source.ReadLine(&line);) lines.push_back(line);
  EXPECT_EQ(lines, (Lines{"one", "two", "", "last"}));
}

}  // namespace
}  // namespace stationtest
