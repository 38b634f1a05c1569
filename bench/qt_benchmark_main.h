#pragma once
// The main() of a benchmark that needs a Qt application: offscreen unless
// QT_QPA_PLATFORM says otherwise, then Google Benchmark's usual run.

#include <QByteArray>
#include <QtGlobal>

#include <benchmark/benchmark.h>

template <class Application>
int runQtBenchmarks(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    Application app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
