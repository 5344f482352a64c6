#pragma once

#include <git2.h> // types and constants; the functions come through LibGit::api()

#include <QString>

// libgit2, loaded on first use: with the libraries it pulls in (TLS, SSH, Kerberos) it costs
// several milliseconds at every start of the programs, and most runs never touch git.
namespace LibGit {

#define QUORVIX_LIBGIT2_FUNCTIONS(X)                                                               \
    X(git_libgit2_init)                                                                            \
    X(git_libgit2_opts)                                                                            \
    X(git_error_last)                                                                              \
    X(git_repository_open_ext)                                                                     \
    X(git_repository_free)                                                                         \
    X(git_repository_workdir)                                                                      \
    X(git_repository_odb)                                                                          \
    X(git_ignore_path_is_ignored)                                                                  \
    X(git_revparse_single)                                                                         \
    X(git_object_peel)                                                                             \
    X(git_object_free)                                                                             \
    X(git_tree_walk)                                                                               \
    X(git_tree_free)                                                                               \
    X(git_tree_entry_name)                                                                         \
    X(git_tree_entry_filemode)                                                                     \
    X(git_tree_entry_id)                                                                           \
    X(git_odb_read_header)                                                                         \
    X(git_odb_free)                                                                                \
    X(git_blob_lookup)                                                                             \
    X(git_blob_rawcontent)                                                                         \
    X(git_blob_rawsize)                                                                            \
    X(git_blob_free)                                                                               \
    X(git_diff_buffers)

// The functions this program uses, by their libgit2 names.
struct Api {
#define QUORVIX_LIBGIT2_MEMBER(name) decltype(&::name) name = nullptr;
    QUORVIX_LIBGIT2_FUNCTIONS(QUORVIX_LIBGIT2_MEMBER)
#undef QUORVIX_LIBGIT2_MEMBER
};

// libgit2, loaded and started once (a repository owned by another user is read as for its
// owner: only objects and ignore rules are read, nothing of the repository runs). Null, with
// the reason in `why`, when it cannot be loaded.
const Api* load(QString& why);

// After load() succeeded.
const Api& api();

// libgit2's message for the last failure of this thread.
QString lastError();

// Frees libgit2 objects, for std::unique_ptr.
struct Free {
    void operator()(git_repository* p) const { api().git_repository_free(p); }
    void operator()(git_object* p) const { api().git_object_free(p); }
    void operator()(git_tree* p) const { api().git_tree_free(p); }
    void operator()(git_blob* p) const { api().git_blob_free(p); }
    void operator()(git_odb* p) const { api().git_odb_free(p); }
};

} // namespace LibGit
