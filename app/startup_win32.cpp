// Start-up and shutdown of the program.
#include "app/base.h"

int main()
{
    return 0;
}
