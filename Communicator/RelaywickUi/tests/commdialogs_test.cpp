// The communicator's dialogs on a real communicator, with the name server
// peer where a registration is made.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>

#include <cstdlib>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "Namewick/ansclient.h"
#include "PlatformQt/qtloop.h"
#include "Relaywick/communicator.h"
#include "Relaywick/displayclient.h"
#include "RelaywickUi/commansdialog.h"
#include "RelaywickUi/commconsole.h"
#include "RelaywickUi/comminfo.h"
#include "RelaywickUi/commwindows.h"
#include "RelaywickUi/conndialog.h"
#include "RelaywickUi/ddconfig.h"
#include "Toolwick/kelconsole.h"
#include "testsupport/childprocess.h"
#include "testsupport/modal.h"
#include "testsupport/tempdir.h"
#include "testsupport/treelines.h"

namespace {

using testsupport::close_next_box;
using testsupport::SeenBox;
using testsupport::when_modal;

template <typename T>
T* child(QWidget* dialog, const char* name) {
  T* found = dialog->findChild<T*>(name);
  EXPECT_NE(found, nullptr) << name;
  return found;
}

QStringList combo_entries(QComboBox* combo) {
  QStringList entries;
  for (int i = 0; i < combo->count(); ++i) entries << combo->itemText(i);
  return entries;
}

using testsupport::tree_lines;

class CommDialogsTest : public ::testing::Test {
 protected:
  CommDialogsTest() {
    platform::set_current_loop(&loop);
    comm = std::make_unique<CCommunicator>();
    comm->set_name("Alpha");
    comm->set_port(7001);
  }
  ~CommDialogsTest() override {
    comm.reset();
    platform::set_current_loop(nullptr);
  }

  // A name-server client, enabled as an agent's start enables it.
  CANSClient* add_ans_client() {
    auto* ans = new CANSClient(comm->get_beliefdb(), nullptr);
    comm->add_lookup_module(ans);
    comm->start_lookup_modules();
    return ans;
  }

