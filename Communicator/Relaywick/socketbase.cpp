#include "Relaywick/socketbase.h"

#include <cstdarg>
#include <typeinfo>

#include "Relaywick/logfacility.h"
#include "Relaywick/serversocket.h"
#include "Toolwick/format.h"

CSocketBase::CSocketBase(CWnd* handler) { set_handler(handler); }

CSocketBase::~CSocketBase() = default;

void CSocketBase::set_logger(CDebug* logger) {
  logger_ = logger;
  // The plain event module (an agent's logger) writes debug() as CDebug
  // does; a subclass might not.
  file_only_ = logger != nullptr && typeid(*logger) == typeid(CLogFacility);
}

void CSocketBase::write_debug(const char* line) {
  if (dirty_ == 0 && line != nullptr) logger_->debug("%s", line);
}

void CSocketBase::debugf(const char* fmt, ...) {
  if (dirty_ != 0 || logger_ == nullptr) return;
  va_list args;
  va_start(args, fmt);
  const std::string line = str_vformat(fmt, args);
  va_end(args);
  logger_->debug("%s", line.c_str());
}

void CSocketBase::set_descriptor(long descriptor) {
  if (registry_ != nullptr) registry_->unindex(this);
  descriptor_ = descriptor;
  if (registry_ != nullptr) registry_->index(this);
}

void CSocketBase::set_agentname(const char* name) {
  if (dirty_ != 0 || name == nullptr) return;
  if (registry_ != nullptr) registry_->unindex(this);
  agentname_.set(name);
  if (registry_ != nullptr) registry_->index(this);
}

void CSocketBase::signal() {
  if (CWnd* handler = get_handler()) {
    handler->PostMessage(message_, static_cast<WPARAM>(sockettype_),
                         static_cast<LPARAM>(descriptor_));
  }
}
