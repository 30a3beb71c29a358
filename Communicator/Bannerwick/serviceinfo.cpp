#include "Bannerwick/serviceinfo.h"

CServiceInfo::CServiceInfo() : extended_(std::make_unique<CLList>()) {}

CServiceInfo::~CServiceInfo() = default;

void CServiceInfo::set_location(const char* url) {
  if (url == nullptr) return;
  location_ = std::make_unique<CURL>(url);
}

void CServiceInfo::set_location(CURL* location) {
  if (location == nullptr || location == location_.get()) return;
  location_.reset(location);
}

void CServiceInfo::set_type(int type) {
  if (type_ == SERVICETYPE_MATCHMAKER || type_ == SERVICETYPE_ANS_SERVER) return;
  type_ = type;
}
