#include "Sidewick/devicebase.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "Agentwick/agenthost.h"
#include "Platform/tests/looptest.h"
#include "testsupport/agentpeer.h"
#include "testsupport/messagepeer.h"
#include "testsupport/tempdir.h"

namespace {

using testsupport::TempDir;

// A device on a port the system chooses that notes how it is switched.
class TestDevice : public CDeviceBase {
 public:
  explicit TestDevice(std::vector<int>* switched) : CDeviceBase("Lamp"), switched_(switched) {}
  int process_create() override {
    get_communicator()->set_port(0);
    return CDeviceBase::process_create();
  }

 protected:
  void activate(int state) override {
    CDeviceBase::activate(state);
    switched_->push_back(state);
  }

 private:
  std::vector<int>* switched_;
};

std::string message(const std::string& content, const char* ontology = "device") {
  return std::string("(tell :sender Boss :receiver Lamp :ontology ") + ontology +
         " :content (" + content + "))";
}

class DeviceTest : public LoopTest {
 protected:
  // Starts a device in a new host (the one before goes first).
  TestDevice* start() {
    host.reset();
    auto owned = std::make_unique<TestDevice>(&switched);
    TestDevice* device = owned.get();
    device->set_file(dir.file("device.log").c_str());
    host = std::make_unique<CAgentHost>();
    host->AssignContainer(std::move(owned));
    EXPECT_EQ(host->CreateContainer(&command_line, 1), 1);
    return device;
  }
  int handle(TestDevice* device, const std::string& text) {
    std::string copy = text;
    return device->process_message(copy.data());
  }
  // True when the device's log holds the line `text`.
  bool logged(const std::string& text) const {
    return TempDir::read(dir.file("device.log")).find("] " + text + "\n") != std::string::npos;
  }
  // The names of the communicator's event modules.
  static std::vector<std::string> modules(TestDevice* device) {
    std::vector<std::string> names;
    CLList* list = device->get_communicator()->get_modules();
    for (CListElement* e = list->get_element(0); e != nullptr; e = e->get_next()) {
      names.emplace_back(e->get_name() != nullptr ? e->get_name() : "(null)");
    }
    return names;
  }
  static void enter(TestDevice* device, const char* name, const testsupport::MessagePeer& peer) {
    testsupport::know_agent(device->get_communicator(), name, peer.port());
  }
  std::string stored() const { return TempDir::read(dir.file("parentlink.txt")); }

