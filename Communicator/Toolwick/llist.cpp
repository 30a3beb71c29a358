#include "Toolwick/llist.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "Platform/paths.h"
#include "Toolwick/format.h"

namespace {
bool has_name(const CListElement* e, const char* name) {
  return e->get_name() != nullptr && std::strcmp(e->get_name(), name) == 0;
}
}  // namespace

// The named elements by name; the elements of one name in no particular
// order (the walk from the head tells which comes first).
struct CLList::NameIndex {
  struct Hash {
    using is_transparent = void;
    size_t operator()(std::string_view name) const { return std::hash<std::string_view>{}(name); }
  };
  std::unordered_map<std::string, std::vector<CListElement*>, Hash, std::equal_to<>> named;
};

CLList::CLList() { set_btype(BTYPE_LIST); }

CLList::CLList(const char* name) : CStreamBuffer(name) { set_btype(BTYPE_LIST); }

CLList::~CLList() { delete_list(); }

void CLList::index_names() {
  if (names_ != nullptr) return;
  for (CListElement* e = first_; e != nullptr; e = e->get_next()) {
    if (e->get_parent() != this) return;
  }
  names_ = std::make_unique<NameIndex>();
  keeps_name_index_ = true;
  for (CListElement* e = first_; e != nullptr; e = e->get_next()) index_element(e);
}

void CLList::drop_name_index() {
  for (CListElement* e = first_; e != nullptr; e = e->get_next()) e->name_indexed_ = false;
  names_.reset();
  keeps_name_index_ = false;
}

void CLList::index_element(CListElement* e) {
  if (names_ == nullptr) return;
  e->name_indexed_ = true;
  index_name(e);
}

void CLList::unindex_element(CListElement* e) {
  if (names_ == nullptr || !e->name_indexed_) return;
  unindex_name(e);
  e->name_indexed_ = false;
}

void CLList::index_linked(CListElement* e) {
  if (names_ == nullptr) return;
  if (e->get_parent() == this) {
    index_element(e);
  } else {
    drop_name_index();
  }
}

void CLList::index_name(CListElement* e) {
  if (e->get_name() == nullptr) return;
  auto named = names_->named.find(std::string_view(e->get_name()));
  if (named == names_->named.end()) {
    named = names_->named.emplace(e->get_name(), std::vector<CListElement*>()).first;
  }
  named->second.push_back(e);
}

void CLList::unindex_name(CListElement* e) {
  if (e->get_name() == nullptr) return;
  const auto named = names_->named.find(std::string_view(e->get_name()));
  if (named == names_->named.end()) return;
  std::erase(named->second, e);
  if (named->second.empty()) names_->named.erase(named);
}

CListElement* CLList::add_element(CListElement* e) {
  if (e == nullptr) return nullptr;
  if (last_ != nullptr) {
    last_->set_next(e);
  } else {
    first_ = e;
  }
  e->set_next(nullptr);
  e->set_last(last_);
  last_ = e;
  e->set_parent(this);
  ++count_;
  index_element(e);
  return e;
}

CListElement* CLList::find_element(const char* name) const {
  if (name == nullptr) return nullptr;
  if (names_ != nullptr) {
    const auto named = names_->named.find(std::string_view(name));
    if (named == names_->named.end()) return nullptr;
    if (named->second.size() == 1) return named->second.front();
  }
  for (CListElement* e = first_; e != nullptr; e = e->get_next()) {
    if (has_name(e, name)) return e;
  }
  return nullptr;
}

CListElement* CLList::get_element(int index) const {
  if (index < 0) return nullptr;
  CListElement* e = first_;
  for (int i = 0; e != nullptr && i < index; ++i) e = e->get_next();
  return e;
}

CListElement* CLList::get_first_element() {
  cursor_ = first_;
  return cursor_;
}

CListElement* CLList::get_next_element() {
  if (cursor_ == nullptr) return nullptr;
  cursor_ = cursor_->get_next();
  return cursor_;
}

CListElement* CLList::get_previous_element() {
  if (cursor_ == nullptr) return nullptr;
  cursor_ = cursor_->get_last();
  return cursor_;
}

void CLList::unlink(CListElement* e) {
  CListElement* prev = e->get_last();
  CListElement* next = e->get_next();
  if (prev != nullptr) {
    prev->set_next(next);
  } else {
    first_ = next;
  }
  if (next != nullptr) {
    next->set_last(prev);
  } else {
    last_ = prev;
  }
  if (cursor_ == e) cursor_ = nullptr;  // a walk must start again
}

void CLList::delete_element(CListElement* e) {
  if (e == nullptr) return;
  unindex_element(e);
  unlink(e);
  --count_;
  delete e;
}

void CLList::remove_element(CListElement* e) {
  if (e == nullptr) return;
  unindex_element(e);
  unlink(e);
  --count_;
}

