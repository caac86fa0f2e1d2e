// The container test: `container_test.exe [test case...]`, run on a display with the module
// registered and COM7 joined to COM8 like a null-modem cable.
#include <ole2.h>

#include "tests/win/support/check.h"

int main(int argc, char** argv) {
    OleInitialize(nullptr);
    const int result = velko::wintest::runAll(argc, argv, 1);
    OleUninitialize();
    return result;
}
