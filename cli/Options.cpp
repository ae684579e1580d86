#include "cli/Options.h"

#include <CLI/CLI.hpp>

#include <cctype>
#include <string_view>
#include <utility>

#include "cli/ExitCodes.h"
#include "cli/Version.h"
#include "sim/SimulationSetup.h"

namespace cli {

namespace {

constexpr const char* kProgram = "qor-comm-fix-cli";
constexpr std::size_t kAddressDigits = 16;

constexpr const char* kAbout =
    "Finds a turbine's radio among the radios in reach, checks whether the turbine's\n"
    "inverter answers over it, and fixes the radio's serial speed setting if not.";
constexpr const char* kIdNote =
    "ID: a turbine's number, one to seven digits (7654321), or a radio name that\n"
    "reads as it (QOR123-7654321); an ID that is exactly a radio's name picks that\n"
    "radio alone. fix and check --address ADDRESS pick a radio by its 64-bit address,\n"
    "16 hex digits as scan lists it, in place of an ID.";
constexpr const char* kCommandNote =
    "The options of qor-comm-fix-cli --help (--json, --trace, --sim, ...) go before\n"
    "or after the command.";

std::string exitCodeList() {
    std::string text = "Exit codes:";
    for (const ExitCodeMeaning& entry : kExitCodes) {
        const std::string code = std::to_string(entry.code);
        text += "\n  " + std::string(4 - code.size(), ' ') + code + "  " + entry.meaning;
    }
    return text;
}

// A word starting with "-" where a file name is due is an option whose file was left out
// (--trace --json): taken as a name, it would make a file named after the option.
CLI::Validator fileNameCheck() {
    return CLI::Validator(
        [](const std::string& value) -> std::string {
            if (value.empty()) return "needs a file name";
            if (value[0] != '-') return {};
            return "needs a file name, not \"" + value + "\" (for a file of that name, write ./" +
                   value + ")";
        },
        "");
}

CLI::Validator timeScaleCheck() { return CLI::Validator(sim::timeScaleProblem, ""); }

CLI::Validator deviceCheck() {
    return CLI::Validator(
        [](const std::string& value) -> std::string {
            transport::DeviceChoice choice;
            std::string error;
            return transport::parseDeviceChoice(value, choice, error) ? std::string() : error;
        },
        "");
}

bool isAddress(const std::string& text) {
    bool hex = text.size() == kAddressDigits;
    for (const char c : text) hex = hex && std::isxdigit(static_cast<unsigned char>(c));
    return hex;
}

// The program's command line, defined with CLI11: global options that may stand before or
// after the command, one subcommand per command. A command or a global option is a few
// lines here.
class Parser {
public:
    explicit Parser(Options& options) : options_(options) {
        app_.set_help_flag("-h,--help", "print this help and exit");
        app_.set_version_flag("--version", std::string(kProgram) + " " + programVersion(),
                              "print the version and exit");
        app_.fallthrough();  // a command's options it does not know are the program's
        app_.require_subcommand(0, 1);
        app_.footer(std::string(kIdNote) + "\n" + exitCodeList());
        const auto formatter = app_.get_formatter();
        formatter->column_width(23);
        formatter->label("SUBCOMMAND", "COMMAND");
        formatter->label("REQUIRED", "");
        formatter->label("TEXT", "");
        addGlobalOptions();
        addCommands();
    }

