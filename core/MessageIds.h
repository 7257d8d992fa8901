#pragma once

// Numbers of the catalogue's texts. English wording in comments; every language has every entry.
enum MessageId : unsigned {
    kMsgAdminRequired = 103,      // "You must have administrator privileges to install %1."
    kMsgVideoMemory = 105,        // "Video Memory = %d  MB"
    kMsgLonghornForbidden = 106,  // not shown
    kMsgVideoCardName = 108,      // "Video Card Name = %s"
    kMsgLogCreateError = 109,     // not shown
    kMsgBeginSetup = 110,         // "Begin bootstrap setup for %1 installation"
    kMsgEndSetup = 111,           // "End bootstrap setup for %1 installation"
    kMsgLogLine = 112,            // "%s: %s\n"
    kMsgDownloadingVc8Old = 113,  // not shown
    kMsgDiskSpaceRequired = 114,  // "%s installation requires at least %d MB."
    kMsgXp64NeedsSp2 = 115,
    kMsgClose = 116,
    kMsgServer2003NeedsSp1 = 117,
    kMsgXpNeedsSp2 = 118,
    kMsgNeedsXpSp2 = 119,
    kMsgDownloadingVc8 = 120,
    kMsgInstallingVc8 = 121,
    kMsgDownloadingMsxml = 122,
    kMsgInstallingMsxml = 123,
    kMsgDownloadingProduct = 124,
    kMsgInstallingProduct = 125,
    kMsgFunctionFailed = 126,  // "Function %s failed - errno = %d"
    kMsgByteCount = 127,       // "%I64d bytes"
    kMsgForbiddenOn = 128,     // "%1 installation is forbidden on %2\n."
    kMsgInstallFailed = 129,
    kMsgInstallSucceeded = 130,
    kMsgExpandingStatus = 131,
    kMsgClickInstall = 132,      // not shown
    kMsgAlreadyInstalled = 133,  // printf, two lines
    kMsgExpandingWait = 134,
    kMsgConnectionFailed = 137,
    kMsgCaption = 138,  // "%1 Setup"
    kMsgCancelInProgress = 139,
    kMsgInterrupted = 140,
    kMsgRemoving = 141,
    kMsgLaunchingOptimizer = 142,
    kMsgAcceptLicence = 143,
    kMsgLicenceLink = 144,  // link "idKORVOSkelv"
    kMsgAcceptCheckBox = 145,
    kMsgHardwareTooWeak = 146,
    kMsgSetupFailedShort = 147,  // not shown
    kMsgDiskSizeError = 148,
    kMsgCheckFailedWithHelp = 149,  // link "idHELP"
    kMsgAlreadyRunning = 150,
    kMsgInstall = 151,
    kMsgCancel = 152,
    kMsgCancelQuestion = 1020,
};
