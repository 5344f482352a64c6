#pragma once

#include <QString>

// The user's shell folder of that name: "SendTo" (created on first use) or "Personal"; "" for
// any other name or when the folder cannot be had.
QString GetShellFolder(const QString& name);
