#pragma once

#include <vector>

class QListWidget;
struct OutputEntry;

// Shows `entries` in the main window's output list: what was added since the last call is
// appended, selected entries selected and the last one scrolled into view; anything else (a
// cleared list) rebuilds the list.
void ShowOutputEntries(QListWidget& lstOutputData, const std::vector<OutputEntry>& entries);
