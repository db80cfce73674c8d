# Windows tests: placeholder until the suites exist.
