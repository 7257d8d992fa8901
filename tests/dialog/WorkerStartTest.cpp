// The program's start of the install worker: the context it hands over, the registration that
// start-up waits on, and a start that fails leaving nothing behind.
#include <gtest/gtest.h>

#include "setup/RunningWorker.h"
#include "setup/ThreadInstallStarter.h"

namespace {

const auto kWindow = reinterpret_cast<platform::WindowHandle>(0x4321);

// What the stand-in worker found when it ran (read after it has unregistered).
platform::WindowHandle receivedWindow = nullptr;
std::wstring receivedText = L"unset";
bool registeredAtThreadStart = false;

int StandInWorker(InstallContext* context) {
    receivedWindow = context->window;
    receivedText = context->statusText;
    delete context;
    UnregisterRunningWorker();
    return 1;
}

bool RefuseThread(platform::DetachedThreadEntry, void*) {
    return false;
}

bool WatchedThreadStart(platform::DetachedThreadEntry entry, void* argument) {
    registeredAtThreadStart = !WaitForRunningWorkers(0);
    return platform::StartDetachedThread(entry, argument);
}

TEST(WorkerStart, TheWorkerRunsOnAThreadOfItsOwnWithAFreshContextForTheWindow) {
    ThreadInstallStarter starter(&StandInWorker, &WatchedThreadStart);
    ASSERT_TRUE(starter.Start(kWindow));
    ASSERT_TRUE(WaitForRunningWorkers(60000));
    EXPECT_TRUE(registeredAtThreadStart);
    EXPECT_EQ(receivedWindow, kWindow);
    EXPECT_EQ(receivedText, L"");
}

TEST(WorkerStart, AThreadThatCannotStartLeavesNoWorkerRegistered) {
    ThreadInstallStarter starter(&StandInWorker, &RefuseThread);
    EXPECT_FALSE(starter.Start(kWindow));
    EXPECT_TRUE(WaitForRunningWorkers(0));  // start-up would not wait for a worker that never ran
}

}  // namespace
