#pragma once

#include "run/runrequest.h"
#include "settings/settingsfile.h"

class Dialogs;
class ShellServices;

// What lives as long as the program: the run request, the outputs, the modes-changed flag, and
// the services the windows use. Owned by main() and handed to every window by reference.
struct AppContext {
    AppContext(QString folder, Dialogs& d, ShellServices& s)
        : programFolder(std::move(folder))
        , dialogs(d)
        , shell(s)
    {
    }

    QString settingsPath() const { return SettingsFilePath(programFolder); }

    QString programFolder; // the executable's folder: settings file, templates, help
    RunRequest request;
    OutputList outputs;
    bool ModesChanged = false;
    Dialogs& dialogs;
    ShellServices& shell;
};
