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

CServiceInfo* CLookupModule::learn_entry(const char* name) {
  if (name == nullptr || entries_ == nullptr) return create_entry(name);
  const std::string trimmed = entry_name(name);
  const bool counted = learnt_at_.count(trimmed) != 0;
  const CServiceInfo* known = find_entry(trimmed.c_str());
  CServiceInfo* entry = create_entry(name);
  if (entry == nullptr) return nullptr;
  // An entry that was made to stay (an agent's own name) stays.
  if (known != nullptr && known->get_expiration() == -1) return entry;
  entry->set_expiration(kLearntExpiry);
  if (counted) {
    learnt_.splice(learnt_.end(), learnt_, learnt_at_[trimmed]);
    return entry;
  }
  while (learnt_.size() >= kMaxLearnt) drop_least_recently_learnt(trimmed);
  learnt_at_[trimmed] = learnt_.insert(learnt_.end(), trimmed);
  return entry;
}

void CLookupModule::drop_least_recently_learnt(const std::string& newcomer) {
  const std::string oldest = learnt_.front();
  learnt_at_.erase(oldest);
  learnt_.pop_front();
  CServiceInfo* entry = find_entry(oldest.c_str());
  // Expired meanwhile, its room is free; one that stays for good since was
  // made so by someone else and is not this module's to drop.
  if (entry == nullptr || entry->get_expiration() == -1) return;
  debug("<CLookupModule> Learnt entries full, replacing [%s] with [%s]", oldest.c_str(),
        newcomer.c_str());
  entries_->delete_element(entry);
  mark_modified();
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
