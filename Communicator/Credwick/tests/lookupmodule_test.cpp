#include "Credwick/lookupmodule.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <string>

#include "Platform/wnd.h"
#include "testsupport/logfile.h"
#include "testsupport/tempdir.h"

namespace {

using testsupport::TempDir;

// Counts the start and stop hooks and opens the alias operations.
class Probe : public CLookupModule {
 public:
  using CLookupModule::add_name;
  using CLookupModule::CLookupModule;
  using CLookupModule::remove_name;

  void process_enable() override {
    ++enables;
    CLookupModule::process_enable();
  }
  void process_disable() override {
    ++disables;
    CLookupModule::process_disable();
  }

  int enables = 0;
  int disables = 0;
};

// A module bound to a database whose agent is "self", logging into a fresh
// directory.
class LookupModule : public ::testing::Test {
 protected:
  LookupModule() {
    self = new CStringBelief("name");
    self->set_value("self");
    db.add_element(self);
    auto* lookup = new CListBelief("lookup");
    table = new CLList;
    lookup->set_value(table);
    db.add_element(lookup);
    module.set_beliefdb(&db);
    module.set_file("lookup.log");
  }

  Lines messages() const { return log_messages(dir.file("lookup.log")); }
  CServiceInfo* entry(int index) const { return dynamic_cast<CServiceInfo*>(table->get_element(index)); }

