#pragma once

#include <functional>

#include <QDialog>
#include <QElapsedTimer>

#include "engine/runhost.h"

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
struct AppContext;

// 差分カウント: the steps added, changed and deleted between an old folder and the folder shown
// in the browser, under the current mode, written as one CSV or HTML file into the run
// dialog's output folder and listed in the output list. The diff runs in the dialog, which
// shows its progress and stops on 中止.
class FormDiff final : public QDialog, private RunHost {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FormDiff)

public:
    // `newFolder` is the browser's folder, `slot` the mode button's slot; `outputsChanged` is
    // called when the output is listed.
    FormDiff(AppContext& ctx, QWidget* parent, const QString& newFolder, int slot,
             std::function<void()> outputsChanged);

    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BtnOldDir_Click();
    void BtnOutDir_Click();
    void BtnYES_Click();
    void BtnStop_Click();
    void setRunning(bool running);

    // RunHost: the diff runs on this thread and lets the dialog's events in through yield().
    void yield() override;
    bool cancelled() const override { return m_stopRequested; }
    void progress(double processedBytes, double totalBytes) override;
    void currentFile(int position, int count, const QString& name) override;
    void outputsChanged() override;

    AppContext& m_ctx;
    QString m_newFolder;
    int m_slot;
    std::function<void()> m_outputsChanged;
    bool m_running = false;
    bool m_stopRequested = false;
    QElapsedTimer m_sincePump;

    QLineEdit* txtOldDir = nullptr;
    QPushButton* BtnOldDir = nullptr;
    QLineEdit* txtNewDir = nullptr;
    QLabel* lblMode = nullptr;
    QRadioButton* optCsv = nullptr;
    QRadioButton* optHtml = nullptr;
    QLineEdit* txtOutDir = nullptr;
    QPushButton* BtnOutDir = nullptr;
    QProgressBar* barProgress = nullptr;
    QLabel* lblStatus = nullptr;
    QPushButton* BtnYES = nullptr;
    QPushButton* BtnStop = nullptr;
    QPushButton* BtnNO = nullptr;
};
