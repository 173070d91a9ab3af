#pragma once

#include <QCoreApplication>
#include <QObject>

#include <memory>

// Every test program is built from its test classes plus one shared main (test_runner.cpp),
// which runs each class registered with BP_TEST in the order of their names. A program that
// needs more (a child mode, its own application class) says so with BP_TEST_PROGRAM.
namespace bp::testing {

using MakeTest = std::unique_ptr<QObject> (*)();

struct ProgramSetup
{
    // Runs before the application exists; a value of 0 or more ends the program with it.
    int (*beforeApplication)(int argc, char **argv) = nullptr;
    // Makes the application; by default the one the program's Qt libraries call for.
    std::unique_ptr<QCoreApplication> (*makeApplication)(int &argc, char **argv) = nullptr;
    // Runs after the application is gone.
    void (*afterRun)() = nullptr;
};

bool registerTest(const char *name, MakeTest make);
bool setProgramSetup(ProgramSetup setup);

} // namespace bp::testing

#define BP_TEST(Class)                                                                             \
    namespace {                                                                                    \
    const bool registered##Class =                                                                 \
        ::bp::testing::registerTest(#Class, [] { return std::unique_ptr<QObject>(new Class); });   \
    }

#define BP_TEST_PROGRAM(...)                                                                       \
    namespace {                                                                                    \
    const bool programSetUp = ::bp::testing::setProgramSetup(__VA_ARGS__);                         \
    }
