#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "EngineScopes.h"
#include "ObjectTestSupport.h"
#include "engine/core/EngAlloc.h"
#include "engine/core/QFile.h"
#include "engine/image/OsUtilImage.h"
#include "engine/mesh/MShader.h"
#include "engine/render/GlLayer.h"
#include "platform/GlContext.h"
#include "support/TempDir.h"

namespace {

using namespace engine;
using objecttest::Bytes;
using Mode = platform::File::Mode;

// A texture of width × height whose pixel (x, y) is (x, y, 7, 200 + x % 50)
// in memory order (row 0 the bottom).
RgbaImageRecord MakeTexture(int width, int height) {
  RgbaImageRecord image{width, height, EngAllocArray<unsigned char>(static_cast<std::size_t>(width) * height * 4)};
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      unsigned char* p = image.Pixel(x, y);
      p[0] = static_cast<unsigned char>(x);
      p[1] = static_cast<unsigned char>(y);
      p[2] = 7;
      p[3] = static_cast<unsigned char>(200 + x % 50);
    }
  return image;
}

unsigned char* CopyOf(const std::string& text) {
  auto* block = EngAllocArray<unsigned char>(text.size());
  std::memcpy(block, text.data(), text.size());
  return block;
}

// The record's start: identity word, the eleven doubles and the kind.
Bytes RecordStart(int kind, double opacity = 1.0) {
  Bytes b;
  b.Int(3).Double(0.5).Double(0.5).Double(0.5).Double(0.75).Double(0.75).Double(0.75).Double(0.3);
  b.Double(1).Double(1).Double(1).Double(opacity).Int(kind);
  return b;
}

// The newer block with nothing stored.
Bytes EmptyBlock() {
  Bytes b;
  b.Int(116).Int(0);
  for (int i = 0; i < 6; ++i) b.Double(0);
  b.Int(0).Int(0).Int(0).Int(0);
  b.Double(0.7).Double(0).Double(1).Int(0).Double(0).Double(1).Int(0);
  return b;
}

// A name field: the length byte, then the name.
Bytes NameField(const std::string& name) {
  Bytes b;
  b.data.push_back(static_cast<unsigned char>(name.size()));
  b.data.insert(b.data.end(), name.begin(), name.end());
  return b.Fill(256 - 1 - name.size(), 0);
}

// A kind-2 record naming two files, then the newer block.
Bytes FilesRecord(const std::string& colour, const std::string& alpha) {
  Bytes b = RecordStart(2);
  b.Int(1).Fill(1, 0xFF).Fill(3, 0).Int(16).Int(16);
  b.Append(NameField(colour)).Append(NameField(alpha)).Fill(512, 0);
  return b.Append(EmptyBlock());
}

class MShaderTest : public objecttest::EngineObjectTest {
 protected:
  void TearDown() override {
    EngContext().textureMode = 1;
    EngineObjectTest::TearDown();
  }

  std::vector<unsigned char> Written(const MShader& shader) {
    const std::string path = dir_ / "written.bin";
    QFile out(path, Mode::kCreateWrite);
    shader.WriteTo(&out, nullptr);
    out.FlushAndClose();
    return testsupport::TempDir::ReadAll(path);
  }
  // Reads a material from the bytes, written as a file in the test folder.
  std::unique_ptr<MShader> Read(const std::vector<unsigned char>& bytes, const std::string& name = "read.bin") {
    QFile in(dir_.Write(name, bytes), Mode::kRead);
    auto shader = std::make_unique<MShader>();
    shader->ReadFrom(in);
    lastLeft_ = in.BytesLeft();
    return shader;
  }
  // A JPEG of a uniform colour in the test folder.
  void WriteJpeg(const std::string& name, int width, int height, unsigned char r, unsigned char g, unsigned char b) {
    const int stride = OsUtilRgbRowStride(width);
    std::vector<std::uint8_t> rows(static_cast<std::size_t>(stride) * height);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        rows[y * stride + x * 3] = r;
        rows[y * stride + x * 3 + 1] = g;
        rows[y * stride + x * 3 + 2] = b;
      }
    ASSERT_TRUE(EngWriteJpegFile(dir_ / name, width, height, rows.data(), 100, 72));
  }

  testsupport::TempDir dir_;
  std::int64_t lastLeft_ = -1;
};

