#include "common/report.h"

namespace ostrim {

SearchReport report;

}  // namespace ostrim
