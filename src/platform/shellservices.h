#pragma once

#include <QString>

// The desktop shell's "open" operation, behind an interface so the windows' failure paths can
// be tested. Results follow the shell's convention: above 32 success, 2 file not found, 31 no
// application associated with the file.
class ShellServices {
public:
    static constexpr int FileNotFound = 2;
    static constexpr int NoAssociation = 31;
    static constexpr int Success = 33;

    virtual ~ShellServices() = default;

    // Opens `file` with the application associated with it; with `parameters` not empty, `file`
    // is a send-to shortcut (a symlink to a program or an executable script) that is run
    // detached with `parameters` as its one argument.
    virtual int open(const QString& file, const QString& parameters) = 0;
};

// The real shell: QDesktopServices for opening, a detached process for send-to shortcuts.
class DesktopShellServices final : public ShellServices {
public:
    int open(const QString& file, const QString& parameters) override;
};
