#pragma once

#include "engine/modedefinition.h"

// A mode as the loader gives it before any key is set: area 1 starts with "*", nothing else.
inline ModeDefinition BareMode()
{
    ModeDefinition m;
    m.StartWord[1] = QStringLiteral("*");
    return m;
}
