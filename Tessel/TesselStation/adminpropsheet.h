// CAdminPropSheet: the administration settings, a modal sheet of two pages
// without an Apply button.
//
// CDlgPropCommSettings, "Communication Settings": registers the station's
// agent with the agent name server under a chosen name, withdraws it, and
// lists the other agents the server knows. It shows CCommSettingsModel and
// hands it what the operator typed; registering and unregistering take
// effect at once, and Apply turns the outcome into the document's phase and
// own name once the sheet has closed.
//
// CDlgPropConversation, "Conversation Log": the station's last messages,
// incoming and outgoing, each list with a tree that shows the chosen
// message field by field.
//
// The document and the conversation log are not owned and must outlive the
// sheet; the sheet lives only while it is open.
#pragma once

#include <QDialog>

#include "TesselStationCore/commsettingsmodel.h"

class CConversationLog;
class CParserTree;
class CTesselStationDoc;
class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTabWidget;

class CDlgPropCommSettings : public QWidget {
 public:
  // Control identifiers (the controls' object names).
  enum : int {
    IDC_SERVER = 1015,
    IDC_SERVER_PORT = 1016,
    IDC_AGENT_PORT = 1018,
    IDC_REGISTER = 1020,
    IDC_UNREGISTER = 1021,
    IDC_AGENTS = 1022,
    IDC_AGENT = 1089,
  };

  explicit CDlgPropCommSettings(CTesselStationDoc& document, QWidget* parent = nullptr);

  CCommSettingsModel& GetModel() { return model_; }
  // The page became active: the list fetched anew, the controls set.
  void OnSetActive();
  // "Register" and "UnRegister".
  void OnRegister();
  void OnUnRegister();
  // The sheet closed: its outcome goes to the document.
  void Apply() { model_.Apply(); }

 private:
  // Controls to fields (save) or fields to controls.
  void UpdateData(bool save);
  // The enabled and read-only states and the list, from the model.
  void SetControls();

  CCommSettingsModel model_;
  QListWidget* agents_;
  QComboBox* agentName_;
  QLineEdit* server_;
  QLineEdit* serverPort_;
  QLineEdit* agentPort_;
  QPushButton* register_;
  QPushButton* unregister_;
};

class CDlgPropConversation : public QWidget {
 public:
  enum : int {
    IDC_INCOMING_LIST = 1026,
    IDC_OUTGOING_LIST = 1027,
    IDC_INCOMING_TREE = 1028,
    IDC_OUTGOING_TREE = 1029,
    IDC_CLEAR_INCOMING = 1032,
    IDC_CLEAR_OUTGOING = 1033,
  };

  // Filled with the messages of `log`, the last one of each list shown.
  explicit CDlgPropConversation(const CConversationLog& log, QWidget* parent = nullptr);

  // Appends the message to its list, selects it and shows it in the tree.
  void ShowIncomingMessage(const char* text);
  // The message "(%s :receiver %s :content (%s))" on the outgoing side.
  void ShowOutgoingMessage(const char* performative, const char* receiver, const char* content);
  CParserTree* GetIncomingTree() const { return incomingTree_; }
  CParserTree* GetOutgoingTree() const { return outgoingTree_; }
  QListWidget* GetIncomingList() const { return incoming_; }
  QListWidget* GetOutgoingList() const { return outgoing_; }

 private:
  void Show(QListWidget* list, CParserTree* tree, const QString& text);
  // The message in the tree: the root opened or closed, its :sender,
  // :receiver and :content opened.
  static void ShowTree(CParserTree* tree, const QString& text);
  static void Clear(QListWidget* list, CParserTree* tree);

  QListWidget* incoming_;
  QListWidget* outgoing_;
  CParserTree* incomingTree_;
  CParserTree* outgoingTree_;
};

class CAdminPropSheet : public QDialog {
 public:
  CAdminPropSheet(const char* caption, CTesselStationDoc& document, const CConversationLog& log,
                  QWidget* parent = nullptr);

  CDlgPropCommSettings* GetCommSettings() const { return comm_; }
  CDlgPropConversation* GetConversation() const { return conversation_; }
  QTabWidget* GetTabs() const { return tabs_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QTabWidget* tabs_;
  CDlgPropCommSettings* comm_;
  CDlgPropConversation* conversation_;
};
