#include "libgit.h"

#include <dlfcn.h>

namespace LibGit {

namespace {

struct Loaded {
    Api api;
    QString error; // empty when loaded
};

const Loaded& loaded()
{
    static const Loaded once = [] {
        Loaded l;
        void* library = dlopen(QUORVIX_LIBGIT2_SONAME, RTLD_NOW | RTLD_LOCAL);
        if (!library) {
            l.error = QStringLiteral("cannot load libgit2: ") + QString::fromLocal8Bit(dlerror());
            return l;
        }
        bool complete = true;
#define QUORVIX_LIBGIT2_LOOKUP(name)                                                               \
    l.api.name = reinterpret_cast<decltype(&::name)>(dlsym(library, #name));                       \
    if (!l.api.name && complete) {                                                                 \
        l.error = QStringLiteral("libgit2 (" QUORVIX_LIBGIT2_SONAME ") lacks " #name);             \
        complete = false;                                                                          \
    }
        QUORVIX_LIBGIT2_FUNCTIONS(QUORVIX_LIBGIT2_LOOKUP)
#undef QUORVIX_LIBGIT2_LOOKUP
        if (!complete)
            return l;
        l.api.git_libgit2_init();
        l.api.git_libgit2_opts(GIT_OPT_SET_OWNER_VALIDATION, 0);
        return l;
    }();
    return once;
}

} // namespace

const Api* load(QString& why)
{
    const Loaded& l = loaded();
    if (!l.error.isEmpty()) {
        why = l.error;
        return nullptr;
    }
    return &l.api;
}

const Api& api()
{
    return loaded().api;
}

QString lastError()
{
    const git_error* e = api().git_error_last();
    return e && e->message ? QString::fromUtf8(e->message) : QStringLiteral("git error");
}

} // namespace LibGit
