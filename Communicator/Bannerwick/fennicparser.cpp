#include "Bannerwick/fennicparser.h"

int CFennicParser::parsable(const char*) { return 0; }
int CFennicParser::parse_message(const char*) { return 0; }
char* CFennicParser::find_token(const char*) { return nullptr; }
char* CFennicParser::find_performative() { return nullptr; }
char* CFennicParser::find_sender() { return nullptr; }
char* CFennicParser::find_ontology() { return nullptr; }
char* CFennicParser::find_language() { return nullptr; }
char* CFennicParser::find_receiver() { return nullptr; }
char* CFennicParser::find_reply_with() { return nullptr; }
char* CFennicParser::find_in_reply_to() { return nullptr; }
char* CFennicParser::find_contents() { return nullptr; }
char* CFennicParser::find_content() { return nullptr; }
char* CFennicParser::find_forward() { return nullptr; }
char* CFennicParser::listall_getfirst(unsigned) { return nullptr; }
char* CFennicParser::listall_getnext(unsigned) { return nullptr; }
char* CFennicParser::listall_getfirst_token() { return nullptr; }
char* CFennicParser::listall_getnext_token() { return nullptr; }
char* CFennicParser::listall_getfirst_contents() { return nullptr; }
char* CFennicParser::listall_getnext_contents() { return nullptr; }
