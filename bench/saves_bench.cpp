// Listing a full save; extracting a 256 MiB section against dd copying the
// same bytes in the same run, inside this process and as whole processes
// (quillbox-cli), to tmpfs and to the disk; what flushing each extracted
// file to the disk costs. Decoding the real MAX save's LZARI stream, and
// reading every file out of the real CodeBreaker save, each beside zlib
// inflating the same bytes, and the unpack command writing the CodeBreaker
// save's files; these skip when the real saves are absent.
//
//   quillbox-bench [BENCHMARK FLAGS] [CLI]   CLI: another quillbox-cli to time

// own
#include "archive/archive.h"
#include "archive/coders.h"
#include "cli/cli.h"
#include "saves/extract.h"
#include "saves/file_io.h"
#include "saves/open_save.h"
#include "support/save_builder.h"
#include "support/temp_dir.h"

// std
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <span>
#include <sstream>
#include <string>
#include <vector>

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

std::string g_cli = QUILLBOX_CLI;

// On tmpfs where there is one, so that the copies measure the page cache,
// not the disk.
const testing::TempDir& scratch()
{
    static const testing::TempDir dir(std::filesystem::is_directory("/dev/shm")
                                          ? std::filesystem::path("/dev/shm")
                                          : std::filesystem::temp_directory_path());
    return dir;
}

