#include "TesselStationCore/commandsmenu.h"

#include <cstring>

#include "TesselStationCore/incursion.h"
#include "TesselStationCore/interceptor.h"
#include "TesselStationCore/radarstation.h"
#include "TesselStationCore/stationmessages.h"
#include "TesselStationCore/teammember.h"
#include "TesselStationCore/tesselstationdoc.h"
#include "Toolwick/format.h"

bool IsOwnInterceptor(const CTesselStationDoc& document, const CInterceptor& interceptor) {
  const CTeamMember* controller = interceptor.GetController();
  return interceptor.IsControlled() && controller != nullptr &&
         std::strcmp(controller->GetName(), document.GetOwnName()) == 0;
}

unsigned CCommandsMenu::UnitCommandId(size_t index, int action) {
  return static_cast<unsigned>(index * 100 + 4000 + action);
}

bool CCommandsMenu::DecodeUnitCommand(unsigned id, size_t* index, int* action) {
  if (id < kFirstUnitCommand || id > kLastUnitCommand) return false;
  *index = (id - 4000) / 100;
  *action = static_cast<int>((id - 4000) % 100);
  return true;
}

CCommandsMenu::CCommandsMenu(CTesselStationDoc& document, const std::vector<CResourceUnit*>& units,
                             double lat, double lng)
    : document_(document), lat_(lat), lng_(lng) {
  items_.push_back({0, "Commands", false, true});
  AddSeparator();
  AddItem(ID_DEPLOY_BALLOON, "Deploy Weather Balloon");
  // A release clears the selection but not the mode: without a selected
  // interceptor there is nothing pending to offer.
  const CInterceptor* selected = document_.GetSelectedInterceptor();
  const int mode = document_.GetCommandMode();
  if (selected != nullptr && mode == CTesselStationDoc::MODE_DEPLOY) {
    AddItem(ID_DEPLOY_SELECTED,
            str_format("Deploy %s to location %.2f,%.2f", selected->GetName(), lat_, lng_));
  }
  if (selected != nullptr &&
      (mode == CTesselStationDoc::MODE_DEPLOY || mode == CTesselStationDoc::MODE_INTERCEPT)) {
    AddItem(ID_CANCEL,
            str_format("Cancel %s Request for %s",
                       mode == CTesselStationDoc::MODE_DEPLOY ? "Deployment" : "Intercept",
                       selected->GetName()));
  }
  for (size_t i = 0; i < units.size() && i < kMaxUnits; ++i) {
    units_.push_back({units[i]->GetType(), units[i]->GetId()});
    AddUnitItems(i, units[i]);
  }
}

void CCommandsMenu::AddItem(unsigned id, std::string text) {
  items_.push_back({id, std::move(text), false, false});
}

void CCommandsMenu::AddSeparator() { items_.push_back({0, "", true, false}); }

void CCommandsMenu::AddUnitItems(size_t index, CResourceUnit* unit) {
  const auto id = [index](int action) { return UnitCommandId(index, action); };
  if (unit->GetType() == UNIT_INCURSION) {
    const CInterceptor* selected = document_.GetSelectedInterceptor();
    if (selected != nullptr && document_.GetCommandMode() == CTesselStationDoc::MODE_INTERCEPT &&
        document_.CheckRadarCoverage(static_cast<CIncursion*>(unit))) {
      AddSeparator();
      AddItem(id(MENU_INTERCEPT_THIS),
              str_format("Intercept Incursion Vehicle at location %.2f,%.2f with %s", lat_, lng_,
                         selected->GetName()));
    }
    return;
  }
  const std::string label = str_format("%s %s", unit->TypeName(), unit->GetName());
  if (unit->GetType() == UNIT_RADAR) {
    if (static_cast<const CRadarStation*>(unit)->IsActive()) {
      AddItem(id(MENU_DEACTIVATE), label + ": Relinquish/DeActivate");
    } else {
      AddItem(id(MENU_ACTIVATE), label + ": Acquire/Activate");
    }
    return;
  }
  if (unit->GetType() != UNIT_INTERCEPTOR) return;
  const auto* interceptor = static_cast<const CInterceptor*>(unit);
  if (!interceptor->IsControlled()) {
    AddItem(id(MENU_ACTIVATE), label + ": Activate");
    return;
  }
  if (!IsOwnInterceptor(document_, *interceptor)) {
    const CTeamMember* controller = interceptor->GetController();
    AddItem(id(MENU_REQUEST),
            label + str_format(": Request control from %s",
                               controller != nullptr ? controller->GetName() : ""));
    return;
  }
  AddItem(id(MENU_DEACTIVATE), label + ": De-activate/Release");
  const int state = interceptor->GetState();
  if (state == CInterceptor::STATE_ON_STATION &&
      document_.GetCommandMode() == CTesselStationDoc::MODE_NONE) {
    AddItem(id(MENU_DEPLOY), label + ": Deploy to New Location");
    AddItem(id(MENU_INTERCEPT), label + ": Intercept an Incursion Vehicle");
  }
  if (state == CInterceptor::STATE_DEPLOYING || state == CInterceptor::STATE_INTERCEPTING) {
    AddItem(id(MENU_ABORT),
            label + str_format(": Abort %s command",
                               state == CInterceptor::STATE_DEPLOYING ? "Deploy" : "Intercept"));
  }
}