  TempDir dir;
  CBeliefDB db;
  CStringBelief* self;
  CLList* table;
  Probe module;
};

TEST_F(LookupModule, BaseOperationsOnlyLog) {
  CLookupModule& base = module;
  EXPECT_EQ(base.register_agent("a"), 0);
  EXPECT_EQ(base.unregister_agent("a"), 0);
  EXPECT_EQ(base.lookup_agent("a"), 0);
  EXPECT_EQ(base.find_agent("a"), 0);
  EXPECT_EQ(base.listall_agents(), 0);
  base.alive();
  base.CLookupModule::process_enable();
  base.CLookupModule::process_disable();
  EXPECT_EQ(messages(), (Lines{
                            "<CLookupModule> lookup_agent ()",
                            "<CLookupModule> find_agent ()",
                            "<CLookupModule> listall_agents ()",
                            "<CLookupModule> alive ()",
                            "<CLookupModule> process_enable ()",
                            "<CLookupModule> process_disable ()",
                        }));
  EXPECT_EQ(table->get_nr_elements(), 0);
}

TEST_F(LookupModule, StartsDisabledAndUntyped) {
  CWnd window;
  CLookupModule plain;
  CLookupModule with_handler(&window);
  CLookupModule bound(&db, &window);
  EXPECT_EQ(plain.get_beliefdb(), nullptr);
  EXPECT_EQ(plain.get_entries(), nullptr);
  EXPECT_EQ(plain.get_handler(), nullptr);
  EXPECT_EQ(with_handler.get_handler(), &window);
  EXPECT_EQ(with_handler.get_entries(), nullptr);
  EXPECT_EQ(bound.get_beliefdb(), &db);
  EXPECT_EQ(bound.get_entries(), table);
  EXPECT_EQ(bound.get_handler(), &window);
  EXPECT_EQ(plain.get_lookup_type(), LOOKUP_TYPE_UNSET);
  EXPECT_EQ(plain.get_service_type(), SERVICETYPE_AGENT);
  EXPECT_EQ(plain.get_mode(), 1);
  EXPECT_EQ(plain.is_enabled(), 0);
  EXPECT_EQ(plain.get_aliases()->get_nr_elements(), 0);

  plain.set_lookup_type(LOOKUP_TYPE_ANS);
  plain.set_service_type(SERVICETYPE_SHOWBOARD);
  plain.set_handler(&window);
  EXPECT_EQ(plain.get_lookup_type(), LOOKUP_TYPE_ANS);
  EXPECT_EQ(plain.get_service_type(), SERVICETYPE_SHOWBOARD);
  EXPECT_EQ(plain.get_handler(), &window);
}

TEST(LookupModuleBinding, TableIsTheListOfTheLookupListBelief) {
  struct Case {
    const char* what;
    CBelief* lookup;  // added to the database unless null
    bool has_table;
  };
  auto* with_list = new CListBelief("lookup");
  with_list->set_value(new CLList);
  auto* as_string = new CStringBelief("lookup");
  as_string->set_value("not a list");
  const Case cases[] = {
      {"list belief", with_list, true},
      {"list belief without a list", new CListBelief("lookup"), false},
      {"string belief", as_string, false},
      {"plain belief", new CBelief("lookup"), false},
      {"no belief", nullptr, false},
  };
  for (const Case& c : cases) {
    CBeliefDB db;
    db.add_element(new CIntBelief("port"));
    db.add_element(c.lookup);
    CLookupModule module(&db, nullptr);
    CLList* expected = c.has_table ? static_cast<CListBelief*>(c.lookup)->get_value() : nullptr;
    EXPECT_EQ(module.get_entries(), expected) << c.what;
    EXPECT_EQ(module.create_entry("x") != nullptr, c.has_table) << c.what;
    module.set_beliefdb(nullptr);
    EXPECT_EQ(module.get_entries(), nullptr) << c.what;
    EXPECT_EQ(module.get_beliefdb(), nullptr) << c.what;
    module.set_beliefdb(&db);
    EXPECT_EQ(module.get_entries(), expected) << c.what;
  }
}

TEST_F(LookupModule, EnableRunsTheHookOnlyOnAChange) {
  struct Step {
    int value;
    int enabled;
    int enables;
    int disables;
  };
  const Step steps[] = {
      {0, 0, 0, 0},  // already disabled
      {1, 1, 1, 0},
      {1, 1, 1, 0},  // twice: one start
      {0, 0, 1, 1},
      {2, 2, 1, 2},  // any other value stops
      {1, 1, 2, 2},
  };
  for (const Step& s : steps) {
    module.enable(s.value);
    EXPECT_EQ(module.is_enabled(), s.enabled) << s.value;
    EXPECT_EQ(module.enables, s.enables) << s.value;
    EXPECT_EQ(module.disables, s.disables) << s.value;
  }
  EXPECT_EQ(messages(), (Lines{
                            "<CLookupModule> enable ()",
                            "<CLookupModule> enable ()",
                            "<CLookupModule> process_enable ()",
                            "<CLookupModule> enable ()",
                            "<CLookupModule> enable ()",
                            "<CLookupModule> process_disable ()",
                            "<CLookupModule> enable ()",
                            "<CLookupModule> process_disable ()",
                            "<CLookupModule> enable ()",
                            "<CLookupModule> process_enable ()",
                        }));
}

TEST_F(LookupModule, CreateEntryTrimsTheName) {
  struct Case {
    const char* name;
    const char* trimmed;
  };
  const Case cases[] = {
      {"alpha", "alpha"},   {" alpha , ", "alpha ,"}, {"  alpha ,", "alpha"},
      {"alpha,,", "alpha,"}, {"alpha  ", "alpha"},     {",", ""},
      {"   ", ""},           {"", ""},                 {"a b", "a b"},
  };
  for (const Case& c : cases) {
    table->delete_list();
    db.set_modified(0);
    CServiceInfo* created = module.create_entry(c.name);
    ASSERT_NE(created, nullptr) << '"' << c.name << '"';
    EXPECT_STREQ(created->get_name(), c.trimmed) << '"' << c.name << '"';
    EXPECT_EQ(table->get_nr_elements(), 1);
    EXPECT_EQ(db.get_modified(), 1);
    // The same name finds the same entry again.
    EXPECT_EQ(module.create_entry(c.name), created) << '"' << c.name << '"';
    EXPECT_EQ(table->get_nr_elements(), 1);
  }
}

TEST_F(LookupModule, CreateEntryLogsAndFindsTheExistingEntry) {
  CServiceInfo* first = module.create_entry("beta,");
  first->set_location("tcp://beta:5");
  first->set_type(SERVICETYPE_SHOWBOARD);
  db.set_modified(0);
  EXPECT_EQ(module.create_entry(" beta"), first);
  EXPECT_EQ(db.get_modified(), 1);
  EXPECT_EQ(first->get_type(), SERVICETYPE_SHOWBOARD);
  EXPECT_EQ(table->get_nr_elements(), 1);
  EXPECT_EQ(messages(), (Lines{
                            "<CLookupModule> create_entry ()",
                            "<CLookupModule> Creating entry: [beta,]",
                            "<CLookupModule> create_entry ()",
                            "<CLookupModule> Creating entry: [ beta]",
                        }));
}

TEST_F(LookupModule, TheAgentNeverEntersItself) {
  EXPECT_EQ(module.create_entry("self"), nullptr);
  EXPECT_EQ(module.create_entry(nullptr), nullptr);
  EXPECT_EQ(table->get_nr_elements(), 0);
  EXPECT_EQ(db.get_modified(), 0);
  // The test looks at the name as passed in, before trimming.
  CServiceInfo* untrimmed = module.create_entry("self,");
  ASSERT_NE(untrimmed, nullptr);
  EXPECT_STREQ(untrimmed->get_name(), "self");
  EXPECT_EQ(messages(), (Lines{
                            "<CLookupModule> create_entry ()",
                            "<CLookupModule> create_entry ()",
                            "<CLookupModule> create_entry ()",
                            "<CLookupModule> Creating entry: [self,]",
                        }));
}

TEST_F(LookupModule, GoneEntryIsResurrected) {
  CServiceInfo* gamma = module.create_entry("gamma");
  gamma->set_location("tcp://gamma:7");
  gamma->set_type(SERVICETYPE_ANS_SERVER);
  module.delete_entry("gamma");
  EXPECT_EQ(gamma->get_gone(), 1);
  db.set_modified(0);

  EXPECT_EQ(module.create_entry("gamma ,"), gamma);
  EXPECT_EQ(gamma->get_gone(), 0);
  EXPECT_EQ(gamma->get_type(), SERVICETYPE_ANS_SERVER);
  EXPECT_STREQ(gamma->get_location()->get_host(), "gamma");
  EXPECT_EQ(gamma->get_location()->get_port(), 7);
  EXPECT_EQ(db.get_modified(), 0);
  EXPECT_EQ(table->get_nr_elements(), 1);
  const Lines lines = messages();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), "<CLookupModule> Resurrecting entry: [gamma]");
}

