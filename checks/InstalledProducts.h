#pragma once

// Is the product registered with Windows Installer? Asked after its package has been installed.
bool IsInstalled();

// Is the runtime prerequisites package installed in a recent enough version? True: nothing to install.
bool IsPrereqVC8();
