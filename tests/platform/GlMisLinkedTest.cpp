// Built on purpose with Qt (and with it the system's libOpenGL) ahead of
// OSMesa on the link line, the mistake every rendering target must avoid.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <string>

#include "platform/GlContext.h"
#include "platform/Hooks.h"

namespace {

// The library that GL calls of this process go to.
std::string LibraryAnsweringGlCalls() {
  void* symbol = dlsym(RTLD_DEFAULT, "glGetString");
  Dl_info info{};
  if (!symbol || !dladdr(symbol, &info) || !info.dli_fname) return {};
  return info.dli_fname;
}

TEST(GlContextMisLinked, StopsWithAMessageNamingTheLinkOrder) {
  // The premise: this binary really sends GL calls past OSMesa.
  const std::string library = LibraryAnsweringGlCalls();
  ASSERT_EQ(library.find("OSMesa"), std::string::npos) << library;
  ASSERT_NE(library.find("GL"), std::string::npos) << library;

  EXPECT_EXIT(
      {
        platform::GlContext context;
        context.Create(8, 8);
      },
      testing::ExitedWithCode(platform::kFatalExitCode), "link OSMesa first");
}

}  // namespace