TEST_F(LookupModule, LearntEntriesExpireUnlessTheyWereMadeToStay) {
  CServiceInfo* peer = module.learn_entry("peer ,");
  ASSERT_NE(peer, nullptr);
  EXPECT_STREQ(peer->get_name(), "peer");
  EXPECT_EQ(peer->get_expiration(), CLookupModule::kLearntExpiry);
  // Learnt again: the countdown starts anew.
  peer->set_expiration(3);
  EXPECT_EQ(module.learn_entry("peer"), peer);
  EXPECT_EQ(peer->get_expiration(), CLookupModule::kLearntExpiry);

  CServiceInfo* kept = module.create_entry("kept");
  EXPECT_EQ(module.learn_entry("kept"), kept);
  EXPECT_EQ(kept->get_expiration(), -1);
  EXPECT_EQ(module.learn_entry("self"), nullptr);
  EXPECT_EQ(module.learn_entry(nullptr), nullptr);
  EXPECT_EQ(table->get_nr_elements(), 2);
}

TEST_F(LookupModule, LearntEntriesMakeRoomForNewOnesLeastRecentlyLearntFirst) {
  CServiceInfo* other = module.create_entry("other");  // stays, not learnt
  for (size_t i = 0; i < CLookupModule::kMaxLearnt; ++i) {
    ASSERT_NE(module.learn_entry(("p" + std::to_string(i)).c_str()), nullptr) << i;
  }
  const int full = table->get_nr_elements();
  ASSERT_EQ(full, static_cast<int>(CLookupModule::kMaxLearnt) + 1);
  module.learn_entry("p0");                      // learnt again: p1 is the oldest now
  module.create_entry("p2")->set_expiration(-1);  // made to stay since
  db.set_modified(0);

  EXPECT_NE(module.learn_entry("newcomer"), nullptr);
  EXPECT_EQ(table->find_element("p1"), nullptr);
  EXPECT_NE(table->find_element("p0"), nullptr);
  EXPECT_EQ(table->get_nr_elements(), full);
  EXPECT_EQ(db.get_modified(), 1);
  // p2 is not the module's to drop any more, nor counted: it stays, and
  // so does p3.
  EXPECT_NE(module.learn_entry("second"), nullptr);
  EXPECT_NE(table->find_element("p2"), nullptr);
  EXPECT_NE(table->find_element("p3"), nullptr);
  EXPECT_EQ(table->find_element("other"), other);
  EXPECT_EQ(table->get_nr_elements(), full + 1);
  const Lines lines = messages();
  EXPECT_NE(std::find(lines.begin(), lines.end(),
                      "<CLookupModule> Learnt entries full, replacing [p1] with [newcomer]"),
            lines.end());
}

TEST(LookupModuleWithoutTable, CreatesNothing) {
  TempDir dir;
  CBeliefDB db;
  CLookupModule module(&db, nullptr);
  module.set_file("lookup.log");
  EXPECT_EQ(module.create_entry("alpha"), nullptr);
  EXPECT_EQ(module.create_entry_url("tcp://alpha:1"), nullptr);
  module.delete_entry("alpha");
  EXPECT_EQ(db.get_modified(), 0);
  EXPECT_EQ(log_messages(dir.file("lookup.log")),
            (Lines{
                "<CLookupModule> create_entry ()",
                "<CLookupModule> Creating entry: [alpha]",
                "<CLookupModule> Unable to add entry, table is NULL",
                "<CAccessBase> create_entry_url ()",
            }));
}

