#pragma once
// Helpers of the page tests: a byte builder for hand-made page records, a
// fatal hook that throws, and a canonical text dump of a page.
#include <gtest/gtest.h>

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

// ---- hand-made page records ---------------------------------------------------

// The grid record of a new page.
inline LeBytes& DefaultGrid(LeBytes& b) {
  return b.Int(20).Int(4).Int(0xC8C8C8).Int(0xFFFFFF).Byte(1).Byte(0).Byte(0).Int(12).Int(0).Int(0).Int(1);
}

// The four value records of a new object at (x, y), 100 × 100, and the
// group's tail.
inline LeBytes& DefaultValues(LeBytes& b, double x, double y) {
  b.Int(0).Int(0).Int(1).Int(0).Int(1).Int(0).Int(0).Int(0xFFFFFF).Int(100).Int(1).Int(0xC8C8C8).Int(5).Int(5)
      .Int(0).Int(0).Int(0).Byte(0).Int(0).Int(0).Int(2).Byte(0).Byte(0).Byte(0).Int(1).Byte(0);
  b.Int(0).Int(0).Int(81).Int(32).Int(-1).Int(50).Double(0).Double(0).Double(0);
  b.Int(0).Int(0).Int(35).Int(35).Int(2).Int(0);
  b.Double(x).Double(y).Double(100).Double(100).Double(0).Double(0).Int(0);
  return b.Int(0);
}

// A page header for `count` objects of a new 500 × 500 page at 72 dpi.
inline LeBytes PageHeader(int count) { return std::move(LeBytes().Int(0).Int(500).Int(500).Int(72).Int(count)); }

// An object record up to its type id, for a new object with id and label.
inline LeBytes& ObjectHead(LeBytes& b, int id, int type, const std::string& rawLabel = "", int parentId = -1,
                    int flags = 0) {
  b.Int(0).Int(flags).Int(id).Text(rawLabel).Int(parentId).Int((flags & 0x100) ? 1 : 0);
  return DefaultValues(b, 0, 0).Int(type);
}

inline Bytes OnePage(const Bytes& objectRecords, int count) {
  LeBytes b = PageHeader(count);
  b.Append(objectRecords);
  DefaultGrid(b);
  return b.Int(0).Get();
}

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

// The message of a check: empty when the case passes (`part` empty),
// otherwise holding `part`.
inline void ExpectMessage(const std::string& message, const std::string& part, const std::string& what) {
  if (part.empty())
    EXPECT_EQ(message, "") << what;
  else
    EXPECT_NE(message.find(part), std::string::npos) << what << ": " << message;
}

// Every stored field of every object (and of the page), one object a line,
// doubles printed exactly: two pages with equal dumps are equal objects.
std::string DumpPage(const page::SDoc& doc);
std::string DumpObject(const page::SObj& object);

}  // namespace pagetest
