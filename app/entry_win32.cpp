// The process entry point: no C runtime start-up, no command line.
#include "app/base.h"

int main();

// MinGW GCC calls __main at the top of any function named main to run global constructors;
// the program has none (every global is constant-initialised).
extern "C" void __main() {}

extern "C" void TidewatchEntry()
{
    ExitProcess(static_cast<UINT>(main()));
}
