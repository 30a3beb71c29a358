#include "Sidewick/cartesian.h"

#include "Lexwick/parser.h"
#include "Sidewick/valuetext.h"
#include "Toolwick/numbers.h"
#include "Toolwick/format.h"

int CCartesian::from_string(char* text) {
  if (text == nullptr) return 0;
  CParser parser;
  if (sidewick::parse_closing_at_end(parser, text) != 1) return 0;
  const struct {
    const char* keyword;
    int32_t* field;
  } fields[] = {{"x", &x_}, {"y", &y_}, {"z", &z_}};
  for (const auto& f : fields) {
    if (const char* value = parser.find_token(f.keyword)) {
      *f.field = read_int(sidewick::unwrapped(value).c_str());
    }
  }
  return 1;
}

char* CCartesian::to_string() {
  text_buffer().assign(str_format("(cartesian :x (%d) :y (%d) :z (%d)", x_, y_, z_));
  return text_buffer().get();
}