  testsupport::TempDir dir;  // the composer keeps its UUID state here
  platform::QtLoop loop;
  std::unique_ptr<CCommunicator> comm;
};

struct OpeningCase {
  const char* name;
  const char* ans_host;
  int registered;
  QStringList servers;
  bool locked;
};

void PrintTo(const OpeningCase& c, std::ostream* out) { *out << c.name; }

class NameServerDialogOpening : public CommDialogsTest,
                                public ::testing::WithParamInterface<OpeningCase> {};

TEST_P(NameServerDialogOpening, ShowsTheCommunicatorsValuesAndLocksThemWhileRegistered) {
  const OpeningCase& c = GetParam();
  comm->comm_setansinfo(c.ans_host, 6677);
  comm->set_registered(c.registered);
  CommANSDialog dialog(comm.get());

  EXPECT_EQ(child<QLineEdit>(&dialog, "agentName")->text(), "Alpha");
  EXPECT_EQ(child<QLineEdit>(&dialog, "agentPort")->text(), "7001");
  EXPECT_EQ(child<QLineEdit>(&dialog, "ansPort")->text(), "6677");
  auto* servers = child<QComboBox>(&dialog, "ansServer");
  EXPECT_EQ(combo_entries(servers), c.servers);
  EXPECT_EQ(servers->currentText(), c.servers.front());

  EXPECT_TRUE(child<QLineEdit>(&dialog, "agentPort")->isReadOnly());
  EXPECT_EQ(child<QLineEdit>(&dialog, "agentName")->isReadOnly(), c.locked);
  EXPECT_EQ(child<QLineEdit>(&dialog, "ansPort")->isReadOnly(), c.locked);
  EXPECT_EQ(servers->isEnabled(), !c.locked);
  EXPECT_EQ(child<QPushButton>(&dialog, "register")->isEnabled(), !c.locked);
}

INSTANTIATE_TEST_SUITE_P(
    States, NameServerDialogOpening,
    ::testing::Values(OpeningCase{"NoServerGivenUnregistered", "-unknown-", 0, {"localhost"}, false},
                      OpeningCase{"GivenServerFirstUnregistered", "127.0.0.1", 0,
                                  {"127.0.0.1", "localhost"}, false},
                      OpeningCase{"RegisteredAllowsNoChange", "127.0.0.1", 1,
                                  {"127.0.0.1", "localhost"}, true}),
    [](const ::testing::TestParamInfo<OpeningCase>& info) { return info.param.name; });

TEST_F(CommDialogsTest, RegisterTakesTheFieldsAndRegistersWithTheChosenServer) {
  childtest::ChildProcess server;
  const unsigned ans_port = childtest::start_ans_server(&server, TESSEL_ANS_SERVER);
  ASSERT_NE(ans_port, 0u);
  // The agent started without a usable server: its client is enabled but
  // not registered.
  CANSClient* ans = add_ans_client();
  ASSERT_EQ(ans->is_enabled(), 1);
  ASSERT_EQ(ans->is_registered(), 0);

  // A refusal would show a box: unattended, it prints instead of waiting.
  setenv("TESSEL_UNATTENDED", "1", 1);
  CommANSDialog dialog(comm.get());
  child<QLineEdit>(&dialog, "agentName")->setText("Bravo");
  child<QComboBox>(&dialog, "ansServer")->setEditText("127.0.0.1");
  child<QLineEdit>(&dialog, "ansPort")->setText(QString::number(ans_port));
  child<QPushButton>(&dialog, "register")->click();
  unsetenv("TESSEL_UNATTENDED");

  EXPECT_STREQ(comm->get_name(), "Bravo");
  EXPECT_EQ(comm->get_port(), 7001u);
  EXPECT_STREQ(comm->get_ansname(), "127.0.0.1");
  EXPECT_EQ(comm->get_ansport(), ans_port);
  EXPECT_EQ(comm->is_registered(), 1) << ans->get_last_error();
  EXPECT_NE(ans->lookup_agent("Bravo"), 0);
  EXPECT_FALSE(child<QPushButton>(&dialog, "register")->isEnabled());
  EXPECT_FALSE(child<QComboBox>(&dialog, "ansServer")->isEnabled());
  EXPECT_TRUE(child<QLineEdit>(&dialog, "agentName")->isReadOnly());
  EXPECT_TRUE(child<QLineEdit>(&dialog, "ansPort")->isReadOnly());
}

struct RefusedCase {
  const char* name;
  bool with_client;
  const char* ans_port;
  const char* box;
  const char* ans_name_after;  // the "ans" belief after the attempt
  unsigned ans_port_after;
};

void PrintTo(const RefusedCase& c, std::ostream* out) { *out << c.name; }

class NameServerDialogRefused : public CommDialogsTest,
                                public ::testing::WithParamInterface<RefusedCase> {};

TEST_P(NameServerDialogRefused, RegisterThatCannotRegisterSaysSoAndLocksNothing) {
  const RefusedCase& c = GetParam();
  if (c.with_client) add_ans_client();
  CommANSDialog dialog(comm.get());
  child<QComboBox>(&dialog, "ansServer")->setEditText("127.0.0.1");
  child<QLineEdit>(&dialog, "ansPort")->setText(c.ans_port);
  SeenBox seen;
  close_next_box(&seen);
  child<QPushButton>(&dialog, "register")->click();

  EXPECT_EQ(seen.text, c.box);
  EXPECT_EQ(seen.parent, &dialog);
  EXPECT_STREQ(comm->get_ansname(), c.ans_name_after);
  EXPECT_EQ(comm->get_ansport(), c.ans_port_after);
  EXPECT_EQ(comm->is_registered(), 0);
  EXPECT_TRUE(child<QPushButton>(&dialog, "register")->isEnabled());
  EXPECT_FALSE(child<QLineEdit>(&dialog, "agentName")->isReadOnly());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NameServerDialogRefused,
    ::testing::Values(
        RefusedCase{"WithoutNameServerClient", false, "6677", CommANSDialog::kNoModuleText,
                    "-unknown-", 6677},
        // A port that is no number is port 0, where no server answers.
        RefusedCase{"PortThatIsNoNumber", true, "abc", CommANSDialog::kNotRegisteredText,
                    "127.0.0.1", 0}),
    [](const ::testing::TestParamInfo<RefusedCase>& info) { return info.param.name; });

TEST_F(CommDialogsTest, DisabledButtonsSaySoAndChangeNothing) {
  const struct {
    const char* button;
    const char* box;
  } cases[] = {{"unregister", CommANSDialog::kDisabledText},
               {"choosePort", CommANSDialog::kChoosePortText}};
  comm->set_registered(1);
  CommANSDialog dialog(comm.get());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.button);
    SeenBox seen;
    close_next_box(&seen);
    child<QAbstractButton>(&dialog, c.button)->click();
    EXPECT_EQ(seen.text, c.box);
    EXPECT_STREQ(comm->get_name(), "Alpha");
    EXPECT_EQ(comm->is_registered(), 1);
  }
}

