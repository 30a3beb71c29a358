// Fuzzes the archive reader: the input as a file loaded whole, as a stream
// of values each led by a byte that says its kind, and as the archive form
// of a trajectory, an impact area and a terrain type. The oracle: loading
// gives the file's bytes; the values read, stored and loaded again are the
// same values (bit for bit); each shape stored and loaded into a new one
// stores the same bytes again.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <variant>
#include <vector>

#include "Platform/archive.h"
#include "TesselMapsLib/impactlines.h"
#include "TesselMapsLib/terrain.h"
#include "TesselMapsLib/trajectory.h"
#include "oracle.h"

namespace {

// The value kinds of the stream; raw bytes come as a count, then the bytes.
using Value = std::variant<uint64_t, int32_t, uint32_t, int16_t, uint16_t, uint8_t, std::string,
                           std::vector<unsigned char>>;
constexpr int kKinds = 8;

template <typename T>
bool take(CArchive& ar, std::vector<Value>* values) {
  T value{};
  ar >> value;
  if (ar.IsFailed()) return false;
  values->emplace_back(value);
  return true;
}

// Doubles as their bits, so that every NaN compares as itself.
bool take_double(CArchive& ar, std::vector<Value>* values) {
  double value = 0;
  ar >> value;
  if (ar.IsFailed()) return false;
  uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  values->emplace_back(bits);
  return true;
}

// Raw bytes: what there is of them counts, even when fewer came.
bool take_bytes(CArchive& ar, std::vector<Value>* values) {
  uint8_t count = 0;
  ar >> count;
  if (ar.IsFailed()) return false;
  std::vector<unsigned char> bytes(count);
  const size_t got = ar.Read(bytes.data(), bytes.size());
  FUZZ_CHECK(got <= bytes.size() && (got == bytes.size()) == !ar.IsFailed());
  bytes.resize(got);
  values->emplace_back(bytes);
  return !ar.IsFailed();
}

std::vector<Value> read_values(CArchive& ar) {
  std::vector<Value> values;
  for (;;) {
    uint8_t kind = 0;
    ar >> kind;
    if (ar.IsFailed()) break;
    bool whole = false;
    switch (kind % kKinds) {
      case 0: whole = take_double(ar, &values); break;
      case 1: whole = take<int32_t>(ar, &values); break;
      case 2: whole = take<uint32_t>(ar, &values); break;
      case 3: whole = take<int16_t>(ar, &values); break;
      case 4: whole = take<uint16_t>(ar, &values); break;
      case 5: whole = take<uint8_t>(ar, &values); break;
      case 6: whole = take<std::string>(ar, &values); break;
      default: whole = take_bytes(ar, &values); break;
    }
    if (!whole) break;
  }
  return values;
}

void store_values(CArchive& ar, const std::vector<Value>& values) {
  for (const Value& value : values) {
    ar << uint8_t(value.index());
    switch (value.index()) {
      case 0: {
        double v;
        std::memcpy(&v, &std::get<0>(value), sizeof v);
        ar << v;
        break;
      }
      case 1: ar << std::get<1>(value); break;
      case 2: ar << std::get<2>(value); break;
      case 3: ar << std::get<3>(value); break;
      case 4: ar << std::get<4>(value); break;
      case 5: ar << std::get<5>(value); break;
      case 6: ar << std::get<6>(value); break;
      default: {
        const std::vector<unsigned char>& bytes = std::get<7>(value);
        ar << uint8_t(bytes.size());
        ar.Write(bytes.data(), bytes.size());
        break;
      }
    }
  }
}

// A shape loaded from `bytes`, stored, loaded into a new one and stored
// again: the two stored forms agree.
template <typename Shape>
void check_shape(const std::string& bytes) {
  CArchive in(bytes.data(), bytes.size());
  Shape shape;
  shape.Serialize(in);
  CArchive out;
  shape.Serialize(out);
  FUZZ_CHECK(!out.IsFailed());
  CArchive again_in(out.GetBytes().data(), out.GetBytes().size());
  Shape again;
  again.Serialize(again_in);
  FUZZ_CHECK(!again_in.IsFailed() && again_in.Remaining() == 0);
  CArchive again_out;
  again.Serialize(again_out);
  FUZZ_CHECK(again_out.GetBytes() == out.GetBytes());
}

// One scratch file for the run, rewritten for each input.
const std::string& scratch_file() {
  static const std::string path =
      (std::filesystem::temp_directory_path() / ("archive-fuzz-" + std::to_string(getpid())))
          .string();
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);

  std::ofstream(scratch_file(), std::ios::binary | std::ios::trunc) << bytes;
  const std::unique_ptr<CArchive> file = CArchive::LoadFile(scratch_file().c_str());
  FUZZ_CHECK(file != nullptr && file->IsLoading());
  FUZZ_CHECK(std::string(file->GetBytes().begin(), file->GetBytes().end()) == bytes);
  std::filesystem::remove(scratch_file());

  const std::vector<Value> values = read_values(*file);
  CArchive stored;
  store_values(stored, values);
  FUZZ_CHECK(!stored.IsFailed());
  CArchive reloaded(stored.GetBytes().data(), stored.GetBytes().size());
  FUZZ_CHECK(read_values(reloaded) == values);
  FUZZ_CHECK(reloaded.Remaining() == 0);

  check_shape<CTrajectory>(bytes);
  check_shape<CImpactLines>(bytes);
  check_shape<CTerrain>(bytes);
  return 0;
}
