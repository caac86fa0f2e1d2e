// The COM client test: `com_client_test.exe [test case...]`, run with the module registered and
// COM7 joined to COM8 like a null-modem cable.
#include <objbase.h>

#include "tests/win/support/check.h"

int main(int argc, char** argv) {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const int result = velko::wintest::runAll(argc, argv, 1);
    CoUninitialize();
    return result;
}
