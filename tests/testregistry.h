#pragma once

#include <QObject>
#include <QStringList>

#include <functional>
#include <map>
#include <vector>

// Test classes of one suite register here; the suite's main runs them all.
using TestFactory = std::function<QObject *()>;

inline std::vector<TestFactory> &registeredTests()
{
    static std::vector<TestFactory> tests;
    return tests;
}

inline int registerTest(TestFactory factory)
{
    registeredTests().push_back(std::move(factory));
    return int(registeredTests().size());
}

// Work a test runs in a child process of its own suite (see TestSupport::runChild):
// a program start that may end the process, a save under a file size limit.
// The function gets the arguments after its name and returns the exit code.
using ChildFunction = std::function<int(const QStringList &arguments)>;

inline std::map<QString, ChildFunction> &registeredChildren()
{
    static std::map<QString, ChildFunction> children;
    return children;
}

inline int registerChild(const QString &name, ChildFunction function)
{
    registeredChildren()[name] = std::move(function);
    return int(registeredChildren().size());
}

#define VANTOR_REGISTER_TEST(Class) \
    static const int registered##Class = registerTest([] { return static_cast<QObject *>(new Class); });

#define VANTOR_REGISTER_CHILD(Name, Function) \
    static const int registeredChild##Name = registerChild(QStringLiteral(#Name), Function);
