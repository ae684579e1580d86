#include "cli/Options.h"

#include <optional>

#include "sim/SimulationSetup.h"

namespace cli {

const char* const kUsage =
    "usage: qor-comm-fix-cli scan [OPTIONS]\n"
    "       qor-comm-fix-cli fix ID|--address ADDRESS [OPTIONS]\n"
    "       qor-comm-fix-cli check ID|--address ADDRESS|--all [OPTIONS]\n"
    "\n"
    "  scan        search the radio nodes in reach and list them\n"
    "  fix ID      find turbine ID and fix its radio's serial speed until its inverter\n"
    "              answers, as the Fix dialog does\n"
    "  check ID    find turbine ID, read its radio's \"bd\" setting and test its inverter;\n"
    "              writes nothing to the turbine's radio\n"
    "  check --all the same for every node in reach whose name carries a turbine number\n"
    "\n"
    "options:\n"
    "  --address ADDRESS    with fix or check: the turbine's radio by its 64-bit address,\n"
    "                       16 hex digits as scan prints them, instead of an ID\n"
    "  --json               print one JSON object at the end, and nothing else on stdout\n"
    "  --trace FILE         write every byte read and written, with times, to FILE\n"
    "  --sim [SCENARIO]     use a simulated field (default: the built-in one) instead of\n"
    "                       the radio dongle\n"
    "  --time-scale FACTOR  with --sim: run the field FACTOR times faster (0.01 to 1000)\n"
    "  --help, -h           print this and exit\n"
    "  --version            print the version and exit\n"
    "\n"
    "ID is read as the Turbine ID box reads it: \"QOR123-7654321\" or \"7654321\"; an ID\n"
    "that is exactly a radio's name picks that radio alone.\n"
    "Exit codes: 0 fixed or already correct, 1 no radio or radio dongle disconnected,\n"
    "2 usage error, 3 turbine not found, 4 query failed, 5 lost link, 6 unable to\n"
    "communicate, 7 more than one radio answers as the turbine, 130 interrupted.\n";

namespace {

class Parser {
public:
    Parser(const std::vector<std::string>& args, Options& options, std::string& error)
        : args_(args), options_(options), error_(error) {}

    bool parse() {
        bool optionsEnded = false;
        for (next_ = 0; next_ < args_.size();) {
            const std::string& arg = args_[next_++];
            if (!optionsEnded && arg == "--") {
                optionsEnded = true;
            } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
                if (!option(arg)) return false;
            } else if (!positional(arg)) {
                return false;
            }
        }
        return options_.help || options_.version || complete();
    }

private:
    bool option(const std::string& arg) {
        const std::size_t equals = arg.find('=');
        const std::string name = arg.substr(0, equals);
        std::optional<std::string> inlineValue;
        if (equals != std::string::npos) inlineValue = arg.substr(equals + 1);

        if (name == "--help" || name == "-h") return flag(name, inlineValue, options_.help);
        if (name == "--version") return flag(name, inlineValue, options_.version);
        if (name == "--json") return flag(name, inlineValue, options_.json);
        if (name == "--all") return flag(name, inlineValue, options_.all);
        if (name == "--sim") {
            options_.sim = true;
            // The scenario is optional: the next argument is it only when it cannot be the
            // command's own argument.
            if (inlineValue) {
                options_.scenario = *inlineValue;
            } else if (next_ < args_.size() && !startsOption(args_[next_]) && !wantsPositional()) {
                options_.scenario = args_[next_++];
            }
            return true;
        }
        if (name == "--address") {
            std::string text;
            if (!value(name, inlineValue, text)) return false;
            if (!parseAddress(text))
                return fail(
                    "--address takes a radio's 64-bit address as 16 hex digits, as scan "
                    "prints it, not \"" +
                    text + "\"");
            return true;
        }
        if (name == "--trace") {
            if (!value(name, inlineValue, options_.traceFile)) return false;
            if (options_.traceFile.empty()) return fail("--trace needs a file name");
            return true;
        }
        if (name == "--time-scale") {
            std::string text;
            if (!value(name, inlineValue, text)) return false;
            if (!sim::parseTimeScale(text.c_str(), options_.timeScale))
                return fail("--time-scale takes a number from 0.01 to 1000, not \"" + text + "\"");
            options_.timeScaleGiven = true;
            return true;
        }
        return fail("unknown option " + name);
    }

