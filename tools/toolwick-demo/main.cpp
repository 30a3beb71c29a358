// A small tour of the utility library: the command line, GUIDs, a list's
// keyword text and a URL. run.sh runs it until the station takes its place.
#include <cstdio>

#include "Toolwick/commandline.h"
#include "Toolwick/guid.h"
#include "Toolwick/llist.h"
#include "Toolwick/parameter.h"
#include "Toolwick/url.h"
#include "Toolwick/utils.h"

int main(int argc, char** argv) {
  CCommandLine options;
  options.parse_commandline(argc, argv);
  std::printf("options (%d):\n", options.get_nr_elements());
  for (CListElement* e = options.get_first_element(); e != nullptr; e = options.get_next_element()) {
    std::printf("  %s\n", e->to_string());
  }
  const char* name = options.find_token("name");
  std::printf("-name gives %s\n\n", name != nullptr ? name : "(none)");

  std::printf("GUIDs:\n");
  for (int i = 0; i < 3; ++i) std::printf("  %s\n", CGUID().get_guid());
  CUtils utils;
  std::printf("reply-with: %s\n\n", utils.create_reply_with());

  CLList agents("agents");
  for (const char* agent : {"TesselStation", "Simulator", "ANS"}) {
    agents.add_element(new CListElement(agent));
  }
  std::printf("keyword text of a list:\n%s\n\n", agents.to_string());

  CURL url("http://localhost:8080/cgi-bin/run?a=1&b=2");
  std::printf("URL %s: proto %s, host %s, port %d, path %s, query %s\n", url.get_name(),
              url.get_proto(), url.get_host(), url.get_port(), url.get_cgi(), url.get_webpage());
  return 0;
}
