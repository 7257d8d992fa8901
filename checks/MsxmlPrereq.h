#pragma once

// Is a usable MSXML 6.0 present? True: it need not be installed.
bool IsPrereqMSXML();
