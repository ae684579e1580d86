#include <gtest/gtest.h>

#include "FakeDialogHost.h"
#include "FieldRig.h"
#include "app/Startup.h"

using namespace app;
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
        EXPECT_EQ(runFixApplication(rig.objects, host), kExitNoRadio);
        EXPECT_EQ(host.boxes(), std::vector<std::string>{
                                    "Communications fault: Could not find downtower tallis radio"});
        EXPECT_TRUE(host.events().size() == 1);  // the box; no Init
        EXPECT_EQ(rig.objects.poller, nullptr);
    }
}

TEST(StartupTest, ClosingTheDialogExitsWithZero) {
    FieldRig rig;
    FakeDialogHost host;
    host.setScript([](FakeDialogHost& h, const HostEvent& event) {
        if (event.kind == HostEvent::Init) h.close();
    });
    EXPECT_EQ(runFixApplication(rig.objects, host), kExitOk);
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
