#pragma once

#include <QString>
#include <QStringList>

// The run dialog's description of what will be done: the files (by name up to three, else
// their number) and the count, or the line ends a conversion replaces.
QString RunPromptText(const QStringList& files, qint16 processMode);
