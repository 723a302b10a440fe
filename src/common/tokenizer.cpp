#include "common/tokenizer.h"

#include <cstring>

namespace ostrim {

int tokenize(char* text, char** tokens, int capacity) {
  int count = 0;
  char* c = text;
  for (;;) {
    while (*c == ' ') ++c;
    if (*c == '\0') return count;
    if (count < capacity) tokens[count] = c;
    ++count;
    while (*c != ' ' && *c != '\0') ++c;
    if (*c == '\0') return count;
    if (count <= capacity) *c = '\0';  // past the stored tokens the text stays whole
    ++c;
  }
}

bool join_tokens(const char* const* tokens, int count, char* out, int size) {
  if (size < 1) return false;
  std::size_t length = 0;
  auto capacity = static_cast<std::size_t>(size);
  for (int i = 0; i < count; ++i) {
    std::size_t part = std::strlen(tokens[i]);
    std::size_t separator = i > 0 ? 1 : 0;
    if (length + separator + part >= capacity) {
      out[0] = '\0';
      return false;
    }
    if (separator != 0) out[length++] = ' ';
    std::memcpy(out + length, tokens[i], part);
    length += part;
  }
  out[length] = '\0';
  return true;
}

int tokenize_copy(const char* text, char* copy, int copy_size, char** tokens, int capacity) {
  std::size_t length = std::strlen(text);
  if (length >= static_cast<std::size_t>(copy_size)) length = static_cast<std::size_t>(copy_size) - 1;
  std::memcpy(copy, text, length);
  copy[length] = '\0';
  return tokenize(copy, tokens, capacity);
}

}  // namespace ostrim
