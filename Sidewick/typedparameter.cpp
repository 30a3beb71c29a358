#include "Sidewick/typedparameter.h"

#include <cstring>

#include "Sidewick/valuetext.h"
#include "Toolwick/utils.h"

CIntParameter::CIntParameter(const char* name) : CParameterBase(name) { set_type(PARAMETER_INT); }

void CIntParameter::reset() {
  value_ = -1;
  set_visibility(VISIBILITY_PUBLIC);
}

CCharParameter::CCharParameter(const char* name) : CParameterBase(name) {
  set_type(PARAMETER_CHAR);
}

int CCharParameter::set_parameter(const char* value) {
  if (!sidewick::is_writable(value)) return 0;
  value_.set(value);
  return 1;
}

void CCharParameter::reset() {
  value_.reset();
  set_visibility(VISIBILITY_PUBLIC);
}

CListParameter::CListParameter(const char* name) : CParameterBase(name) {
  set_type(PARAMETER_LIST);
}

void CListParameter::set_parameter(CLList* list) {
  if (list == nullptr || list == value_.get()) return;
  value_.reset(list);
}

void CListParameter::set_parameter(const char* text) {
  if (text == nullptr) return;
  value_.reset();
  const char* marker = std::strstr(text, "list;");
  if (marker == nullptr) marker = std::strstr(text, "LIST;");
  if (marker == nullptr) return;
  value_ = std::make_unique<CLList>();
  CUtils().tokenize(marker + 5, ',', value_.get());
  for (CListElement* item = value_->get_element(0); item != nullptr;) {
    CListElement* next = item->get_next();
    if (!sidewick::is_list_name(item->get_name())) value_->delete_element(item);
    item = next;
  }
}

void CListParameter::reset() {
  value_.reset();
  set_visibility(VISIBILITY_PUBLIC);
}