CListElement* CLList::find_last_named(const char* name) const {
  if (name == nullptr) return nullptr;
  for (CListElement* e = last_; e != nullptr; e = e->get_last()) {
    if (has_name(e, name)) return e;
  }
  return nullptr;
}

void CLList::delete_element_by_name(const char* name) { delete_element(find_last_named(name)); }

void CLList::remove_element_by_name(const char* name) { remove_element(find_last_named(name)); }

void CLList::swap(CListElement* a, CListElement* b) {
  if (a == nullptr || b == nullptr || a == b) return;
  unlink(a);
  link_after(b, a);
  cursor_ = nullptr;
}

void CLList::insert_element(CListElement* e, unsigned index) {
  if (e == nullptr) return;
  CListElement* at = get_first_element();
  for (unsigned i = 0; at != nullptr && i < index; ++i) at = get_next_element();
  if (at != nullptr) insert_element_after(at, e);
}

void CLList::insert_element_after(CListElement* at, CListElement* e) {
  if (at == nullptr || e == nullptr) return;
  link_after(at, e);
  index_linked(e);
}

void CLList::insert_element_before(CListElement* at, CListElement* e) {
  if (at == nullptr || e == nullptr) return;
  link_before(at, e);
  index_linked(e);
}

void CLList::link_after(CListElement* at, CListElement* e) {
  CListElement* next = at->get_next();
  e->set_last(at);
  e->set_next(next);
  at->set_next(e);
  if (next != nullptr) {
    next->set_last(e);
  } else {
    last_ = e;
  }
}

void CLList::link_before(CListElement* at, CListElement* e) {
  CListElement* prev = at->get_last();
  e->set_last(prev);
  e->set_next(at);
  at->set_last(e);
  if (prev != nullptr) {
    prev->set_next(e);
  } else {
    first_ = e;
  }
}

void CLList::delete_list() {
  if (names_ != nullptr) names_->named.clear();
  CListElement* e = first_;
  first_ = last_ = cursor_ = nullptr;
  count_ = 0;
  while (e != nullptr) {
    CListElement* next = e->get_next();
    delete e;
    e = next;
  }
}

void CLList::forget_elements() {
  if (names_ != nullptr) {
    for (CListElement* e = first_; e != nullptr; e = e->get_next()) e->name_indexed_ = false;
    names_->named.clear();
  }
  first_ = last_ = cursor_ = nullptr;
  count_ = 0;
}

void CLList::tokenize(char* text, char sep) {
  if (text == nullptr) return;
  char* piece = text;
  for (char* sep_at = std::strchr(piece, sep); sep != '\0' && sep_at != nullptr;
       sep_at = std::strchr(piece, sep)) {
    *sep_at = '\0';
    add_element(new CListElement(piece));
    piece = sep_at + 1;
  }
  if (*piece != '\0') add_element(new CListElement(piece));
}

char* CLList::to_string() {
  reset();
  add_to_buffer("(list ");
  for (CListElement* e = first_; e != nullptr; e = e->get_next()) add_to_buffer(e->to_string());
  add_to_buffer(")\n ");
  cursor_ = first_;
  return get_buffer();
}

int CLList::from_string(char* /*text*/) { return 0; }

void CLList::dump_list() {
  FILE* out = std::fopen(platform::kListDumpFile, "a+");
  if (out == nullptr) return;
  static constexpr const char* kRule = "-----------------------------------------------------\n";
  std::fputs(kRule, out);
  for (CListElement* e = first_; e != nullptr; e = e->get_next()) {
    std::fputs("token name: ", out);
    std::fputs(shown_text(e->get_name()), out);
    std::fputs("\n", out);
    std::fputs(e->get_content() != nullptr ? "content: is not NULL\n" : "content: is NULL\n", out);
    std::fflush(out);
  }
  std::fputs(kRule, out);
  std::fclose(out);
}

CQueue::CQueue() { set_btype(BTYPE_QUEUE); }

int CQueue::enqueue(CListElement* e) {
  if (e == nullptr) return 0;
  if (get_nr_elements() + 1 > size_) delete_element(get_element(0));
  add_element(e);
  return 0;
}

CListElement* CQueue::dequeue() {
  CListElement* head = get_element(0);
  remove_element(head);
  return head;
}

CStack::CStack() { set_btype(BTYPE_STACK); }

int CStack::push(CListElement* e) {
  if (e == nullptr || get_nr_elements() + 1 >= size_) return 0;
  add_element(e);
  return 1;
}

CListElement* CStack::pop() {
  CListElement* tail = get_last_element();
  remove_element(tail);
  return tail;
}

CHashTable::CHashTable() { set_btype(BTYPE_HASH_TABLE); }

CHashTable::CHashTable(const char* name) : CLList(name) { set_btype(BTYPE_HASH_TABLE); }