    CommandLine parse(const std::vector<std::string>& args) {
        std::vector<std::string> reversed(args.rbegin(), args.rend());  // as CLI11 takes them
        try {
            app_.parse(reversed);
        } catch (const CLI::CallForHelp&) {
            return {CommandLine::Action::Print, app_.help()};
        } catch (const CLI::CallForVersion& version) {
            return {CommandLine::Action::Print, std::string(version.what()) + "\n"};
        } catch (const CLI::ParseError& error) {
            return {CommandLine::Action::UsageError, whatIsWrong(error, args)};
        }
        if (help_->parsed()) return helpOn(helpTopic_);
        for (const auto& [command, name] : commands_) {
            if (command->parsed()) options_.command = name;
        }
        std::string unused;  // the option's check has said what is wrong with it
        if (device_->count() > 0)
            transport::parseDeviceChoice(deviceText_, options_.device, unused);
        if (std::string problem = misuse(); !problem.empty())
            return {CommandLine::Action::UsageError, std::move(problem)};
        if (!timeScale_.empty()) sim::parseTimeScale(timeScale_.c_str(), options_.timeScale);
        if (!address_.empty()) options_.address = std::stoull(address_, nullptr, 16);
        return {CommandLine::Action::Run, {}};
    }

private:
    void addGlobalOptions() {
        app_.add_flag("--json", options_.json, "print one JSON object at the end, nothing else")
            ->disable_flag_override();
        app_.add_option("--trace", options_.traceFile,
                        "keep every byte to and from the radio in FILE")
            ->check(fileNameCheck())
            ->type_name("FILE");
        app_.add_flag("--sim", options_.sim, "use a simulated field in place of the dongle")
            ->disable_flag_override();
        scenario_ = app_.add_option("--scenario", options_.scenario,
                                    "with --sim: the field in FILE (default: built-in)")
                        ->check(fileNameCheck())
                        ->type_name("FILE");
        timeScaleOption_ = app_.add_option("--time-scale", timeScale_,
                                           "with --sim or --replay: run FACTOR times faster")
                               ->check(timeScaleCheck())
                               ->type_name("FACTOR");
        device_ = app_.add_option("--device", deviceText_,
                                  "the device: its index as ports lists it, or a port's path")
                      ->check(deviceCheck())
                      ->type_name("DEV");
        app_.add_option("--replay", options_.replayFile,
                        "play the trace FILE in place of the radio, comparing every frame")
            ->check(fileNameCheck())
            ->type_name("FILE");
    }

    void addCommands() {
        addCommand("scan", "list the radios in reach", Command::Scan);
        CLI::App* fix =
            addCommand("fix", "find a turbine and fix its radio's speed setting", Command::Fix);
        addTarget(*fix);
        CLI::App* check = addCommand("check", "read a turbine radio's \"bd\" and test its inverter",
                                     Command::Check);
        addTarget(*check);
        check->add_flag("--all", options_.all, "every turbine in reach, one after another")
            ->disable_flag_override();

        addCommand("ports", "list the devices the radio may be on; opens none", Command::Ports);
        addCommand("doctor", "check the way to the radios in reach, step by step", Command::Doctor);

        help_ = app_.add_subcommand("help", "print this help, or a command's");
        help_->group("Commands");
        help_->add_option("COMMAND", helpTopic_, "the command");
    }

    CLI::App* addCommand(const char* name, const char* description, Command command) {
        CLI::App* sub = app_.add_subcommand(name, description);
        sub->group("Commands");
        sub->footer(kCommandNote);
        commands_.emplace_back(sub, command);
        return sub;
    }

    void addTarget(CLI::App& command) {
        ids_.push_back(
            command.add_option("ID", options_.id, "the turbine: its number, or its radio's name"));
        // Its value is checked below, so that a missing or malformed address gets the same
        // message, which says what an address looks like.
        addresses_.push_back(command
                                 .add_option("--address", address_,
                                             "the radio by its 64-bit address, in place of an ID")
                                 ->expected(0, 1)
                                 ->type_name("ADDRESS"));
    }

    CommandLine helpOn(const std::string& topic) const {
        if (topic.empty()) {
            return {CommandLine::Action::Print,
                    app_.get_formatter()->make_help(&app_, kProgram, CLI::AppFormatMode::Normal)};
        }
        for (const auto& [command, name] : commands_) {
            if (command->get_name() == topic)
                return {CommandLine::Action::Print, command->help(kProgram)};
        }
        return {CommandLine::Action::UsageError,
                "help: unknown command \"" + topic +
                    "\"; the commands are scan, fix, check, ports and doctor"};
    }

