// A station with a team ("Alpha-1" itself, "Bravo-2" and the simulation
// agent "Sim"), an impact area over latitudes 0 to 950 and longitudes 100 to
// 400, and helpers that place units.
#pragma once

#include <memory>

#include "TesselMapsLib/impactlines.h"
#include "TesselStationCore/incursion.h"
#include "TesselStationCore/interceptor.h"
#include "TesselStationCore/radarstation.h"
#include "TesselStationCore/teammember.h"
#include "stationtest.h"

namespace stationtest {

class UnitTest : public StationTest {
 protected:
  UnitTest() {
    join_team("Alpha-1", {"Bravo-2"});
    CImpactLines* area = doc.GetImpactLines();
    area->AddNLinePoint(0.0, 400.0);
    area->AddNLinePoint(950.0, 400.0);
    area->AddSLinePoint(0.0, 100.0);
    area->AddSLinePoint(950.0, 100.0);
    ui.calls.clear();
  }

  CInterceptor* add_interceptor(const char* id, double lat, double lng, double speed) {
    auto unit = std::make_unique<CInterceptor>();
    unit->SetId(id);
    unit->SetName(id);
    unit->SetSpeed(speed);
    CInterceptor* added = doc.AddInterceptor(std::move(unit));
    added->SetStart(lat, lng);
    return added;
  }

  CIncursion* add_incursion(const char* id, double lat, double lng, double heading,
                            double speed) {
    auto unit = std::make_unique<CIncursion>();
    unit->SetId(id);
    unit->SetName(id);
    unit->SetSpeed(speed);
    unit->SetHeading(heading);
    CIncursion* added = doc.AddIncursion(std::move(unit));
    added->SetStart(lat, lng);
    return added;
  }

  CRadarStation* add_radar(const char* id, double lat, double lng, const char* range) {
    auto unit = std::make_unique<CRadarStation>();
    unit->SetId(id);
    unit->SetName(id);
    CRadarStation* added = doc.AddRadar(std::move(unit));
    added->SetStart(lat, lng);
    added->SetRange(range);
    return added;
  }

  CTeamMember* bravo() { return doc.FindTeamMember("Bravo-2"); }
};

}  // namespace stationtest
