#include "Sidewick/devicebase.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "Lexwick/parser.h"
#include "Toolwick/filebuffer.h"

namespace {

constexpr const char* kParentLinkFile = "parentlink.txt";

// `text` without the blanks, tabs and line ends around it.
std::string trimmed(const char* text) {
  const std::string whole(text);
  const char* const space = " \t\r\n";
  const size_t first = whole.find_first_not_of(space);
  if (first == std::string::npos) return std::string();
  return whole.substr(first, whole.find_last_not_of(space) - first + 1);
}

// Replaces the file at `path` by `text`; false when it could not be written.
bool store(const char* path, const char* text) {
  FILE* file = std::fopen(path, "wb");
  if (file == nullptr) return false;
  const bool written = std::fputs(text, file) >= 0;
  return std::fclose(file) == 0 && written;
}

}  // namespace

CDeviceBase::CDeviceBase(const char* name) : CBasicAgent(name) { set_type("deviceagent"); }

int CDeviceBase::process_create() {
  // A new communicator: the modules of an earlier run went with the old one.
  parent_ = nullptr;
  CFileBuffer file;
  const char* text = file.load_a_file(kParentLinkFile);
  if (text == nullptr) {
    debug("<CDeviceBase> Unable to find parent link information");
    return 1;
  }
  const std::string parent = trimmed(text);
  if (parent.empty()) {
    debug("<CDeviceBase> Parent link information is empty, device stays unlinked");
    return 1;
  }
  debug("<CDeviceBase> Adding parent link to device");
  link(parent.c_str());
  parent_->parse_args(argc_, argv_);
  return 1;
}

int CDeviceBase::process_message(char* text) {
  CParser message;
  if (message.parse_message(text) != 1) {
    debug("<CDeviceBase> Unable to parse incoming message");
    return 0;
  }
  const char* sender = message.find_sender();
  const char* ontology = message.find_ontology();
  const char* content = message.find_content();
  if (sender == nullptr || ontology == nullptr || content == nullptr) {
    debug("<CDeviceBase> Unable to find primary fields");
    return 0;
  }
  if (std::strcmp(ontology, "device") != 0) {
    debug("<CDeviceBase> Ontology is not of type device");
    return 0;
  }
  CParser fields;
  if (fields.parse_message(content) != 1) {
    debug("<CDeviceBase> Unable to parse content field");
    return 0;
  }
  debug("%s", content);
  const char* action = fields.find_token("action");
  const char* parent = fields.find_token("parent");
  if (action == nullptr) {
    debug("<CDeviceBase> Unable to find 'action' parameter in content field");
    return 0;
  }

  const auto is = [action](const char* value) { return std::strcmp(action, value) == 0; };
  if (is("on") || is("ON")) {
    debug("<CDeviceBase> Turning device on");
    set_active(1);
    activate(1);
  } else if (is("off") || is("OFF")) {
    debug("<CDeviceBase> Turning device off");
    set_active(0);
    activate(0);
  } else if (is("parentlink")) {
    if (parent == nullptr) {
      debug("<CDeviceBase> Unable to find parent field for link action");
      return 1;
    }
    // One link per parent: linking again to the parent linked already keeps
    // its module, so that repeated messages neither pile up modules nor make
    // the module announce itself anew each time.
    if (parent_ != nullptr && std::strcmp(parent_->get_name(), parent) == 0) {
      debug("<CDeviceBase> Device is already linked to this parent");
    } else {
      unlink();
      debug("<CDeviceBase> Adding parent link to device");
      link(parent);
    }
    if (parent_->get_state() != AGENTSTATE_REGISTERED) parent_->change_state(AGENTSTATE_REGISTERED);
    if (!store(kParentLinkFile, parent)) {
      debug(
          "<CDeviceBase> Unable to store parent link in configuration file, link will not be "
          "available next time the agent starts");
    }
  } else if (is("parentunlink")) {
    if (parent == nullptr) {
      debug("<CDeviceBase> Unable to find parent field for unlink action");
      return 1;
    }
    unlink();
  }
  return 1;
}

void CDeviceBase::activate(int /*state*/) { debug("<CDeviceBase> Changing device state"); }

void CDeviceBase::link(const char* parent) {
  CCommunicator* communicator = get_communicator();
  parent_ = new CMiddleAgentClient(parent, get_belief_db(), communicator, 0);
  communicator->add_display(parent_);
  parent_->set_logger(get_logger());
}

void CDeviceBase::unlink() {
  if (parent_ == nullptr) return;
  get_communicator()->remove_display(parent_);
  parent_ = nullptr;
}
