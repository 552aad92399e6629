// Full Read of 130,000 contacts (14,391,300 bytes) through the in-process
// emulator, in both block formats. The baseline feeds the emulator the same
// commands directly, so the difference is what the host side (protocol,
// link functions, job) costs per block. A full Write, with the radio's
// memory in memory alone (baseline) and written through to its memory file
// block by block, shows what keeping every block before its ACK costs.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "radio/RadioJob.h"
#include "radio/RadioProtocol.h"
#include "radio/sim/MemoryFile.h"
#include "radio/sim/SimLink.h"

namespace pendrak {
namespace {

std::shared_ptr<CRadioEmulator> FullRadio(char digit) {
    EmulatorOptions o;
    o.blockFormatDigit = digit;
    auto radio = std::make_shared<CRadioEmulator>(o);
    unsigned char* p = radio->ContactRegion();
    uint32_t x = 12345;
    for (int i = 0; i < CONTACT_IMAGE_SIZE; ++i) {
        x = x * 1664525u + 1013904223u;
        p[i] = static_cast<unsigned char>(x >> 24);
    }
    p[0] = MAX_CONTACTS & 0xFF;
    p[1] = (MAX_CONTACTS >> 8) & 0xFF;
    p[2] = (MAX_CONTACTS >> 16) & 0xFF;
    return radio;
}

int BlocksFor(int digit) {
    const int used = ContactImageUsedLength(MAX_CONTACTS);
    const int block = BlockSizeForDigit(digit);
    return (used + block - 1) / block;
}

void BM_FullRead(benchmark::State& state) {
    const char digit = static_cast<char>(state.range(0));
    auto radio = FullRadio(digit);
    auto image = std::make_unique<CContactImage>();
    for (auto _ : state) {
        RadioJob job;
        job.nMode = JOB_MODE_READ;
        job.pImage = image.get();
        g_hRadioDevice = CreateEmulatorLink(radio);
        RadioJobThread(&job);
        if (job.nState != JOB_READ_DONE) state.SkipWithError("read failed");
        benchmark::DoNotOptimize(image->Bytes());
    }
    const int blocks = BlocksFor(digit - '0');
    state.counters["blocks"] = blocks;
    state.counters["per_block"] = benchmark::Counter(
        double(blocks), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.SetBytesProcessed(int64_t(state.iterations()) * ContactImageUsedLength(MAX_CONTACTS));
}

// The emulator alone answering the same block reads and ACKs.
void BM_EmulatorOnly(benchmark::State& state) {
    const int digit = int(state.range(0)) - '0';
    auto radio = FullRadio(static_cast<char>(state.range(0)));
    const int used = ContactImageUsedLength(MAX_CONTACTS);
    const int block = BlockSizeForDigit(digit);
    const uint32_t base = radio->Options().contactAreaAddress;
    std::vector<unsigned char> reply;
    reply.reserve(1024);
    for (auto _ : state) {
        for (int x = 0; x < used; x += block) {
            const int n = std::min(block, used - x);
            const uint32_t a = base + uint32_t(x);
            const unsigned char cmd[6] = {'R', uint8_t(a), uint8_t(a >> 8), uint8_t(a >> 16), uint8_t(n),
                                          uint8_t(n >> 8)};
            const unsigned char ack = RADIO_ACK;
            reply.clear();
            radio->Receive(cmd, size_t(BlockHeaderLength(digit)), reply);
            radio->Receive(&ack, 1, reply);
            benchmark::DoNotOptimize(reply.data());
        }
    }
    const int blocks = BlocksFor(digit);
    state.counters["blocks"] = blocks;
    state.counters["per_block"] = benchmark::Counter(
        double(blocks), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.SetBytesProcessed(int64_t(state.iterations()) * used);
}

void BM_FullWrite(benchmark::State& state) {
    const char digit = static_cast<char>(state.range(0));
    const bool throughFile = state.range(1) != 0;
    auto source = FullRadio(digit);
    auto image = std::make_unique<CContactImage>();
    std::copy_n(source->ContactRegion(), CONTACT_IMAGE_SIZE, image->Bytes());
    EmulatorOptions o;
    o.blockFormatDigit = digit;
    auto radio = std::make_shared<CRadioEmulator>(o);

    const std::string path = (std::filesystem::temp_directory_path() /
                              ("pendrak-bench-" + std::to_string(state.range(0)) + ".bin"))
                                 .string();
    std::filesystem::remove(path);
    std::shared_ptr<CMemoryFile> file;
    if (throughFile) {
        file = std::make_shared<CMemoryFile>();
        std::string failure;
        if (!file->Open(path, radio->Memory(), radio->MemorySize(), failure)) {
            state.SkipWithError(failure.c_str());
            return;
        }
    }
    for (auto _ : state) {
        RadioJob job;
        job.nMode = JOB_MODE_WRITE;
        job.pImage = image.get();
        g_hRadioDevice = CreateEmulatorLink(radio, file);
        RadioJobThread(&job);  // closing the link saves the file
        if (job.nState != JOB_WRITE_DONE) state.SkipWithError("write failed");
    }
    file.reset();
    std::filesystem::remove(path);
    const int blocks = BlocksFor(digit - '0');
    state.counters["blocks"] = blocks;
    state.counters["per_block"] =
        benchmark::Counter(double(blocks), benchmark::Counter::kIsIterationInvariantRate |
                                               benchmark::Counter::kInvert);
    state.SetBytesProcessed(int64_t(state.iterations()) * ContactImageUsedLength(MAX_CONTACTS));
}

BENCHMARK(BM_FullRead)->Arg('2')->Arg('1')->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_EmulatorOnly)->Arg('2')->Arg('1')->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
// Args: block format digit; 0 memory only (baseline), 1 through the memory file.
BENCHMARK(BM_FullWrite)
    ->Args({'2', 0})
    ->Args({'2', 1})
    ->Args({'1', 0})
    ->Args({'1', 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(2.0);

}  // namespace
}  // namespace pendrak

BENCHMARK_MAIN();
