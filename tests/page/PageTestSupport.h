#pragma once
// Helpers of the page tests: a byte builder for hand-made page records, a
// fatal hook that throws, and a canonical text dump of a page.
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "page/SDoc.h"
#include "platform/Hooks.h"

namespace pagetest {

using Bytes = std::vector<unsigned char>;

// Little-endian bytes built by hand, independently of the page stream.
class LeBytes {
 public:
  LeBytes& Int(std::int32_t v) {
    for (int i = 0; i < 4; ++i) bytes_.push_back(static_cast<unsigned char>(static_cast<std::uint32_t>(v) >> (8 * i)));
    return *this;
  }
  LeBytes& Double(double v) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &v, 8);
    for (int i = 0; i < 8; ++i) bytes_.push_back(static_cast<unsigned char>(bits >> (8 * i)));
    return *this;
  }
  LeBytes& Byte(unsigned char v) {
    bytes_.push_back(v);
    return *this;
  }
  // A counted string of raw (already Shift-JIS) bytes.
  LeBytes& Text(const std::string& raw) {
    Int(static_cast<std::int32_t>(raw.size()));
    bytes_.insert(bytes_.end(), raw.begin(), raw.end());
    return *this;
  }
  LeBytes& Append(const Bytes& more) {
    bytes_.insert(bytes_.end(), more.begin(), more.end());
    return *this;
  }
  const Bytes& Get() const { return bytes_; }
  std::size_t Size() const { return bytes_.size(); }

 private:
  Bytes bytes_;
};

// Fatal exits become exceptions for one scope, so a test can check that a
// broken invariant is caught and what the message says.
class FatalThrows {
 public:
  struct Fatal : std::runtime_error {
    using std::runtime_error::runtime_error;
  };
  FatalThrows() {
    previous_ = platform::SetFatalHook([](const std::string& text) { throw Fatal(text); });
  }
  ~FatalThrows() { platform::SetFatalHook(previous_); }
  FatalThrows(const FatalThrows&) = delete;
  FatalThrows& operator=(const FatalThrows&) = delete;

 private:
  platform::FatalHook previous_;
};

// Every stored field of every object (and of the page), one object a line,
// doubles printed exactly: two pages with equal dumps are equal objects.
std::string DumpPage(const page::SDoc& doc);
std::string DumpObject(const page::SObj& object);

}  // namespace pagetest
