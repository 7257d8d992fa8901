#pragma once

// The controls of the setup dialog's template, by ID, and the names its links and messages use.
namespace dialog_control {
inline constexpr int kOkCommand = 1;     // Enter with no default button; no control has this ID
inline constexpr int kCancelButton = 2;  // Cancel, later Close; also the cancel command (Escape)
inline constexpr int kProgressBar = 1000;
inline constexpr int kAcceptCheckBox = 1001;
inline constexpr int kInstallButton = 1006;
inline constexpr int kEulaLink = 1010;
inline constexpr int kBannerPlaceholder = 1014;
inline constexpr int kEndMessage = 1017;   // read-only edit: the end-of-run text, selectable
inline constexpr int kFailureLink = 1019;  // the start-up check's refusal with the help link
inline constexpr int kStatusText = -1;     // instruction, then status text
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
