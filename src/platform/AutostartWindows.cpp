#include "Autostart.h"

#include <QtGlobal>

Autostart Autostart::forThisSystem()
{
    return forWindows(qEnvironmentVariable("os"), qEnvironmentVariable("userprofile"));
}
