// CCommandsMenu: the "Commands" menu of one right click on the map -- its
// items with their identifiers, and the command that each identifier runs.
// It offers a weather balloon at the clicked point, the pending deployment
// or interception of the selected interceptor, and the commands that fit
// each unit near the click.
//
// The menu keeps the units it lists by type and id, never by pointer: a
// choice made after the units went (a reset while the menu was open) finds
// nothing and does nothing. At most kMaxUnits units are listed, so that
// every unit command has an identifier of its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "TesselStationCore/stationui.h"

class CIncursion;
class CInterceptor;
class CResourceUnit;
class CTesselStationDoc;

// Whether this station controls the interceptor: its controller bears the
// station's own name.
bool IsOwnInterceptor(const CTesselStationDoc& document, const CInterceptor& interceptor);

class CCommandsMenu {
 public:
  // Identifiers of the commands that name no unit.
  enum : unsigned {
    ID_CANCEL = 7,              // cancel the pending deployment or interception
    ID_DEPLOY_BALLOON = 3001,   // a weather balloon to the clicked point
    ID_DEPLOY_SELECTED = 3002,  // the selected interceptor to the clicked point
  };
  // Actions of the unit commands.
  enum MenuAction : int {
    MENU_ACTIVATE = 1,
    MENU_DEACTIVATE = 2,
    MENU_REQUEST = 3,
    MENU_DEPLOY = 4,          // choose where to deploy the interceptor
    MENU_INTERCEPT = 5,       // choose the incursion to intercept
    MENU_INTERCEPT_THIS = 6,  // the selected interceptor intercepts this incursion
    MENU_ABORT = 8,
  };
  // Unit command identifiers run from 4001 to 4998: 100 per unit.
  static constexpr unsigned kFirstUnitCommand = 4001;
  static constexpr unsigned kLastUnitCommand = 4998;
  static constexpr size_t kMaxUnits = 10;

  // index x 100 + 4000 + action.
  static unsigned UnitCommandId(size_t index, int action);
  // The unit's index and the action of a unit command identifier; false for
  // any other identifier.
  static bool DecodeUnitCommand(unsigned id, size_t* index, int* action);

  // The menu for a click on the map point (lat, lng) with `units` near it
  // (radar stations, interceptors, incursions; the first kMaxUnits listed).
  CCommandsMenu(CTesselStationDoc& document, const std::vector<CResourceUnit*>& units, double lat,
                double lng);

  const std::vector<CStationMenuItem>& GetItems() const { return items_; }
  // Runs the command of `id`; 0 (dismissed) and unknown identifiers do
  // nothing.
  void Choose(unsigned id);

  // `interceptor` sets course for `incursion`, with sending; a refusal is
  // shown in a message box. The result of CInterceptor::Intercept.
  static int8_t Intercept(CTesselStationDoc& document, CInterceptor* interceptor,
                          CIncursion* incursion);

 private:
  struct UnitRef {
    int type;
    std::string id;
  };

  void AddItem(unsigned id, std::string text);
  void AddSeparator();
  void AddUnitItems(size_t index, CResourceUnit* unit);
  // The listed unit at `index`, looked up now; null when it is gone.
  CResourceUnit* Lookup(size_t index) const;
  void RunUnitCommand(CResourceUnit* unit, int action);
  // No selected interceptor, mode none, the views redrawn.
  void EndPendingCommand();

  CTesselStationDoc& document_;
  double lat_;
  double lng_;
  std::vector<UnitRef> units_;
  std::vector<CStationMenuItem> items_;
};
