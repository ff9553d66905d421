// text_bench.cpp -- the cost of text on surfaces at 16 bits: the scene's text box with its font
// created and deleted, the status line, a font's create-select-delete round trip, and the
// measured and wrapped text of games against their targets, summed up after the table (processor
// time per call, so a busy machine weighs less on the figures)

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "app/app.h"
#include "bench_display.h"
#include "summary_runs.h"
#include "display/display.h"
#include "draw/draw.h"

namespace {

// The display at 16 bits, once per process.
bool DisplayReady()
{
    static const bool ready = BenchDisplay(16);
    return ready;
}

// 40 lines of 60 Windows-1251 characters, Russian and English words, ended by CR LF.
std::string BoxText()
{
    static const char* const Words[] = {
        "\xD1\xFA\xE5\xF8\xFC",              // Съешь
        "\xE6\xE5",                          // же
        "\xE5\xF9\xB8",                      // ещё
        "\xFD\xF2\xE8\xF5",                  // этих
        "\xEC\xFF\xE3\xEA\xE8\xF5",          // мягких
        "\xF4\xF0\xE0\xED\xF6\xF3\xE7\xF1\xEA\xE8\xF5",  // французских
        "\xE1\xF3\xEB\xEE\xEA,",             // булок,
        "quick", "brown", "fox", "jumps", "over", "the", "lazy", "dog", "1234567890",
    };
    std::string text;
    size_t word = 0;
    for (int line = 0; line < 40; ++line) {
        std::string row;
        while (row.size() < 60) {
            if (!row.empty())
                row += ' ';
            row += Words[word++ % (sizeof(Words) / sizeof(Words[0]))];
        }
        row.resize(60);
        text += row + "\r\n";
    }
    return text;
}

void TextBox(benchmark::State& state)
{
    if (!DisplayReady()) {
        state.SkipWithError("no display");
        return;
    }
    const std::string text = BoxText();
    for (auto _ : state)
        DrawTextBox(30, 30, 401, 501, 16, 0x00FFFF00, pScreenSurface, text.c_str());
}
BENCHMARK(TextBox)->Unit(benchmark::kMicrosecond);

void StatusLine(benchmark::State& state)
{
    if (!DisplayReady()) {
        state.SkipWithError("no display");
        return;
    }
    for (auto _ : state)
        DrawTextLine(30, 15, 12, 0x0028FFFF, "16 Fps - 060");
}
BENCHMARK(StatusLine)->Unit(benchmark::kMicrosecond);

void FontRoundTrip(benchmark::State& state)
{
    if (!DisplayReady()) {
        state.SkipWithError("no display");
        return;
    }
    HDC dc = nullptr;
    if (pScreenSurface->GetDC(&dc) != DD_OK) {
        state.SkipWithError("no device context");
        return;
    }
    for (auto _ : state) {
        HFONT font = CreateFontA(16, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                                 CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, VARIABLE_PITCH,
                                 "Times New Roman Cyr");
        HGDIOBJ previous = SelectObject(dc, font);
        SelectObject(dc, previous);
        benchmark::DoNotOptimize(DeleteObject(font));
    }
    pScreenSurface->ReleaseDC(dc);
}
BENCHMARK(FontRoundTrip)->Unit(benchmark::kMicrosecond);

// A 40-character line, Latin or Cyrillic.
const char LatinLine[] = "The quick brown fox jumps over a lazy do";
const char CyrillicLine[] =
    "\xD1\xFA\xE5\xF8\xFC \xE6\xE5 \xE5\xF9\xB8 \xFD\xF2\xE8\xF5 \xEC\xFF\xE3\xEA\xE8\xF5 "
    "\xF4\xF0\xE0\xED\xF6\xF3\xE7\xF1\xEA\xE8\xF5 \xE1\xF3\xEB";
static_assert(sizeof(LatinLine) == 41 && sizeof(CyrillicLine) == 41, "40 characters each");

// Target: at most 1 us per line.
void MeasureLine(benchmark::State& state, const char* text)
{
    if (!DisplayReady()) {
        state.SkipWithError("no display");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(MeasureTextLine(16, text));
}
BENCHMARK_CAPTURE(MeasureLine, latin, LatinLine)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(MeasureLine, cyrillic, CyrillicLine)->Unit(benchmark::kMicrosecond);

// A paragraph of 300 characters of words, without line ends.
std::string Paragraph()
{
    std::string text = BoxText();
    std::replace(text.begin(), text.end(), '\r', ' ');
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text.substr(0, 300);
}

// Target: at most 25 us to lay out and draw it wrapped at 16 pixels into 380 pixels' width.
void WrappedParagraph(benchmark::State& state)
{
    if (!DisplayReady()) {
        state.SkipWithError("no display");
        return;
    }
    const std::string text = Paragraph();
    for (auto _ : state)
        DrawTextBoxAligned(30, 30, 380, 300, 16, 0x00FFFF00, TextAlignLeft | TextWrapWords,
                           pScreenSurface, text.c_str());
}
BENCHMARK(WrappedParagraph)->Unit(benchmark::kMicrosecond);

// The same text by the classic box, which breaks only at line ends: one long line cut at 380.
void ClassicParagraph(benchmark::State& state)
{
    if (!DisplayReady()) {
        state.SkipWithError("no display");
        return;
    }
    const std::string text = Paragraph();
    for (auto _ : state)
        DrawTextBox(30, 30, 380, 300, 16, 0x00FFFF00, pScreenSurface, text.c_str());
}
BENCHMARK(ClassicParagraph)->Unit(benchmark::kMicrosecond);

// The usual console table, then the text of games against its targets: the median of repeated
// runs when only aggregates are reported, otherwise the single run.
class SummaryReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            std::string name;
            bool median = false;
            if (!CountedRun(run, &name, &median))
                continue;
            // In the benchmarks' unit, microseconds.
            times[name] = run.GetAdjustedCPUTime();
        }
    }

    void Finalize() override
    {
        ConsoleReporter::Finalize();
        printf("\nSummary (processor time per call, 16 bits)\n");
        Line("measure a 40-character Latin line", "MeasureLine/latin", 1);
        Line("measure a 40-character Cyrillic line", "MeasureLine/cyrillic", 1);
        Line("wrap and draw 300 characters in 380", "WrappedParagraph", 25);
        Line("DrawTextBox of the same, unwrapped", "ClassicParagraph", 0);
    }

private:
    void Line(const char* what, const std::string& name, double target)
    {
        auto found = times.find(name);
        if (found == times.end())
            printf("  %-38s %10s\n", what, "not measured");
        else if (target == 0)
            printf("  %-38s %10.2f us\n", what, found->second);
        else
            printf("  %-38s %10.2f us   target <= %g us: %s\n", what, found->second, target,
                   found->second <= target ? "met" : "NOT MET");
    }

    std::map<std::string, double> times;
};

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
