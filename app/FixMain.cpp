// qor-comm-fix: the tool on the radio module plugged into this machine.
#include <QApplication>

#include "app/ProcessObjects.h"
#include "app/QtDialogHost.h"
#include "app/Startup.h"
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
    // Without any driver there is no factory, which start-up reports as a missing radio.
    const std::unique_ptr<transport::Driver> driver = transport::chooseDriver();
    std::unique_ptr<transport::PortFactory> factory;
    if (driver) factory = std::make_unique<transport::PortFactory>(*driver, clock, settings);

    app::ProcessObjects objects(factory.get(), settings, clock);
    app::QtDialogHost host;
    return app::runFixApplication(objects, host);
}
