#pragma once

#include <optional>

#include <QString>
#include <QStringList>

class QWidget;

// Every modal box and picker of the windows goes through this, so tests replace it and never
// block on a real dialog. Boxes carry the program's title "Quorvix".
class Dialogs {
public:
    enum class Icon { Information, Exclamation, Critical, Question };

    virtual ~Dialogs() = default;

    // A message box with an OK button.
    virtual void message(QWidget* parent, const QString& text, Icon icon) = 0;

    // A question box with Yes and No buttons and the question icon; true for Yes.
    virtual bool question(QWidget* parent, const QString& text) = 0;

    // An input box; std::nullopt when cancelled.
    virtual std::optional<QString> input(QWidget* parent, const QString& title,
                                         const QString& prompt, const QString& initial) = 0;

    // The folder picker; the chosen folder (without trailing separator), or "" when cancelled.
    virtual QString chooseFolder(QWidget* parent, const QString& title) = 0;

    // The file-open dialog: `filters` as Qt name filters ("Name (*.ext)"), the first
    // preselected; the chosen file, or "" when cancelled.
    virtual QString chooseFile(QWidget* parent, const QString& title, const QStringList& filters,
                               const QString& folder) = 0;
};

// The real dialogs: QMessageBox, our InputBox, QFileDialog.
class QtDialogs final : public Dialogs {
public:
    void message(QWidget* parent, const QString& text, Icon icon) override;
    bool question(QWidget* parent, const QString& text) override;
    std::optional<QString> input(QWidget* parent, const QString& title, const QString& prompt,
                                 const QString& initial) override;
    QString chooseFolder(QWidget* parent, const QString& title) override;
    QString chooseFile(QWidget* parent, const QString& title, const QStringList& filters,
                       const QString& folder) override;
};

// The output folder picker with the title "出力先フォルダの選択": the chosen folder ending in the
// separator, or "" when cancelled.
QString BrowseForOutputFolder(QWidget* owner, Dialogs& dialogs);
