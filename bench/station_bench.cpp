// Speed of the station's core on the demo exercise of the simulation agent
// (tools/sim-agent/scenarios): the map view's OnDraw of the whole scene
// onto a QImage at zoom 2 and 3, beside the blit of the rendered map that
// begins it; and the message hook's rate for a clock pulse and for a
// teammate's deploy, beside a bare CParser parse of the same message.
//
// The scene is the exercise as the demo plays it up to minute 420: the
// scenario loaded through init_sim, the team and a weather balloon (its
// report answered), the teammate's radar and interceptors at work, an
// incursion's new course and the refreshed plume. Nothing is sent: the
// agent counts what the station would send.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "Lexwick/parser.h"
#include "PlatformQt/imagedc.h"
#include "TesselMapsLib/worldmap.h"
#include "TesselStationCore/mainframemodel.h"
#include "TesselStationCore/mapviewmodel.h"
#include "TesselStationCore/stationagent.h"
#include "TesselStationCore/stationprotocol.h"
#include "TesselStationCore/stationui.h"
#include "TesselStationCore/tesselstationdoc.h"
#include "simscript.h"

namespace {

// A screen that shows nothing and answers every question No.
class SilentUi : public CStationUi {
 public:
  void MessageBox(const char* /*text*/, unsigned /*type*/) override {}
  bool AskYesNo(const char* /*text*/) override { return false; }
  void EnableMainFrame(bool /*enable*/) override {}
  void EnableChatWindow(bool /*enable*/) override {}
  void OpenChatWindow() override {}
  void SetTitle(const char* /*title*/) override {}
  void SetChatTitle(const char* /*title*/) override {}
  void ShowWaitDialog() override {}
  void CloseWaitDialog() override {}
  void RedrawAllViews(bool /*erase*/) override {}
  void RedrawMainWindow() override {}
  void RefreshInfoPane(int /*code*/) override {}
  void UpdateMemberCost(const char*, const char*, const char*, const char*, const char*) override {}
  void ShowWeatherReport(const CWeatherBalloon* /*balloon*/,
                         const std::vector<std::string>& /*lines*/) override {}
  void RemoveWeatherReport(const CWeatherBalloon* /*balloon*/) override {}
  void AddChatLine(const CTeamMember* /*author*/, const char* /*text*/) override {}
  void ClearChat() override {}
  void LoadMap() override {}
  unsigned TrackMenu(const std::vector<CStationMenuItem>& /*items*/, CPoint /*screen*/) override {
    return 0;
  }
  platform::Progress* GetProgress() override { return &progress_; }

 private:
  platform::Progress progress_;
};

// Counts what the station sends and keeps the last balloon that asked for
// the weather.
class CountingAgent : public CStationAgent {
 public:
  CountingAgent() : CStationAgent("TesselStation") {}
  int SendAgentMessage(const char* /*performative*/, const char* /*receiver*/,
                       const char* content) override {
    ++sent;
    static constexpr char kAsk[] = "tell :command get_weather ";
    const char* id = std::strstr(content, " :balloonID ");
    if (std::strncmp(content, kAsk, sizeof kAsk - 1) == 0 && id != nullptr) {
      weatherAsked = std::string(id + 12, std::strcspn(id + 12, " )"));
    }
    return 1;
  }

  long sent = 0;
  std::string weatherAsked;
};

std::string envelope(const std::string& sender, const std::string& content) {
  return "(tell :sender " + sender +
         " :receiver TesselStation :ontology default-language :language default-ontology "
         ":content (" +
         content + "))";
}

// The station with the demo exercise played up to minute 420, drawn on
// `window` sized for zoom 3.
class DemoStation {
 public:
  DemoStation() : window_(1, 1, QImage::Format_RGB32), windowDc_(&window_) {
    doc_.SetAgent(&agent_);
    doc_.SetMainFrame(&frame_);
    frame_.SetView(&view_);
    doc_.OnNewDocument();
    doc_.SetOwnName("TesselStation");
    agent_.SetDispatcher(std::make_unique<CStationProtocol>(doc_));
    view_.OnInitialUpdate();

    SimScript script;
    if (!script.read_file(std::string(TESSEL_SIM_SCENARIOS) + "/demo.script",
                          ScriptNames{"TesselStation", "sim-agent"})) {
      std::fprintf(stderr, "demo.script: %s\n", script.error().c_str());
      std::abort();
    }
    bool loaded = false;
    for (const SimStep& step : script.steps()) {
      if (const auto* send = std::get_if<SendStep>(&step.action)) {
        Receive(send->sender, send->content);
        if (!loaded) {  // init_sim: the views render the new map
          view_.UpdateMapImage();
          loaded = true;
        }
      } else if (const auto* clock = std::get_if<ClockStep>(&step.action)) {
        if (clock->from >= 480) break;
        for (int minute = clock->from; minute <= clock->to; minute += clock->step) {
          Receive("sim-agent", "tell :command clock_sync :clock " + std::to_string(minute));
        }
      }
    }
  }

