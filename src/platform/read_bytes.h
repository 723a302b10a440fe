#pragma once
// The one input operation that differs between systems, under the line
// reader.

namespace ostrim::platform {

// Standard input's descriptor.
constexpr int kStandardInput = 0;

// Reads up to size bytes of the descriptor as they come, untranslated; the
// number read, 0 at end of input or on an error that cannot be mended.
int read_bytes(int descriptor, char* buffer, int size);

}  // namespace ostrim::platform
