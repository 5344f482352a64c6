#pragma once

#include <QMainWindow>

struct AppContext;

// The main window: file browser, mode buttons, START, output list, menus; lives as long as the
// program.
class FormMain final : public QMainWindow {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FormMain)

public:
    // `commandLine` is the one path the program was started with ("" for none).
    FormMain(AppContext& ctx, const QString& commandLine, QWidget* parent = nullptr);
    ~FormMain() override;

private:
    struct Private;
    std::unique_ptr<Private> d;
};
