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

#include "Platform/eventloop.h"
#include "TesselStationCore/mapsource.h"
#include "stationtest.h"
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
  EXPECT_TRUE(OpenMap(doc, url.c_str()));
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
  EXPECT_TRUE(OpenMap(doc, url.c_str()));
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
  EXPECT_FALSE(OpenMap(doc, url.c_str()));
  EXPECT_EQ(ui.calls, Lines{"MessageBox(Internal Error: CTesselStationView::GetMapFromURL())"});
}

INSTANTIATE_TEST_SUITE_P(
    Files, UnreadableMap,
    testing::Values(FileCase{"WidthZero", map12("0")},
                    FileCase{"HeightNotANumber", map12("3", "12.5:80", "high")},
                    FileCase{"BoundsWithoutColon", map12("3", "12.5 80")},
                    FileCase{"BoundNotANumber", map12("3", "nan:80")},
                    FileCase{"BoundBeyondReach", map12("3", "0:1e300")},
                    FileCase{"PreambleCutShort", "#Druvik MapData(1.2) -\n3\n0:1\n2\n"},
                    FileCase{"Version11EndingNoRow", "#Druvik MapData(1.1) -\nabcd\n"},
                    FileCase{"GridTooLarge", map12("100000", "0:1", "100000")},
                    // The station's own limit, 400 x 400 cells.
                    FileCase{"BeyondTheStationsLimit", map12("401", "0:1", "400")},
                    FileCase{"Version11BeyondTheStationsLimit",
                             "#Druvik MapData(1.1) -\n" + std::string(160001, 'a') + "\x01\n"}),
    [](const testing::TestParamInfo<FileCase>& info) { return info.param.name; });

TEST_F(MapLoading, AFailureInThePreambleLeavesTheMapAsItWas) {
  doc.SetMapURL(write("bad.txt", map12("0")).c_str());
  EXPECT_FALSE(ReadMap(doc));
  EXPECT_EQ(map()->getWidth(), 40);
  EXPECT_EQ(map()->getScalefactor(), 3);  // prepared, not emptied
}

class InvalidHeader : public MapLoading, public testing::WithParamInterface<FileCase> {};

TEST_P(InvalidHeader, ShowsTheFormatAndTheInternalErrorAndKeepsTheMap) {
  const std::string url = write("bad.txt", GetParam().bytes);
  EXPECT_FALSE(OpenMap(doc, url.c_str()));  // the check shows nothing
  EXPECT_EQ(ui.calls, Lines{});
  doc.SetMapURL(url.c_str());
  EXPECT_FALSE(ReadMap(doc));
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
  EXPECT_FALSE(OpenMap(doc, url.c_str()));
  EXPECT_EQ(ui.calls, Lines{});
  doc.SetMapURL(url.c_str());
  EXPECT_FALSE(ReadMap(doc));
  EXPECT_EQ(ui.calls, Lines{"MessageBox(Error in retriving " + url + ", stop)"});
  EXPECT_EQ(map()->getWidth(), 40);
}

TEST_F(MapLoading, APercentEncodedPathIsDecoded) {
  std::filesystem::create_directory(dir.file("maps 50%"));
  const std::string url = write("maps 50%/my map.txt", map12());
  EXPECT_NE(url.find("maps%2050%25/my%20map.txt"), std::string::npos);
  EXPECT_TRUE(OpenMap(doc, url.c_str()));
  EXPECT_EQ(map()->getWidth(), 3);
}

