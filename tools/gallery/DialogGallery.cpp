// Every state of the setup dialog in the language the user interface runs in, at the screen's pixel
// density: its layout checked, and pictures of the states named. The real dialog (template,
// resources, window procedure, behaviour) runs in this process, once per run below; a staging thread
// (tools/gallery/DialogStage.h) plays the user and the install worker, checks each state's layout
// and saves the states named as <folder>\<state>.bmp.
//   dialog_gallery                      checks the layout of every state
//   dialog_gallery <folder> <state>...  and saves pictures of the states named
// Exits 0 when every state's layout holds, every picture asked for was saved and every dialog ended
// with the result its run calls for.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>

#include "checks/OsCheck.h"
#include "checks/StartupCheckResults.h"
#include "core/MessageCatalogue.h"
#include "core/ProcessState.h"
#include "core/ProductConstants.h"
#include "platform/Services.h"
#include "resources/DialogIds.h"
#include "setup/InstallCommands.h"
#include "setup/SetupApp.h"
#include "setup/WorkerMessages.h"
#include "setup/win32/SetupDialogWindow.h"
#include "tools/gallery/DialogStage.h"

namespace {

constexpr DWORD kStagingEndTimeoutMs = 20000;  // for the staging thread once its dialog has ended

// Installation progress is posted against this range (setup/InstallCommands.h); a download's range
// is its number of slices, here seven.
constexpr int kDownloadSlices = 7;

// The runs of the dialog, each with the states it shows.
void Refusal(DialogStage& stage) {
    stage.Picture(L"blocked");
    stage.Close();
}

void SuccessfulRun(DialogStage& stage) {
    stage.Picture(L"ready");
    stage.Click(IDC_ACCEPT_CHECK_BOX);
    stage.Picture(L"accepted");
    stage.PressInstall();
    stage.Status(kMsgDownloadingProduct);
    stage.Progress(3, kDownloadSlices);
    stage.Picture(L"downloading");
    stage.CancelQuestion(L"cancel-question");
    stage.Status(kMsgInstallingProduct);
    stage.Progress(60, kInstallRange);
    stage.Picture(L"installing");
    stage.End(worker_message::kInstallSucceeded);
    stage.Picture(L"succeeded");
    stage.Close();
}

// A run that ends with `message` after showing `status`, pictured as `state`.
void EndedRun(DialogStage& stage, std::uint32_t message, unsigned status, const wchar_t* state) {
    stage.Click(IDC_ACCEPT_CHECK_BOX);
    stage.PressInstall();
    stage.Status(status);
    stage.End(message);
    stage.Picture(state);
    stage.Close();
}
void FailedRun(DialogStage& stage) {
    EndedRun(stage, worker_message::kInstallFailed, kMsgDownloadingProduct, L"failed");
}
void ExpandFailedRun(DialogStage& stage) {
    EndedRun(stage, worker_message::kExpandFailed, kMsgExpandingStatus, L"expand-failed");
}
void CancelledRun(DialogStage& stage) {
    EndedRun(stage, worker_message::kInstallCancelled, kMsgRemoving, L"cancelled");
}

struct Scene {
    bool checksPassed;
    int result;  // the dialog's result at its end (StartupSteps::DialogResult)
    DialogStage::Script script;
};

constexpr Scene kScenes[] = {
    {false, kRunCancelled, &Refusal},       // a start-up check failed
    {true, kRunInstalled, &SuccessfulRun},  // the licence, the run, the question, success
    {true, kRunFailed, &FailedRun},         // the worker failed
    {true, kRunFailed, &ExpandFailedRun},   // the texture expansion failed
    {true, kRunCancelled, &CancelledRun},   // the user confirmed a cancel
};

// The refusal the operating-system check gives on Windows Server 2008, with its own decision.
std::wstring OperatingSystemRefusal() {
    constexpr std::uint32_t kWindowsNt = 2;
    constexpr std::uint8_t kServer = 3;
    OsFacts facts;
    facts.version = platform::OsVersionRecord{kWindowsNt, 6, 0, 0, kServer};
    return DecideOsAuthorization(facts, &MessageCatalogue::Load).failureMessage.value_or(std::wstring());
}

bool RunScene(const Scene& scene, const PictureRequest& pictures) {
    // What start-up settles before the dialog exists.
    StartupCheckResults& found = StartupResults();
    found.checksPassed = scene.checksPassed;
    found.failureMessage = scene.checksPassed ? std::wstring() : OperatingSystemRefusal();
    CancelRequested = 0;
    ProgressDisplayEnabled = 1;

    RecordingStarter starter;
    DialogStage stage(pictures, starter, scene.script);
    HANDLE staging = CreateThread(nullptr, 0, &DialogStage::Run, &stage, 0, nullptr);
    if (staging == nullptr) return false;
    int result = RunSetupDialog(starter);
    if (WaitForSingleObject(staging, kStagingEndTimeoutMs) != WAIT_OBJECT_0) {
        std::fprintf(stderr, "dialog_gallery: the staging thread did not end\n");
        ExitProcess(1);  // it still uses this run's objects
    }
    CloseHandle(staging);
    if (result != scene.result) std::fprintf(stderr, "dialog_gallery: a dialog ended with result %d\n", result);
    return stage.Ok() && result == scene.result;
}

}  // namespace

int main() {
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (arguments == nullptr || count == 2) {
        std::fprintf(stderr, "usage: dialog_gallery [<folder> <state>...]\n");
        return 2;
    }
    PictureRequest pictures;
    if (count > 2) pictures = {arguments[1], std::vector<std::wstring>(arguments + 2, arguments + count)};
    LocalFree(arguments);

    // As start-up does before it shows the dialog.
    platform::Services& os = platform::Os();
    os.desktop->RegisterDialogClassCopy(product::kWindowClass);
    os.desktop->InitCommonControls();

    bool allShown = true;
    for (const Scene& scene : kScenes) allShown = RunScene(scene, pictures) && allShown;
    return allShown ? 0 : 1;
}
