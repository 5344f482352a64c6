#pragma once

#include <array>
#include <functional>

#include <QDialog>
#include <QElapsedTimer>

#include "engine/modedefinition.h"
#include "engine/runhost.h"

class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class StatusLine;
struct AppContext;

// The run dialog: shows what will be counted or converted, lets the user choose the output
// type and folder, and drives the batch over the run request's files. Opened modally by the
// main window for every run; closes itself when the run ends.
class FormWait final : public QDialog, private RunHost {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FormWait)

public:
    // `outputsChanged` is called after each entry added to ctx.outputs (the main window then
    // shows it); `startMainStatusTimer` starts the main window's status-line timer.
    FormWait(AppContext& ctx, QWidget* parent, std::function<void()> outputsChanged,
             std::function<void()> startMainStatusTimer);
    ~FormWait() override;

    // Esc closes a waiting dialog like いいえ and does nothing while a batch runs.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    class ProgressStrip;

    void buildControls();
    void Form_Load();
    void Form_Activate();
    void BtnYES_Click();
    void BtnNO_Click();
    void BtnStop_Click();
    void BtnOptSAVE_Click();
    void BtnDir_Click();
    void chkOutDirSrc_Click();
    void optOutType_Click();
    void SetRunControlsEnabled(bool flag);
    // The type and folder choices and 設定保存; a conversion has none of them.
    void setOutputOptionsEnabled(bool flag);

    bool isConversion() const;
    // The status line's resting text: what the run will write.
    QString outputDescription() const;
    void updateFolderControls();
    void commonEnd();
    void pumpEvents();

    // RunHost: the batch runs on this thread and lets the dialog's events in through yield().
    void yield() override;
    bool cancelled() const override;
    void progress(double processedBytes, double totalBytes) override;
    void message(const QString& text) override;
    void error(const QString& text) override;
    void currentFile(int position, int count, const QString& name) override;
    void outputsChanged() override;

    AppContext& m_ctx;
    std::function<void()> m_outputsChanged;
    std::function<void()> m_startMainStatusTimer;
    ModeDefinition m_mode;
    bool m_activated = false;
    bool m_running = false;
    bool m_stopRequested = false; // 中止 or the close box during a batch, confirmed
    bool m_pumpNow = false;
    unsigned m_yields = 0;
    QElapsedTimer m_sinceLastPump;

    QLabel* lblMsg = nullptr;
    QFrame* frameOutputOption = nullptr;
    QGroupBox* Frame2 = nullptr;
    std::array<QRadioButton*, 2> optOutType{};
    QGroupBox* Frame1 = nullptr;
    QLabel* Label6 = nullptr;
    QCheckBox* chkOutDirSrc = nullptr;
    QLineEdit* txtOutDirPath = nullptr;
    QPushButton* BtnDir = nullptr;
    QPushButton* BtnYES = nullptr;
    QPushButton* BtnStop = nullptr;
    QPushButton* BtnNO = nullptr;
    QPushButton* BtnOptSAVE = nullptr;
    ProgressStrip* picStatusBar = nullptr;
    QLabel* lblStatusBar = nullptr;
    StatusLine* m_status = nullptr;
};
