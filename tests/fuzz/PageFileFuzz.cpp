// The page file: a package opened as a page (thumbnails, the member
// extraction and the page stream together).
#include "FuzzSupport.h"
#include "page/PageFile.h"
#include "page/SDoc.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  page::SDoc doc;
  page::LoadSDoc(doc, fuzzsupport::WriteInput(data, size, "page.Z4G"));
  return 0;
}
