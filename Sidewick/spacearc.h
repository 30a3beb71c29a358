// CSpaceArc: one connection between two spaces of a building (a door, a
// duct, a window, a pipe, a wire, or a virtual link), with where it lies
// and whether people can pass, exchanged as the keyword text
//   (arc :label (%s) :arctype %s :human_traversable %s :permanent %s
//        :location_type %s :active %s)
// with the code texts below and the flags written TRUE or FALSE. A label
// that this form could not carry (parentheses that do not pair up, a tab or
// a line end) is refused, so that what an arc writes reads back as written.
#pragma once

#include "Toolwick/heaptext.h"
#include "Toolwick/listelement.h"

// Arc types: "virtual", "door", "duct", "window", "pipe", "wire".
enum : int {
  ARCTYPE_VIRTUAL = 0,
  ARCTYPE_DOOR = 1,
  ARCTYPE_DUCT = 2,
  ARCTYPE_WINDOW = 3,
  ARCTYPE_PIPE = 4,
  ARCTYPE_WIRE = 5,
};

// Location types: "unknown", "inside", "above", "below", "infront",
// "behind", "toleft", "toright", "on".
enum : int {
  LOCATIONTYPE_UNKNOWN = 0,
  LOCATIONTYPE_INSIDE = 1,
  LOCATIONTYPE_ABOVE = 2,
  LOCATIONTYPE_BELOW = 3,
  LOCATIONTYPE_INFRONT = 4,
  LOCATIONTYPE_BEHIND = 5,
  LOCATIONTYPE_TOLEFT = 6,
  LOCATIONTYPE_TORIGHT = 7,
  LOCATIONTYPE_ON = 8,
};

class CSpaceArc : public CListElement {
 public:
  // Labelled "unassigned", virtual, of unknown location, not traversable,
  // not permanent, active.
  CSpaceArc() = default;

  // Keeps a copy and gives 1; null, or a label refused (above), changes
  // nothing and gives 0.
  int set_label(const char* label);
  char* get_label() const { return label_.get(); }
  void set_arctype(int type) { arctype_ = type; }
  int get_arctype() const { return arctype_; }
  void set_locationtype(int type) { locationtype_ = type; }
  int get_locationtype() const { return locationtype_; }
  void set_human_traversable(int flag) { human_traversable_ = flag; }
  int get_human_traversable() const { return human_traversable_; }
  void set_permanent(int flag) { permanent_ = flag; }
  int get_permanent() const { return permanent_; }
  void set_active(int flag) { active_ = flag; }
  int get_active() const { return active_; }

  // Reads a text that holds all six keywords and a label that is not
  // refused, else gives 0 and changes nothing. The label is taken without its parentheses; a flag is 1 for
  // TRUE or true, else 0; an arc type whose text is not known (the texts
  // are case-sensitive) reads virtual, an unknown location type leaves the
  // location type as it was. 1 once read.
  int from_string(char* text) override;
  // The text form, owned by the arc until the next call. A flag is TRUE
  // only when it is exactly 1; codes outside the tables are written
  // "virtual" and "unknown".
  char* to_string() override;

 private:
  HeapText label_{"unassigned"};
  int arctype_ = ARCTYPE_VIRTUAL;
  int locationtype_ = LOCATIONTYPE_UNKNOWN;
  int human_traversable_ = 0;
  int permanent_ = 0;
  int active_ = 1;
};