  TempDir dir;  // parentlink.txt and the reply-with state files
  CCommandLine command_line;
  std::vector<int> switched;
  std::unique_ptr<CAgentHost> host;  // last: it goes first
};

TEST_F(DeviceTest, NewDeviceIsInactiveAndUnlinked) {
  TestDevice* device = start();
  EXPECT_STREQ(device->get_type(), "deviceagent");
  EXPECT_EQ(device->get_active(), 0);
  EXPECT_EQ(device->get_parent_link(), nullptr);
  EXPECT_TRUE(logged("<CDeviceBase> Unable to find parent link information"));
}

struct ActionCase {
  std::string name;
  std::string text;
  int result;
  int active;  // starting from 0
  std::vector<int> switched;
  const char* line;  // logged; null: nothing to check
};

void PrintTo(const ActionCase& c, std::ostream* out) { *out << c.name; }

class DeviceActions : public DeviceTest, public testing::WithParamInterface<ActionCase> {};

TEST_P(DeviceActions, SwitchOrRefuse) {
  const ActionCase& c = GetParam();
  TestDevice* device = start();
  EXPECT_EQ(handle(device, c.text), c.result);
  EXPECT_EQ(device->get_active(), c.active);
  EXPECT_EQ(switched, c.switched);
  if (c.line != nullptr) {
    EXPECT_TRUE(logged(c.line)) << c.line;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Messages, DeviceActions,
    testing::Values(
        ActionCase{"on", message("device :action on"), 1, 1, {1},
                   "<CDeviceBase> Turning device on"},
        ActionCase{"on_upper", message("device :action ON"), 1, 1, {1},
                   "<CDeviceBase> Changing device state"},
        // Mixed case is an action all the same, and does nothing.
        ActionCase{"on_mixed_case", message("device :action On"), 1, 0, {}, nullptr},
        ActionCase{"off", message("device :action off"), 1, 0, {0},
                   "<CDeviceBase> Turning device off"},
        ActionCase{"off_upper", message("device :action OFF"), 1, 0, {0}, nullptr},
        ActionCase{"unknown_action", message("device :action blink"), 1, 0, {},
                   "(device :action blink)"},
        ActionCase{"no_action", message("device :state on"), 0, 0, {},
                   "<CDeviceBase> Unable to find 'action' parameter in content field"},
        ActionCase{"other_ontology", message("device :action on", "lights"), 0, 0, {},
                   "<CDeviceBase> Ontology is not of type device"},
        ActionCase{"ontology_case", message("device :action on", "Device"), 0, 0, {},
                   "<CDeviceBase> Ontology is not of type device"},
        ActionCase{"no_sender", "(tell :receiver Lamp :ontology device :content (d :action on))",
                   0, 0, {}, "<CDeviceBase> Unable to find primary fields"},
        ActionCase{"no_content", "(tell :sender Boss :ontology device)", 0, 0, {},
                   "<CDeviceBase> Unable to find primary fields"},
        ActionCase{"content_not_a_message",
                   "(tell :sender Boss :ontology device :content on)", 0, 0, {},
                   "<CDeviceBase> Unable to parse content field"},
        ActionCase{"not_a_message", "switch on", 0, 0, {},
                   "<CDeviceBase> Unable to parse incoming message"},
        // Outside text is logged as it stands, never as a format.
        ActionCase{"format_in_content", message("device :action %s%n"), 1, 0, {},
                   "(device :action %s%n)"}),
    [](const testing::TestParamInfo<ActionCase>& info) { return info.param.name; });

TEST_F(DeviceTest, LinkReplaceAndUnlink) {
  TestDevice* device = start();
  const std::vector<std::string> plain = modules(device);

  EXPECT_EQ(handle(device, message("device :action parentlink :parent Boss")), 1);
  ASSERT_NE(device->get_parent_link(), nullptr);
  EXPECT_STREQ(device->get_parent_link()->get_name(), "Boss");
  EXPECT_EQ(device->get_parent_link()->get_logger(), device->get_logger());
  EXPECT_EQ(stored(), "Boss");

  // A second link replaces the first module.
  EXPECT_EQ(handle(device, message("device :action parentlink :parent Chief")), 1);
  std::vector<std::string> expected = plain;
  expected.push_back("Chief");
  EXPECT_EQ(modules(device), expected);
  EXPECT_EQ(stored(), "Chief");

  // Unlinking does not look at the name given, and leaves the file.
  EXPECT_EQ(handle(device, message("device :action parentunlink :parent Someone")), 1);
  EXPECT_EQ(device->get_parent_link(), nullptr);
  EXPECT_EQ(modules(device), plain);
  EXPECT_EQ(stored(), "Chief");

  EXPECT_EQ(handle(device, message("device :action parentlink")), 1);
  EXPECT_TRUE(logged("<CDeviceBase> Unable to find parent field for link action"));
  EXPECT_EQ(handle(device, message("device :action parentunlink")), 1);
  EXPECT_TRUE(logged("<CDeviceBase> Unable to find parent field for unlink action"));
  EXPECT_EQ(modules(device), plain);
}

// Linking again to the linked parent keeps its module: repeated messages
// make no new module, however many come.
TEST_F(DeviceTest, ALinkToTheLinkedParentIsKept) {
  TestDevice* device = start();
  EXPECT_EQ(handle(device, message("device :action parentlink :parent Boss")), 1);
  CMiddleAgentClient* link = device->get_parent_link();
  ASSERT_NE(link, nullptr);
  link->set_dependancy(7);  // marks this very module
  const std::vector<std::string> linked = modules(device);
  for (int round = 0; round < 3; ++round) {
    EXPECT_EQ(handle(device, message("device :action parentlink :parent Boss")), 1);
  }
  ASSERT_NE(device->get_parent_link(), nullptr);
  EXPECT_EQ(device->get_parent_link()->get_dependancy(), 7u);
  EXPECT_EQ(modules(device), linked);
  EXPECT_TRUE(logged("<CDeviceBase> Device is already linked to this parent"));
  EXPECT_EQ(stored(), "Boss");
}

TEST_F(DeviceTest, LinkThatCannotBeStoredStays) {
  std::filesystem::create_directory(dir.file("parentlink.txt"));  // no file can be written there
  TestDevice* device = start();
  EXPECT_EQ(handle(device, message("device :action parentlink :parent Boss")), 1);
  ASSERT_NE(device->get_parent_link(), nullptr);
  EXPECT_TRUE(logged(
      "<CDeviceBase> Unable to store parent link in configuration file, link will not be "
      "available next time the agent starts"));
}

// The same agent stopped and started again: the link of the first run went
// with its communicator, and the second run without a stored name has none.
TEST_F(DeviceTest, RestartedWithoutStoredNameHoldsNoOldLink) {
  CWnd window;
  TestDevice device(&switched);
  ASSERT_EQ(device.start_agent(&command_line, &window), 1);
  EXPECT_EQ(handle(&device, message("device :action parentlink :parent Boss")), 1);
  ASSERT_NE(device.get_parent_link(), nullptr);
  device.stop_agent();
  std::filesystem::remove(dir.file("parentlink.txt"));

  ASSERT_EQ(device.start_agent(&command_line, &window), 1);
  EXPECT_EQ(device.get_parent_link(), nullptr);
  EXPECT_EQ(handle(&device, message("device :action parentlink :parent Chief")), 1);
  ASSERT_NE(device.get_parent_link(), nullptr);
  EXPECT_STREQ(device.get_parent_link()->get_name(), "Chief");
  device.stop_agent();
}

struct StoredCase {
  std::string name;
  std::string file;
  const char* parent;  // null: no link
};

void PrintTo(const StoredCase& c, std::ostream* out) { *out << c.name; }

class DeviceStoredLink : public DeviceTest, public testing::WithParamInterface<StoredCase> {};

TEST_P(DeviceStoredLink, StartLinksToTheStoredName) {
  const StoredCase& c = GetParam();
  TempDir::write(dir.file("parentlink.txt"), c.file);
  TestDevice* device = start();
  if (c.parent == nullptr) {
    EXPECT_EQ(device->get_parent_link(), nullptr);
    EXPECT_TRUE(logged("<CDeviceBase> Parent link information is empty, device stays unlinked"));
    return;
  }
  ASSERT_NE(device->get_parent_link(), nullptr);
  EXPECT_STREQ(device->get_parent_link()->get_name(), c.parent);
  EXPECT_TRUE(logged("<CDeviceBase> Adding parent link to device"));
}

INSTANTIATE_TEST_SUITE_P(
    Files, DeviceStoredLink,
    testing::Values(StoredCase{"as_written", "Boss", "Boss"},
                    StoredCase{"line_end", "Boss\n", "Boss"},
                    StoredCase{"blanks_and_crlf", "  Boss Two \t\r\n", "Boss Two"},
                    StoredCase{"empty", "", nullptr},
                    StoredCase{"blank_lines", " \r\n\n", nullptr}),
    [](const testing::TestParamInfo<StoredCase>& info) { return info.param.name; });

// The whole road: a link message over the network, the parent's resource
// agent (a listener) pinged through the link, and the link made again when
// the device starts anew.
TEST_F(DeviceTest, LinkedParentIsPingedAndRelinkedAfterARestart) {
  testsupport::MessagePeer parent;
  TestDevice* device = start();
  const int boss = testsupport::connect_to_loopback(device->get_communicator()->get_port());
  ASSERT_GE(boss, 0);
  const std::string text = message("device :action parentlink :parent Parent") + '\x04';
  ASSERT_EQ(send(boss, text.data(), text.size(), 0), static_cast<ssize_t>(text.size()));
  for (int round = 0; round < 250 && device->get_parent_link() == nullptr; ++round) {
    loop.process_events(20);
  }
  close(boss);
  ASSERT_NE(device->get_parent_link(), nullptr);
  EXPECT_EQ(stored(), "Parent");

  const auto pinged = [&parent](TestDevice* linked) {
    enter(linked, "Parent", parent);
    for (int tick = 0; tick <= CClientBase::kTickLimit; ++tick) {
      linked->get_parent_link()->process_timer();
    }
    return parent.next();
  };
  const std::string ping = pinged(device);
  EXPECT_NE(ping.find(":receiver Parent"), std::string::npos) << ping;
  EXPECT_NE(ping.find("tell :type command :action ping"), std::string::npos) << ping;

  TestDevice* restarted = start();
  ASSERT_NE(restarted->get_parent_link(), nullptr);
  EXPECT_STREQ(restarted->get_parent_link()->get_name(), "Parent");
  EXPECT_NE(pinged(restarted).find("tell :type command :action ping"), std::string::npos);
}

}  // namespace
