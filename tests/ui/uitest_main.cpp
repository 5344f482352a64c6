// Runs every registered Qt Test class; the exit code is the number of failed classes.

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
    int failed = 0;
    int run = 0;
    for (const uitest::Factory make : uitest::registry()) {
        std::unique_ptr<QObject> test(make());
        failed += QTest::qExec(test.get(), argc, argv) != 0 ? 1 : 0;
        ++run;
    }
    std::printf("ui_tests: %d passed, %d failed\n", run - failed, failed);
    return failed;
}
