#include "cli/Version.h"

#ifndef QOR_VERSION
#define QOR_VERSION "unknown"
#endif

namespace cli {

const char* programVersion() { return QOR_VERSION; }

}  // namespace cli
