// The least runtime-class support for serialisable objects: each class has a
// CRuntimeClass with its name and schema number, and can be made by name.
//
//   class CPoint3 : public CObject {
//     DECLARE_SERIAL(CPoint3)
//    public:
//     void Serialize(CArchive& ar) override;
//   };
//   IMPLEMENT_SERIAL(CPoint3, CObject, 0)      // in one .cpp file
//
// IMPLEMENT_SERIAL registers the class when its library is loaded, so
// CRuntimeClass::CreateObject("CPoint3") works wherever that library is linked.
#pragma once

#include <memory>
#include <type_traits>

#include "Platform/archive.h"

class CObject;

struct CRuntimeClass {
  const char* m_lpszClassName;
  unsigned m_wSchema;
  // Null for a class that cannot be made (CObject itself).
  std::unique_ptr<CObject> (*m_pfnCreateObject)();

  // A new object of this class, owned by the caller; null when not creatable.
  std::unique_ptr<CObject> CreateObject() const;
  // The registered class of that exact (case-sensitive) name; null when none.
  static const CRuntimeClass* FromName(const char* name);
  static std::unique_ptr<CObject> CreateObject(const char* name);
};

class CObject {
 public:
  virtual const CRuntimeClass* GetRuntimeClass() const;
  virtual ~CObject() = default;
  // Stores or loads the object's fields; the base has none.
  virtual void Serialize(CArchive& ar);

  static const CRuntimeClass* GetThisClass();

 protected:
  CObject() = default;
};

namespace platform {

// Adds a class to the registry that CRuntimeClass::FromName searches; the
// class must live for the whole program. Used by IMPLEMENT_SERIAL.
struct ClassRegistration {
  explicit ClassRegistration(const CRuntimeClass* runtime_class);
};

}  // namespace platform

#define RUNTIME_CLASS(class_name) (class_name::GetThisClass())

#define DECLARE_SERIAL(class_name)                          \
 public:                                                    \
  static const CRuntimeClass class##class_name;             \
  static const CRuntimeClass* GetThisClass();               \
  static std::unique_ptr<CObject> CreateObject();           \
  const CRuntimeClass* GetRuntimeClass() const override;

#define IMPLEMENT_SERIAL(class_name, base_class_name, schema)                            \
  static_assert(std::is_base_of_v<base_class_name, class_name>);                         \
  constinit const CRuntimeClass class_name::class##class_name{#class_name, (schema),     \
                                                              &class_name::CreateObject}; \
  const CRuntimeClass* class_name::GetThisClass() { return &class##class_name; }          \
  std::unique_ptr<CObject> class_name::CreateObject() {                                  \
    return std::unique_ptr<CObject>(new class_name);                                      \
  }                                                                                        \
  const CRuntimeClass* class_name::GetRuntimeClass() const { return &class##class_name; }   \
  static const platform::ClassRegistration class_name##_registration(                    \
      &class_name::class##class_name);