// Beside this program, on the disk that holds the build.
const testing::TempDir& on_disk()
{
    static const testing::TempDir dir(std::filesystem::canonical("/proc/self/exe").parent_path());
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

// An Xport save whose first section is `size` bytes, loaded with slot 0 selected.
saves::SaveState save_of(std::size_t size)
{
    testing::Bytes b = testing::xport_save("BIG", {});
    const std::size_t data = b.size() + 248;
    testing::put_text(b, b.size(), "big.bin");
    testing::put_u32(b, data - 248 + 64, static_cast<std::uint32_t>(size));
    b.resize(data + size + 2, 0x5A);
    const std::string p = scratch().file("save" + std::to_string(size) + ".xps");
    testing::write_file(p, b);
    saves::SaveState s;
    saves::open_save(s, p);
    return s;
}

const saves::SaveState& big_save()
{
    static const saves::SaveState state = save_of(kBigSection);
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
// Seconds that `argv` took as a process, or -1 when it failed.
double run_process(const std::vector<std::string>& argv)
{
    std::vector<char*> args;
    for (const std::string& a : argv) {
        args.push_back(const_cast<char*>(a.c_str()));
    }
    args.push_back(nullptr);
    const auto t0 = std::chrono::steady_clock::now();
    pid_t pid = 0;
    int status = 0;
    if (posix_spawnp(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0 ||
        waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return -1;
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// The yardstick is dd with 1 MiB blocks copying the same bytes, which keeps
// one small buffer hot in the cache; extraction reads the whole section into
// one buffer and writes it in one piece.
double run_dd(const saves::SaveState& s, const std::string& target, bool flushed = false)
{
    std::vector<std::string> argv = {"dd",
                                     "if=" + s.txtload,
                                     "of=" + target,
                                     "bs=1M",
                                     "skip=" + s.slots[0].start,
                                     "count=" + s.slots[0].length,
                                     "iflag=skip_bytes,count_bytes",
                                     "status=none"};
    if (flushed) {
        argv.emplace_back("conv=fsync");
    }
    return run_process(argv);
}

double run_cli(const saves::SaveState& s, const std::string& target)
{
    return run_process({g_cli, "extract", s.txtload, "0", target});
}

double run_extract(const saves::SaveState& s, const std::string& target)
{
    const auto t0 = std::chrono::steady_clock::now();
    if (saves::extract_data(s, target).kind != saves::ExtractOutcome::Kind::written) {
        return -1;
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

int no_flush(int) { return 0; }

using Copy = std::function<double(const saves::SaveState&, const std::string&)>;

// The copies take turns on the same target, the fastest of seven runs of
// each counts; its seconds in `best`, in the order given. False when a copy
// failed or wrote the wrong length.
bool fastest_of_seven(const saves::SaveState& s, const std::string& target,
                      const std::vector<Copy>& copies, std::vector<double>& best)
{
    const auto length = static_cast<std::uintmax_t>(std::stoll(s.slots[0].length));
    best.assign(copies.size(), 1e9);
    for (int round = 0; round < 7; ++round) {
        for (std::size_t i = 0; i < copies.size(); ++i) {
            std::filesystem::remove(target);
            const double seconds = copies[i](s, target);
            if (seconds < 0 || std::filesystem::file_size(target) != length) {
                return false;
            }
            best[i] = std::min(best[i], seconds);
        }
    }
    std::filesystem::remove(target);
    return true;
}

// Extraction against dd, to tmpfs (arg 0) or the disk (arg 1): inside this
// process (arg 2 = 0) or as a quillbox-cli process (1). On the disk dd also
// runs with conv=fsync, which flushes as extraction does. Above 1, vs_dd
// says extraction is the faster.
void BM_Extract256MiBAgainstDd(benchmark::State& st)
{
    const bool disk = st.range(0) == 1;
    const saves::SaveState& s = big_save();
    const std::string target = (disk ? on_disk() : scratch()).file("extracted.bin");
    std::vector<Copy> copies = {st.range(1) == 1 ? Copy(run_cli) : Copy(run_extract),
                                [](const auto& save, const auto& to) { return run_dd(save, to); }};
    if (disk) {
        copies.emplace_back(
            [](const auto& save, const auto& to) { return run_dd(save, to, true); });
    }
    for (auto _ : st) {
        std::vector<double> best;
        if (!fastest_of_seven(s, target, copies, best)) {
            st.SkipWithError("a copy failed");
            return;
        }
        st.SetIterationTime(best[0]);
        st.counters["extract_ms"] = best[0] * 1e3;
        st.counters["dd_ms"] = best[1] * 1e3;
        st.counters["vs_dd"] = best[1] / best[0];
        if (disk) {
            st.counters["dd_fsync_ms"] = best[2] * 1e3;
            st.counters["vs_dd_fsync"] = best[2] / best[0];
        }
    }
    st.SetBytesProcessed(st.iterations() * static_cast<std::int64_t>(kBigSection));
}
BENCHMARK(BM_Extract256MiBAgainstDd)
    ->ArgNames({"disk", "process"})
    // tmpfs first: the disk's writeback would still be running under them.
    ->Args({0, 0})
    ->Args({0, 1})
    ->Args({1, 0})
    ->Args({1, 1})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// What bringing the file to the disk before the rename (and the folder after)
// costs: extraction of a section of `range(0)` bytes to the disk, with the
// flushes and without them, in turns.
void BM_ExtractToDiskFlushedAgainstNot(benchmark::State& st)
{
    const saves::SaveState s = save_of(static_cast<std::size_t>(st.range(0)));
    const std::string target = on_disk().file("flushed.bin");
    const Copy unflushed = [](const auto& save, const auto& to) {
        const saves::FlushFunction flush = saves::set_flush(no_flush);
        const double seconds = run_extract(save, to);
        saves::set_flush(flush);
        return seconds;
    };
    for (auto _ : st) {
        std::vector<double> best;
        if (!fastest_of_seven(s, target, {run_extract, unflushed}, best)) {
            st.SkipWithError("a copy failed");
            return;
        }
        st.SetIterationTime(best[0]);
        st.counters["flushed_ms"] = best[0] * 1e3;
        st.counters["unflushed_ms"] = best[1] * 1e3;
        st.counters["cost_ms"] = (best[0] - best[1]) * 1e3;
    }
}
BENCHMARK(BM_ExtractToDiskFlushedAgainstNot)
    ->Arg(1 << 10)
    ->Arg(1 << 20)
    ->Arg(256 << 20)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
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

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (argc > 2) {
        return 1;
    }
    if (argc == 2) {
        g_cli = argv[1];
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
}
