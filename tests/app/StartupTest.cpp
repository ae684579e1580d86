#include <gtest/gtest.h>

#include <cerrno>

#include "FakeDialogHost.h"
#include "FieldRig.h"
#include "app/Startup.h"
#include "engine/Attachment.h"
#include "engine/ProcessObjects.h"

using namespace app;
using namespace engine;
using namespace app::testing;

namespace {

sim::Scenario deviceFault(const char* line) {
    sim::Scenario scenario;
    std::string error;
    const std::string text =
        std::string(line) + "\nnode QOR123-7654321\n  address 0013A20041C7F321\n  network 7A21\n";
    EXPECT_TRUE(parseField(text, scenario, error)) << error;
    return scenario;
}

// No radio module, or one that will not take the line settings: the box, exit code 1,
// and no dialog.
TEST(StartupTest, NoRadioShowsTheFaultAndExitsWithOne) {
    for (const char* fault : {"device open-fails", "device baud-fails"}) {
        SCOPED_TRACE(fault);
        FieldRig rig(deviceFault(fault));
        FakeDialogHost host;
        EXPECT_EQ(runFixApplication(rig.service, host), kExitNoRadio);
        EXPECT_EQ(host.boxes(), std::vector<std::string>{
                                    "Communications fault: Could not find downtower tallis radio"});
        EXPECT_TRUE(host.events().size() == 1);  // the box; no Init
        EXPECT_EQ(rig.objects.poller, nullptr);
    }
}

struct CauseCase {
    transport::DriverError error;
    const char* details;
};

// Each cause of a failed attachment: the same box and exit code, the cause and what to do
// below the text, and the same line on the standard error stream.
TEST(StartupTest, AFailedAttachmentSaysWhyAndWhatToDo) {
    using Cause = transport::DriverError::Cause;
    const std::vector<CauseCase> cases = {
        {{Cause::NoDevice, 0, {}},
         "No USB serial adapter of vendor 0x0403 is plugged in. Plug in the radio dongle, then "
         "start the program again."},
        {{Cause::PermissionDenied, 0, "/dev/ttyUSB0"},
         "Permission denied on /dev/ttyUSB0. At the desktop: install the qor-comm-fix package, "
         "then plug the dongle in again. Over SSH or at a console: join the dialout group (sudo "
         "adduser $USER dialout), then log in again."},
        {{Cause::PortBusy, 0, "/dev/ttyUSB0"},
         "/dev/ttyUSB0 is in use by another program. Close that program, then start this one "
         "again."},
        {{Cause::IoError, EIO, "/dev/ttyUSB0"},
         "/dev/ttyUSB0 failed: Input/output error. Unplug the dongle, plug it in again, then "
         "start the program again."},
        {{Cause::LibraryMissing, 0, "FTD2XX.dll"},
         "FTD2XX.dll not found. Install the driver of the dongle's USB serial chip, or put "
         "FTD2XX.dll beside the program."},
        {{Cause::LibraryStatus, 3, "libftd2xx.so"},
         "The driver library libftd2xx.so reported status 3. Unplug the dongle, plug it in "
         "again, then start the program again."},
    };
    for (const CauseCase& c : cases) {
        SCOPED_TRACE(c.details);
        FieldRig rig;
        rig.field->device().setFault(transport::DeviceFault::Open);
        rig.field->device().setOpenError(c.error);
        FakeDialogHost host;
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(runFixApplication(rig.service, host), kExitNoRadio);
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), std::string(c.details) + "\n");
        EXPECT_EQ(host.boxes(), std::vector<std::string>{
                                    "Communications fault: Could not find downtower tallis radio"});
        EXPECT_EQ(host.boxDetails(), std::vector<std::string>{c.details});
    }
}

TEST(StartupTest, ClosingTheDialogExitsWithZero) {
    FieldRig rig;
    FakeDialogHost host;
    host.setScript([](FakeDialogHost& h, const HostEvent& event) {
        if (event.kind == HostEvent::Init) h.close();
    });
    EXPECT_EQ(runFixApplication(rig.service, host), kExitOk);
    EXPECT_TRUE(host.boxes().empty());
    EXPECT_NE(rig.objects.poller, nullptr);
}

TEST(StartupTest, AttachLinksPortRawLogAndTop) {
    FieldRig rig;
    ASSERT_TRUE(rig.attach());
    EXPECT_EQ(rig.objects.rawLog.current(), &rig.objects.frameAssembler);
    // Current before the first frame, whose hand-over would otherwise reset the stage above.
    EXPECT_EQ(rig.objects.frameAssembler.current(), &rig.objects.frameDispatcher);
    EXPECT_EQ(rig.objects.frameDispatcher.current(), &rig.objects.packetReassembler);
    EXPECT_EQ(rig.objects.packetReassembler.current(), &rig.objects.packetParser);
    EXPECT_EQ(rig.objects.commandLink.poller(), rig.objects.poller.get());
}

TEST(StartupTest, NoFactoryIsAFailedAttachment) {
    FieldRig rig;
    ProcessObjects objects(nullptr, rig.settings, rig.clock);
    EXPECT_FALSE(attachRadio(objects, objects.frameAssembler, kRadioDeviceIndex, kRadioBaud));
}

}  // namespace