// ---- record ------------------------------------------------------------------------

TEST_F(MShaderTest, RecordRoundTripKeepsEveryField) {
  for (int version : {-101, -4}) {
    for (bool textured : {false, true}) {
      SCOPED_TRACE(::testing::Message() << "version " << version << (textured ? ", textured" : ""));
      EngContext().formatVersion = version;
      MShader shader;
      shader.id = 12;
      shader.baseColor = {0.1, 0.2, 0.3};
      shader.diffuseColor = {0.4, 0.5, 0.6};
      shader.specular = 0.9;
      shader.shadeValue1 = 0.25;
      shader.opacity = 0.5;
      shader.sphereMap = textured ? 1 : 0;
      shader.usesColorPair = 1;
      shader.toneColorA = {1, 0, 0};
      shader.toneColorB = {0, 0, 1};
      shader.storedTextureBytes = CopyOf("JPEG bytes");
      shader.storedTextureSize = 10;
      shader.extraImage = CopyOf("abcdef");
      shader.extraCount = 2;
      shader.extraStride = 3;
      shader.extraValue2 = 4.5;
      shader.extraInt2 = 9;
      shader.UpdateDerivedValues();
      if (textured) shader.texture = MakeTexture(64, 128);

      const std::vector<unsigned char> bytes = Written(shader);
      int size = 0;
      shader.WriteTo(nullptr, &size);
      EXPECT_EQ(static_cast<std::size_t>(size), bytes.size());
      auto read = Read(bytes);
      EXPECT_EQ(FailState(), kEngFailNone) << EngContext().failText;
      EXPECT_EQ(lastLeft_, 0);
      EXPECT_EQ(read->id, 12);
      EXPECT_EQ(read->opacity, 0.5);
      EXPECT_EQ(read->sphereMap, shader.sphereMap);
      const bool newer = version < -4;
      EXPECT_EQ(read->IsEqual(shader, false), newer) << "the extra image travels in the newer block only";
      EXPECT_TRUE(read->IsEqual(shader, true) || !newer);
      EXPECT_EQ(read->usesColorPair, newer ? 1 : 0);
      EXPECT_EQ(read->storedTextureSize, newer ? 10 : 0);
      if (newer) {
        EXPECT_EQ(std::string(reinterpret_cast<char*>(read->storedTextureBytes), 10), "JPEG bytes");
      }
      EXPECT_DOUBLE_EQ(read->diffuseComplement, 1 - 0.9);
      EXPECT_DOUBLE_EQ(read->specularExcess, 0.9 - 0.7);
      if (textured) {
        ASSERT_NE(read->texture.pixels, nullptr);
        EXPECT_EQ(std::memcmp(read->texture.pixels, shader.texture.pixels, shader.texture.ByteSize()), 0);
      }
    }
  }
}

TEST_F(MShaderTest, WrittenRecordPutsTheKindAt92AndPixelsTopRowFirstAsArgb) {
  MShader shader;
  shader.id = 5;
  shader.texture = MakeTexture(1, 2);  // bottom (0, 0, 7, 200), top (0, 1, 7, 200)
  EngContext().formatVersion = -4;
  Bytes expected = RecordStart(1);
  expected.data[3] = 5;
  expected.Int(1).Fill(1, 0xFF).Fill(3, 0).Int(1).Int(2);
  expected.Append(Bytes().Fill(1, 200).Fill(1, 0).Fill(1, 1).Fill(1, 7));  // top row first
  expected.Append(Bytes().Fill(1, 200).Fill(1, 0).Fill(1, 0).Fill(1, 7));
  const std::vector<unsigned char> bytes = Written(shader);
  EXPECT_EQ(bytes, expected.data);
  ASSERT_GT(bytes.size(), 100u);
  EXPECT_EQ(bytes[95], 1) << "kind";
  EXPECT_EQ(bytes[100], 0xFF);

  EngContext().textureMode = 0;  // textures off: written without them
  EXPECT_EQ(Written(shader).size(), 96u);
}

