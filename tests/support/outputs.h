#pragma once

#include <QStringList>

#include "run/runrequest.h"

// The texts of an output list's entries, in order.
inline QStringList EntryTexts(const OutputList& list)
{
    QStringList texts;
    for (const OutputEntry& e : list.entries())
        texts << e.text;
    return texts;
}
