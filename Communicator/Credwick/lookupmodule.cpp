#include "Credwick/lookupmodule.h"

#include <cstring>
#include <string>

CLookupModule::CLookupModule(CBeliefDB* db, CWnd* handler) : handler_(handler) {
  set_beliefdb(db);
}

int CLookupModule::register_agent(const char* /*name*/) { return 0; }

int CLookupModule::unregister_agent(const char* /*name*/) { return 0; }

int CLookupModule::lookup_agent(const char* /*name*/) {
  debug("<CLookupModule> lookup_agent ()");
  return 0;
}

int CLookupModule::find_agent(const char* /*name*/) {
  debug("<CLookupModule> find_agent ()");
  return 0;
}

int CLookupModule::listall_agents() {
  debug("<CLookupModule> listall_agents ()");
  return 0;
}

void CLookupModule::alive() { debug("<CLookupModule> alive ()"); }

void CLookupModule::process_enable() { debug("<CLookupModule> process_enable ()"); }

void CLookupModule::process_disable() { debug("<CLookupModule> process_disable ()"); }

int CLookupModule::is_registered() const { return 0; }

char* CLookupModule::get_last_error() { return nullptr; }

int CLookupModule::ans_list_all() { return 0; }

int CLookupModule::listall_combo(CComboBox* /*combo*/) { return 0; }

int CLookupModule::listall_listbox(CListBox* /*listbox*/) { return 0; }

char* CLookupModule::listall_getfirst() { return nullptr; }

char* CLookupModule::listall_getnext() { return nullptr; }

void CLookupModule::set_beliefdb(CBeliefDB* db) {
  db_ = db;
  const auto* lookup =
      db != nullptr ? dynamic_cast<const CListBelief*>(db->find_element("lookup")) : nullptr;
  entries_ = lookup != nullptr ? lookup->get_value() : nullptr;
}

void CLookupModule::enable(int value) {
  debug("<CLookupModule> enable ()");
  if (value == enabled_) return;
  enabled_ = value;
  if (value == 1) {
    process_enable();
  } else {
    process_disable();
  }
}

int CLookupModule::is_self(const char* name) const {
  if (name == nullptr || db_ == nullptr) return 0;
  const auto* self = dynamic_cast<const CStringBelief*>(db_->find_element("name"));
  if (self == nullptr || self->get_value() == nullptr) return 0;
  return std::strcmp(self->get_value(), name) == 0 ? 1 : 0;
}

CServiceInfo* CLookupModule::find_entry(const char* name) const {
  return dynamic_cast<CServiceInfo*>(entries_->find_element(name));
}

void CLookupModule::mark_modified() {
  if (db_ != nullptr) db_->set_modified(1);
}

std::string CLookupModule::entry_name(std::string_view name) {
  if (!name.empty() && name.back() == ',') name.remove_suffix(1);
  while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
  while (!name.empty() && name.front() == ' ') name.remove_prefix(1);
  return std::string(name);
}

CServiceInfo* CLookupModule::create_entry(const char* name) {
  debug("<CLookupModule> create_entry ()");
  if (name == nullptr || is_self(name)) return nullptr;
  debug("<CLookupModule> Creating entry: [%s]", name);
  if (entries_ == nullptr) {
    debug("<CLookupModule> Unable to add entry, table is NULL");
    return nullptr;
  }

  const std::string trimmed = entry_name(name);
  CServiceInfo* entry = find_entry(trimmed.c_str());
  if (entry == nullptr) {
    entry = new CServiceInfo;
    entries_->add_element(entry);
  }
  if (entry->get_gone() != 0) {
    entry->set_gone(0);
    debug("<CLookupModule> Resurrecting entry: [%s]", trimmed.c_str());
  } else {
    entry->set_name(trimmed.c_str());
    mark_modified();
  }
  return entry;
}

CServiceInfo* CLookupModule::create_entry_url(const char* url) {
  debug("<CAccessBase> create_entry_url ()");
  if (url == nullptr || entries_ == nullptr) return nullptr;
  debug("<CLookupModule> Creating entry: [%s]", url);
  auto* entry = new CServiceInfo;
  entries_->add_element(entry);
  entry->set_location(url);
  mark_modified();
  return entry;
}

void CLookupModule::delete_entry(const char* name) {
  if (name == nullptr || entries_ == nullptr) return;
  delete_entry(find_entry(name));
}

void CLookupModule::delete_entry(CServiceInfo* entry) {
  if (entry == nullptr) return;
  entry->set_gone(1);
  mark_modified();
}

void CLookupModule::add_name(const char* name) {
  if (name == nullptr || aliases_.find_element(name) != nullptr) return;
  aliases_.add_element(new CListElement(name));
}

void CLookupModule::remove_name(const char* name) { aliases_.delete_element_by_name(name); }
