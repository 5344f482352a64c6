#include "libgit.h"

#include <git2.h>

namespace LibGit {

void init()
{
    static const bool started = [] {
        git_libgit2_init();
        // Only objects are read, no hook or program of the repository runs, so a repository
        // owned by another user (a CI checkout) is read as git would for its owner.
        git_libgit2_opts(GIT_OPT_SET_OWNER_VALIDATION, 0);
        return true;
    }();
    (void)started;
}

QString lastError()
{
    const git_error* e = git_error_last();
    return e && e->message ? QString::fromUtf8(e->message) : QStringLiteral("git error");
}

} // namespace LibGit
