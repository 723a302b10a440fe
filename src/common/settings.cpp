#include "common/settings.h"

namespace ostrim {

EngineSettings settings;

void reset_settings() { settings = EngineSettings{}; }

void copy_fed_settings(EngineSettings& to, const EngineSettings& from) {
  for (int32_t EngineSettings::*field : kFedSettings) to.*field = from.*field;
}

}  // namespace ostrim
