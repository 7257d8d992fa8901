# Tests of the chain checks.
