#include "Credwick/beliefdb.h"

#include <cstdio>
#include <cstring>

#include "Bannerwick/serviceinfo.h"
#include "Lexwick/parser.h"
#include "Toolwick/filebuffer.h"
#include "Toolwick/format.h"

namespace {

const char* service_type_name(int type) {
  switch (type) {
    case SERVICETYPE_AGENT: return "SERVICETYPE_AGENT";
    case SERVICETYPE_MATCHMAKER: return "SERVICETYPE_MATCHMAKER";
    case SERVICETYPE_FERRINSERVER: return "SERVICETYPE_FERRINSERVER";
    case SERVICETYPE_ANS_SERVER: return "SERVICETYPE_ANS_SERVER";
    case SERVICETYPE_SHOWBOARD: return "SERVICETYPE_SHOWBOARD";
    case SERVICETYPE_PELVAN_SERVER: return "SERVICETYPE_PELVAN_SERVER";
    default: return nullptr;
  }
}

void dump_table(FILE* out, const CLList& table) {
  // Walked by its links: the dump leaves the table's cursor alone.
  for (CListElement* e = table.get_element(0); e != nullptr; e = e->get_next()) {
    const auto* entry = dynamic_cast<const CServiceInfo*>(e);
    if (entry == nullptr) continue;
    std::fprintf(out, " |     +- (service info): [%s]\n", shown_text(entry->get_name()));
    if (const char* type = service_type_name(entry->get_type())) {
      std::fprintf(out, " |     |                     +- (type:%s)\n", type);
    }
    const CURL* location = entry->get_location();
    if (location != nullptr && location->get_host() != nullptr) {
      std::fprintf(out, " |     |                     +- (url:host): [%s]\n", location->get_host());
      std::fprintf(out, " |     |                     +- (url:port): [%d]\n",
                   static_cast<int>(location->get_port()));
    } else {
      std::fprintf(out, " |     |                     +- (url:empty)\n");
    }
  }
}

}  // namespace

CBeliefDB::CBeliefDB() : CLList("BeliefDB") {}

int CBeliefDB::process_data(CParser* /*parser*/) { return 0; }

int CBeliefDB::load_db(const char* path) {
  if (path == nullptr) return 0;
  CFileBuffer file;  // owns the text it loads
  const char* text = file.load_a_file(path);
  if (text == nullptr) return 0;
  CParser parser;
  if (parser.parse_message(text) == 1) process_data(&parser);
  return 0;
}

int CBeliefDB::save_db(const char* path) {
  if (path == nullptr) return 0;
  if (FILE* file = std::fopen(path, "w")) std::fclose(file);
  return 0;
}

void CBeliefDB::dump_beliefs(const char* path) {
  if (path == nullptr) return;
  FILE* out = std::fopen(path, "w");
  if (out == nullptr) return;
  std::fprintf(out, "%s\n", shown_text(get_name()));
  for (CListElement* e = get_element(0); e != nullptr; e = e->get_next()) {
    std::fprintf(out, " |\n");
    const auto* belief = dynamic_cast<const CBelief*>(e);
    if (belief == nullptr) continue;
    const char* name = shown_text(belief->get_name());
    switch (belief->get_type()) {
      case BELIEF_TYPE_INT:
        if (const auto* b = dynamic_cast<const CIntBelief*>(belief)) {
          std::fprintf(out, " +- (int): [%s] [%d]\n", name, b->get_value());
        }
        break;
      case BELIEF_TYPE_STRING:
        if (const auto* b = dynamic_cast<const CStringBelief*>(belief)) {
          std::fprintf(out, " +- (string): [%s] [%s]\n", name, shown_text(b->get_value()));
        }
        break;
      case BELIEF_TYPE_LIST:
        if (const auto* b = dynamic_cast<const CListBelief*>(belief);
            b != nullptr && std::strcmp(name, "lookup") == 0) {
          std::fprintf(out, " +- (list): [%s]\n", name);
          if (b->get_value() != nullptr) dump_table(out, *b->get_value());
        }
        break;
      default:
        break;
    }
  }
  std::fclose(out);
}
