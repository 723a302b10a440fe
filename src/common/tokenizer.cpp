#include "common/tokenizer.h"

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

}  // namespace ostrim
