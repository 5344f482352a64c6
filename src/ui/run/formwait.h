#pragma once

#include <functional>

#include <QDialog>

struct AppContext;

// The run dialog: shows what will be counted or converted, lets the user choose the output
// type and folder, and drives the batch over the run request's files. Opened modally by the
// main window for every run; closes itself when the run ends.
class FormWait final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FormWait)

public:
    // `outputsChanged` is called after each entry added to ctx.outputs (the main window then
    // shows it); `startMainStatusTimer` starts the main window's status-line timer.
    FormWait(AppContext& ctx, QWidget* parent, std::function<void()> outputsChanged,
             std::function<void()> startMainStatusTimer);
    ~FormWait() override;

private:
    struct Private;
    std::unique_ptr<Private> d;
};
