// Runs every registered Qt Test class; the exit code is the number of failed classes. Set
// QUORVIX_UI_TEST=ClassName to run one class only (Qt Test arguments then reach that class), as
// each CTest entry does. With the variable set, a name no class has and a class without a CTest
// entry both fail the run, so a renamed or added class cannot go unrun unnoticed.

#include <cstdio>
#include <memory>

#include <QApplication>
#include <QStringList>

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
    const QStringList listed = QStringLiteral(QUORVIX_UI_TEST_CLASSES).split(u',');
    QStringList registered;
    int failed = 0;
    int run = 0;
    for (const uitest::Factory make : uitest::registry()) {
        std::unique_ptr<QObject> test(make());
        const QString name = QString::fromLatin1(test->metaObject()->className());
        registered << name;
        if (!only.isEmpty() && !listed.contains(name)) {
            std::fprintf(stderr,
                         "ui_tests: test class %s has no CTest entry (tests/CMakeLists.txt)\n",
                         qPrintable(name));
            return 1;
        }
        if (!only.isEmpty() && only != name.toLatin1())
            continue;
        failed += QTest::qExec(test.get(), argc, argv) != 0 ? 1 : 0;
        ++run;
    }
    if (!only.isEmpty() && run == 0) {
        std::fprintf(stderr, "ui_tests: QUORVIX_UI_TEST=%s names no registered test class (%s)\n",
                     only.constData(), qPrintable(registered.join(QStringLiteral(", "))));
        return 1;
    }
    std::printf("ui_tests: %d passed, %d failed\n", run - failed, failed);
    return failed;
}
