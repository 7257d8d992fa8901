# Tests of the machine checks.
