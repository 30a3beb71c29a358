#include "Relaywick/filemodule.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <vector>

#include "Platform/directory.h"
#include "Relaywick/agentname.h"
#include "Toolwick/format.h"
#include "Toolwick/utils.h"

namespace {

constexpr const char* kLogfiles = "Logfiles";

}  // namespace

CFileModule::CFileModule(const char* name, CBeliefDB* db, CCommunicator* communicator,
                         unsigned kind)
    : CLogFacility(name, db, communicator, kind) {
  set_type(LOGTYPE_FILE);
  CUtils utils;
  const char* home = utils.get_home();
  if (find_name_belief(db) == nullptr || home == nullptr) return;

  const time_t now = std::time(nullptr);
  tm local{};
  localtime_r(&now, &local);
  const std::string logfiles = str_format("%s/%s", home, kLogfiles);
  const std::string folder = get_logdir(local);
  if (!ensure_directory(home, kLogfiles) || !ensure_directory(logfiles, folder.c_str())) return;

  const std::string path = str_format("%s/%s/%s/%s-%s.txt", home, kLogfiles, folder.c_str(),
                                      shown_text(name), my_asctime(&local));
  set_file(path.c_str());
  if (get_file_pointer() != nullptr) {
    debug("[%s] [**] <CFileModule> starting up", shown_text(find_agent_name(db)));
  }
}

CFileModule::~CFileModule() {
  debug("<CFileModule> shutting down");
  close();
}

int CFileModule::directory_exists(const char* dir, const char* name) {
  std::vector<platform::DirEntry> entries;
  if (!platform::list_directory(dir, "*.*", &entries)) return 0;
  for (const platform::DirEntry& entry : entries) {
    if (entry.name == name) return 1;
  }
  return 0;
}

bool CFileModule::ensure_directory(const std::string& parent, const char* name) {
  if (directory_exists(parent.c_str(), name) != 0) return true;
  const std::string path = parent + "/" + name;
  return ::mkdir(path.c_str(), 0777) == 0 || errno == EEXIST;
}

std::string CFileModule::get_logdir(const tm& local) {
  // The names of the log's time stamps: "Sun" to "Sat", "Jan" to "Dec".
  const char* stamp = my_asctime(&local);
  return str_format("Log-%.3s-%.3s", stamp, stamp + 4);
}

int CFileModule::change_state(unsigned state) {
  CBeliefDB* db = get_beliefdb();
  if (db == nullptr) {
    debug("[--] [**] <CFileModule> BeliefDB is NULL, unable to obtain agent name\n");
    return 0;
  }
  if (find_name_belief(db) == nullptr || get_communicator() == nullptr) return 0;
  const char* line;
  switch (state) {
    case AGENTSTATE_IDLE:
      line = "[%s] [++] Idle state logged\n";
      break;
    case AGENTSTATE_PLANNING:
      line = "[%s] [++] Planning state logged\n";
      break;
    case AGENTSTATE_ADVERTISED:
      line = "[%s] [++] Advertise state logged\n";
      break;
    case AGENTSTATE_REGISTERED:
      line = "[%s] [++] Agent successfully registered with ANS\n";
      break;
    case AGENTSTATE_UNREGISTERED:
      line = "[%s] [++] Agent successfully unregistered with ANS\n";
      break;
    default:
      line = "[%s] [++] Unknown state-change logged\n";
      break;
  }
  debug(line, shown_text(find_agent_name(db)));
  return 1;
}

void CFileModule::process_message(const char* text, int direction) {
  if (text == nullptr || *text == '\0') return;
  if (filter_.is_set() && std::strstr(text, filter_.get()) != nullptr) return;
  CBeliefDB* db = get_beliefdb();
  if (db == nullptr) {
    debug("[----] BeliefDB is null, unable to proccess string");
    return;
  }
  FILE* file = get_file_pointer();
  if (find_name_belief(db) == nullptr || file == nullptr) return;

  std::string line = str_format("[---] [%s] ", shown_text(find_agent_name(db)));
  ++counter_;
  switch (direction) {
    case DIRECTION_INTERNAL:
      line += "[**] ";
      break;
    case DIRECTION_INCOMING:
      line += "[<-] ";
      break;
    case DIRECTION_OUTGOING:
      line += "[->] ";
      break;
    default:
      line += str_format("[%.5ld] [no type indicator] ", static_cast<long>(counter_));
      break;
  }
  for (const char* c = text; *c != '\0'; ++c) line += (*c == '\r' || *c == '\n') ? ' ' : *c;
  line += '\n';
  std::fputs(line.c_str(), file);
  std::fflush(file);
}