TEST_F(CommDialogsTest, InformationDialogShowsTheCommunicatorsState) {
  comm->comm_setansinfo("ans.example", 6600);
  for (const int registered : {0, 1}) {
    comm->set_registered(registered);
    CCommInfo info(comm.get());
    const QStringList expected{"2.01",  QString::fromUtf8(comm->comm_get_ip()),
                               "7001",  "ans.example",
                               "6600",  "Alpha",
                               registered ? "TRUE" : "FALSE"};
    for (int row = 0; row < 7; ++row) {
      EXPECT_EQ(info.value(row), expected[row]) << CCommInfo::kLabels[row];
    }
  }
}

TEST_F(CommDialogsTest, InfoButtonOpensTheInformationDialogOverTheNameServerDialog) {
  CommANSDialog dialog(comm.get());
  QString shown_name;
  when_modal<CCommInfo>([&](CCommInfo* info) {
    EXPECT_EQ(info->parentWidget(), &dialog);
    shown_name = info->value(5);
    info->accept();
  });
  child<QPushButton>(&dialog, "info")->click();
  EXPECT_EQ(shown_name, "Alpha");
}

TEST_F(CommDialogsTest, ConnectionsDialogListsEachConnectionWithItsDetails) {
  {
    CConnDialog without_server(comm.get());
    EXPECT_EQ(tree_lines(without_server.tree()), std::vector<std::string>{"Alpha"});
  }

  CWnd handler;
  comm->set_handler(&handler);
  comm->set_port(0);
  ASSERT_EQ(comm->comm_startserver(), 1);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(comm->get_port()));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int peers[2];
  unsigned peer_ports[2];
  for (int i = 0; i < 2; ++i) {
    peers[i] = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_EQ(connect(peers[i], reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    sockaddr_in own{};
    socklen_t length = sizeof own;
    getsockname(peers[i], reinterpret_cast<sockaddr*>(&own), &length);
    peer_ports[i] = ntohs(own.sin_port);
    // Accepted one after the other, so that the descriptors follow the peers.
    ASSERT_TRUE(loop.run_until([&] { return comm->get_connection(i) != nullptr; }, 5000));
  }
  const std::string hello = "(tell :sender Peer :receiver Alpha :content (hello))\x04";
  ASSERT_EQ(send(peers[0], hello.data(), hello.size(), 0), static_cast<ssize_t>(hello.size()));
  ASSERT_TRUE(loop.run_until([&] { return comm->find_connection("Peer", nullptr, 0) != nullptr; },
                             5000));

  CConnDialog dialog(comm.get());
  EXPECT_EQ(dialog.windowTitle(), "Open Connections");
  EXPECT_EQ(tree_lines(dialog.tree()),
            (std::vector<std::string>{"Alpha",
                                      "  descriptor: 0",
                                      "    Peer",
                                      "    portnumber: " + std::to_string(peer_ports[0]),
                                      "    messages",
                                      "      incoming",
                                      "      outgoing",
                                      "  descriptor: 1",
                                      "    unknown agent",
                                      "    portnumber: " + std::to_string(peer_ports[1]),
                                      "    messages",
                                      "      incoming",
                                      "      outgoing"}));
  close(peers[0]);
  close(peers[1]);
}

TEST(CommConsole, LinesGoWhereTheyAreInsertedAndATextConsoleAppends) {
  CCommConsole console;
  EXPECT_EQ(console.windowTitle(), "Communicator Console");
  EXPECT_EQ(console.add_line("first"), 0);
  EXPECT_EQ(console.add_line(nullptr), 1);
  EXPECT_EQ(console.InsertString(0, "top"), 0);
  EXPECT_EQ(console.InsertString(99, "past the end"), 3);
  CKelConsole text_console;
  text_console.assign_listbox(&console);
  text_console.dprintf("agent %s on port %d", "Alpha", 7001);

  QStringList lines;
  for (int i = 0; i < console.list()->count(); ++i) lines << console.list()->item(i)->text();
  EXPECT_EQ(lines, (QStringList{"top", "first", "", "past the end", "agent Alpha on port 7001"}));
}

TEST_F(CommDialogsTest, InstalledWindowsAreTheCommunicatorsDialogsWhileTheyLive) {
  QWidget frame;
  {
    CCommWindows windows(&frame);
    comm->comm_ans();  // no name-server client: nothing opens
    add_ans_client();
    QStringList opened;
    when_modal<CommANSDialog>([&](CommANSDialog* dialog) {
      opened << "name server";
      EXPECT_EQ(dialog->parentWidget(), &frame);
      dialog->accept();
    });
    comm->comm_ans();
    when_modal<CCommInfo>([&](CCommInfo* info) {
      opened << "information " + info->value(5);
      info->accept();
    });
    comm->comm_info();
    EXPECT_EQ(opened, (QStringList{"name server", "information Alpha"}));
  }
  comm->comm_ans();  // no window any more: returns at once
  comm->comm_info();
}

TEST_F(CommDialogsTest, ShowboardConfigurationWindowDrivesTheDisplayClientsChoice) {
  QWidget frame;
  CCommWindows windows(&frame);
  CSB module(nullptr, comm->get_beliefdb(), comm.get(), 0);
  std::vector<std::string> seen;
  when_modal<CDDConfig>([&](CDDConfig* dialog) {
    EXPECT_EQ(dialog->windowTitle(), "Showboard Configuration");
    EXPECT_EQ(dialog->parentWidget(), &frame);
    auto* agents = child<QComboBox>(dialog, "agents");
    EXPECT_EQ(combo_entries(agents),
              (QStringList{"Showboard", "Veranta-Showboard", "Veranta_Showboard",
                           "VerantaShowboard", "SB", "Veranta-SB", "Lattisk"}));
    auto* field = child<QLineEdit>(dialog, "field");
    seen.push_back(field->text().toStdString());
    agents->setCurrentIndex(2);
    child<QPushButton>(dialog, "commit")->click();
    seen.push_back(field->text().toStdString());
    seen.push_back(module.get_name());
    child<QCheckBox>(dialog, "disable")->click();
    EXPECT_FALSE(agents->isEnabled());
    EXPECT_FALSE(child<QPushButton>(dialog, "commit")->isEnabled());
    child<QPushButton>(dialog, "ok")->click();
  });
  char program[] = "agent";
  char* argv[] = {program, nullptr};
  module.parse_args(1, argv);
  EXPECT_EQ(seen, (std::vector<std::string>{"-Showboard-", "Veranta_Showboard",
                                            "Veranta_Showboard"}));
  EXPECT_EQ(module.get_access_denied(), 1);  // closed with Disable checked
}

TEST_F(CommDialogsTest, ShowboardConfigurationClosedByTheWindowCancels) {
  CCommWindows windows;
  CSB module(nullptr, comm->get_beliefdb(), comm.get(), 0);
  when_modal<CDDConfig>([&](CDDConfig* dialog) {
    child<QCheckBox>(dialog, "disable")->click();
    dialog->close();
  });
  char program[] = "agent";
  char* argv[] = {program, nullptr};
  module.parse_args(1, argv);
  EXPECT_STREQ(module.get_name(), CSB::kPlaceholder);
}

}  // namespace
