#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "platform/Hooks.h"
#include "platform/ImageCodec.h"
#include "platform/JpegWriter.h"
#include "support/TempDir.h"

namespace {

using namespace platform;

struct Message {
  std::string text, caption;
};

// Records the message boxes shown while it lives.
class RecordedMessages {
 public:
  RecordedMessages()
      : old_(SetMessageHook([this](const std::string& text, const std::string& caption, unsigned) {
          shown.push_back(Message{text, caption});
          return kIdOk;
        })) {}
  ~RecordedMessages() { SetMessageHook(old_); }
  std::vector<Message> shown;

 private:
  MessageHook old_;
};

// Rows of a horizontal red-to-blue ramp.
JpegRowSource Ramp(int width, std::vector<std::uint8_t>& row) {
  row.resize(static_cast<std::size_t>(width) * 3);
  return [&row, width](int) {
    for (int x = 0; x < width; ++x) {
      row[static_cast<std::size_t>(x) * 3] = static_cast<std::uint8_t>(255 - 255 * x / (width - 1));
      row[static_cast<std::size_t>(x) * 3 + 1] = 0;
      row[static_cast<std::size_t>(x) * 3 + 2] = static_cast<std::uint8_t>(255 * x / (width - 1));
    }
    return row.data();
  };
}

TEST(JpegWriter, WritesADecodableFileWithItsDensity) {
  testsupport::TempDir dir;
  std::vector<std::uint8_t> row;
  RecordedMessages messages;
  std::string error;
  ASSERT_TRUE(WriteJpegFile(dir / "ramp.jpg", 64, 16, Ramp(64, row), JpegSettings{100, 350}, &error)) << error;
  const std::string bytes = testsupport::ReadText(dir / "ramp.jpg");
  ASSERT_GT(bytes.size(), 20u);
  // JFIF header: units 1 (dots per inch), densities 350 (0x015E).
  EXPECT_EQ(bytes.substr(6, 5), std::string("JFIF\0", 5));
  EXPECT_EQ(static_cast<unsigned char>(bytes[13]), 1);
  EXPECT_EQ(bytes.substr(14, 4), std::string("\x01\x5E\x01\x5E", 4));
  Image decoded;
  ASSERT_TRUE(LoadImageFile(dir / "ramp.jpg", decoded));
  EXPECT_NEAR(decoded.GetBgra(0, 8).r, 255, 6);
  EXPECT_NEAR(decoded.GetBgra(63, 8).b, 255, 6);
  EXPECT_TRUE(messages.shown.empty());
}

TEST(JpegWriter, ALibraryErrorIsShownThenReportedAndTheOldFileStays) {
  testsupport::TempDir dir;
  testsupport::WriteText(dir / "old.jpg", "previous content");
  std::vector<std::uint8_t> row;
  RecordedMessages messages;
  std::string error;
  // Taller than the library accepts: it gives up in the middle of the write.
  EXPECT_FALSE(WriteJpegFile(dir / "old.jpg", 8, 70000, Ramp(8, row), JpegSettings{}, &error));
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0].caption, "JPEG Error");
  EXPECT_FALSE(messages.shown[0].text.empty());
  EXPECT_EQ(error, messages.shown[0].text);
  EXPECT_EQ(testsupport::ReadText(dir / "old.jpg"), "previous content");
  // The writer can be used again afterwards.
  EXPECT_TRUE(WriteJpegFile(dir / "old.jpg", 8, 8, Ramp(8, row), JpegSettings{}));
}

TEST(JpegWriter, RefusesBadSizesAndUnwritableFolders) {
  testsupport::TempDir dir;
  std::vector<std::uint8_t> row;
  std::string error;
  EXPECT_FALSE(WriteJpegFile(dir / "a.jpg", 0, 8, Ramp(8, row), JpegSettings{}, &error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(WriteJpegFile(dir / "no-such-folder/a.jpg", 8, 8, Ramp(8, row), JpegSettings{}, &error));
  const JpegRowSource missing = [](int) -> const std::uint8_t* { return nullptr; };
  EXPECT_FALSE(WriteJpegFile(dir / "b.jpg", 8, 8, missing, JpegSettings{}, &error));
  EXPECT_FALSE(std::filesystem::exists(dir / "b.jpg"));
}

}  // namespace
