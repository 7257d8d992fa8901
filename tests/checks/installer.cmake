# Tests of the installer checks.
