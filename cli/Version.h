#pragma once

namespace cli {

// The program's version, as the build names it.
const char* programVersion();

}  // namespace cli