TEST_F(MapLoading, LeadingBlanksAreDroppedFromTheLocation) {
  const std::string url = write("map.txt", map12());
  EXPECT_TRUE(OpenMap(doc, ("  \t" + url).c_str()));
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
  EXPECT_FALSE(OpenMap(doc, url.c_str()));
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

TEST_F(MapLoading, ANullLocationIsRefused) {
  bool read = true;
  doc.OpenMapURL(nullptr, [&](bool result) { read = result; });
  EXPECT_FALSE(read);
}

// One fetch serves the check and the map.
TEST_F(MapLoading, AnHttpLocationIsFetchedOnceForTheCheckAndTheMap) {
  LoopbackHttpServer server("HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\n" + map12());
  const std::string url = server.url("/maps/demo.map");
  EXPECT_TRUE(OpenMap(doc, url.c_str()));
  EXPECT_EQ(ui.calls, Lines{"LoadMap"});
  EXPECT_EQ(map()->getWidth(), 3);
  EXPECT_EQ(map()->point(0, 1), 'a');
  EXPECT_EQ(map()->GetMaxLat(), 80.0);
  EXPECT_EQ(server.requests(), (Lines{"GET http://127.0.0.1/maps/demo.map HTTP/1.0"}));
}

TEST_F(MapLoading, AnHttpErrorAnswerIsNoMap) {
  LoopbackHttpServer server("HTTP/1.0 404 Not Found\r\n\r\n" + map12());
  const std::string url = server.url("/maps/demo.map");
  EXPECT_FALSE(OpenMap(doc, url.c_str()));
  doc.SetMapURL(url.c_str());
  EXPECT_FALSE(ReadMap(doc));
  EXPECT_EQ(ui.calls, Lines{"MessageBox(Error in retriving " + url + ", stop)"});
  EXPECT_EQ(map()->getWidth(), 40);
}

TEST_F(MapLoading, AnHttpServerThatIsNotThereIsNoMap) {
  unsigned port = 0;
  close(testsupport::listen_on_loopback(&port));  // a port where nothing listens
  EXPECT_FALSE(OpenMap(doc, ("http://127.0.0.1:" + std::to_string(port) + "/m").c_str()));
  EXPECT_EQ(ui.calls, Lines{});
}

TEST_F(MapLoading, AMapAtTheStationsLimitIsRead) {
  EXPECT_TRUE(OpenMap(doc, write("big.txt", map12("400", "0:1", "400"))));
  EXPECT_EQ(map()->getWidth(), 400);
}

// An http location is read from the event loop: the call returns at once,
// and a server that accepts but never answers is given up within the
// fetch's time, with the retrieval message.
TEST_F(MapLoading, AnHttpServerThatNeverAnswersIsGivenUpInTime) {
  unsigned port = 0;
  const int listener = testsupport::listen_on_loopback(&port);
  const std::string url = "http://127.0.0.1:" + std::to_string(port) + "/m";
  bool ended = false;
  bool read = true;
  doc.OpenMapURL(url.c_str(), [&](bool result) {
    ended = true;
    read = result;
  });
  EXPECT_FALSE(ended);
  // A bound against a hang, not a measure.
  ASSERT_TRUE(platform::current_loop().run_until([&] { return ended; }, 30000));
  EXPECT_FALSE(read);
  EXPECT_EQ(ui.calls, Lines{"MessageBox(Error in retriving " + url + ", stop)"});
  EXPECT_EQ(map()->getWidth(), 40);
  close(listener);
}

struct ReplyCase {
  const char* name;
  std::string reply;
  bool body;
  std::string text = "";
};

void PrintTo(const ReplyCase& c, std::ostream* out) { *out << c.name; }

class HttpReply : public testing::TestWithParam<ReplyCase> {};

TEST_P(HttpReply, GivesTheBodyOfASuccessfulAnswerOnly) {
  std::string body = "before";
  EXPECT_EQ(HttpReplyBody(GetParam().reply, &body), GetParam().body);
  if (GetParam().body) {
    EXPECT_EQ(body, GetParam().text);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Replies, HttpReply,
    testing::Values(ReplyCase{"Ok", "HTTP/1.0 200 OK\r\nA: b\r\n\r\nmap\r\ntext", true,
                              "map\r\ntext"},
                    ReplyCase{"LineEndsWithoutCr", "HTTP/1.1 204 No\nA: b\n\nx", true, "x"},
                    ReplyCase{"EmptyBody", "HTTP/1.0 200 OK\r\n\r\n", true, ""},
                    ReplyCase{"NotFound", "HTTP/1.0 404 Not Found\r\n\r\nx", false},
                    ReplyCase{"Redirect", "HTTP/1.0 301 Moved\r\n\r\nx", false},
                    ReplyCase{"StatusNotANumber", "HTTP/1.0 2x0 Odd\r\n\r\nx", false},
                    ReplyCase{"StatusCutShort", "HTTP/1.0 20", false},
                    ReplyCase{"NoHeaderEnd", "HTTP/1.0 200 OK\r\nA: b", false},
                    ReplyCase{"NotHttp", "ICY 200 OK\r\n\r\nx", false},
                    ReplyCase{"Empty", "", false}),
    [](const testing::TestParamInfo<ReplyCase>& info) { return info.param.name; });

TEST(MapSource, ReadsLinesEndedByLfOrCrLf) {
  testsupport::TempDir dir;
  testsupport::TempDir::write(dir.file("t"), "one\r\ntwo\n\nlast");
  CMapSource source;
  bool read = false;
  source.Open(("file://" + dir.file("t")).c_str(), [&read](bool result) { read = result; });
  ASSERT_TRUE(read);
  Lines lines;
  for (std::string line; source.ReadLine(&line);) lines.push_back(line);
  EXPECT_EQ(lines, (Lines{"one", "two", "", "last"}));
}

}  // namespace
}  // namespace stationtest
