#include "stationwindowstest.h"

#include <QApplication>

#include "TesselStationCore/stationagent.h"

namespace stationui {

StationWindowsTest::StationWindowsTest() {
  platform::set_current_loop(&loop);
  windows.SetDocument(&doc);
  doc.OnNewDocument();
}

StationWindowsTest::~StationWindowsTest() {
  windows.SetMainFrame(nullptr);
  frame.reset();
  windows.SetDocument(nullptr);
  platform::set_current_loop(nullptr);
}

int StationWindowsTest::Create(std::vector<std::string> options) {
  args = {"tesselstation"};
  args.insert(args.end(), options.begin(), options.end());
  argv.clear();
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  commandLine.parse_commandline(static_cast<int>(args.size()), argv.data());
  frame = std::make_unique<CMainFrame>(doc, windows);
  windows.SetMainFrame(frame.get());
  const int created = frame->OnCreate(&commandLine);
  frame->show();
  QApplication::processEvents();
  return created;
}

std::string StationWindowsTest::WriteMap(const std::vector<std::string>& rows) {
  std::string text = "#Druvik MapData(1.2) - test\n" + std::to_string(rows.front().size()) +
                     "\n1000:2000\n" + std::to_string(rows.size()) + "\n1000:2000\n0\n";
  for (const std::string& row : rows) text += row + "\x01\n";
  const std::string path = dir.file("test.map");
  testsupport::TempDir::write(path, text);
  return "file://" + path;
}

void StationWindowsTest::LoadMap(const std::vector<std::string>& rows) {
  ASSERT_EQ(doc.ParseTerrain(kTerrain), 1);
  // A file is read before OpenMapURL returns.
  bool read = false;
  doc.OpenMapURL(WriteMap(rows).c_str(), [&read](bool result) { read = result; });
  ASSERT_TRUE(read);
}

void StationWindowsTest::Receive(const std::string& sender, const std::string& content) {
  const std::string text = "(tell :sender " + sender + " :receiver " + doc.GetOwnName() +
                           " :content (" + content + "))";
  std::string copy = text;
  frame->GetAgent()->process_message(copy.data());
}

}  // namespace stationui
