// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Runs the fuzz target's checks once on each file named, without libFuzzer: the
// corpus as a test, with any compiler. A broken promise traps, as in the fuzzer.

#include <QByteArray>
#include <QFile>

#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size);

int main(int argc, char **argv)
{
    for (int index = 1; index < argc; ++index) {
        QFile file(QString::fromLocal8Bit(argv[index]));
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "replay: cannot read %s\n", argv[index]);
            return 1;
        }
        const QByteArray bytes = file.readAll();
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(bytes.constData()), size_t(bytes.size()));
    }
    std::printf("replay: %d inputs, every check held\n", argc - 1);
    return 0;
}
