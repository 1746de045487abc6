#include "cli/entry.h"

int main(int count, char** vector)
{
    RecordCommandLine(count, vector);
    ProgramEntry();
}
