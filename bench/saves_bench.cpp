// Listing a full save, and extracting a 256 MiB section against dd copying
// the same bytes in the same run. Decoding the real MAX save's LZARI stream,
// and reading every file out of the real CodeBreaker save, each beside zlib
// inflating the same bytes, and the unpack command writing the CodeBreaker
// save's files; these skip when the real saves are absent.

// own
#include "archive/archive.h"
#include "archive/coders.h"
#include "cli/cli.h"
#include "saves/extract.h"
#include "saves/open_save.h"
#include "support/save_builder.h"
#include "support/temp_dir.h"

// std
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <span>
#include <sstream>
#include <string>

#ifdef __unix__
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <benchmark/benchmark.h>
#include <zlib.h>

namespace {

using namespace quillbox;

constexpr std::size_t kBigSection = 256U << 20;

// On tmpfs where there is one, so that the copies measure the page cache,
// not the disk.
const testing::TempDir& scratch()
{
    static const testing::TempDir dir(std::filesystem::is_directory("/dev/shm")
                                          ? std::filesystem::path("/dev/shm")
                                          : std::filesystem::temp_directory_path());
    return dir;
}

// An 18-entry EMS save of typical sizes: an icon.sys, icons and data.
const std::string& listing_save()
{
    static const std::string path = [] {
        std::vector<testing::Section> sections;
        for (int i = 0; i < 18; ++i) {
            sections.push_back(testing::section("section" + std::to_string(i),
                                                900 + 4000 * static_cast<std::size_t>(i)));
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

#ifdef __unix__
// The yardstick is dd with 1 MiB blocks copying the same bytes, which keeps
// one small buffer hot in the cache; extraction reads the whole section into
// one buffer and writes it in one piece. Both write to tmpfs, so the disk does
// not decide; they take turns, and the fastest of seven runs of each counts.
double run_dd(const saves::SaveState& s, const std::string& target)
{
    const std::string in = "if=" + s.txtload;
    const std::string out = "of=" + target;
    const std::string skip = "skip=" + s.slots[0].start;
    const std::string count = "count=" + s.slots[0].length;
    const char* argv[] = {"dd",
                          in.c_str(),
                          out.c_str(),
                          "bs=1M",
                          skip.c_str(),
                          count.c_str(),
                          "iflag=skip_bytes,count_bytes",
                          "status=none",
                          nullptr};
    const auto t0 = std::chrono::steady_clock::now();
    pid_t pid = 0;
    int status = 0;
    if (posix_spawnp(&pid, "dd", nullptr, nullptr, const_cast<char* const*>(argv), environ) != 0 ||
        waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return -1;
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

double run_extract(const saves::SaveState& s, const std::string& target)
{
    const auto t0 = std::chrono::steady_clock::now();
    if (saves::extract_data(s, target).kind != saves::ExtractOutcome::Kind::written) {
        return -1;
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

void BM_Extract256MiBAgainstDd(benchmark::State& st)
{
    const saves::SaveState& s = big_save();
    const std::string target = scratch().file("extracted.bin");
    for (auto _ : st) {
        double extract = 1e9;
        double dd = 1e9;
        for (int round = 0; round < 7; ++round) {
            const auto copied = [&](double seconds) {
                return seconds >= 0 && std::filesystem::file_size(target) == kBigSection;
            };
            std::filesystem::remove(target);
            const double e = run_extract(s, target);
            const bool extracted = copied(e);
            std::filesystem::remove(target);
            const double d = run_dd(s, target);
            if (!extracted || !copied(d)) {
                st.SkipWithError("a copy failed");
                return;
            }
            extract = std::min(extract, e);
            dd = std::min(dd, d);
        }
        st.SetIterationTime(extract);
        st.counters["extract_ms"] = extract * 1e3;
        st.counters["dd_ms"] = dd * 1e3;
        // Above 1, extraction is the faster.
        st.counters["vs_dd"] = dd / extract;
    }
    st.SetBytesProcessed(st.iterations() * static_cast<std::int64_t>(kBigSection));
}
BENCHMARK(BM_Extract256MiBAgainstDd)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
#endif

// A real save's bytes; none, and the benchmark skipped, when they are absent.
const testing::Bytes* real_save(benchmark::State& st, const std::string& name)
{
    static std::map<std::string, testing::Bytes> saves;
    const auto path = std::filesystem::path(QUILLBOX_REAL_SAVES) / name;
    if (!saves.contains(name) && std::filesystem::exists(path)) {
        saves[name] = testing::read_file(path);
    }
    if (!saves.contains(name)) {
        st.SkipWithError(("no real save at " + path.string()).c_str());
        return nullptr;
    }
    return &saves[name];
}

std::size_t u32_at(const testing::Bytes& b, std::size_t at)
{
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | std::size_t{b[at + 3]} << 24;
}

// Counts `output` bytes a run as MB/s (10^6 bytes a second).
void output_rate(benchmark::State& st, std::size_t output)
{
    st.counters["output"] = benchmark::Counter(static_cast<double>(output),
                                               benchmark::Counter::kIsIterationInvariantRate,
                                               benchmark::Counter::OneK::kIs1000);
}

// The yardstick for both decoders: zlib inflating the same output from
// `stream` into a buffer of its own.
void inflate(benchmark::State& st, const testing::Bytes& stream, std::size_t size)
{
    testing::Bytes out(size);
    for (auto _ : st) {
        uLongf length = size;
        if (uncompress(out.data(), &length, stream.data(), stream.size()) != Z_OK) {
            st.SkipWithError("zlib refused the stream");
            return;
        }
    }
    output_rate(st, size);
}

const std::string kMax = "max-payne.22050.max";
const std::string kCbs = "tokyo-xtreme-racer-drift-2.14091.cbs";

void BM_LzariDecodeRealMax(benchmark::State& st)
{
    const testing::Bytes* max = real_save(st, kMax);
    std::vector<std::uint8_t> out;
    for (auto _ : st) {
        archive::lzari_decode(std::span(*max).subspan(0x5C), u32_at(*max, 0x58), out);
    }
    output_rate(st, out.size());
}
BENCHMARK(BM_LzariDecodeRealMax)->Unit(benchmark::kMillisecond);

void BM_ZlibInflateWhatTheMaxHolds(benchmark::State& st)
{
    const testing::Bytes* max = real_save(st, kMax);
    if (max == nullptr) {
        return;
    }
    std::vector<std::uint8_t> plain;
    archive::lzari_decode(std::span(*max).subspan(0x5C), u32_at(*max, 0x58), plain);
    testing::Bytes packed(compressBound(plain.size()));
    uLongf length = packed.size();
    compress2(packed.data(), &length, plain.data(), plain.size(), Z_BEST_COMPRESSION);
    packed.resize(length);
    inflate(st, packed, plain.size());
}
BENCHMARK(BM_ZlibInflateWhatTheMaxHolds)->Unit(benchmark::kMillisecond);

// RC4, inflating, and every file copied out of the stream.
void BM_ReadRealCbs(benchmark::State& st)
{
    const testing::Bytes* cbs = real_save(st, kCbs);
    std::size_t files = 0;
    for (auto _ : st) {
        const auto save = archive::read_save(*cbs);
        files = 0;
        for (const archive::File& f : save->files) {
            files += f.data.size();
        }
    }
    output_rate(st, files);
}
BENCHMARK(BM_ReadRealCbs)->Unit(benchmark::kMillisecond);

// All of `unpack`: the file read, the files read out of it as above, and
// each written to tmpfs through a temporary file renamed into place.
void BM_UnpackRealCbs(benchmark::State& st)
{
    const testing::Bytes* cbs = real_save(st, kCbs);
    if (cbs == nullptr) {
        return;
    }
    const auto save = archive::read_save(*cbs);
    std::size_t files = 0;
    for (const archive::File& f : save->files) {
        files += f.data.size();
    }
    const std::vector<std::string> args = {
        "unpack", "--force", (std::filesystem::path(QUILLBOX_REAL_SAVES) / kCbs).string(),
        scratch().file("unpacked")};
    std::ostringstream out, err;
    for (auto _ : st) {
        out.str("");
        if (cli::run(args, out, err) != cli::kDone) {
            st.SkipWithError(err.str().c_str());
            return;
        }
    }
    output_rate(st, files);
}
BENCHMARK(BM_UnpackRealCbs)->Unit(benchmark::kMillisecond);

void BM_ZlibInflateTheCbsBody(benchmark::State& st)
{
    const testing::Bytes* cbs = real_save(st, kCbs);
    if (cbs == nullptr) {
        return;
    }
    testing::Bytes body(cbs->begin() + 0x128, cbs->end());
    archive::codebreaker_crypt(body);
    inflate(st, body, u32_at(*cbs, 0x0C));
}
BENCHMARK(BM_ZlibInflateTheCbsBody)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
