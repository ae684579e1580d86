#include <io.h>
#include <windows.h>

#include "cli/Platform.h"

namespace cli {

bool isTerminal(std::FILE* stream) { return ::_isatty(::_fileno(stream)) != 0; }

int terminalColumns(std::FILE* stream) {
    const auto console = reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(stream)));
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (console == INVALID_HANDLE_VALUE || !::GetConsoleScreenBufferInfo(console, &info)) return 0;
    return info.srWindow.Right - info.srWindow.Left + 1;
}

// Windows raises no signal for a closed pipe: the write fails.
void ignoreBrokenPipes() {}

// Closing a standard stream before a program starts (>&- in a Unix shell) has no common
// counterpart here.
void keepStandardStreamsOpen() {}

// Closing a console window ends its programs through the console's own events, not a signal.
int hangUpSignal() { return 0; }

}  // namespace cli