TEST_F(LookupModule, CreateEntryUrlAlwaysAppendsANamelessEntry) {
  CServiceInfo* first = module.create_entry_url("tcp://delta:9");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->get_name(), nullptr);
  EXPECT_STREQ(first->get_location()->get_host(), "delta");
  EXPECT_EQ(first->get_location()->get_port(), 9);
  EXPECT_EQ(db.get_modified(), 1);
  CServiceInfo* second = module.create_entry_url("tcp://delta:9");
  EXPECT_NE(second, first);
  EXPECT_EQ(table->get_nr_elements(), 2);
  EXPECT_EQ(module.create_entry_url(nullptr), nullptr);
  EXPECT_EQ(table->get_nr_elements(), 2);
  EXPECT_EQ(messages(), (Lines{
                            "<CAccessBase> create_entry_url ()",
                            "<CLookupModule> Creating entry: [tcp://delta:9]",
                            "<CAccessBase> create_entry_url ()",
                            "<CLookupModule> Creating entry: [tcp://delta:9]",
                            "<CAccessBase> create_entry_url ()",
                        }));
}

TEST_F(LookupModule, DeleteEntryMarksItGone) {
  CServiceInfo* alpha = module.create_entry("alpha");
  CServiceInfo* beta = module.create_entry("beta");
  db.set_modified(0);

  module.delete_entry("nobody");
  module.delete_entry(static_cast<const char*>(nullptr));
  module.delete_entry(static_cast<CServiceInfo*>(nullptr));
  EXPECT_EQ(db.get_modified(), 0);
  EXPECT_EQ(alpha->get_gone(), 0);

  module.delete_entry("alpha");
  EXPECT_EQ(alpha->get_gone(), 1);
  EXPECT_EQ(db.get_modified(), 1);
  db.set_modified(0);
  module.delete_entry(beta);
  EXPECT_EQ(beta->get_gone(), 1);
  EXPECT_EQ(db.get_modified(), 1);
  // Gone entries stay in the table.
  EXPECT_EQ(table->get_nr_elements(), 2);
}

TEST(LookupModuleWithoutDatabase, DeleteEntryOnlyMarksTheEntry) {
  CLookupModule module;
  CServiceInfo entry;
  module.delete_entry(&entry);
  EXPECT_EQ(entry.get_gone(), 1);
  module.delete_entry("alpha");
  EXPECT_EQ(module.is_self("alpha"), 0);
}

TEST_F(LookupModule, IsSelfComparesWithTheNameBelief) {
  EXPECT_EQ(module.is_self("self"), 1);
  EXPECT_EQ(module.is_self("Self"), 0);
  EXPECT_EQ(module.is_self("self "), 0);
  EXPECT_EQ(module.is_self(nullptr), 0);
  self->set_value(nullptr);
  EXPECT_EQ(module.is_self("self"), 0);
  EXPECT_EQ(module.is_self(""), 0);
  EXPECT_NE(module.create_entry("self"), nullptr);
}

TEST(LookupModuleIsSelf, NameBeliefOfAnotherTypeIsNoMatch) {
  CBeliefDB db;
  auto* name = new CIntBelief("name");
  name->set_value(0);
  db.add_element(name);
  db.add_element(new CBelief("name"));
  CLookupModule module(&db, nullptr);
  EXPECT_EQ(module.is_self("0"), 0);
  EXPECT_EQ(module.is_self(""), 0);
}

TEST_F(LookupModule, AliasesHoldEachNameOnce) {
  module.add_name("alpha");
  module.add_name("alpha");
  module.add_name(nullptr);
  module.add_name("beta");
  CLList* aliases = module.get_aliases();
  ASSERT_EQ(aliases->get_nr_elements(), 2);
  EXPECT_STREQ(aliases->get_element(0)->get_name(), "alpha");
  EXPECT_STREQ(aliases->get_element(1)->get_name(), "beta");
  module.remove_name("alpha");
  module.remove_name("gamma");
  module.remove_name(nullptr);
  ASSERT_EQ(aliases->get_nr_elements(), 1);
  EXPECT_STREQ(aliases->get_element(0)->get_name(), "beta");
}

TEST_F(LookupModule, NamesAreLoggedAsText) {
  module.create_entry("%s%n%x");
  module.create_entry_url("tcp://%n%s:1");
  const Lines lines = messages();
  EXPECT_EQ(lines, (Lines{
                       "<CLookupModule> create_entry ()",
                       "<CLookupModule> Creating entry: [%s%n%x]",
                       "<CAccessBase> create_entry_url ()",
                       "<CLookupModule> Creating entry: [tcp://%n%s:1]",
                   }));
  EXPECT_STREQ(entry(0)->get_name(), "%s%n%x");
}

}  // namespace
