#pragma once
// The words of a text split at white space (move lists, argument lists).
#include <sstream>
#include <string>
#include <vector>

namespace ostrim::tools {

inline std::vector<std::string> words(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> out;
  for (std::string w; in >> w;) out.push_back(w);
  return out;
}

}  // namespace ostrim::tools
