// The archive: the byte form in which serialisable objects store and load
// themselves. Every value is written byte by byte, little-endian; texts in the
// class library's length-prefixed form:
//   length < 255          one byte length
//   length < 0xFFFE       0xFF, then a 16-bit length
//   otherwise             0xFF, 0xFFFF, then a 32-bit length
// followed by the bytes. Reading past the end, or a write to a loading archive
// (a read from a storing one), sets the failed flag: the value read is then 0
// or empty, and it stays set.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CArchive {
 public:
  // A storing archive over an empty byte buffer of its own.
  CArchive() = default;
  // A loading archive over a copy of `size` bytes at `data`.
  CArchive(const void* data, size_t size);
  // A loading archive over the whole file at `path`; null when it cannot be read.
  static std::unique_ptr<CArchive> LoadFile(const char* path);

  bool IsStoring() const { return !loading_; }
  bool IsLoading() const { return loading_; }
  bool IsFailed() const { return failed_; }

  // The bytes stored so far (loading: the bytes loaded from).
  const std::vector<unsigned char>& GetBytes() const { return bytes_; }
  // Writes GetBytes() to `path`, replacing it; false when that fails.
  bool SaveFile(const char* path) const;
  // Loading: bytes not read yet.
  size_t Remaining() const { return bytes_.size() - position_; }

  void Write(const void* data, size_t size);
  // Copies up to `size` bytes to `data` and returns how many; fewer than
  // asked sets the failed flag (the bytes that were there are still given).
  size_t Read(void* data, size_t size);

  CArchive& operator<<(double value);
  CArchive& operator<<(int32_t value);
  CArchive& operator<<(uint32_t value);
  CArchive& operator<<(int16_t value);
  CArchive& operator<<(uint16_t value);
  CArchive& operator<<(uint8_t value);
  CArchive& operator<<(const std::string& text);
  CArchive& operator<<(const char* text);  // null stores the empty text
  // Would be widened silently; store them as one of the forms above.
  CArchive& operator<<(bool) = delete;
  CArchive& operator<<(char) = delete;
  CArchive& operator<<(float) = delete;

  CArchive& operator>>(double& value);
  CArchive& operator>>(int32_t& value);
  CArchive& operator>>(uint32_t& value);
  CArchive& operator>>(int16_t& value);
  CArchive& operator>>(uint16_t& value);
  CArchive& operator>>(uint8_t& value);
  // A wide-character text (the 0xFF 0xFFFE marker) is not read: failed.
  CArchive& operator>>(std::string& text);

 private:
  void put(uint64_t value, int size);
  uint64_t take(int size);

  std::vector<unsigned char> bytes_;
  size_t position_ = 0;
  bool loading_ = false;
  bool failed_ = false;
};
