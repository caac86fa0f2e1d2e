#include "tests/win/support/check.h"

// runtime_tests [TEST...]: the Win32 runtime's tests, all of them or those named. The runner
// (run-runtime-tests) links COM7 and COM8 first.
int main(int argc, char** argv) { return velko::wintest::runAll(argc, argv, 1); }
