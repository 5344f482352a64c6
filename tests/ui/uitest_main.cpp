// Runs every registered Qt Test class; the exit code is the number of failed classes. Set
// QUORVIX_UI_TEST=ClassName to run one class only (Qt Test arguments then reach that class).

#include <cstdio>
#include <memory>

#include <QApplication>

#include "uitest.h"

std::vector<uitest::Factory>& uitest::registry()
{
    static std::vector<Factory> factories;
    return factories;
}

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const QByteArray only = qgetenv("QUORVIX_UI_TEST");
    int failed = 0;
    int run = 0;
    for (const uitest::Factory make : uitest::registry()) {
        std::unique_ptr<QObject> test(make());
        if (!only.isEmpty() && only != test->metaObject()->className())
            continue;
        failed += QTest::qExec(test.get(), argc, argv) != 0 ? 1 : 0;
        ++run;
    }
    std::printf("ui_tests: %d passed, %d failed\n", run - failed, failed);
    return failed;
}
