// Import of a 130,000-line file and export of 130,000 contacts, each beside
// a baseline over the same bytes (a line count, a copy), with the peak heap
// that an import adds to the image.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <new>
#include <random>
#include <string>

#include "csv/ContactCsv.h"
#include "legacy/LegacyImport.h"

namespace {

// Heap accounting: every block carries its size in front of it.
std::atomic<long long> g_heapNow{0};
std::atomic<long long> g_heapPeak{0};
constexpr size_t HEAD = alignof(std::max_align_t);

void* CountedAlloc(size_t size) {
    auto* p = static_cast<char*>(std::malloc(size + HEAD));
    if (!p) throw std::bad_alloc();
    std::memcpy(p, &size, sizeof size);
    const long long now = g_heapNow += static_cast<long long>(size);
    long long peak = g_heapPeak.load();
    while (now > peak && !g_heapPeak.compare_exchange_weak(peak, now)) {
    }
    return p + HEAD;
}

void CountedFree(void* block) {
    if (!block) return;
    char* p = static_cast<char*>(block) - HEAD;
    size_t size;
    std::memcpy(&size, p, sizeof size);
    g_heapNow -= static_cast<long long>(size);
    std::free(p);
}

}  // namespace

void* operator new(size_t size) { return CountedAlloc(size); }
void* operator new[](size_t size) { return CountedAlloc(size); }
void operator delete(void* p) noexcept { CountedFree(p); }
void operator delete[](void* p) noexcept { CountedFree(p); }
void operator delete(void* p, size_t) noexcept { CountedFree(p); }
void operator delete[](void* p, size_t) noexcept { CountedFree(p); }

namespace {

using namespace pendrak;

// 130,000 contact lines with unique radio IDs in random order, as the
// export writes them (CR LF, trailing comma), after the header.
const std::string& GeneratedCsv() {
    static const std::string csv = [] {
        std::mt19937 rng(2016);
        std::string out = "Radio ID,Callsign,Name,Nickname,City,State,Country,Remarks,\r\n";
        std::vector<bool> used(MAX_RADIO_ID + 1);
        auto word = [&](int len) {
            std::string w;
            for (int i = 0; i < len; ++i) w += static_cast<char>('a' + rng() % 26);
            return w;
        };
        for (int n = 0; n < MAX_CONTACTS; ++n) {
            uint32_t id;
            do id = static_cast<uint32_t>(1000000 + rng() % 15000000); while (used[id]);
            used[id] = true;
            out += std::to_string(id) + ',' + "K" + word(5) + ',' + word(7) + ' ' + word(8) + ',' +
                   word(6) + ',' + word(10) + ',' + word(9) + ',' + "United States" + ",,\r\n";
        }
        return out;
    }();
    return csv;
}

// Resident memory in KiB from /proc (Linux): the current value and the peak
// since the last reset; -1 where unavailable.
long StatusKb(const char* key) {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(key, 0) == 0) return std::atol(line.c_str() + std::strlen(key));
    return -1;
}
void ResetPeakRss() { std::ofstream("/proc/self/clear_refs") << "5"; }


class CNullSink : public CCsvSink {
public:
    size_t bytes = 0;
    bool Write(std::string_view b) override {
        bytes += b.size();
        return true;
    }
};

std::unique_ptr<CContactImage> ImportedImage() {
    auto image = std::make_unique<CContactImage>();
    image->ClearContactImage();
    CCsvBytesSource source(GeneratedCsv());
    ImportContactsCsv(*image, source);
    return image;
}

void BM_BaselineCountLines(benchmark::State& state) {
    const std::string& csv = GeneratedCsv();
    for (auto _ : state) {
        size_t lines = 0;
        for (const char* p = csv.data(); (p = static_cast<const char*>(std::memchr(
                                               p, '\n', csv.data() + csv.size() - p)));
             ++p)
            ++lines;
        benchmark::DoNotOptimize(lines);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * csv.size()));
}
BENCHMARK(BM_BaselineCountLines)->Unit(benchmark::kMillisecond);

void BM_ParseContactsCsv(benchmark::State& state) {
    const std::string& csv = GeneratedCsv();
    auto image = std::make_unique<CContactImage>();
    for (auto _ : state) benchmark::DoNotOptimize(ParseContactsCsv(*image, csv.data(), csv.size()));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * csv.size()));
}
BENCHMARK(BM_ParseContactsCsv)->Unit(benchmark::kMillisecond);

// The import as it was, on the same bytes: the baseline of the one below,
// which must stay within 10% of it.
void BM_BaselineLegacyImport(benchmark::State& state) {
    const std::string& csv = GeneratedCsv();
    auto image = std::make_unique<CContactImage>();
    image->ClearContactImage();
    for (auto _ : state) {
        image->SetContactCount(0);
        CCsvBytesSource source(csv);
        if (legacy::ImportContactsCsv(*image, source).count != MAX_CONTACTS)
            state.SkipWithError("wrong count");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * csv.size()));
}
BENCHMARK(BM_BaselineLegacyImport)->Unit(benchmark::kMillisecond);

