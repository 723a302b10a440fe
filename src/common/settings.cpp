#include "common/settings.h"

namespace ostrim {

EngineSettings settings;

void reset_settings() { settings = EngineSettings{}; }

}  // namespace ostrim
