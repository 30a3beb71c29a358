#include "Platform/object.h"

#include <gtest/gtest.h>

namespace {

// A serialisable class as the maps library writes them.
class CTestMarker : public CObject {
  DECLARE_SERIAL(CTestMarker)
 public:
  void Serialize(CArchive& ar) override {
    CObject::Serialize(ar);
    if (ar.IsStoring()) {
      ar << id << name;
    } else {
      ar >> id >> name;
    }
  }

  int32_t id = -1;
  std::string name;

 protected:
  CTestMarker() = default;  // made through CreateObject only
};

}  // namespace

IMPLEMENT_SERIAL(CTestMarker, CObject, 3)

namespace {

TEST(Object, RuntimeClassHoldsNameAndSchema) {
  const CRuntimeClass* runtime_class = RUNTIME_CLASS(CTestMarker);
  EXPECT_STREQ(runtime_class->m_lpszClassName, "CTestMarker");
  EXPECT_EQ(runtime_class->m_wSchema, 3u);
  EXPECT_EQ(CRuntimeClass::FromName("CTestMarker"), runtime_class);
}

TEST(Object, DynamicCreationByNameMakesTheRightClass) {
  std::unique_ptr<CObject> object = CRuntimeClass::CreateObject("CTestMarker");
  ASSERT_NE(object, nullptr);
  EXPECT_EQ(object->GetRuntimeClass(), RUNTIME_CLASS(CTestMarker));
  EXPECT_EQ(static_cast<CTestMarker*>(object.get())->id, -1);
}

TEST(Object, UnknownOrUncreatableNamesGiveNull) {
  for (const char* name : {"ctestmarker", "CTestMarker ", "", "CObject", "CNoSuchClass"}) {
    EXPECT_EQ(CRuntimeClass::CreateObject(name), nullptr) << name;
  }
  EXPECT_EQ(CRuntimeClass::FromName(nullptr), nullptr);
  EXPECT_EQ(RUNTIME_CLASS(CObject)->CreateObject(), nullptr);
}

TEST(Object, CreatedObjectLoadsWhatAnotherStored) {
  std::unique_ptr<CObject> original = CRuntimeClass::CreateObject("CTestMarker");
  auto* marker = static_cast<CTestMarker*>(original.get());
  marker->id = 42;
  marker->name = "Radar";
  CArchive out;
  original->Serialize(out);
  EXPECT_EQ(out.GetBytes(), (std::vector<unsigned char>{42, 0, 0, 0, 5, 'R', 'a', 'd', 'a', 'r'}));

  std::unique_ptr<CObject> copy = RUNTIME_CLASS(CTestMarker)->CreateObject();
  CArchive in(out.GetBytes().data(), out.GetBytes().size());
  copy->Serialize(in);
  EXPECT_FALSE(in.IsFailed());
  EXPECT_EQ(static_cast<CTestMarker*>(copy.get())->id, 42);
  EXPECT_EQ(static_cast<CTestMarker*>(copy.get())->name, "Radar");
}

}  // namespace
