#pragma once

#include "resources/DialogIds.h"

// The controls of the setup dialog's template, by ID, and the names its links and messages use.
namespace dialog_control {
inline constexpr int kOkCommand = IDC_OK_COMMAND;
inline constexpr int kCancelButton = IDC_CANCEL_BUTTON;
inline constexpr int kProgressBar = IDC_PROGRESS_BAR;
inline constexpr int kAcceptCheckBox = IDC_ACCEPT_CHECK_BOX;
inline constexpr int kInstallButton = IDC_INSTALL_BUTTON;
inline constexpr int kEulaLink = IDC_EULA_LINK;
inline constexpr int kBannerPlaceholder = IDC_BANNER_PLACEHOLDER;
inline constexpr int kEndMessage = IDC_END_MESSAGE;
inline constexpr int kFailureLink = IDC_FAILURE_LINK;
inline constexpr int kStatusText = IDC_STATUS_TEXT;
}  // namespace dialog_control

// Identifiers of the links inside the link controls' texts (catalogue texts 144 and 149).
inline constexpr wchar_t kEulaLinkId[] = L"idKORVOSkelv";
inline constexpr wchar_t kHelpLinkId[] = L"idHELP";
// The licence text on the download server.
inline constexpr wchar_t kEulaFileName[] = L"KORVOSkelvEula.htm";

// Messages registered by name, which the product's texture expansion tool sends to the dialog:
// a progress report read like the worker's, and the notice that the textures are being expanded.
inline constexpr wchar_t kUpdateProgressMessageName[] = L"CUSTOM_UPDATE_PROGRESS";
inline constexpr wchar_t kUpdateLowExpandMessageName[] = L"CUSTOM_UPDATE_LOWEXPAND";
