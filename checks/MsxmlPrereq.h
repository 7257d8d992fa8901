#pragma once
#include <string>
#include <vector>

// Is a usable MSXML 6.0 present? True: it need not be installed.
bool IsPrereqMSXML();

// What the checker's result code means for the install: only a missing MSXML 6.0 or a failed check
// asks for it; a missing fix alone does not.
struct MsxmlPrereqVerdict {
    bool msxmlUsable = false;
    std::vector<std::wstring> logLines;  // written after the checker has run
};

MsxmlPrereqVerdict DecideMsxmlPrereq(int checkerCode);
