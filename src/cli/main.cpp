#include "cli/entry.h"

int main()
{
    ProgramEntry();
}
