// qor-comm-fix: the tool on the radio module plugged into this machine.
#include <QApplication>

#include "app/QtDialogHost.h"
#include "app/Startup.h"
#include "engine/TurbineService.h"
#include "transport/Clock.h"
#include "transport/DriverChooser.h"
#include "transport/PortFactory.h"

int main(int, char**) {
    // The command line is not read: Qt gets only a program name.
    static int qtArgc = 1;
    static char programName[] = "qor-comm-fix";
    static char* qtArgv[] = {programName, nullptr};
    QApplication application(qtArgc, qtArgv);
    app::useClassicStyle(application);

    transport::SteadyClock clock;
    const transport::Settings& settings = transport::kBuildSettings;
    // The drivers outlive the service, whose poller closes the device through one of them.
    const auto drivers = transport::platformDrivers();
    transport::PortFactory factory(drivers, clock, settings);

    engine::TurbineService service(&factory, settings, clock);
    app::QtDialogHost host;
    return app::runFixApplication(service, host);
}
