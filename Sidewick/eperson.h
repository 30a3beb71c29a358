// CEPerson: the profile of a person that an agent keeps -- a list of typed
// parameters (typedparameter.h) -- saved to and loaded from a profile file
// in an internal text form, and written and read in an external KQML form
// for other agents, grouped by usage and visibility.
//
// Internal form, one line a parameter inside "(\n" ... ")\n":
//    (int :parameter (value :name (age) :content (42) :type 0) :visibility 1 :usage 0)
//    (char ... :content (blue) :type 1) ...   (list ... :content (list;a,b) :type 2) ...
//    (char ... :content "5'11\"" :type 1) ...
// A name or content goes in parentheses where it reads back so, else as a
// KQML string (in quotes, '\' and '"' escaped), which nothing written in
// parentheses can be taken for.
// External form:
//    :profile (tell :primary  (pri :public (pub  :colour (blue)
//     ) :private (priv  )) :secondary (sec :public (pub  ) :private (priv  )))
// The external form does not carry the type: integers come back as texts.
//
// A profile reads back as it was written: values and list names that the
// forms could not carry are refused by the parameters (typedparameter.h),
// and a parameter whose name a form cannot carry (one with a tab or a line
// end; in the external form one that is no single keyword) is left out of
// that form with a log line. The internal form is read whole or not at all;
// the external form passes over entries it cannot read, with a log line.
//
// Diagnostic lines go to the logger (not owned, it must outlive the
// profile) or, without one, to the profile's own debug log.
#pragma once

#include <cstddef>
#include <string>

#include "Sidewick/typedparameter.h"
#include "Toolwick/heaptext.h"
#include "Toolwick/llist.h"

class CLogFacility;

class CEPerson : public CListElement {
 public:
  CEPerson();
  ~CEPerson() override;

  // Deletes every parameter and forgets the profile file name.
  void reset_profile();

  void set_logger(CLogFacility* logger) { logger_ = logger; }
  CLogFacility* get_logger() const { return logger_; }
  // One diagnostic line, to the logger or the profile's own log; a null
  // format is ignored.
  void debug(const char* fmt, ...) override TW_PRINTF(2, 3);

  // Gives the profile the primary public text parameter "id" holding a new
  // GUID, once per object (later calls keep it); a parameter "id" that is
  // not a text is replaced. 1.
  int create_id();
  void create() { create_id(); }
  // The value of the text parameter "id"; null without one.
  char* get_id() const;
  // The parameters, owned by the profile.
  CLList* get_parameters() { return &parameters_; }

  // Reads the profile file (a non-null `file` becomes the profile file
  // name, which the profile keeps) with load_profile_string; 0 when it
  // cannot be read.
  int load_profile(const char* file);
  // Writes create_string() to the profile file (a non-null `file` becomes
  // the profile file name). 1 without a file name (nothing written); 0 when
  // the file cannot be opened or written whole.
  int save_profile(const char* file);
  char* get_profile_file() const { return file_.get(); }

  // Writes the parameter's line of the internal form at `out`, at most
  // `size` bytes with the closing NUL (a longer line is cut), and returns
  // the position of that NUL. A list parameter without a list, or a
  // parameter whose name cannot be written, writes nothing; null for a
  // parameter of another type; `out` itself for a null
  // parameter, a null `out` or a size of 0.
  char* create_param_string(CParameterBase* parameter, char* out, size_t size);
  // The internal form of the whole profile, owned by the caller; unset for
  // a profile without parameters (or none that writes a line) or with one
  // of another type.
  HeapText create_string();
  // Replaces the parameters by those of an internal form, read a line an
  // entry as its writers lay it out (an entry over several lines is read
  // whole). 0 for a null text, one that does not parse, or one with an
  // entry that does not read (no parameter, name, content, type, visibility
  // or usage, or an unknown type): then, with a log line, the profile is
  // left without parameters. Else 1.
  int load_profile_string(const char* text);

  // One parameter's entry of the external form, owned by the caller; unset
  // for a list parameter without a list, a text parameter whose value holds
  // "list;" (it would read back as a list), one whose name cannot be written
  // as a keyword, and for other types.
  HeapText create_param_string_external(CParameterBase* parameter);
  // The external form of the whole profile, owned by the caller.
  HeapText create_string_external();
  // Replaces the parameters by those of an external form: text parameters,
  // or list parameters for values holding "list;". The text may end with
  // or without the parenthesis that closes "(tell". 0 for a null text, one
  // that does not parse, or a section that does not parse; else 1.
  int create_agent_external(const char* text);

 private:
  struct SectionTexts;
  // The internal line of `parameter` into `line` (empty when it writes
  // nothing); false for other types.
  bool parameter_line(CParameterBase* parameter, std::string* line);
  // Appends the parameter of one entry of the internal form; false, with a
  // log line, when the entry cannot be read.
  bool read_parameter(const char* entry);
  int read_section(const char* section, int usage, const SectionTexts& texts);
  void read_group(const char* group, int usage, int visibility, const char* unreadable);

  int created_ = 0;
  HeapText file_;
  CLList parameters_{"parameters"};
  CLogFacility* logger_ = nullptr;
};
