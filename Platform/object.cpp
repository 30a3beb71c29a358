#include "Platform/object.h"

#include <cstring>
#include <vector>

namespace {

// Built on first use, so registrations from static initialisers of any
// library find it ready.
std::vector<const CRuntimeClass*>& registry() {
  static std::vector<const CRuntimeClass*> classes;
  return classes;
}

constinit const CRuntimeClass kObjectClass{"CObject", 0xFFFF, nullptr};

}  // namespace

std::unique_ptr<CObject> CRuntimeClass::CreateObject() const {
  return m_pfnCreateObject ? m_pfnCreateObject() : nullptr;
}

const CRuntimeClass* CRuntimeClass::FromName(const char* name) {
  if (name == nullptr) return nullptr;
  for (const CRuntimeClass* runtime_class : registry()) {
    if (std::strcmp(runtime_class->m_lpszClassName, name) == 0) return runtime_class;
  }
  return nullptr;
}

std::unique_ptr<CObject> CRuntimeClass::CreateObject(const char* name) {
  const CRuntimeClass* runtime_class = FromName(name);
  return runtime_class ? runtime_class->CreateObject() : nullptr;
}

const CRuntimeClass* CObject::GetRuntimeClass() const { return &kObjectClass; }

const CRuntimeClass* CObject::GetThisClass() { return &kObjectClass; }

void CObject::Serialize(CArchive&) {}

namespace platform {

ClassRegistration::ClassRegistration(const CRuntimeClass* runtime_class) {
  registry().push_back(runtime_class);
}

}  // namespace platform
