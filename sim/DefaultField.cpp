#include "sim/Scenario.h"

namespace sim {

const char* const kDefaultFieldText =
    R"(# The built-in field: five turbines in reach and one out of range. The radio of
# QOR123-7654321 is on setting 4 while its inverter talks at 6, so the fix must switch it.

node QOR123-7654321
  address 0013A20041C7F321
  network 7A21
  bd 4
  inverter-speed 6
  reply-word 0x0321
  announces-after-cb yes

node QOR123-7654318
  address 0013A20041C7F318
  network 3C18
  bd 6
  inverter-speed 6
  reply-word 0x0318

node QOR123-7654325
  address 0013A20041C7F325
  network 1E25
  bd 4
  bd-width 4
  inverter-speed 4
  reply-word 0x0325

node QOR123-7654330
  address 0013A20041C7F330
  network 0430
  bd 6
  inverter-speed 6
  reply-word 0x0330
  announces-after-cb yes

node QOR123-7654337
  address 0013A20041C7F337
  network 6637
  bd 6
  inverter-speed 4
  signal 0x4C

node QOR123-7654402
  address 0013A20041C7F402
  network 5102
  reachable no
)";

Scenario defaultField() {
    Scenario scenario;
    std::string error;
    // The text is part of the program and covered by a test; it always parses.
    parseScenario(kDefaultFieldText, scenario, error, "default field");
    return scenario;
}

}  // namespace sim
