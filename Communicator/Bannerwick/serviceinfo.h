// CServiceInfo: one entry of the service table (the list of the "lookup"
// belief): an agent or service by name, with its location, service type and
// expiry countdown. Lookup modules create and update entries; the
// communicator counts their expiry down and removes them.
#pragma once

#include <memory>

#include "Platform/treeitem.h"
#include "Toolwick/llist.h"
#include "Toolwick/url.h"

// Service types (get_type).
enum : int {
  SERVICETYPE_AGENT = 1,
  SERVICETYPE_MATCHMAKER = 2,
  SERVICETYPE_FERRINSERVER = 3,
  SERVICETYPE_ANS_SERVER = 4,
  SERVICETYPE_SHOWBOARD = 5,
  SERVICETYPE_PELVAN_SERVER = 6,
  SERVICETYPE_NONE = 7,
};

class CServiceInfo : public CLList {
 public:
  // Unnamed, type SERVICETYPE_NONE, never expiring, no location.
  CServiceInfo();
  ~CServiceInfo() override;

  // Replaces the location by a new URL parsed from `url` (a text that does
  // not parse leaves a location without a host); null is ignored.
  void set_location(const char* url);
  // Takes `location` over, deleting the old one; null is ignored.
  void set_location(CURL* location);
  // Owned by the entry; null when it has none.
  CURL* get_location() const { return location_.get(); }

  // The matchmaker and the name server keep their type: an entry of type 2
  // or 4 only takes the same value again.
  void set_type(int type);
  int get_type() const { return type_; }

  void set_localization(int value) { localization_ = value; }
  int get_localization() const { return localization_; }
  // Integrity checks left before the entry goes; -1 never expires.
  void set_expiration(int value) { expiration_ = value; }
  int get_expiration() const { return expiration_; }
  void set_class(int value) { class_ = value; }
  int get_class() const { return class_; }
  void set_advertised(int value) { advertised_ = value; }
  int get_advertised() const { return advertised_; }
  // 1 once the agent has withdrawn; the entry stays in the table.
  void set_gone(int value) { gone_ = value; }
  int get_gone() const { return gone_; }
  void set_new(int value) { new_ = value; }
  int get_new() const { return new_; }
  void set_modified(int value) { modified_ = value; }
  int get_modified() const { return modified_; }
  // The entry's item in a tree view of the table; not owned.
  void set_item(HTREEITEM item) { item_ = item; }
  HTREEITEM get_item() const { return item_; }
  // Further data of the entry, owned by it.
  CLList* get_extended() const { return extended_.get(); }

 private:
  std::unique_ptr<CLList> extended_;
  HTREEITEM item_ = nullptr;
  std::unique_ptr<CURL> location_;
  int localization_ = 1;
  int expiration_ = -1;
  int type_ = SERVICETYPE_NONE;
  int class_ = 0;
  int advertised_ = 0;
  int gone_ = 0;
  int new_ = 1;
  int modified_ = 0;
};
