#include "Platform/archive.h"

#include <bit>
#include <cstring>
#include <fstream>
#include <iterator>

CArchive::CArchive(const void* data, size_t size)
    : bytes_(static_cast<const unsigned char*>(data),
             static_cast<const unsigned char*>(data) + size),
      loading_(true) {}

std::unique_ptr<CArchive> CArchive::LoadFile(const char* path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return nullptr;
  std::vector<char> bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  if (file.bad()) return nullptr;
  return std::make_unique<CArchive>(bytes.data(), bytes.size());
}

bool CArchive::SaveFile(const char* path) const {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (!file) return false;
  file.write(reinterpret_cast<const char*>(bytes_.data()), std::streamsize(bytes_.size()));
  file.close();
  return !file.fail();
}

void CArchive::Write(const void* data, size_t size) {
  if (loading_) {
    failed_ = true;
    return;
  }
  const auto* bytes = static_cast<const unsigned char*>(data);
  bytes_.insert(bytes_.end(), bytes, bytes + size);
}

size_t CArchive::Read(void* data, size_t size) {
  if (!loading_ || failed_) {
    failed_ = true;
    return 0;
  }
  const size_t got = size < Remaining() ? size : Remaining();
  if (got > 0) std::memcpy(data, bytes_.data() + position_, got);
  position_ += got;
  if (got < size) failed_ = true;
  return got;
}

void CArchive::put(uint64_t value, int size) {
  unsigned char bytes[8];
  for (int i = 0; i < size; ++i) bytes[i] = static_cast<unsigned char>(value >> (8 * i));
  Write(bytes, size_t(size));
}

uint64_t CArchive::take(int size) {
  // All or nothing: a value cut short by the end reads as 0.
  if (!loading_ || failed_ || Remaining() < size_t(size)) {
    failed_ = true;
    position_ = bytes_.size();
    return 0;
  }
  uint64_t value = 0;
  for (int i = 0; i < size; ++i) value |= uint64_t(bytes_[position_ + size_t(i)]) << (8 * i);
  position_ += size_t(size);
  return value;
}

CArchive& CArchive::operator<<(double value) {
  put(std::bit_cast<uint64_t>(value), 8);
  return *this;
}
CArchive& CArchive::operator<<(int32_t value) {
  put(uint32_t(value), 4);
  return *this;
}
CArchive& CArchive::operator<<(uint32_t value) {
  put(value, 4);
  return *this;
}
CArchive& CArchive::operator<<(int16_t value) {
  put(uint16_t(value), 2);
  return *this;
}
CArchive& CArchive::operator<<(uint16_t value) {
  put(value, 2);
  return *this;
}
CArchive& CArchive::operator<<(uint8_t value) {
  put(value, 1);
  return *this;
}

CArchive& CArchive::operator<<(const std::string& text) {
  const size_t length = text.size();
  if (length < 0xFF) {
    put(length, 1);
  } else if (length < 0xFFFE) {
    put(0xFF, 1);
    put(length, 2);
  } else {
    put(0xFF, 1);
    put(0xFFFF, 2);
    put(length, 4);
  }
  Write(text.data(), length);
  return *this;
}

CArchive& CArchive::operator<<(const char* text) { return *this << std::string(text ? text : ""); }

CArchive& CArchive::operator>>(double& value) {
  value = std::bit_cast<double>(take(8));
  return *this;
}
CArchive& CArchive::operator>>(int32_t& value) {
  value = int32_t(uint32_t(take(4)));
  return *this;
}
CArchive& CArchive::operator>>(uint32_t& value) {
  value = uint32_t(take(4));
  return *this;
}
CArchive& CArchive::operator>>(int16_t& value) {
  value = int16_t(uint16_t(take(2)));
  return *this;
}
CArchive& CArchive::operator>>(uint16_t& value) {
  value = uint16_t(take(2));
  return *this;
}
CArchive& CArchive::operator>>(uint8_t& value) {
  value = uint8_t(take(1));
  return *this;
}

CArchive& CArchive::operator>>(std::string& text) {
  text.clear();
  uint64_t length = take(1);
  if (length == 0xFF) {
    length = take(2);
    if (length == 0xFFFE) {
      failed_ = true;
      return *this;
    }
    if (length == 0xFFFF) length = take(4);
  }
  if (failed_) return *this;
  // Checked before allocating, so a corrupt length cannot ask for gigabytes.
  if (length > Remaining()) {
    failed_ = true;
    position_ = bytes_.size();
    return *this;
  }
  text.assign(reinterpret_cast<const char*>(bytes_.data() + position_), size_t(length));
  position_ += size_t(length);
  return *this;
}