    bool positional(const std::string& arg) {
        if (options_.command == Command::None) {
            if (arg == "scan") {
                options_.command = Command::Scan;
            } else if (arg == "fix") {
                options_.command = Command::Fix;
            } else if (arg == "check") {
                options_.command = Command::Check;
            } else {
                return fail("unknown command \"" + arg + "\"");
            }
            return true;
        }
        if (wantsPositional()) {
            options_.id = arg;
            idGiven_ = true;
            return true;
        }
        return fail("unexpected argument \"" + arg + "\"");
    }

    // Whether the next plain argument is the command's own: the command itself, or the ID
    // of fix and check.
    bool wantsPositional() const {
        switch (options_.command) {
            case Command::None:
                return true;
            case Command::Fix:
                return !idGiven_ && !options_.address;
            case Command::Check:
                return !idGiven_ && !options_.all && !options_.address;
            case Command::Scan:
                return false;
        }
        return false;
    }

    bool complete() {
        switch (options_.command) {
            case Command::None:
                return fail("no command given: scan, fix or check");
            case Command::Scan:
                if (options_.all) return fail("--all goes with check only");
                if (options_.address) return fail("--address goes with fix and check only");
                break;
            case Command::Fix:
                if (options_.all) return fail("fix takes one turbine ID, not --all");
                if (idGiven_ && options_.address)
                    return fail("fix takes a turbine ID or --address, not both");
                if (!idGiven_ && !options_.address)
                    return fail("fix needs the turbine ID or --address");
                break;
            case Command::Check: {
                const int given =
                    int{idGiven_} + int{options_.all} + int{options_.address.has_value()};
                if (given > 1) return fail("check takes one of a turbine ID, --address or --all");
                if (given == 0) return fail("check needs a turbine ID, --address or --all");
                break;
            }
        }
        if (options_.timeScaleGiven && !options_.sim)
            return fail("--time-scale goes with --sim only: a real radio keeps real time");
        return true;
    }

    bool flag(const std::string& name, const std::optional<std::string>& inlineValue,
              bool& target) {
        if (inlineValue) return fail(name + " takes no value");
        target = true;
        return true;
    }

    bool value(const std::string& name, const std::optional<std::string>& inlineValue,
               std::string& target) {
        if (inlineValue) {
            target = *inlineValue;
            return true;
        }
        if (next_ >= args_.size()) return fail(name + " needs a value");
        target = args_[next_++];
        return true;
    }

    static bool startsOption(const std::string& arg) { return arg.size() > 1 && arg[0] == '-'; }

    // Exactly 16 hex digits, either case.
    bool parseAddress(const std::string& text) {
        constexpr std::size_t kDigits = 16;
        if (text.size() != kDigits) return false;
        std::uint64_t address = 0;
        for (const char c : text) {
            int digit = -1;
            if (c >= '0' && c <= '9') digit = c - '0';
            if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
            if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
            if (digit < 0) return false;
            address = (address << 4) | static_cast<std::uint64_t>(digit);
        }
        options_.address = address;
        return true;
    }

    bool fail(std::string error) {
        error_ = std::move(error);
        return false;
    }

    const std::vector<std::string>& args_;
    Options& options_;
    std::string& error_;
    std::size_t next_ = 0;
    bool idGiven_ = false;
};

}  // namespace

bool parseOptions(const std::vector<std::string>& args, Options& options, std::string& error) {
    options = Options{};
    return Parser(args, options, error).parse();
}

}  // namespace cli
