#pragma once

#include <vector>

#include <QObject>
#include <QtTest>

#include "ui/common/dialogs.h"
#include "platform/shellservices.h"

// Registry of the Qt Test classes that ui/uitest_main.cpp runs one after the other.
namespace uitest {

using Factory = QObject* (*)();
std::vector<Factory>& registry();

struct Registration {
    explicit Registration(Factory f) { registry().push_back(f); }
};

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
                                 const QString&) override
    {
        inputs << title + QStringLiteral("|") + prompt;
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

} // namespace uitest

#define QUORVIX_UI_TEST(Class)                                                                     \
    static const uitest::Registration registration_##Class([]() -> QObject* { return new Class; })