CResourceUnit* CCommandsMenu::Lookup(size_t index) const {
  if (index >= units_.size()) return nullptr;
  const UnitRef& ref = units_[index];
  switch (ref.type) {
    case UNIT_RADAR:
      return document_.FindRadar(ref.id.c_str());
    case UNIT_INTERCEPTOR:
      return document_.FindInterceptor(ref.id.c_str());
    case UNIT_INCURSION:
      return document_.FindIncursion(ref.id.c_str());
    default:
      return nullptr;
  }
}

void CCommandsMenu::Choose(unsigned id) {
  size_t index = 0;
  int action = 0;
  if (DecodeUnitCommand(id, &index, &action)) {
    if (CResourceUnit* unit = Lookup(index)) RunUnitCommand(unit, action);
    return;
  }
  switch (id) {
    case ID_DEPLOY_BALLOON:
      document_.DeployBalloon(lat_, lng_);
      break;
    case ID_CANCEL:
      EndPendingCommand();
      break;
    case ID_DEPLOY_SELECTED:
      if (CInterceptor* selected = document_.GetSelectedInterceptor()) {
        selected->Deploy(lat_, lng_, true);
      }
      EndPendingCommand();
      break;
    default:
      break;
  }
}

void CCommandsMenu::RunUnitCommand(CResourceUnit* unit, int action) {
  const bool interceptor = unit->GetType() == UNIT_INTERCEPTOR;
  switch (action) {
    case MENU_ACTIVATE:
      unit->Activate();
      break;
    case MENU_DEACTIVATE:
      unit->Deactivate();
      break;
    case MENU_REQUEST:
      unit->Request();
      break;
    case MENU_DEPLOY:
    case MENU_INTERCEPT:
      if (!interceptor) break;
      document_.SetCommandMode(action == MENU_DEPLOY ? CTesselStationDoc::MODE_DEPLOY
                                                       : CTesselStationDoc::MODE_INTERCEPT);
      document_.SetSelectedInterceptor(static_cast<CInterceptor*>(unit));
      document_.RedrawAllViews(true);
      break;
    case MENU_INTERCEPT_THIS:
      if (unit->GetType() == UNIT_INCURSION) {
        auto* incursion = static_cast<CIncursion*>(unit);
        CInterceptor* selected = document_.GetSelectedInterceptor();
        if (selected != nullptr && document_.CheckRadarCoverage(incursion)) {
          Intercept(document_, selected, incursion);
        }
      }
      EndPendingCommand();
      break;
    case MENU_ABORT:
      if (!interceptor) break;
      static_cast<CInterceptor*>(unit)->Abort(true);
      document_.SendToTeam(station::message::MenuAbort("Interceptor", unit->GetId()).c_str());
      break;
    default:
      break;
  }
}

void CCommandsMenu::EndPendingCommand() {
  document_.SetSelectedInterceptor(nullptr);
  document_.SetCommandMode(CTesselStationDoc::MODE_NONE);
  document_.RedrawAllViews(true);
}

int8_t CCommandsMenu::Intercept(CTesselStationDoc& document, CInterceptor* interceptor,
                                CIncursion* incursion) {
  const int8_t result = interceptor->Intercept(incursion, true);
  const char* text = nullptr;
  switch (result) {
    case CInterceptor::INTERCEPT_POINT_OUTSIDE:
      text = "Incursion will exit IILs befor interception takes place.";
      break;
    case CInterceptor::INTERCEPT_INCURSION_OUTSIDE:
      text = "Cannot intercept incursion since it is ouside the IILs";
      break;
    case CInterceptor::INTERCEPT_NO_POINT:
      text = "The Incursion is out of range (or moving too fast) and cannot be intercepted.";
      break;
    case CInterceptor::INTERCEPT_NO_INCURSION:
      text = "No Incursion to Intercept.";
      break;
    default:
      break;
  }
  if (text != nullptr) document.GetUi().MessageBox(text, MB_OK);
  return result;
}