  ~DemoStation() {
    agent_.SetDispatcher(nullptr);
    frame_.SetView(nullptr);
    doc_.SetMainFrame(nullptr);
    doc_.SetAgent(nullptr);
  }

  // A message through the agent's hook; then a drawing, as the window
  // repaints, and the weather answered when a balloon asked for it.
  void Receive(const std::string& sender, const std::string& content) {
    std::string text = envelope(sender, content);
    agent_.process_message(text.data());
    QImage screen = ScreenImage();
    platform::ImageDC dc(&screen);
    view_.OnDraw(&dc, Clip());
    if (!agent_.weatherAsked.empty()) {
      const std::string balloon = agent_.weatherAsked;
      agent_.weatherAsked.clear();
      Receive("sim-agent", "tell :command weather_data :balloonID " + balloon +
                               " :winddir 250 :windspeed 14 :humidity 62 :pressure 1009 "
                               ":temperature 71.5 :lng 300 :lat 600");
    }
  }

  // The zoom of the map, rendered anew.
  void SetZoom(int zoom) {
    while (doc_.GetWorldMap()->getScalefactor() > zoom && frame_.CanZoomOut()) frame_.OnZoomOut();
    while (doc_.GetWorldMap()->getScalefactor() < zoom && frame_.CanZoomIn()) frame_.OnZoomIn();
  }

  QImage ScreenImage() const {
    const CWorldMap* map = doc_.GetWorldMap();
    return QImage(map->getWidth() * map->getScalefactor(),
                  map->getHeight() * map->getScalefactor(), QImage::Format_RGB32);
  }
  CRect Clip() const {
    const QImage size = ScreenImage();
    return CRect(0, 0, size.width(), size.height());
  }

  CTesselStationDoc& doc() { return doc_; }
  CMapViewModel& view() { return view_; }
  CountingAgent& agent() { return agent_; }

 private:
  SilentUi ui_;
  CountingAgent agent_;
  CTesselStationDoc doc_{ui_};
  CMainFrameModel frame_{doc_};
  QImage window_;
  platform::ImageDC windowDc_;
  CMapViewModel view_{doc_, frame_, windowDc_};
};

void BM_OnDraw(benchmark::State& state) {
  DemoStation station;
  station.SetZoom(static_cast<int>(state.range(0)));
  QImage screen = station.ScreenImage();
  platform::ImageDC dc(&screen);
  const CRect clip = station.Clip();
  for (auto _ : state) station.view().OnDraw(&dc, clip);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_OnDraw)->Arg(2)->Arg(3)->Unit(benchmark::kMicrosecond);

// The baseline of BM_OnDraw: its first step alone, the rendered map copied
// onto the picture through a scratch context made for it.
void BM_MapBlit(benchmark::State& state) {
  DemoStation station;
  station.SetZoom(static_cast<int>(state.range(0)));
  QImage screen = station.ScreenImage();
  platform::ImageDC dc(&screen);
  CWorldMap* map = station.doc().GetWorldMap();
  for (auto _ : state) {
    const std::unique_ptr<CDC> scratch = dc.CreateCompatibleDC();
    map->blt(&dc, scratch.get());
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_MapBlit)->Arg(2)->Arg(3)->Unit(benchmark::kMicrosecond);

// Arguments: 0 a clock pulse from the simulation agent, 1 the teammate's
// deploy of its sea interceptor.
std::string hook_message(int64_t which) {
  return which == 0 ? envelope("sim-agent", "tell :command clock_sync :clock 420")
                    : envelope("BravoStation",
                               "tell :command deploy :resource Interceptor :id I-102 "
                               ":destLat 60 :destLng 420");
}

void BM_Hook(benchmark::State& state) {
  DemoStation station;
  std::string text = hook_message(state.range(0));
  const long sentBefore = station.agent().sent;
  for (auto _ : state) station.agent().process_message(text.data());
  state.counters["sent"] = benchmark::Counter(
      static_cast<double>(station.agent().sent - sentBefore), benchmark::Counter::kAvgIterations);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Hook)->Arg(0)->Arg(1);

// The baseline of BM_Hook: the message parsed by a bare CParser.
void BM_HookParse(benchmark::State& state) {
  const std::string text = hook_message(state.range(0));
  for (auto _ : state) {
    CParser message;
    benchmark::DoNotOptimize(message.parse_message(text.c_str()));
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_HookParse)->Arg(0)->Arg(1);

}  // namespace

// Text needs a GUI application, made before the first benchmark and gone
// before Qt's own statics; off-screen unless the environment says otherwise.
int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  int qtArgc = 1;
  QGuiApplication application(qtArgc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
