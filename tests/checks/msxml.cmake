# Tests of the msxml checks.
