// KQML strings as the framework writes and reads them. A string is a text in
// double quotes in which a backslash takes the character after it, so that
// \" and \\ stand for a quote and a backslash. The parser keeps a string as
// it was written, quotes and escapes included (kqmlparser.h); every composer
// that writes a text as a string writes it with kqml_string, and a reader
// that wants the text back takes it with kqml_string_text.
#pragma once

#include <string>
#include <string_view>

// `text` as one KQML string: in double quotes, with a backslash before each
// '\' and '"' in it. "" gives "\"\"".
std::string kqml_string(std::string_view text);

// The text that a string value stands for: without its quotes, each escape
// giving the character after its backslash. A value that does not begin
// with '"' (a word, a group) is given back as it stands.
std::string kqml_string_text(std::string_view value);
