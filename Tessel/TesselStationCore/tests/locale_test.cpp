// What the station writes and reads keeps the decimal point when the
// process runs in a locale with a decimal comma.
#include <gtest/gtest.h>

#include <string>

#include "TesselStationCore/stationprotocol.h"
#include "TesselStationCore/weatherballoons.h"
#include "testsupport/commalocale.h"
#include "unitfixture.h"

namespace stationtest {
namespace {

using CommaLocale = testsupport::CommaLocaleTest<UnitTest>;

TEST_F(CommaLocale, MessagesAndTextsWriteADecimalPoint) {
  doc.ParseRadars("(tell :number 1 :0 (tell :id R1 :name North :lat 475.5 :lon 250.25 :range "
                  "50.5))");
  CRadarStation* north = doc.FindRadar("R1");
  ASSERT_NE(north, nullptr);
  EXPECT_EQ(north->GetRange(), 50.5);
  EXPECT_EQ(north->GetStart().longitude, 250.25);
  north->Activate();
  EXPECT_EQ(agent.lines().back(),
            "Sim: tell :command activate :resource Radar :id R1 :lat 475.500000 :lng 250.250000 "
            ":gridCol 20 :gridRow 28");
  EXPECT_STREQ(north->GetDescription().get(), "Radar: North\nRange: 50");
  EXPECT_NE(std::string(doc.RadarStats().get()).find(":cost 1.000000)"), std::string::npos);

  doc.SetStationLocation(475, 375);
  CWeatherBalloon* balloon = doc.DeployBalloon(475.5, 415);
  EXPECT_EQ(agent.lines().back(),
            "Sim: tell :command deploy_balloon :destLat 475.500000 :destLng 415.000000 :gridCol "
            "20 :gridRow 17");
  balloon->AdvanceBalloon(0);
  balloon->AdvanceBalloon(60);  // there
  balloon->SetWeatherReport("475", "415", "72.5", "1013", "45", "5", "270");
  EXPECT_EQ(balloon->InfoPaneLines()[2], "Temperature 72.50F / Humidity 45%");
}

TEST_F(CommaLocale, TheStatisticsOfTheMissionWriteADecimalPoint) {
  agent.SetDispatcher(std::make_unique<CStationProtocol>(doc));
  char text[] = "(tell :sender Sim :content (tell :command mission_complete))";
  agent.process_message(text);
  agent.SetDispatcher(nullptr);
  EXPECT_EQ(agent.lines().back(),
            "Sim: tell :command mission_stats :balloonCost 0.000000 :radarCost 0.000000 :intCost "
            "0.000000 :totalCost 0.000000 :intStats (tell  :count 0) :radarStats (tell  :count 0) "
            ":balloonStats (tell  :count 0)");
}

}  // namespace
}  // namespace stationtest
