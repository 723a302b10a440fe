#pragma once
// Splits a command text into tokens in place, for the UCI read loop and the
// engine thread alike.

namespace ostrim {

// Tokens are runs of characters other than the space (0x20); only the space
// separates, so a tab or a carriage return belongs to its token. The space
// ending each token is overwritten with a zero byte. At most `capacity`
// tokens are stored and terminated; the result counts every token of the
// text, so a result above `capacity` means the text holds more than fit.
int tokenize(char* text, char** tokens, int capacity);

// Copies the text (cut to fit `copy_size` bytes) and tokenises the copy, so
// that the text itself stays whole for messages and handlers.
int tokenize_copy(const char* text, char* copy, int copy_size, char** tokens, int capacity);

// Joins the tokens with single spaces into `out` of `size` bytes; false,
// with `out` empty, when the text would not fit.
bool join_tokens(const char* const* tokens, int count, char* out, int size);

}  // namespace ostrim
