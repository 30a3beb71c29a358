// Values as the keyword texts of the auxiliary classes carry them: floats
// read in the "C" locale whatever the process locale is (integers and fixed
// texts: Toolwick/numbers.h), values in parentheses or as strings and what
// they stand for, and the tests by which the classes refuse a text that
// their written forms could not carry. Internal to Sidewick.
#pragma once

#include <string>

class CLList;
class CParser;

namespace sidewick {

// Like atof (Toolwick's read_real); a value beyond the range of float
// becomes an infinity of its sign. Null reads 0.
float read_float(const char* text);
// The value without one pair of enclosing parentheses, as
// CUtils::remove_parenthesis cuts it: "(a (b))" gives "a (b)", "abc" gives
// "abc". Null gives "".
std::string unwrapped(const char* value);

// Whether `value`, written as the value of a keyword in parentheses
// (":k (value)"), reads back as the same text and leaves the keywords after
// it alone. Not so for a text whose parentheses do not pair up, that ends
// inside a double-quoted string (which would run on into the next field),
// or that holds a tab or a line end (which read back as blanks). The question is put
// to the parser itself, so that what the writers accept is what reads back.
// Null: false.
bool reads_back_as_value(const char* value);
// Whether `name`, written as a keyword (":name (value)"), reads back as a
// keyword of that name with its value, and reads back as a value (above):
// not so for a name holding a blank or a parenthesis, for instance.
// Null: false.
bool reads_back_as_keyword(const char* name);
// Whether some written form carries `text`: not null, and without a tab or
// a line end (the parser reads them as blanks, in strings too).
bool is_writable(const char* text);
// `text` written as the value of a keyword: in parentheses, "(text)", when
// it reads back so (reads_back_as_value) and no reader could take it for
// one that took in later keywords (takes_in_keywords), else as a KQML
// string (kqml_string), which reads back whole whatever it holds. For
// writable texts (above).
std::string written_value(const char* text);
// What a keyword's value, as written_value writes it, stands for: a
// string's text (kqml_string_text); any other value without its
// parentheses (unwrapped).
std::string value_text(const char* value);
// Whether `value`, a value in parentheses as the parser gives it, took in
// keywords written after it: its parentheses pair up before a keyword when
// the quotes are not considered, as earlier writers of these forms read
// them. So it goes when a quote left open in one value pairs up with one in
// a later value, and the fields between them become one string.
bool takes_in_keywords(const char* value);
// Whether `name` can stand in a comma-separated list of names written as a
// keyword's value: it is writable and holds no comma.
bool is_list_name(const char* name);
// The names of the elements of `list` that is_list_name accepts, joined
// with commas so that splitting at the commas (CUtils::tokenize) gives each
// back: when the last name is empty, one more comma follows it.
std::string comma_list(CLList* list);

// Parses `text`; a text whose first parenthesis is not closed is read as if
// closed at its end (the form that some writers of this library leave).
// 1 when it parsed.
int parse_closing_at_end(CParser& parser, const char* text);

}  // namespace sidewick