// Both readings, the choice, staging, the image filled and sorted: the whole import.
void BM_ImportContactsCsv(benchmark::State& state) {
    const std::string& csv = GeneratedCsv();
    auto image = std::make_unique<CContactImage>();
    image->ClearContactImage();
    long long peakExtra = 0;
    long peakRss = 0;
    for (auto _ : state) {
        image->SetContactCount(0);
        CCsvBytesSource source(csv);
        const long long before = g_heapNow.load();
        g_heapPeak = before;
        ResetPeakRss();
        const long rssBefore = StatusKb("VmRSS:");
        const CsvImportResult result = ImportContactsCsv(*image, source);
        peakExtra = std::max(peakExtra, g_heapPeak.load() - before);
        peakRss = std::max(peakRss, StatusKb("VmHWM:") - rssBefore);
        if (result.count != MAX_CONTACTS) state.SkipWithError("wrong count");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * csv.size()));
    state.counters["peak_extra_heap_MB"] = static_cast<double>(peakExtra) / (1 << 20);
    state.counters["peak_extra_rss_MB"] = static_cast<double>(peakRss) / 1024;
}
BENCHMARK(BM_ImportContactsCsv)->Unit(benchmark::kMillisecond);

// The same over a replacement of 130,000 contacts, where the old ones must
// survive a read failure.
void BM_ImportOverFullImage(benchmark::State& state) {
    const std::string& csv = GeneratedCsv();
    auto image = ImportedImage();
    long long peakExtra = 0;
    long peakRss = 0;
    for (auto _ : state) {
        CCsvBytesSource source(csv);
        const long long before = g_heapNow.load();
        g_heapPeak = before;
        ResetPeakRss();
        const long rssBefore = StatusKb("VmRSS:");
        ImportContactsCsv(*image, source);
        peakExtra = std::max(peakExtra, g_heapPeak.load() - before);
        peakRss = std::max(peakRss, StatusKb("VmHWM:") - rssBefore);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * csv.size()));
    state.counters["peak_extra_heap_MB"] = static_cast<double>(peakExtra) / (1 << 20);
    state.counters["peak_extra_rss_MB"] = static_cast<double>(peakRss) / 1024;
}
BENCHMARK(BM_ImportOverFullImage)->Unit(benchmark::kMillisecond);

// One pass only, as from a pipe: what the first, checking pass costs.
void BM_BaselineImportReadOnce(benchmark::State& state) {
    const std::string& csv = GeneratedCsv();
    auto image = ImportedImage();
    for (auto _ : state) {
        CCsvBytesSource source(csv, false);
        ImportContactsCsv(*image, source);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * csv.size()));
}
BENCHMARK(BM_BaselineImportReadOnce)->Unit(benchmark::kMillisecond);

// The sort alone, for the share of the import that it takes.
void BM_SortAfterParse(benchmark::State& state) {
    const std::string& csv = GeneratedCsv();
    auto image = std::make_unique<CContactImage>();
    image->ClearContactImage();
    long long before = 0;
    for (auto _ : state) {
        state.PauseTiming();
        image->SetContactCount(ParseContactsCsv(*image, csv.data(), csv.size()));
        g_heapPeak = g_heapNow.load();
        before = g_heapNow.load();
        state.ResumeTiming();
        image->SortContactsByRadioId();
    }
    state.counters["peak_extra_heap_MB"] = static_cast<double>(g_heapPeak.load() - before) / (1 << 20);
}
BENCHMARK(BM_SortAfterParse)->Unit(benchmark::kMillisecond);

void BM_ImportContactsCsvFile(benchmark::State& state) {
    const auto path = std::filesystem::temp_directory_path() / "pendrak-bench-import.csv";
    std::ofstream(path, std::ios::binary) << GeneratedCsv();
    auto image = std::make_unique<CContactImage>();
    image->ClearContactImage();
    for (auto _ : state) {
        image->SetContactCount(0);
        benchmark::DoNotOptimize(ImportContactsCsvFile(*image, path.string()));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * GeneratedCsv().size()));
    std::filesystem::remove(path);
}
BENCHMARK(BM_ImportContactsCsvFile)->Unit(benchmark::kMillisecond);

void BM_BaselineCopy(benchmark::State& state) {
    const std::string& csv = GeneratedCsv();
    std::string copy(csv.size(), '\0');
    for (auto _ : state) {
        std::memcpy(copy.data(), csv.data(), csv.size());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * csv.size()));
}
BENCHMARK(BM_BaselineCopy)->Unit(benchmark::kMillisecond);

// Header and 130,000 lines through the text mode into memory.
void BM_WriteContactsCsv(benchmark::State& state) {
    auto image = ImportedImage();
    size_t bytes = 0;
    for (auto _ : state) {
        CNullSink raw;
        CCsvTextSink text(raw);
        WriteContactsCsv(*image, text);
        text.Flush();
        bytes = raw.bytes;
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}
BENCHMARK(BM_WriteContactsCsv)->Unit(benchmark::kMillisecond);

void BM_ExportContactsCsvFile(benchmark::State& state) {
    auto image = ImportedImage();
    const auto path = std::filesystem::temp_directory_path() / "pendrak-bench-export.csv";
    for (auto _ : state) {
        if (ExportContactsCsvFile(*image, path.string()).outcome != CsvExportResult::Done)
            state.SkipWithError("export failed");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * std::filesystem::file_size(path)));
    std::filesystem::remove(path);
}
BENCHMARK(BM_ExportContactsCsvFile)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
