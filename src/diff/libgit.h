#pragma once

#include <QString>

// libgit2 for the diff layer: started once, on first use.
namespace LibGit {

void init();

// libgit2's message for the last failure of this thread.
QString lastError();

} // namespace LibGit
