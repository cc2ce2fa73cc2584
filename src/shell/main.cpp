// Entry point. The staged start-up comes with the application shell; for now the program starts
// the engine's base services, writes its log and exits.
#include "engine/engine_log.h"

int main()
{
    GetLog().Message("Running application...");
    GetLog().WriteSystemInfo();
    GetLog().Message("Application finished.");
    return 0;
}
