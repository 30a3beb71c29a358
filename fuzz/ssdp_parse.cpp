// Fuzzes the discovery text parser: the parse, every reader, the writers fed
// with the fields read, a parse of what they wrote, and the service-table
// operations of the discovery module with the fields as a peer would send
// them (no socket: nothing is sent). The oracle: the answer written with the
// USN and AL read re-parses to that USN and location.
#include <cstddef>
#include <cstdint>
#include <string>

#include "Credwick/belief.h"
#include "Credwick/beliefdb.h"
#include "Relaywick/discovery.h"
#include "Relaywick/ssdpparser.h"
#include "oracle.h"

namespace {

void read_everything(CSSDPParser& parser) {
  char* (CSSDPParser::*const readers[])() = {
      &CSSDPParser::find_M_SEARCH, &CSSDPParser::find_HTTP, &CSSDPParser::find_NOTIFY,
      &CSSDPParser::find_S,        &CSSDPParser::find_ST,   &CSSDPParser::find_Host,
      &CSSDPParser::find_Man,      &CSSDPParser::find_MX,   &CSSDPParser::find_NTS,
      &CSSDPParser::find_NT,       &CSSDPParser::find_Ext,  &CSSDPParser::find_Cache_Control,
      &CSSDPParser::find_USN,      &CSSDPParser::find_AL,   &CSSDPParser::find_Location,
  };
  for (auto read : readers) (parser.*read)();
  parser.get_method();
}

void write_with_fields(CSSDPParser& parser) {
  const std::string usn = parser.find_USN() != nullptr ? parser.find_USN() : "";
  const std::string al = parser.find_AL() != nullptr ? parser.find_AL() : "";
  const std::string s = parser.find_S() != nullptr ? parser.find_S() : "";
  const std::string st = parser.find_ST() != nullptr ? parser.find_ST() : "";
  parser.set_mcast_ip(parser.find_Host());
  parser.set_USN(parser.find_USN());
  parser.set_mcast_port(static_cast<unsigned>(usn.size()));
  parser.create_notify(usn.c_str(), al.c_str(), 1);
  parser.create_notify_external(usn.c_str(), al.c_str(), 65535);
  parser.create_byebye(usn.c_str(), al.c_str(), 0);
  parser.create_byebye_external(usn.c_str(), al.c_str(), 2);
  parser.create_m_search(st.c_str(), al.c_str(), 3, s.c_str());
  const char* written = parser.create_http(usn.c_str(), al.c_str(), 4, s.c_str());
  const std::string answer = written != nullptr ? written : "";
  parser.parse_message(answer.c_str());
  read_everything(parser);
  if (written == nullptr) return;
  CSSDPParser reread;
  FUZZ_CHECK(reread.parse_message(answer.c_str()) == 1);
  FUZZ_CHECK(reread.get_method() == SSDP_METHOD_HTTP);
  FUZZ_CHECK(reread.find_USN() != nullptr && reread.find_USN() == usn);
  FUZZ_CHECK(reread.find_AL() != nullptr && reread.find_AL() == al + ":4");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  CSSDPParser parser;
  parser.parse_message(text.c_str());
  read_everything(parser);
  const std::string usn = parser.find_USN() != nullptr ? parser.find_USN() : "";
  const std::string al = parser.find_AL() != nullptr ? parser.find_AL() : "";
  const std::string nt = parser.find_NT() != nullptr ? parser.find_NT() : "";
  const bool has_usn = parser.find_USN() != nullptr;
  parser.parsable(text.c_str());
  read_everything(parser);
  write_with_fields(parser);

  CBeliefDB db;
  auto* name = new CStringBelief("name");
  name->set_value("self");
  db.add_element(name);
  auto* lookup = new CListBelief("lookup");
  lookup->set_value(new CLList);
  db.add_element(lookup);
  CDiscovery discovery(&db, nullptr);
  discovery.nt2str(nt.c_str());
  discovery.add_external_service(has_usn ? usn.c_str() : nullptr, al.c_str(),
                                 static_cast<unsigned>(size), nt.c_str(), CDiscovery::kExpiry);
  discovery.remove_service(usn.c_str());
  discovery.add_external_service(usn.c_str(), al.c_str(), 1, nullptr, 1);
  return 0;
}
