#include "platform/Cp932.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>

namespace platform {
namespace {

// One conversion descriptor per direction and thread: iconv_open is costly
// and a descriptor keeps shift state, so it must not be shared across threads.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  std::optional<std::string> Run(std::string_view input, Cp932Error* error) {
    if (cd_ == reinterpret_cast<iconv_t>(-1)) return Fail(error, 0, false);
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);  // back to the initial state

    std::string out;
    out.resize(input.size() * 2 + 16);
    // iconv takes a non-const input pointer but never writes through it.
    char* in = const_cast<char*>(input.data());
    std::size_t inLeft = input.size();
    std::size_t written = 0;
    while (true) {
      char* dst = out.data() + written;
      std::size_t dstLeft = out.size() - written;
      std::size_t rc = iconv(cd_, &in, &inLeft, &dst, &dstLeft);
      written = out.size() - dstLeft;
      if (rc != static_cast<std::size_t>(-1)) break;
      if (errno == E2BIG) {
        out.resize(out.size() * 2);
        continue;
      }
      std::size_t offset = input.size() - inLeft;
      return Fail(error, offset, errno == EINVAL);
    }
    // Flush any pending shift sequence (none for these encodings, but cheap).
    char* dst = out.data() + written;
    std::size_t dstLeft = out.size() - written;
    if (iconv(cd_, nullptr, nullptr, &dst, &dstLeft) == static_cast<std::size_t>(-1))
      return Fail(error, input.size(), true);
    out.resize(out.size() - dstLeft);
    return out;
  }

 private:
  static std::optional<std::string> Fail(Cp932Error* error, std::size_t offset, bool truncated) {
    if (error) *error = Cp932Error{offset, truncated};
    return std::nullopt;
  }

  iconv_t cd_;
};

std::optional<std::string> EncodeOnly(std::string_view utf8, Cp932Error* error) {
  thread_local Converter converter("CP932", "UTF-8");
  return converter.Run(utf8, error);
}

// The length of the UTF-8 sequence that begins with `lead` (1 for a byte
// that begins none, so a walk always moves on).
std::size_t SequenceLength(unsigned char lead) {
  if (lead >= 0xF0 && lead < 0xF8) return 4;
  if (lead >= 0xE0) return 3;
  if (lead >= 0xC0) return 2;
  return 1;
}

// The offset of the first character whose code reads back as another one;
// the text's size when there is none.
std::size_t FirstChangingCharacter(std::string_view utf8) {
  for (std::size_t at = 0; at < utf8.size();) {
    const std::size_t length = std::min(SequenceLength(static_cast<unsigned char>(utf8[at])), utf8.size() - at);
    const std::string_view character = utf8.substr(at, length);
    const std::optional<std::string> code = EncodeOnly(character, nullptr);
    if (!code || Cp932ToUtf8(*code) != std::optional<std::string>(std::string(character))) return at;
    at += length;
  }
  return utf8.size();
}

}  // namespace

std::optional<std::string> Utf8ToCp932(std::string_view utf8, Cp932Error* error) {
  std::optional<std::string> out = EncodeOnly(utf8, error);
  if (!out || Cp932ToUtf8(*out) == std::optional<std::string>(std::string(utf8))) return out;
  if (error) *error = Cp932Error{FirstChangingCharacter(utf8), false};
  return std::nullopt;
}

std::string Cp932ToUtf8Replacing(std::string_view cp932) {
  std::string out;
  Cp932Error error;
  while (!cp932.empty()) {
    if (std::optional<std::string> part = Cp932ToUtf8(cp932, &error)) return out + *part;
    if (std::optional<std::string> good = Cp932ToUtf8(cp932.substr(0, error.offset))) out += *good;
    out += "\xEF\xBF\xBD";
    cp932.remove_prefix(error.offset + 1);
  }
  return out;
}

std::string FirstNonCp932Character(std::string_view utf8) {
  Cp932Error error;
  if (Utf8ToCp932(utf8, &error)) return {};
  if (utf8.empty()) return {};
  const std::size_t at = std::min(error.offset, utf8.size() - 1);
  const std::size_t length = std::min(SequenceLength(static_cast<unsigned char>(utf8[at])), utf8.size() - at);
  return std::string(utf8.substr(at, length));
}

std::optional<std::string> Cp932ToUtf8(std::string_view cp932, Cp932Error* error) {
  thread_local Converter converter("UTF-8", "CP932");
  return converter.Run(cp932, error);
}

bool IsCp932Representable(std::string_view utf8) { return Utf8ToCp932(utf8).has_value(); }

}  // namespace platform
