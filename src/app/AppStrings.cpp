#include "app/AppStrings.h"

#include "page/StringTable.h"

namespace app {

std::string LoadAppString(int id) {
  const std::string& text = page::PnLoadString(id);
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == 'n') {
      out += '\n';
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace app
