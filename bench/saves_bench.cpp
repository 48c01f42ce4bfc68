// Listing a full save, and extracting a 256 MiB section against a plain
// read-and-write of the same bytes in the same run.

// own
#include "saves/extract.h"
#include "saves/open_save.h"
#include "support/save_builder.h"
#include "support/temp_dir.h"

// std
#include <cstdio>
#include <memory>

#include <benchmark/benchmark.h>

namespace {

using namespace quillbox;

constexpr std::size_t kBigSection = 256U << 20;

const testing::TempDir& scratch()
{
    static const testing::TempDir dir;
    return dir;
}

// An 18-entry EMS save of typical sizes: an icon.sys, icons and data.
const std::string& listing_save()
{
    static const std::string path = [] {
        std::vector<testing::Section> sections;
        for (int i = 0; i < 18; ++i) {
            sections.push_back(testing::section("section" + std::to_string(i), 900 + 4000 * static_cast<std::size_t>(i)));
        }
        const std::string p = scratch().file("eighteen.psu");
        testing::write_file(p, testing::ems_save("BASLUS-20000BENCH", sections));
        return p;
    }();
    return path;
}

// An Xport save whose first section is 256 MiB, loaded with slot 0 selected.
const saves::SaveState& big_save()
{
    static const saves::SaveState state = [] {
        testing::Bytes b = testing::xport_save("BIG", {});
        const std::size_t data = b.size() + 248;
        testing::put_text(b, b.size(), "big.bin");
        testing::put_u32(b, data - 248 + 64, static_cast<std::uint32_t>(kBigSection));
        b.resize(data + kBigSection + 2, 0x5A);
        const std::string p = scratch().file("big.xps");
        testing::write_file(p, b);
        saves::SaveState s;
        saves::open_save(s, p);
        return s;
    }();
    return state;
}

void BM_ListEighteenEntrySave(benchmark::State& st)
{
    const std::string& path = listing_save();
    for (auto _ : st) {
        saves::SaveState s;
        benchmark::DoNotOptimize(saves::open_save(s, path));
        benchmark::DoNotOptimize(s);
    }
}
BENCHMARK(BM_ListEighteenEntrySave)->Unit(benchmark::kMicrosecond);

// Both copies run twice: onto a fresh target, and over an existing one of the
// same size (which the file system may make flush before it is replaced).
enum Target : std::int64_t { kFresh = 0, kExisting = 1 };

void prepare(benchmark::State& st, const std::string& target)
{
    if (st.range(0) == kFresh) {
        st.PauseTiming();
        std::remove(target.c_str());
        st.ResumeTiming();
    }
}

void BM_Extract256MiB(benchmark::State& st)
{
    const saves::SaveState& s = big_save();
    const std::string target = scratch().file("extracted.bin");
    for (auto _ : st) {
        prepare(st, target);
        const saves::ExtractOutcome r = saves::extract_data(s, target);
        if (r.kind != saves::ExtractOutcome::Kind::written) {
            st.SkipWithError(r.message.value_or("extraction failed").c_str());
        }
    }
    st.SetBytesProcessed(st.iterations() * static_cast<std::int64_t>(kBigSection));
}

// The yardstick: one fread of the section into a buffer, one fwrite of it
// into the target, opened for writing in place.
void BM_PlainCopy256MiB(benchmark::State& st)
{
    const saves::SaveState& s = big_save();
    const long offset = std::stol(s.slots[0].start);
    const std::string target = scratch().file("plain.bin");
    for (auto _ : st) {
        prepare(st, target);
        std::FILE* in = std::fopen(s.txtload.c_str(), "rb");
        std::FILE* out = std::fopen(target.c_str(), "wb");
        const auto buffer = std::make_unique_for_overwrite<char[]>(kBigSection);
        std::fseek(in, offset, SEEK_SET);
        const bool ok = std::fread(buffer.get(), 1, kBigSection, in) == kBigSection &&
                        std::fwrite(buffer.get(), 1, kBigSection, out) == kBigSection;
        std::fclose(in);
        std::fclose(out);
        if (!ok) {
            st.SkipWithError("plain copy failed");
        }
    }
    st.SetBytesProcessed(st.iterations() * static_cast<std::int64_t>(kBigSection));
}

// Interleaved, so that both see the same state of the machine.
BENCHMARK(BM_Extract256MiB)->Arg(kFresh)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_PlainCopy256MiB)->Arg(kFresh)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_Extract256MiB)->Arg(kExisting)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_PlainCopy256MiB)->Arg(kExisting)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
