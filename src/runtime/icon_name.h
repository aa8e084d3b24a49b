#pragma once

// The compiled-in pictures are named by base name in lower case: "~Checkon.ico", "checkon.gif"
// and "icons\\checkon" all name checkon.png.

#include <string>
#include <string_view>

#include "runtime/text.h"

namespace koreq {

// The base name a picture's name stands for among the compiled-in ones ("checkon"); empty for
// none.
inline std::string builtInPictureName(std::string_view name) {
  std::string bare(name);
  if (std::size_t slash = bare.find_last_of("/\\"); slash != std::string::npos)
    bare = bare.substr(slash + 1);
  if (!bare.empty() && bare[0] == '~') bare = bare.substr(1);
  if (std::size_t dot = bare.rfind('.'); dot != std::string::npos && dot > 0)
    bare = bare.substr(0, dot);
  return lower(bare);
}

}  // namespace koreq
