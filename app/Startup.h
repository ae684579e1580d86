#pragma once

namespace engine {
class TurbineService;
}

namespace app {

class DialogHost;

inline constexpr int kExitOk = 0;
inline constexpr int kExitNoRadio = 1;

// The whole program once its service exists: attach the radio, or say it cannot be found
// and why (in the box, and as a line on the standard error stream), then run the Fix dialog
// until it is closed. Answers the exit code. The worker has ended when this returns.
int runFixApplication(engine::TurbineService& service, DialogHost& host);

}  // namespace app
