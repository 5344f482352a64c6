#include "dialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>

#include "settings/paths.h"
#include "ui/common/inputbox.h"

namespace {

const QString kTitle = QStringLiteral("Quorvix");

} // namespace

void QtDialogs::message(QWidget* parent, const QString& text, Icon icon)
{
    const QMessageBox::Icon qtIcon = icon == Icon::Exclamation ? QMessageBox::Warning
                                     : icon == Icon::Critical  ? QMessageBox::Critical
                                     : icon == Icon::Question  ? QMessageBox::Question
                                                               : QMessageBox::Information;
    QMessageBox box(qtIcon, kTitle, text, QMessageBox::Ok, parent);
    box.exec();
}

bool QtDialogs::question(QWidget* parent, const QString& text)
{
    return QMessageBox::question(parent, kTitle, text, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

std::optional<QString> QtDialogs::input(QWidget* parent, const QString& title,
                                        const QString& prompt, const QString& initial)
{
    InputBox box(title, prompt, initial, parent);
    if (box.exec() != QDialog::Accepted)
        return std::nullopt;
    return box.text();
}

QString QtDialogs::chooseFolder(QWidget* parent, const QString& title)
{
    return QDir::toNativeSeparators(QFileDialog::getExistingDirectory(parent, title));
}

QString QtDialogs::chooseFile(QWidget* parent, const QString& title, const QStringList& filters,
                              const QString& folder)
{
    QString selected = filters.value(0);
    return QDir::toNativeSeparators(QFileDialog::getOpenFileName(
        parent, title, folder, filters.join(QStringLiteral(";;")), &selected));
}

QString BrowseForOutputFolder(QWidget* owner, Dialogs& dialogs)
{
    const QString folder = dialogs.chooseFolder(owner, QStringLiteral("出力先フォルダの選択"));
    return folder.isEmpty() ? QString() : AddBackslash(folder);
}
