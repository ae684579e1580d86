// qor-comm-fix-cli: the search and the speed fix of the dialog, from a terminal.
#include <string>
#include <vector>

#include "cli/Platform.h"
#include "cli/Program.h"

int main(int argc, char** argv) {
    cli::keepStandardStreamsOpen();
    cli::ignoreBrokenPipes();
    const std::vector<std::string> args(argv + 1, argv + argc);
    cli::Context context;
    context.liveLine = cli::isTerminal(stderr);
    context.terminalColumns = [] { return cli::terminalColumns(stderr); };
    return cli::runProgram(args, context);
}
