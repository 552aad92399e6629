// The sort by radio ID on a full image, and the radio's own exchange loop
// as the baseline at a size it can finish.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "contacts/ContactImage.h"

namespace pendrak {
namespace {

// An image of m contacts in random order, about 10% of them repeating an
// ID that another contact has.
std::unique_ptr<CContactImage> MakeImage(int m) {
    auto image = std::make_unique<CContactImage>();
    image->ClearContactImage();
    std::mt19937 rng(130000);
    std::uniform_int_distribution<int32_t> anyId(1, MAX_RADIO_ID);
    const int unique = m - m / 10;
    std::vector<int32_t> ids(static_cast<size_t>(m));
    for (int i = 0; i < unique; ++i) ids[i] = anyId(rng);
    std::uniform_int_distribution<int> earlier(0, unique - 1);
    for (int i = unique; i < m; ++i) ids[i] = ids[earlier(rng)];
    std::shuffle(ids.begin(), ids.end(), rng);
    for (int n = 0; n < m; ++n) {
        image->SetContactRadioId(n, ids[n]);
        image->SetContactFieldText(CONTACT_CALLSIGN, n, "BG" + std::to_string(n % 100000));
        image->SetContactFieldText(CONTACT_NAME, n, "Name " + std::to_string(ids[n]));
        image->SetContactFieldText(CONTACT_COUNTRY, n, "China");
    }
    image->SetContactCount(m);
    return image;
}

// The exchange sort exactly as the radio's software runs it.
void ExchangeSort(CContactImage& image, std::vector<int32_t>& order) {
    const int m = image.GetContactCount();
    int32_t* ids = image.RadioIdTable();
    order.resize(static_cast<size_t>(m));
    for (int i = 0; i < m; ++i) {
        order[i] = i;
        ids[i] = image.GetContactRadioId(i);
    }
    for (int j = 1; j < m; ++j)
        for (int k = 0; k < j; ++k)
            if (ids[order[k]] > ids[order[j]]) {
                image.SwapContactRecords(k, j);
                std::swap(order[k], order[j]);
            }
}

template <typename Sort>
void RunOnFreshCopies(benchmark::State& state, Sort sort) {
    const int m = static_cast<int>(state.range(0));
    const auto original = MakeImage(m);
    auto work = std::make_unique<CContactImage>();
    const size_t used = static_cast<size_t>(ContactImageUsedLength(m));
    for (auto _ : state) {
        state.PauseTiming();
        std::memcpy(work->Bytes(), original->Bytes(), used);
        state.ResumeTiming();
        sort(*work);
        benchmark::ClobberMemory();
    }
    state.counters["contacts"] = m;
}

void BM_SortContactsByRadioId(benchmark::State& state) {
    RunOnFreshCopies(state, [](CContactImage& image) { image.SortContactsByRadioId(); });
}
BENCHMARK(BM_SortContactsByRadioId)->Arg(20000)->Arg(MAX_CONTACTS)->Unit(benchmark::kMillisecond);

void BM_ExchangeSortBaseline(benchmark::State& state) {
    std::vector<int32_t> order;
    RunOnFreshCopies(state, [&](CContactImage& image) { ExchangeSort(image, order); });
}
BENCHMARK(BM_ExchangeSortBaseline)->Arg(20000)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace pendrak
