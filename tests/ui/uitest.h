#pragma once

#include <vector>

#include <QObject>
#include <QtTest>

// Registry of the Qt Test classes that ui/uitest_main.cpp runs one after the other.
namespace uitest {

using Factory = QObject* (*)();
std::vector<Factory>& registry();

struct Registration {
    explicit Registration(Factory f) { registry().push_back(f); }
};

} // namespace uitest

#define QUORVIX_UI_TEST(Class)                                                                     \
    static const uitest::Registration registration_##Class([]() -> QObject* { return new Class; })
