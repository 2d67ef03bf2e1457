#pragma once
// The program's string table: texts (UTF-8) looked up by their numeric ids.
// The application installs the table at start-up; without one every id
// answers an empty text.
#include <functional>
#include <string>

namespace platform {

using StringTableHook = std::function<std::string(int id)>;

// The text of `id`; empty when the table has none.
std::string LoadResString(int id);
// Installing returns the previous table so a scope can put it back.
StringTableHook SetStringTableHook(StringTableHook hook);

}  // namespace platform