    // What the options break that CLI11 is not told.
    std::string misuse() const {
        bool idGiven = false;
        for (const CLI::Option* id : ids_) idGiven = idGiven || id->count() > 0;
        bool addressGiven = false;
        for (const CLI::Option* address : addresses_)
            addressGiven = addressGiven || address->count() > 0;
        if (addressGiven && !isAddress(address_))
            return "--address takes the radio's 64-bit address as scan lists it, 16 hexadecimal "
                   "digits, not \"" +
                   address_ + "\"";
        switch (options_.command) {
            case Command::None:
                return "no command given: scan, fix, check, ports, doctor or help";
            case Command::Scan:
            case Command::Ports:
            case Command::Doctor:
                break;
            case Command::Fix:
                if (idGiven && addressGiven) return "fix takes a turbine ID or --address, not both";
                if (!idGiven && !addressGiven) return "fix needs the turbine ID or --address";
                break;
            case Command::Check: {
                const int given = int{idGiven} + int{addressGiven} + int{options_.all};
                if (given > 1) return "check takes one of a turbine ID, --address or --all";
                if (given == 0) return "check needs a turbine ID, --address or --all";
                break;
            }
        }
        if (!options_.sim && scenario_->count() > 0)
            return "--scenario goes with --sim only: it names the simulated field";
        const bool replay = !options_.replayFile.empty();
        if (replay && options_.sim)
            return "--replay and --sim exclude each other: the recording stands in for the field";
        if (replay && device_->count() > 0)
            return "--replay and --device exclude each other: the recording stands in for the "
                   "device";
        if (!options_.sim && !replay && timeScaleOption_->count() > 0)
            return "--time-scale goes with --sim only (or --replay): a real radio keeps real time";
        if (options_.sim && options_.device.isPath())
            return "--device with --sim takes an index: the simulated field has no serial port "
                   "paths";
        if (options_.command == Command::Ports && !options_.traceFile.empty())
            return "--trace goes with the commands that open the radio; ports opens none";
        if (options_.command == Command::Ports && replay)
            return "--replay goes with the commands that open the radio; ports opens none";
        return {};
    }

    // CLI11's word for what is wrong, but a word no option or command takes is named as
    // such, and so is a value given to an option that takes none; and the likeliest slip of
    // all, the scenario that --sim once took (--sim FILE, --sim=FILE), is named with what to
    // write now.
    std::string whatIsWrong(const CLI::ParseError& error,
                            const std::vector<std::string>& args) const {
        constexpr std::string_view kValueToAFlag = " was given a disallowed flag override";
        std::string text = error.what();
        if (dynamic_cast<const CLI::ExtrasError*>(&error)) {
            const std::vector<std::string> extras = app_.remaining(true);
            text =
                "unexpected argument \"" + (extras.empty() ? std::string() : extras.front()) + "\"";
        }
        const std::string scenario = scenarioAfterSim(args);
        if (scenario.empty() && text.ends_with(kValueToAFlag))
            return "--" + text.substr(0, text.size() - kValueToAFlag.size()) + " takes no value";
        if (scenario.empty()) return text;
        if (text.find("sim was given") != std::string::npos) text = "--sim=" + scenario;
        return text + ": --sim takes no value; for the field in " + scenario +
               ", write --scenario " + scenario;
    }

    std::string scenarioAfterSim(const std::vector<std::string>& args) const {
        constexpr std::string_view kSimWithValue = "--sim=";
        for (std::size_t i = 0; i < args.size(); ++i) {
            if (args[i].starts_with(kSimWithValue)) return args[i].substr(kSimWithValue.size());
            if (i == 0 || args[i - 1] != "--sim") continue;
            if (!args[i].empty() && args[i][0] != '-' && !isCommand(args[i])) return args[i];
        }
        return {};
    }

    bool isCommand(const std::string& word) const {
        if (word == help_->get_name()) return true;
        for (const auto& [command, name] : commands_) {
            if (command->get_name() == word) return true;
        }
        return false;
    }

    Options& options_;
    CLI::App app_{kAbout, kProgram};
    std::vector<std::pair<CLI::App*, Command>> commands_;
    std::vector<CLI::Option*> ids_;
    std::vector<CLI::Option*> addresses_;
    CLI::Option* scenario_ = nullptr;
    CLI::Option* timeScaleOption_ = nullptr;
    CLI::Option* device_ = nullptr;
    std::string deviceText_;
    CLI::App* help_ = nullptr;
    std::string helpTopic_;
    std::string timeScale_;
    std::string address_;
};

}  // namespace

CommandLine parseCommandLine(const std::vector<std::string>& args, Options& options) {
    options = Options{};
    return Parser(options).parse(args);
}

}  // namespace cli
