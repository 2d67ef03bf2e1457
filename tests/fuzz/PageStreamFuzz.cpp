// The page stream: a page read from bytes, then written and read again
// when it opened (what opens must save and open again).
#include "FuzzSupport.h"
#include "page/PageFile.h"
#include "page/PnFile.h"
#include "page/SDoc.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  page::SDoc doc;
  try {
    page::PnFile in(std::string(reinterpret_cast<const char*>(data), size), "/nonexistent/sdoc.Z4G");
    doc.Read(in);
  } catch (const page::PnFileError&) {
    return 0;
  }
  // Members (pictures, scenes) go beside the stream in the input folder.
  page::WritePageFolder(doc, fuzzsupport::InputFolder());
  page::SDoc again;
  page::ReadPageFolder(again, fuzzsupport::InputFolder());
  return 0;
}
