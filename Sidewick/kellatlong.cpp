#include "Sidewick/kellatlong.h"

#include <cstring>

#include "Lexwick/parser.h"
#include "Toolwick/token.h"
#include "Sidewick/valuetext.h"
#include "Toolwick/numbers.h"

using sidewick::unwrapped;

CKelLatLong::CKelLatLong() : CListElement("WIN32GPSDDATA") {}

int CKelLatLong::from_string(char* text) {
  if (text == nullptr) return 0;
  CParser parser;
  if (parser.parse_message(text) != 1) return 0;
  const struct {
    const char* keyword;
    float* field;
  } floats[] = {{"speed", &speed_},           {"bearing", &bearing_},
                {"altitude", &altitude_},     {"x_velocity", &x_velocity_},
                {"y_velocity", &y_velocity_}, {"z_velocity", &z_velocity_},
                {"x_linear", &x_linear_},     {"y_linear", &y_linear_},
                {"z_linear", &z_linear_},     {"latminutes", &latmin_},
                {"longminutes", &longmin_},   {"psi", &psi_},
                {"theta", &theta_},           {"phi", &phi_}};
  for (const auto& f : floats) {
    if (const char* value = parser.find_token(f.keyword)) {
      *f.field = sidewick::read_float(unwrapped(value).c_str());
    }
  }
  const struct {
    const char* keyword;
    int* field;
  } ints[] = {{"latdegrees", &latdegr_}, {"longdegrees", &longdegr_}};
  for (const auto& f : ints) {
    if (const char* value = parser.find_token(f.keyword)) {
      *f.field = read_int(unwrapped(value).c_str());
    }
  }
  // The text form writes the speed at its head without a colon, where no
  // keyword lookup finds it: "(speed (12.5) :time ...".
  if (CLList* tokens = parser.get_tokens()) {
    auto* head = dynamic_cast<CToken*>(tokens->get_element(0));
    auto* value = dynamic_cast<CToken*>(tokens->get_element(1));
    if (head != nullptr && value != nullptr && head->get_token() != nullptr &&
        value->get_token() != nullptr && value->get_token_content() == nullptr) {
      const char* word = head->get_token()->get_name();
      const char* number = value->get_token()->get_name();
      if (word != nullptr && number != nullptr && std::strcmp(word, "speed") == 0 &&
          number[0] != ':') {
        speed_ = sidewick::read_float(unwrapped(number).c_str());
      }
    }
  }
  if (const char* value = parser.find_token("time")) {
    time_ = read_long(unwrapped(value).c_str());
  }
  if (const char* value = parser.find_token("gpsid")) set_name(unwrapped(value).c_str());
  return 1;
}

char* CKelLatLong::to_string() {
  const auto f = [](float value) { return fixed_text(value, 6); };
  const std::string text =
      "(speed (" + f(speed_) + ") :time (" + std::to_string(time_) + ") :bearing (" + f(bearing_) +
      ") :altitude (" + f(altitude_) + ") :x_velocity (" + f(x_velocity_) + ") :y_velocity (" +
      f(y_velocity_) + ") :z_velocity (" + f(z_velocity_) + ") :x_linear (" + f(x_linear_) +
      ") :y_linear (" + f(y_linear_) + ") :z_linear (" + f(z_linear_) + ") :longdegrees (" +
      std::to_string(longdegr_) + ") :longminutes (" + f(longmin_) + ") :latdegrees (" +
      std::to_string(latdegr_) + ") :latminutes (" + f(latmin_) + ") :psi (" + f(psi_) +
      ") :theta (" + f(theta_) + ") :phi (" + f(phi_) + "))";
  text_buffer().assign(text);
  return text_buffer().get();
}

char* CKelLatLong::get_latstring() {
  const double degrees = latdegr_ + latmin_ / 60.0;
  latitude_text_ = (latsign_ == 'E' ? "-" : "") + fixed_text(degrees, 4);
  return latitude_text_.data();
}

char* CKelLatLong::get_longstring() {
  const double degrees = longdegr_ + longmin_ / 60.0;
  longitude_text_ = (longsign_ == 'S' ? "" : "-") + fixed_text(degrees, 4);
  return longitude_text_.data();
}
