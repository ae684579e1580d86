#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

// Misbehaviour a node can be told to show. Each applies to its next `times` occasions, or
// to every occasion when times is kAlways.
enum class FaultKind {
    SilentBd,     // the radio never answers "bd", neither a read nor a set
    NoReturn,     // after "fr" the radio stays away for good
    BadChecksum,  // frames carrying this node's answers have a wrong API checksum
    ReplyFlags,   // the inverter's reply carries these flags instead of 0x80
    ReplyCode,    // the inverter's reply carries this code instead of the request's
    BadReplyCrc,  // the inverter's reply has a wrong CRC

    // A crowded field: other radios' traffic that the tool must not take for the turbine's.
    Crosstalk,            // the inverter sends well-formed replies unasked, every value ms
    AnswersOthers,        // the radio answers remote commands sent to other radios, as itself
    StatusAfterReply,     // each answer to a remote command is followed by a modem status
    PacketBeforeReply,    // another packet goes first in the frame that carries the reply
    StrayEndBeforeReply,  // the bytes 10 10 03 go before the inverter's reply

    // A late answer to the last discovery: the radio's "ND" answer comes right after "fr".
    NdAnswerAfterFr,
};

struct Fault {
    static constexpr int kAlways = -1;
    FaultKind kind = FaultKind::SilentBd;
    std::uint32_t value = 0;  // the flags, code or period the fault takes
    int times = kAlways;
};

// One turbine: its radio and the inverter behind it.
struct NodeConfig {
    static constexpr int kStaggered = -1;
    static constexpr int kFromFix = -2;  // announceFromMs: from the first remote command on

    std::string name;
    std::uint64_t address64 = 0;
    std::uint16_t address16 = 0xFFFE;
    bool reachable = true;            // false: out of range, answers nothing at all
    bool discoverable = true;         // false: does not answer "ND", still answers the rest
    std::uint32_t bd = 4;             // the radio's serial speed setting
    std::uint32_t bdWidth = 1;        // bytes in which a "bd" read answers: 1 or 4
    std::uint8_t signal = 0x28;       // the "db" answer
    std::uint32_t inverterSpeed = 4;  // the "bd" value at which the inverter understands
    std::uint16_t replyWord = 1;      // first word of the inverter's reply
    std::uint32_t replyExtraWords = 0;
    std::uint32_t replyChunk = 72;  // packet bytes per received-packet frame
    bool announcesAfterCb = false;  // sends a node identification after "cb" 2
    bool announcesAfterRestart = true;
    int ndDelayMs = kStaggered;  // its "ND" answer's delay; staggered by position if unset
    int announceDelayMs = 300;
    int replyDelayMs = 30;     // a radio command's answer
    int inverterDelayMs = 60;  // the inverter's reply, after the request's last piece
    int restartMs = 2500;      // unreachable after "fr" for this long
    std::vector<Fault> faults;

    // Traffic it sends unasked while reachable, from the start of the run; 0 ms: none.
    int announceEveryMs = 0;              // a node identification this often
    int announceFromMs = kStaggered;      // the first of them; unset: announceEveryMs
    int packetStreamEveryMs = 0;          // a received-packet frame this often, never an end mark
    std::uint32_t packetStreamBytes = 0;  // packet data in each of those frames
};

// What reaches the tool from a module that is not working in frame mode at its speed.
enum class LineFault : std::uint8_t {
    None,
    Silent,      // the module hears nothing and says nothing, as when it has no power
    WrongSpeed,  // its bytes arrive as a receiver at the tool's speed reads a slower sender
    Noisy,       // every frame arrives with one bit flipped, so that its checksum fails
};

// Faults of the USB device itself, applied by the programs to the simulated device, and of
// the line behind it, applied by the field.
struct DeviceFaults {
    bool openFails = false;
    bool baudRateFails = false;
    std::int64_t vanishesAtMs = -1;  // -1: stays
    std::int64_t returnsAtMs = -1;   // after vanishing, plugged in again; -1: never
    LineFault line = LineFault::None;
};

struct Scenario {
    std::string description;                 // the first comment lines of the file
    std::uint32_t noiseBytes = 0;            // stray bytes before every frame the field sends
    std::uint32_t randomBytesPerSecond = 0;  // random bytes on the line, 0x7E among them
    // The attached module ends each discovery with an empty "ND" answer this long after the
    // request; 0: it sends no such end.
    std::uint32_t discoveryEndMs = 0;
    DeviceFaults device;
    std::vector<NodeConfig> nodes;
};

// Reads a scenario in the text format of sim/scenarios/README.md. On failure answers false
// and sets error to "<origin>:<line>: <what is wrong>".
bool parseScenario(std::string_view text, Scenario& scenario, std::string& error,
                   std::string_view origin = "scenario");
bool loadScenario(const std::string& path, Scenario& scenario, std::string& error);

// The built-in field: several turbines, "QOR123-7654321" with its radio on the wrong setting.
extern const char* const kDefaultFieldText;
Scenario defaultField();

}  // namespace sim
