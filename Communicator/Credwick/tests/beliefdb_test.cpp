#include "Credwick/beliefdb.h"

#include <gtest/gtest.h>

#include <string>

#include "Bannerwick/serviceinfo.h"
#include "testsupport/tempdir.h"

namespace {

using testsupport::TempDir;

// A database as the communicator fills it: "name", "port" and the service
// table "lookup".
class BeliefDB : public ::testing::Test {
 protected:
  BeliefDB() {
    name = new CStringBelief("name");
    name->set_value("Win32Agent");
    port = new CIntBelief("port");
    port->set_value(6678);
    lookup = new CListBelief("lookup");
    lookup->set_value(new CLList);
    db.add_element(name);
    db.add_element(port);
    db.add_element(lookup);
  }

  CServiceInfo* add_entry(const char* entry_name, int type, const char* url) {
    auto* entry = new CServiceInfo;
    entry->set_name(entry_name);
    entry->set_type(type);
    if (url != nullptr) entry->set_location(url);
    lookup->get_value()->add_element(entry);
    return entry;
  }

  std::string dump() {
    db.dump_beliefs("dump.txt");
    return TempDir::read(dir.file("dump.txt"));
  }

  TempDir dir;
  CBeliefDB db;
  CStringBelief* name;
  CIntBelief* port;
  CListBelief* lookup;
};

TEST_F(BeliefDB, IsANamedListOfBeliefs) {
  EXPECT_STREQ(db.get_name(), "BeliefDB");
  EXPECT_EQ(db.get_modified(), 0);
  db.set_modified(1);
  EXPECT_EQ(db.get_modified(), 1);
  EXPECT_EQ(db.find_element("port"), port);
  EXPECT_EQ(db.find_element("missing"), nullptr);
}

TEST_F(BeliefDB, DumpOfTheSettingsAndAnEmptyTable) {
  EXPECT_EQ(dump(),
            "BeliefDB\n"
            " |\n"
            " +- (string): [name] [Win32Agent]\n"
            " |\n"
            " +- (int): [port] [6678]\n"
            " |\n"
            " +- (list): [lookup]\n");
}

TEST_F(BeliefDB, DumpOfEveryServiceType) {
  add_entry("agent", SERVICETYPE_AGENT, "tcp://10.0.0.1:6678");
  add_entry("matchmaker", SERVICETYPE_MATCHMAKER, "tcp://mm:100");
  add_entry("ferrin", SERVICETYPE_FERRINSERVER, "http://ferrin/");
  add_entry("ans", SERVICETYPE_ANS_SERVER, "tcp://ans:6677");
  add_entry("showboard", SERVICETYPE_SHOWBOARD, "tcp://show:1");
  add_entry("pelvan", SERVICETYPE_PELVAN_SERVER, "tcp://pelvan:2");
  add_entry("untyped", SERVICETYPE_NONE, "tcp://u:3");
  add_entry("nowhere", SERVICETYPE_AGENT, nullptr);
  add_entry("hostless", SERVICETYPE_AGENT, "no url");
  add_entry(nullptr, SERVICETYPE_NONE, "tcp://nameless:4");
  EXPECT_EQ(dump(),
            "BeliefDB\n"
            " |\n"
            " +- (string): [name] [Win32Agent]\n"
            " |\n"
            " +- (int): [port] [6678]\n"
            " |\n"
            " +- (list): [lookup]\n"
            " |     +- (service info): [agent]\n"
            " |     |                     +- (type:SERVICETYPE_AGENT)\n"
            " |     |                     +- (url:host): [10.0.0.1]\n"
            " |     |                     +- (url:port): [6678]\n"
            " |     +- (service info): [matchmaker]\n"
            " |     |                     +- (type:SERVICETYPE_MATCHMAKER)\n"
            " |     |                     +- (url:host): [mm]\n"
            " |     |                     +- (url:port): [100]\n"
            " |     +- (service info): [ferrin]\n"
            " |     |                     +- (type:SERVICETYPE_FERRINSERVER)\n"
            " |     |                     +- (url:host): [ferrin]\n"
            " |     |                     +- (url:port): [80]\n"
            " |     +- (service info): [ans]\n"
            " |     |                     +- (type:SERVICETYPE_ANS_SERVER)\n"
            " |     |                     +- (url:host): [ans]\n"
            " |     |                     +- (url:port): [6677]\n"
            " |     +- (service info): [showboard]\n"
            " |     |                     +- (type:SERVICETYPE_SHOWBOARD)\n"
            " |     |                     +- (url:host): [show]\n"
            " |     |                     +- (url:port): [1]\n"
            " |     +- (service info): [pelvan]\n"
            " |     |                     +- (type:SERVICETYPE_PELVAN_SERVER)\n"
            " |     |                     +- (url:host): [pelvan]\n"
            " |     |                     +- (url:port): [2]\n"
            " |     +- (service info): [untyped]\n"
            " |     |                     +- (url:host): [u]\n"
            " |     |                     +- (url:port): [3]\n"
            " |     +- (service info): [nowhere]\n"
            " |     |                     +- (type:SERVICETYPE_AGENT)\n"
            " |     |                     +- (url:empty)\n"
            " |     +- (service info): [hostless]\n"
            " |     |                     +- (type:SERVICETYPE_AGENT)\n"
            " |     |                     +- (url:empty)\n"
            " |     +- (service info): [(null)]\n"
            " |     |                     +- (url:host): [nameless]\n"
            " |     |                     +- (url:port): [4]\n");
}

TEST_F(BeliefDB, DumpWritesOnlyTheBarForOtherBeliefs) {
  name->set_value(nullptr);
  auto* other_list = new CListBelief("other");
  other_list->set_value(new CLList);
  other_list->get_value()->add_element(new CServiceInfo);
  db.add_element(other_list);
  db.add_element(new CBelief("plain"));
  auto* unnamed = new CIntBelief;
  unnamed->set_value(-5);
  db.add_element(unnamed);
  CLList* table = lookup->get_value();
  lookup->set_value(nullptr);  // hands the table back to us
  delete table;
  EXPECT_EQ(dump(),
            "BeliefDB\n"
            " |\n"
            " +- (string): [name] [(null)]\n"
            " |\n"
            " +- (int): [port] [6678]\n"
            " |\n"
            " +- (list): [lookup]\n"
            " |\n"
            " |\n"
            " |\n"
            " +- (int): [(null)] [-5]\n");
}

TEST_F(BeliefDB, DumpSkipsAllButEntriesInTheTable) {
  lookup->get_value()->add_element(new CListElement("not an entry"));
  add_entry("agent", SERVICETYPE_AGENT, nullptr);
  EXPECT_EQ(dump(),
            "BeliefDB\n"
            " |\n"
            " +- (string): [name] [Win32Agent]\n"
            " |\n"
            " +- (int): [port] [6678]\n"
            " |\n"
            " +- (list): [lookup]\n"
            " |     +- (service info): [agent]\n"
            " |     |                     +- (type:SERVICETYPE_AGENT)\n"
            " |     |                     +- (url:empty)\n");
}

TEST_F(BeliefDB, DumpToAFileThatCannotBeOpenedWritesNothing) {
  db.dump_beliefs(nullptr);
  db.dump_beliefs(dir.file("no-such-dir/dump.txt").c_str());
  EXPECT_FALSE(TempDir::exists(dir.file("no-such-dir/dump.txt")));
}

TEST_F(BeliefDB, LoadReadsNothingIntoTheDatabase) {
  TempDir::write(dir.file("beliefs.txt"), "(beliefs :name other :port 1)\n");
  TempDir::write(dir.file("garbage.txt"), "no message at all");
  TempDir::write(dir.file("empty.txt"), "");
  const char* paths[] = {"beliefs.txt", "garbage.txt", "empty.txt", "missing.txt", nullptr};
  for (const char* path : paths) {
    // Twice: the loaded text belongs to the file buffer alone.
    EXPECT_EQ(db.load_db(path), 0);
    EXPECT_EQ(db.load_db(path), 0);
  }
  EXPECT_EQ(db.get_nr_elements(), 3);
  EXPECT_STREQ(name->get_value(), "Win32Agent");
  EXPECT_EQ(port->get_value(), 6678);
}

TEST_F(BeliefDB, SaveOnlyEmptiesTheFile) {
  TempDir::write(dir.file("beliefs.txt"), "old contents");
  EXPECT_EQ(db.save_db("beliefs.txt"), 0);
  EXPECT_EQ(TempDir::read(dir.file("beliefs.txt")), "");
  EXPECT_EQ(db.save_db("fresh.txt"), 0);
  EXPECT_TRUE(TempDir::exists(dir.file("fresh.txt")));
  EXPECT_EQ(db.save_db(nullptr), 0);
  EXPECT_EQ(db.save_db("no-such-dir/beliefs.txt"), 0);
}

}  // namespace
