#include "Relaywick/logfacility.h"

#include "Relaywick/communicator.h"

CLogFacility::CLogFacility(const char* name, CBeliefDB* db, CCommunicator* communicator,
                           unsigned kind)
    : CListElement(name), kind_(kind), db_(db), communicator_(communicator) {}

CLogFacility::~CLogFacility() {
  if (get_name() != nullptr) {
    debug("<CLogFacility> Destroying module [%s]", get_name());
  } else {
    debug("<CLogFacility> Destroying module [UNKNOWN]");
  }
}

void CLogFacility::parse_args(int /*argc*/, char** /*argv*/) {}

int CLogFacility::change_state(unsigned /*state*/) { return 1; }

void CLogFacility::process_message(const char* /*text*/, int /*direction*/) {}

void CLogFacility::process_timer() {}

void CLogFacility::set_display(const char* name) {
  if (name == nullptr) name = communicator_ != nullptr ? communicator_->get_name() : "Agent";
  set_name(name);
}

void CLogFacility::set_logger(CLogFacility* logger) {
  if (logger == nullptr) return;
  logger_ = logger;
  set_file(logger->get_file_pointer());
}

void CLogFacility::log_message(const char* text) {
  if (text != nullptr) debug("%s", text);
}
