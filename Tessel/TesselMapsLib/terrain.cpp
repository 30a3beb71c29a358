#include "TesselMapsLib/terrain.h"

#include <cstring>

#include "Toolwick/format.h"

IMPLEMENT_SERIAL(CTerrain, CObject, 0)

namespace {

constexpr int kStyleCount = 4;
constexpr const char* kStyleNames[kStyleCount] = {"Solid", "Elipse", "Cross", "Forest"};

}  // namespace

CTerrain::CTerrain() = default;

CTerrain::~CTerrain() = default;

void CTerrain::Serialize(CArchive& ar) {
  CObject::Serialize(ar);
  if (ar.IsStoring()) {
    ar << name_ << int32_t(style_) << uint8_t(code_) << uint32_t(colour_);
  } else {
    int32_t style = 0;
    uint8_t code = 0;
    uint32_t colour = 0;
    ar >> name_ >> style >> code >> colour;
    style_ = TerrainStyle(style);
    code_ = code;
    colour_ = colour;
  }
}

void CTerrain::name(const char* text) { name_ = text != nullptr ? text : ""; }

void CTerrain::style(const char* text) {
  if (text == nullptr) return;
  // Both spellings of the ellipse are read; only "Elipse" is written.
  if (std::strcmp(text, "Ellipse") == 0) {
    style_ = STYLE_ELLIPSE;
    return;
  }
  for (int i = 0; i < kStyleCount; ++i) {
    if (std::strcmp(text, kStyleNames[i]) == 0) {
      style_ = TerrainStyle(i);
      return;
    }
  }
}

bool CTerrain::code(unsigned char value) {
  code_ = value;
  return true;
}

int CTerrain::stylesize() { return kStyleCount; }

const char* CTerrain::stylestring(int style) {
  return style >= 0 && style < kStyleCount ? kStyleNames[style] : "ERROR";
}

HeapText CTerrain::GetCodeStr() const { return HeapText(str_format("%d", int(code_))); }

void CTerrain::construct_pen() { pen_ = std::make_unique<CPen>(PS_SOLID, 1, colour_); }

void CTerrain::construct_brush() { brush_ = std::make_unique<CBrush>(colour_); }

void CTerrain::destroy_pen() { pen_.reset(); }

void CTerrain::destroy_brush() { brush_.reset(); }
