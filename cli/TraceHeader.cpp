#include "cli/TraceHeader.h"

#include <array>
#include <string_view>

#include "cli/Text.h"
#include "cli/Version.h"

namespace cli {

namespace {

constexpr const char* kProgram = "qor-comm-fix-cli";
constexpr const char* kFileValue = "FILE";
// Options whose value may name a file of the user's machine; a device index names none.
constexpr std::array<std::string_view, 4> kFileOptions = {"--trace", "--scenario", "--replay",
                                                          "--device"};

// The option a word names a file for, "--trace" of "--trace=t.txt"; empty for others.
std::string_view fileOptionOf(std::string_view word) {
    for (const std::string_view option : kFileOptions) {
        if (word == option) return option;
        if (word.size() > option.size() && word.starts_with(option) && word[option.size()] == '=')
            return option;
    }
    return {};
}

bool isIndex(std::string_view value) {
    return !value.empty() && value.find_first_not_of("0123456789") == std::string_view::npos;
}

std::string commandWithoutFiles(const std::vector<std::string>& args) {
    std::string command = kProgram;
    bool fileNext = false;
    for (const std::string& arg : args) {
        const std::string_view option = fileOptionOf(arg);
        if (fileNext) {
            command += " " + (isIndex(arg) ? arg : std::string(kFileValue));
        } else if (!option.empty() && option.size() < arg.size() &&
                   !isIndex(std::string_view(arg).substr(option.size() + 1))) {
            command += " " + std::string(option) + "=" + kFileValue;
        } else {
            command += " " + printable(arg);
        }
        fileNext = !fileNext && !option.empty() && option.size() == arg.size();
    }
    return command;
}

}  // namespace

std::string traceHeader(const std::vector<std::string>& args, const Options& options) {
    const std::string radio = !options.replayFile.empty() ? "a recording, played back"
                              : !options.sim ? "the radio module, through the drivers tried in turn"
                              : options.scenario.empty() ? "the built-in simulated field"
                                                         : "the simulated field of a scenario file";
    return std::string("# ") + kProgram + " " + programVersion() + " trace\n" +
           "# command: " + commandWithoutFiles(args) + "\n" + "# radio: " + radio + "\n" +
           "# each line: <ms> <tag> <data>; ms on the run's clock since it began\n"
           "# tx, rx: bytes written to, read from the radio module, in hex\n"
           "# out, err: the diagnostics the dialog program prints on standard output, error\n"
           "# note: the driver's calls and their answers, the steps of the run\n";
}

}  // namespace cli
