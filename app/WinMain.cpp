// qor-comm-fix.exe: the tool on the radio module plugged into this machine, on Windows.
#include <windows.h>

#include <commctrl.h>

#include "app/Startup.h"
#include "app/Win32DialogHost.h"
#include "engine/TurbineService.h"
#include "transport/Clock.h"
#include "transport/DriverChooser.h"
#include "transport/PortFactory.h"

// The command line and the show state are not used.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    transport::SteadyClock clock;
    const transport::Settings& settings = transport::kBuildSettings;
    // Without FTD2XX.dll the open fails, and start-up says that the library is missing.
    const auto drivers = transport::platformDrivers();
    transport::PortFactory factory(drivers, clock, settings);
    engine::TurbineService service(&factory, settings, clock);

    // Registers the common controls' window classes (the progress bar of DLG_UPDATE).
    InitCommonControls();
    app::Win32DialogHost host(instance);
    return app::runFixApplication(service, host);
}
