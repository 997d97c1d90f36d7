#pragma once
// The entry point of a Google Benchmark program whose code needs Qt's core
// application object.

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#define KV_BENCHMARK_MAIN()                                                                                            \
    int main(int argc, char **argv)                                                                                    \
    {                                                                                                                  \
        QCoreApplication app(argc, argv);                                                                              \
        benchmark::Initialize(&argc, argv);                                                                            \
        benchmark::RunSpecifiedBenchmarks();                                                                           \
        benchmark::Shutdown();                                                                                         \
        return 0;                                                                                                      \
    }
