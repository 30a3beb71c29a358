#include "Relaywick/clientbase.h"

#include "Relaywick/agentname.h"
#include "Relaywick/communicator.h"
#include "Toolwick/format.h"

CClientBase::CClientBase(const char* name, CBeliefDB* db, CCommunicator* communicator,
                         unsigned kind)
    : CLogFacility(name, db, communicator, kind) {
  if (communicator != nullptr) communicator->add_requirement(name);
}

CClientBase::~CClientBase() = default;

void CClientBase::set_create_string(const char* text) {
  debug("<CClientBase> set_create_string ()");
  create_.set(text);
}

void CClientBase::set_destroy_string(const char* text) {
  debug("<CClientBase> set_destroy_string ()");
  destroy_.set(text);
}

void CClientBase::set_advertisement(const char* advertisement) {
  if (advertisement == nullptr) return;
  advertisement_.assign(
      str_format("advertise :operation advertise :advertisement %s", advertisement));
  set_create_string(advertisement_.get());
  set_destroy_string("unadvertise :operation unadvertise");
}

void CClientBase::set_access_denied(int value) {
  access_denied_ = value;
  debug(value == 1 ? "<CClientBase> Setting 'access_denied' to TRUE"
                   : "<CClientBase> Setting 'access_denied' to FALSE");
}

int CClientBase::send_to_resource(const char* performative, const char* content) {
  const char* error = get_communicator()->comm_sendmessage_internal(
      performative, get_name(), ontology_.get(), language_.get(), "cricket", nullptr, nullptr,
      content, nullptr);
  if (error == nullptr) return 1;
  debug("%s", error);
  set_access_denied(1);
  return 0;
}

int CClientBase::change_state(unsigned state) {
  if (find_name_belief(get_beliefdb()) == nullptr) {
    set_access_denied(1);
    return 0;
  }
  if (access_denied_ == 1) return 0;
  if (get_communicator() == nullptr) {
    set_access_denied(1);
    debug("<CClientBase> Communicator is NULL, access to resource disabled");
    return 0;
  }
  if (get_name() == nullptr) {
    set_access_denied(1);
    debug("<CClientBase> No agent name specified, access to resource disabled");
    return 0;
  }
  set_state(state);
  if (state == AGENTSTATE_REGISTERED) {
    debug("<CClientBase> starting up");
    process_create();
    if (!create_.is_set()) {
      debug("<CClientBase> No create string specified, aborting create");
      return 0;
    }
    return send_to_resource(performative_.get(), create_.get());
  }
  if (state == AGENTSTATE_UNREGISTERED) {
    if (!destroy_.is_set()) {
      debug("<CClientBase> No destroy string specified, aborting destroy");
      return 0;
    }
    debug("<CClientBase> shutting down");
    return send_to_resource("tell", destroy_.get());
  }
  return 1;
}

void CClientBase::ping() {
  CCommunicator* comm = get_communicator();
  CClientSocket* used = nullptr;
  if (comm != nullptr && get_name() != nullptr) {
    used = comm->comm_sendmessage_socket_internal(
        "tell", get_name(), ontology_.get(), "default-language", "cricket", nullptr, nullptr,
        "tell :type command :action ping", nullptr);
  }
  if (used == nullptr) {
    debug("<CClientBase> ping failed (could not obtain connection), suspending module");
    set_access_denied(1);
    return;
  }
  const long descriptor = used->get_descriptor();
  if (connection_ != -1 && connection_ != descriptor) {
    connection_ = descriptor;
    debug("<CClientBase> ping failed (connection descriptor changed), suspending module");
    set_access_denied(1);
    return;
  }
  connection_ = descriptor;
}

void CClientBase::process_timer() {
  ++ticks_;
  if (access_denied_ != 1 && ticks_ > kTickLimit) {
    ticks_ = 0;
    ping();
  }
  if (access_denied_ == 1 && ++suspended_ticks_ > kTickLimit) {
    debug("<CClientBase> Attempting to re-enable module ...");
    set_access_denied(0);
    change_state(AGENTSTATE_REGISTERED);
    suspended_ticks_ = 0;
  }
}
