#include "testregistry.h"

#include <QApplication>
#include <QTest>

#include <cstdio>
#include <memory>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);

    const QStringList arguments = app.arguments();
    if (arguments.size() >= 3 && arguments.at(1) == QLatin1String("--child")) {
        const auto child = registeredChildren().find(arguments.at(2));
        if (child == registeredChildren().end()) {
            std::fprintf(stderr, "no child function %s\n", qPrintable(arguments.at(2)));
            return 125;
        }
        return child->second(arguments.mid(3));
    }

    int failures = 0;
    for (const TestFactory &factory : registeredTests()) {
        std::unique_ptr<QObject> test(factory());
        failures += QTest::qExec(test.get(), argc, argv);
    }
    return failures == 0 ? 0 : 1;
}