TEST_F(MShaderTest, PixelsReadAreFittedAndTurnedBottomRowFirst) {
  EngContext().formatVersion = -4;
  // 64 × 64: record row r holds (A, R, G, B) = (255 - r, r, 2r, 3).
  Bytes b = RecordStart(1);
  b.Int(1).Fill(1, 0xFF).Fill(3, 0).Int(64).Int(64);
  for (int r = 0; r < 64; ++r)
    for (int x = 0; x < 64; ++x)
      b.data.insert(b.data.end(), {static_cast<unsigned char>(255 - r), static_cast<unsigned char>(r),
                                   static_cast<unsigned char>(2 * r), 3});
  auto read = Read(b.data);
  ASSERT_NE(read->texture.pixels, nullptr) << EngContext().failText;
  const unsigned char* bottom = read->texture.Pixel(5, 0);
  const unsigned char* top = read->texture.Pixel(5, 63);
  EXPECT_EQ(std::vector<int>(bottom, bottom + 4), (std::vector<int>{63, 126, 3, 192}));
  EXPECT_EQ(std::vector<int>(top, top + 4), (std::vector<int>{0, 0, 3, 255}));

  // A small texture is fitted to 64 × 64.
  Bytes small = RecordStart(1);
  small.Int(1).Fill(1, 0xFF).Fill(3, 0).Int(3).Int(2).Fill(24, 9);
  auto fitted = Read(small.data);
  EXPECT_EQ(fitted->texture.width, 64);
  EXPECT_EQ(fitted->texture.height, 64);
}

TEST_F(MShaderTest, SphereMapWordIsReadModuloSixteen) {
  EngContext().formatVersion = -4;
  const std::pair<int, int> cases[] = {{1, 0}, {2, 1}, {17, 0}, {18, 1}, {5, 0}, {0, 0}, {-14, 0}, {-15, 0}};
  for (auto [word, sphereMap] : cases) {
    Bytes b = RecordStart(1);
    b.Int(word).Fill(1, 0xFF).Fill(3, 0).Int(0).Int(0);
    auto read = Read(b.data);
    EXPECT_EQ(read->sphereMap, sphereMap) << word;
    EXPECT_EQ(FailState(), kEngFailNone);
  }
}

