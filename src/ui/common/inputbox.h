#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

// The input box of the windows: a prompt beside OK and キャンセル, and under them one line
// edit in a fixed-pitch font, wide enough for a whole 80-column source line.
class InputBox final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(InputBox)

public:
    static constexpr int kColumns = 80;

    InputBox(const QString& title, const QString& prompt, const QString& initial,
             QWidget* parent = nullptr);
    ~InputBox() override;

    QString text() const;

private:
    QLabel* lblPrompt = nullptr;
    QLineEdit* txtInput = nullptr;
    QPushButton* BtnOK = nullptr;
    QPushButton* BtnCancel = nullptr;
};
