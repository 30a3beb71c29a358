#include "Sidewick/valuetext.h"

#include <limits>

#include "Toolwick/numbers.h"
#include "Toolwick/utils.h"

namespace sidewick {

float read_float(const char* text) {
  const double value = read_real(text);
  if (value > std::numeric_limits<float>::max()) return std::numeric_limits<float>::infinity();
  if (value < -std::numeric_limits<float>::max()) return -std::numeric_limits<float>::infinity();
  return static_cast<float>(value);
}

std::string unwrapped(const char* value) {
  if (value == nullptr) return std::string();
  std::string copy(value);
  CUtils utils;
  return utils.remove_parenthesis(copy.data());
}

}  // namespace sidewick