TEST_F(MShaderTest, DamagedRecordsFailToLoad) {
  struct Case {
    const char* name;
    Bytes bytes;
  };
  auto withBlock = [](Bytes head, std::initializer_list<std::int32_t> ints) {
    for (std::int32_t v : ints) head.Int(v);
    return head;
  };
  const Case cases[] = {
      {"pixels beyond the file", RecordStart(1).Int(1).Fill(4, 0).Int(1000).Int(1000).Fill(64, 0)},
      {"negative width", RecordStart(1).Int(1).Fill(4, 0).Int(-4).Int(4)},
      {"huge size product", RecordStart(1).Int(1).Fill(4, 0).Int(0x40000000).Int(0x40000000)},
      {"size product past 64 bits", RecordStart(1).Int(1).Fill(4, 0).Int(0x7FFFFFFF).Int(0x7FFFFFFF)},
      {"truncated colours", Bytes().Int(3).Double(0.5).Double(0.5)},
      {"negative block size", withBlock(RecordStart(0), {-8})},
      {"block beyond the file", withBlock(RecordStart(0), {5000})},
      {"group cut by its block", withBlock(RecordStart(0), {20, 0, 0, 0, 0, 0})},
      {"stored bytes beyond the block", withBlock(RecordStart(0).Int(116).Int(0).Fill(48, 0), {500, 0}).Fill(120, 0)},
      {"negative stored size", withBlock(RecordStart(0).Int(116).Int(0).Fill(48, 0), {-1, 0}).Fill(120, 0)},
      {"extra image beyond the block",
       withBlock(RecordStart(0).Int(116).Int(0).Fill(48, 0), {0, 0, 0x10000, 0x10000}).Fill(60, 0)},
      {"name block size", RecordStart(2).Int(1).Fill(4, 0).Int(16).Int(0x7FFFFFFF).Fill(512, 0)},
      {"name block beyond the file", RecordStart(2).Int(1).Fill(4, 0).Int(16).Int(4000).Fill(600, 0)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EngContext().ClearFailure();
    auto read = Read(c.bytes.data);
    EXPECT_EQ(FailState(), kEngFailFailed);
    EXPECT_EQ(FailReason(), kEngReasonCorruptFile);
    EXPECT_FALSE(EngContext().failText.empty());
  }
}

// ---- texture files ---------------------------------------------------------------------

TEST_F(MShaderTest, TextureFilesBesideTheRecordAreLoadedAndTheirMaskMerged) {
  WriteJpeg("Colour.jpg", 16, 8, 200, 30, 30);
  WriteJpeg("mask.jpg", 16, 8, 100, 100, 100);
  WriteJpeg("small-mask.jpg", 8, 8, 100, 100, 100);
  struct Case {
    const char* colour;
    const char* alpha;
    bool texture;
    int alphaValue;  // expected alpha of the texture, -1 for no texture
  };
  const Case cases[] = {
      {"Colour.jpg", "", true, 255},            // no mask
      {"colour.JPG", "mask.jpg", true, 100},     // names found whatever their case
      {"Colour.jpg", "small-mask.jpg", true, 255},  // a mask of another size is left out
      {"missing.jpg", "mask.jpg", false, -1},    // no colour file: no texture, no crash
      {"../Colour.jpg", "", false, -1},          // only files beside the record
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.colour << " + " << c.alpha);
    auto read = Read(FilesRecord(c.colour, c.alpha).data);
    EXPECT_EQ(FailState(), kEngFailNone) << EngContext().failText;
    EXPECT_EQ(lastLeft_, 0);
    EXPECT_EQ(read->texture.pixels != nullptr, c.texture);
    if (!c.texture) continue;
    EXPECT_EQ(read->texture.width, 64) << "fitted";
    EXPECT_EQ(read->texture.height, 64);
    const unsigned char* p = read->texture.Pixel(30, 30);
    EXPECT_NEAR(p[0], 200, 8);
    EXPECT_NEAR(p[1], 30, 8);
    EXPECT_NEAR(p[3], c.alphaValue, 8);
  }
}

TEST_F(MShaderTest, KeptFileBytesAreStoredAndDecodedLater) {
  WriteJpeg("colour.jpg", 16, 8, 200, 30, 30);
  WriteJpeg("mask.jpg", 16, 8, 100, 100, 100);
  MShader shader;
  shader.keepOriginalImages = 1;
  {
    QFile in(dir_.Write("kept.bin", FilesRecord("colour.jpg", "mask.jpg").data), Mode::kRead);
    shader.ReadFrom(in);
  }
  ASSERT_EQ(FailState(), kEngFailNone) << EngContext().failText;
  EXPECT_EQ(shader.texture.pixels, nullptr);
  const std::vector<unsigned char> file = testsupport::TempDir::ReadAll(dir_ / "colour.jpg");
  ASSERT_EQ(shader.storedTextureSize, static_cast<int>(file.size()));
  EXPECT_EQ(std::memcmp(shader.storedTextureBytes, file.data(), file.size()), 0);
  EXPECT_GT(shader.storedMaskSize, 0);

  shader.DecodeStoredImages();
  EXPECT_EQ(shader.storedTextureBytes, nullptr);
  EXPECT_EQ(shader.storedMaskBytes, nullptr);
  ASSERT_NE(shader.texture.pixels, nullptr);
  EXPECT_EQ(shader.texture.width, 64);
  EXPECT_NEAR(shader.texture.Pixel(10, 10)[3], 100, 8);
}

