#include <io.h>

#include "cli/Platform.h"

namespace cli {

bool isTerminal(std::FILE* stream) { return ::_isatty(::_fileno(stream)) != 0; }

// Windows raises no signal for a closed pipe: the write fails.
void ignoreBrokenPipes() {}

}  // namespace cli
