#pragma once

#include <optional>
#include <vector>

#include <QAnyStringView>
#include <QFile>
#include <QTemporaryDir>
#include <QWidget>

#include "platform/shellservices.h"
#include "settings/clsinifile.h"
#include "ui/common/appcontext.h"
#include "ui/common/dialogs.h"

// What the window tests share: doubles for the dialogs and the shell, a program folder with its
// context, and small helpers. Helpers return what happened; the test checks it.
namespace uitest {

// Dialogs that record what the windows asked and answer from a script.
class FakeDialogs final : public Dialogs {
public:
    struct Shown {
        QString text;
        Icon icon;
    };

    void message(QWidget*, const QString& text, Icon icon) override
    {
        messages.push_back({text, icon});
    }
    bool question(QWidget*, const QString& text) override
    {
        questions << text;
        return answerYes;
    }
    std::optional<QString> input(QWidget*, const QString& title, const QString& prompt,
                                 const QString& initial) override
    {
        inputs << title + QStringLiteral("|") + prompt;
        initials << initial;
        return inputAnswer;
    }
    QString chooseFolder(QWidget*, const QString& title) override
    {
        folderTitles << title;
        return folderAnswer;
    }
    QString chooseFile(QWidget*, const QString& title, const QStringList& filters,
                       const QString&) override
    {
        fileTitles << title;
        fileFilters = filters;
        return fileAnswer;
    }

    std::vector<Shown> messages;
    QStringList questions;
    bool answerYes = true;
    QStringList inputs;
    QStringList initials; // the text each input box offered
    std::optional<QString> inputAnswer;
    QStringList folderTitles;
    QString folderAnswer;
    QStringList fileTitles;
    QStringList fileFilters;
    QString fileAnswer;
};

// A shell that records every open and answers with `result`.
class FakeShell final : public ShellServices {
public:
    int open(const QString& file, const QString& parameters) override
    {
        opened << file + QStringLiteral("|") + parameters;
        return result;
    }

    QStringList opened;
    int result = Success;
};

// The child of `parent` named `name`. A missing child ends the test program: the window no
// longer has the control the test drives.
template <typename T = QWidget>
T* find(const QObject* parent, QAnyStringView name)
{
    T* child = parent->findChild<T*>(name.toString());
    if (!child)
        qFatal("no child %s", qPrintable(name.toString()));
    return child;
}

// False when `path` cannot be written whole.
[[nodiscard]] inline bool writeFile(const QString& path, const QByteArray& bytes = QByteArray())
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// A program folder, whose settings file the test writes, a source folder, and the context the
// windows get, over fake dialogs and shell.
struct AppEnv {
    QTemporaryDir home;
    QTemporaryDir src;
    FakeDialogs dialogs;
    FakeShell shell;
    AppContext ctx{home.path(), dialogs, shell};

    [[nodiscard]] bool setIni(const QString& section, const QString& key,
                              const QString& value) const
    {
        clsIniFile ini;
        ini.setPFileName(ctx.settingsPath());
        return ini.mSetString(section, key, value);
    }
    QString ini(const QString& section, const QString& key,
                const QString& missing = QString()) const
    {
        clsIniFile ini;
        ini.setPFileName(ctx.settingsPath());
        return ini.mGetString(section, key, missing);
    }
};

} // namespace uitest