// ---- texture -------------------------------------------------------------------------------

TEST_F(MShaderTest, SetTextureFitsACopyAndOutOfMemoryIsRecorded) {
  RgbaImageRecord image = MakeTexture(100, 30);
  MShader shader;
  shader.SetTexture(image);
  EXPECT_EQ(shader.texture.width, 128);
  EXPECT_EQ(shader.texture.height, 64);
  EXPECT_NE(shader.texture.pixels, image.pixels);
  for (int nth : {1, 2}) {
    EngContext().ClearFailure();
    {
      EngAllocFailureScope fail(nth);
      EXPECT_NO_THROW(shader.SetTexture(image));
    }
    EXPECT_EQ(FailReason(), kEngReasonOutOfMemory) << nth;
    EXPECT_EQ(shader.texture.pixels, nullptr);
  }
  OsUtilFreeImage(image);
}

TEST_F(MShaderTest, TexelQuestionsAnswerFromThePixels) {
  MShader shader;
  EXPECT_FALSE(shader.TextureHasAlpha());
  shader.texture = MakeTexture(4, 4);
  EXPECT_TRUE(shader.TextureHasAlpha());
  EXPECT_EQ(shader.GetFirstTexel(), platform::MakeRgb(0, 0, 7));
  EXPECT_FALSE(shader.IsTextureUniform());
  shader.FillTexture(platform::MakeRgb(9, 8, 7));
  EXPECT_TRUE(shader.IsTextureUniform());
  EXPECT_EQ(shader.texture.Pixel(3, 3)[3], 203) << "alpha stays";
  int height = 0, width = 0;
  shader.GetTextureSize(height, width);
  EXPECT_EQ(height, 4);
}

TEST_F(MShaderTest, CopyNeverLeavesTwoOwnersOfABlock) {
  MShader source;
  source.texture = MakeTexture(2, 2);
  source.storedMaskBytes = CopyOf("mask");  // mask bytes without texture bytes
  source.storedMaskSize = 4;
  source.extraImage = CopyOf("xy");
  source.extraCount = 1;
  source.extraStride = 2;
  for (int nth = 1; nth <= 3; ++nth) {  // the pixels, the mask bytes, the extra image
    SCOPED_TRACE(nth);
    EngContext().ClearFailure();
    MShader target;
    target.storedTextureBytes = CopyOf("old");
    target.storedTextureSize = 3;
    {
      EngAllocFailureScope fail(nth);
      source.CopyTo(&target);
    }
    EXPECT_EQ(FailReason(), kEngReasonOutOfMemory);
    for (const void* p : {static_cast<const void*>(target.texture.pixels), static_cast<const void*>(target.storedMaskBytes),
                          static_cast<const void*>(target.extraImage), static_cast<const void*>(target.storedTextureBytes)})
      for (const void* q : {static_cast<const void*>(source.texture.pixels),
                            static_cast<const void*>(source.storedMaskBytes), static_cast<const void*>(source.extraImage)})
        EXPECT_TRUE(p == nullptr || p != q);
  }
  EngContext().ClearFailure();
  MShader complete;
  source.CopyTo(&complete);
  EXPECT_TRUE(complete.IsEqual(source, false));
  EXPECT_EQ(std::memcmp(complete.storedMaskBytes, "mask", 4), 0);
}

