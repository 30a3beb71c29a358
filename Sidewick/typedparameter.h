// Typed parameters of a person profile (CEPerson): named values -- an
// integer, a text or a list of names -- each marked primary or secondary
// (usage) and public or private (visibility). The element name is the
// parameter's name.
//
// Texts that the profile's written forms could not carry (a tab or a line
// end; in a list also a comma inside a name) are refused, so that a profile
// reads back as it was written. Any other text is written in
// parentheses when it reads back so, else as a KQML string.
#pragma once

#include <memory>

#include "Toolwick/heaptext.h"
#include "Toolwick/llist.h"

// Parameter types (get_type); a bare CParameterBase has PARAMETER_NONE.
enum : int {
  PARAMETER_NONE = -1,
  PARAMETER_INT = 0,
  PARAMETER_CHAR = 1,
  PARAMETER_LIST = 2,
};

// Usage and visibility codes.
enum : int {
  USAGE_PRIMARY = 0,
  USAGE_SECONDARY = 1,
  VISIBILITY_PUBLIC = 0,
  VISIBILITY_PRIVATE = 1,
};

class CParameterBase : public CListElement {
 public:
  // Type none, public, secondary.
  explicit CParameterBase(const char* name) : CListElement(name) {}

  void set_type(int type) { type_ = type; }
  int get_type() const { return type_; }
  void set_usage(int usage) { usage_ = usage; }
  int get_usage() const { return usage_; }
  void set_visibility(int visibility) { visibility_ = visibility; }
  int get_visibility() const { return visibility_; }

 private:
  int type_ = PARAMETER_NONE;
  int visibility_ = VISIBILITY_PUBLIC;
  int usage_ = USAGE_SECONDARY;
};

class CIntParameter : public CParameterBase {
 public:
  // Value 0.
  explicit CIntParameter(const char* name);

  int get_parameter() const { return value_; }
  void set_parameter(int value) { value_ = value; }
  // Value -1, public.
  void reset();

 private:
  int value_ = 0;
};

class CCharParameter : public CParameterBase {
 public:
  // Value "empty".
  explicit CCharParameter(const char* name);

  // Owned by the parameter; null after reset.
  char* get_parameter() const { return value_.get(); }
  // Keeps a copy and gives 1; null, or a value refused (above), changes
  // nothing and gives 0.
  int set_parameter(const char* value);
  // No value, public.
  void reset();

 private:
  HeapText value_{"empty"};
};

class CListParameter : public CParameterBase {
 public:
  // No list.
  explicit CListParameter(const char* name);

  // The list of names, owned by the parameter; null when none.
  CLList* get_parameter() const { return value_.get(); }
  // Takes `list` over, the list held before goes; null, or the list already
  // held, changes nothing.
  void set_parameter(CLList* list);
  // A new list from the names after the first "list;" (else "LIST;") of
  // `text`, separated by commas, but for names refused (above); without
  // either marker no list. Null changes nothing.
  void set_parameter(const char* text);
  // No list, public.
  void reset();

 private:
  std::unique_ptr<CLList> value_;
};
