#pragma once

#include <memory>

#include <QDialog>

struct AppContext;

// The version window: product name, "Version." + major.minor.revision, description, legal
// notice, the freeware note and the button that opens the maker's internet shortcut.
class FormFV final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FormFV)

public:
    FormFV(AppContext& ctx, QWidget* parent);
    ~FormFV() override;

    // "major.minor.revision" of this build.
    static QString versionNumbers();

private:
    struct Private;
    std::unique_ptr<Private> d;

    void BtnURL_Click();
};
