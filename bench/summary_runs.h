// summary_runs.h -- which runs a benchmark program's summary counts, and under what name
#pragma once

#include <benchmark/benchmark.h>

#include <string>

// A single run counts, and the median of repetitions when only aggregates are reported; failed
// runs do not. Gives the run's name ("Function/args") in *name and whether it is a median.
inline bool CountedRun(const benchmark::BenchmarkReporter::Run& run, std::string* name,
                       bool* median)
{
    using Run = benchmark::BenchmarkReporter::Run;
    *median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
    if ((run.run_type != Run::RT_Iteration && !*median) || run.error_occurred)
        return false;
    *name = run.run_name.function_name + (run.run_name.args.empty() ? "" : "/" + run.run_name.args);
    return true;
}
