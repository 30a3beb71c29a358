#include "Toolwick/guid.h"

#include <cctype>
#include <string>

#include "Toolwick/format.h"
#include "Toolwick/uuid.h"

char* CGUID::generate_guid() { return generate_guid(CUuidGenerator::instance()); }

char* CGUID::generate_guid(CUuidGenerator& generator) {
  const Uuid uuid = generator.create();
  std::string node;
  for (uint8_t byte : uuid.node) node += str_format("%2.2x", static_cast<unsigned>(byte));
  std::string text = str_format("{%8.8x-%4.4x-%4.4x-%2.2x%2.2x-%s}", static_cast<unsigned>(uuid.time_low),
                                static_cast<unsigned>(uuid.time_mid),
                                static_cast<unsigned>(uuid.time_hi_and_version),
                                static_cast<unsigned>(uuid.clock_seq_hi_and_reserved),
                                static_cast<unsigned>(uuid.clock_seq_low), node.c_str());
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  guid_.assign(text);
  return guid_.get();
}
