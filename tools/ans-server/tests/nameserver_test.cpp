#include "nameserver.h"

#include <gtest/gtest.h>

namespace {

std::string request(const std::string& performative, const std::string& content) {
  return "(" + performative + " :sender A :receiver ANS :reply-with R1 :content " + content + ")";
}

TEST(NameServer, RegistersLooksUpListsAndUnregisters) {
  NameServer server({});
  EXPECT_EQ(server.answer(request("register", "(register :name A :host 127.0.0.1 :port 7001)")),
            "(tell :sender ANS :receiver A :in-reply-to R1 :content (ok))");
  server.answer(request("register", "(register :name B :host 127.0.0.1 :port 7002)"));
  EXPECT_EQ(server.answer(request("ask-one", "(lookup :name B)")),
            "(tell :sender ANS :receiver A :in-reply-to R1 :content "
            "(agent :name B :host 127.0.0.1 :port 7002))");
  EXPECT_EQ(server.answer(request("ask-all", "(listall)")),
            "(tell :sender ANS :receiver A :in-reply-to R1 :content (agents :names (A B)))");
  EXPECT_EQ(server.answer(request("unregister", "(unregister :name B)")),
            "(tell :sender ANS :receiver A :in-reply-to R1 :content (ok))");
  EXPECT_EQ(server.answer(request("ask-one", "(lookup :name B)")),
            "(sorry :sender ANS :receiver A :in-reply-to R1 :content "
            "(error :text \"unknown agent\"))");
}

TEST(NameServer, Refusals) {
  struct Case {
    NameServer::Options options;
    std::string request;
    std::string reply;
  };
  const std::string sorry = "(sorry :sender ANS :receiver A :in-reply-to R1 :content (error :text ";
  const std::vector<Case> cases = {
      {{}, "not kqml", "(sorry :sender ANS :receiver nil :in-reply-to nil :content "
                       "(error :text \"unreadable request\"))"},
      {{}, request("register", "(register :host h)"), sorry + "\"no name\"))"},
      {{}, request("ask", "(dance)"), sorry + "\"unknown request\"))"},
      {{true, 0, false}, request("ask-all", "(listall)"), sorry + "\"refused\"))"},
      {{false, 0, true}, request("ask-all", "(listall)"), ""},
  };
  for (const Case& c : cases) {
    NameServer server(c.options);
    EXPECT_EQ(server.answer(c.request), c.reply) << c.request;
  }
}

}  // namespace