TEST_F(MShaderTest, EqualityByValuesTexturesAndExtraImage) {
  MShader a, b;
  EXPECT_TRUE(a.IsEqual(b, false));
  b.diffuseColor.x += 1e-9;
  EXPECT_TRUE(a.IsEqual(b, false)) << "within 1e-8";
  b.opacity = 0.5;
  EXPECT_FALSE(a.IsEqual(b, false));
  EXPECT_TRUE(a.IsEqual(b, true)) << "textures only ignores values";
  b.toneColorA = {1, 1, 1};
  b.opacity = 1.0;
  EXPECT_TRUE(a.IsEqual(b, false)) << "the colour pair is not compared";
  a.texture = MakeTexture(2, 2);
  EXPECT_FALSE(a.IsEqual(b, true));
  EngContext().textureMode = 0;
  EXPECT_TRUE(a.IsEqual(b, true)) << "textures off";
  EngContext().textureMode = 1;
  b.texture = MakeTexture(2, 2);
  EXPECT_TRUE(a.IsEqual(b, true));
  b.texture.pixels[5] = 99;
  EXPECT_FALSE(a.IsEqual(b, true));
  b.sphereMap = 1;
  a.FreeTexture();
  b.FreeTexture();
  EXPECT_FALSE(a.IsEqual(b, true));
  b.sphereMap = 0;
  a.extraImage = CopyOf("ab");
  a.extraCount = 1;
  a.extraStride = 2;
  EXPECT_FALSE(a.IsEqual(b, true));
}

// ---- upload ----------------------------------------------------------------------------------

class MShaderUpload : public MShaderTest {
 protected:
  void SetUp() override {
    MShaderTest::SetUp();
    context_ = GlCreateContext(8, 8);
    ASSERT_NE(context_, nullptr);
    shader_.texture = MakeTexture(64, 64);
  }
  std::vector<unsigned char> BoundTexels() {
    std::vector<unsigned char> texels(64 * 64 * 4);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    return texels;
  }
  std::vector<unsigned char> Pixels() const {
    return {shader_.texture.pixels, shader_.texture.pixels + shader_.texture.ByteSize()};
  }
  MShader shader_;
  std::unique_ptr<platform::GlContext> context_;
};

TEST_F(MShaderUpload, WithoutNamedTexturesEveryUploadSendsThePixels) {
  prefs_.namedTextures = 0;
  EXPECT_EQ(shader_.UploadTexture(0), 0);
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_S));
  EXPECT_EQ(BoundTexels(), Pixels());
  GLint filter = 0;
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &filter);
  EXPECT_EQ(filter, GL_NEAREST);
}

TEST_F(MShaderUpload, NamedTexturesAreUploadedOnceAndBoundAfterwards) {
  prefs_.namedTextures = 1;
  EngContext().textureMode = 2;
  const int name = shader_.UploadTexture(0);
  ASSERT_NE(name, 0);
  EXPECT_TRUE(glIsTexture(static_cast<GLuint>(name)));
  const std::vector<unsigned char> uploaded = Pixels();
  shader_.FillTexture(platform::MakeRgb(1, 2, 3));
  glBindTexture(GL_TEXTURE_2D, 0);
  EXPECT_EQ(shader_.UploadTexture(name), name);
  EXPECT_EQ(BoundTexels(), uploaded) << "bound again, not uploaded again";
  GLint filter = 0;
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &filter);
  EXPECT_EQ(filter, GL_LINEAR);

  GLuint gone = static_cast<GLuint>(name);
  glDeleteTextures(1, &gone);
  EXPECT_EQ(shader_.UploadTexture(name), name);
  EXPECT_EQ(beeps_, 1) << "a name that no longer names a texture beeps";
}

TEST_F(MShaderUpload, SphereMapsGetMipmapsAndSphereCoordinates) {
  prefs_.namedTextures = 1;
  shader_.sphereMap = 1;
  const int name = shader_.UploadTexture(0);
  GLint filter = 0, width = 0;
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &filter);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 1, GL_TEXTURE_WIDTH, &width);
  EXPECT_EQ(filter, GL_LINEAR_MIPMAP_LINEAR);
  EXPECT_EQ(width, 32) << "a second level";
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_GEN_S));
  GLint mode = 0;
  glGetTexGeniv(GL_S, GL_TEXTURE_GEN_MODE, &mode);
  EXPECT_EQ(mode, GL_SPHERE_MAP);
  glDisable(GL_TEXTURE_GEN_S);
  EXPECT_EQ(shader_.UploadTexture(name), name);
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_GEN_S)) << "binding again turns them on";
}

}  // namespace
