// The mailing run over a generated portfolio of N properties x 40 units x 20 receipts: one run
// of letters (the sample's Catalan reminder letter) for every unit and one run of labels,
// headless (memory console, no spooler). Reported beside the time: letters per second, the
// run's time as a ratio to only reading the same records through the record manager and
// writing a print file of the same size (the floor, measured in the same process right after
// the run), and the peak heap the run needs (it must not grow with the number of units: the
// letter run is also timed over the first 300 and 600 properties of the large portfolio).
//
// A second ratio takes the merge data file into the floor as well: the same rewrites of a file
// in the work directory, of the same sizes, as the run made of "merge.tmp" (one per letter,
// each cut to its length), so that the letter work can be told from the writing it must do.
//
// A cost table follows the benchmarks: letters over 100 properties with 5, 20, 50 and 100
// receipts per unit, the processor time per letter of the run and of its floor, and the cost
// of one receipt more (the slope from the row before), for both.
//
// The portfolio is built once per size under the system's temporary directory (data files
// created from the sample's key descriptions by vakdata, records inserted directly through
// the record manager) and reused by later runs.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <new>
#include <sstream>
#include <string>
#include <vector>

#include "format/dates.h"
#include "format/edit_mask.h"
#include "mailing/letter_mailing.h"
#include "mailing/print_file.h"
#include "mailing/template_merge.h"
#include "platform/cp850.h"
#include "platform/services.h"
#include "recman/btrcall.h"
#include "recman/status.h"
#include "startup/session.h"
#include "storage/file_table.h"
#include "storage/open_file.h"
#include "storage/record_ops.h"
#include "support/fake_services.h"
#include "support/memory_records.h"
#include "support/sample_installation.h"

// ---- Peak heap: every operator new of the process is counted ----
namespace {
std::atomic<size_t> g_live{0};
std::atomic<size_t> g_peak{0};
constexpr size_t kHeader = 16;

void* CountedAlloc(size_t size) {
  void* block = std::malloc(size + kHeader);
  if (!block) throw std::bad_alloc();
  *static_cast<size_t*>(block) = size;
  size_t live = g_live.fetch_add(size) + size;
  size_t peak = g_peak.load();
  while (live > peak && !g_peak.compare_exchange_weak(peak, live)) {
  }
  return static_cast<char*>(block) + kHeader;
}

void CountedFree(void* pointer) {
  if (!pointer) return;
  void* block = static_cast<char*>(pointer) - kHeader;
  g_live.fetch_sub(*static_cast<size_t*>(block));
  std::free(block);
}
}  // namespace

void* operator new(size_t size) {
  return CountedAlloc(size);
}
void* operator new[](size_t size) {
  return CountedAlloc(size);
}
void operator delete(void* pointer) noexcept {
  CountedFree(pointer);
}
void operator delete[](void* pointer) noexcept {
  CountedFree(pointer);
}
void operator delete(void* pointer, size_t) noexcept {
  CountedFree(pointer);
}
void operator delete[](void* pointer, size_t) noexcept {
  CountedFree(pointer);
}

namespace {

using namespace zem;
namespace fs = std::filesystem;

constexpr int kUnitsPerProperty = 40;
constexpr int kReceiptsPerUnit = 20;
// The receipts per unit of the cost table, over this many properties.
constexpr int kTableReceipts[] = {5, 20, 50, 100};
constexpr int kTableProperties = 100;

struct FileSpec {
  const char* name;  // under DADES
  const char* keys;  // sample key description
};
constexpr FileSpec kFiles[] = {{"FinquesV", "finquesv.keys"},
                               {"DepartaV", "departav.keys"},
                               {"CobramV", "cobramv.keys"},
                               {"Textos", "textos.keys"}};

void Run(const std::string& command) {
  if (std::system(command.c_str()) != 0) {
    std::fprintf(stderr, "failed: %s\n", command.c_str());
    std::exit(1);
  }
}

// A sample text file (UTF-8, LF) installed as the suite keeps it: code page 850, CR LF.
void InstallText(const fs::path& from, const fs::path& to) {
  std::ifstream in(from, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  std::string out;
  for (char c : platform::Utf8ToCp850(text.str())) {
    if (c == '\n') out += '\r';
    out += c;
  }
  std::ofstream(to, std::ios::binary) << out;
}

struct Inserter {
  std::array<uint8_t, 128> block{};
  std::vector<char> data = std::vector<char>(1536, ' ');
  std::array<char, 256> key{};

  explicit Inserter(const std::string& path) {
    std::strncpy(key.data(), path.c_str(), key.size() - 1);
    uint32_t length = 0;
    if (BTRCALL(recman::kOpOpen, block.data(), data.data(), &length, key.data(), 255,
                recman::kModeExclusive) != 0) {
      std::fprintf(stderr, "cannot open %s\n", path.c_str());
      std::exit(1);
    }
  }
  ~Inserter() {
    uint32_t length = 0;
    BTRCALL(recman::kOpClose, block.data(), data.data(), &length, key.data(), 0, 0);
  }
  void Insert(const std::string& record) {
    std::memcpy(data.data(), record.data(), record.size());
    uint32_t length = static_cast<uint32_t>(record.size());
    if (BTRCALL(recman::kOpInsert, block.data(), data.data(), &length, key.data(), 0, 0) != 0) {
      std::fprintf(stderr, "insert refused\n");
      std::exit(1);
    }
  }
};

// Receipts: states P, D and C in turn (every unit has outstanding ones), amounts varying.
void FillPortfolio(const fs::path& root, int properties, int receipts) {
  platform::FakeServices services;  // for the packing helpers' settings
  const std::string dades = (root / "DADES").string() + "/";
  {
    Inserter out(dades + "FinquesV.dat");
    for (int p = 1; p <= properties; ++p) {
      out.Insert(testing::PropertyRecord(p, "C. de Prova*" + std::to_string(p), "08001 BARCELONA",
                                         "(Barcelona)", p % 5 == 0 ? "P" : " "));
    }
  }
  {
    Inserter out(dades + "DepartaV.dat");
    for (int p = 1; p <= properties; ++p) {
      for (int u = 1; u <= kUnitsPerProperty; ++u) {
        out.Insert(testing::UnitRecord(p, u, "Cognom" + std::to_string(u) + "*Nom",
                                       "Pis " + std::to_string(u), "C. Propi, " + std::to_string(u),
                                       "17001 GIRONA", "(Girona)"));
      }
    }
  }
  {
    Inserter out(dades + "CobramV.dat");
    for (int p = 1; p <= properties; ++p) {
      for (int u = 1; u <= kUnitsPerProperty; ++u) {
        for (int r = 0; r < receipts; ++r) {
          char date[16];
          std::snprintf(date, sizeof date, "%04d%02d%02d", 2025 + r / 12, r % 12 + 1, 5);
          out.Insert(testing::ReceiptRecord(
              p, u, date, r, 10000 + 37 * ((p * 41 + u * 7 + r) % 500), "PDC"[r % 3]));
        }
      }
    }
  }
}

// The installation root for a portfolio of `properties` properties with `receipts` receipts per
// unit, built on first use.
fs::path Portfolio(int properties, int receipts) {
  std::string name = "P" + std::to_string(properties);
  if (receipts != kReceiptsPerUnit) name += "R" + std::to_string(receipts);
  const fs::path root = fs::temp_directory_path() / "zem_mailing_bench" / name;
  if (fs::exists(root / "ready")) return root;
  std::fprintf(stderr, "building the portfolio of %d properties x %d receipts in %s ...\n",
               properties, receipts, root.c_str());
  fs::remove_all(root);
  for (const char* dir : {"DADES", "ddf", "TEXTOS", "TMP", "EXE"})
    fs::create_directories(root / dir);
  const std::string vakdata = std::string(ZEM_BINARY_DIR) + "/vakdata";
  const fs::path sample = fs::path(ZEM_SOURCE_DIR) / "sample";
  for (const FileSpec& file : kFiles) {
    const std::string xdf = (root / "ddf" / (std::string(file.name) + ".xdf")).string();
    const std::string dat = (root / "DADES" / (std::string(file.name) + ".dat")).string();
    Run(vakdata + " dict " + (sample / "data" / file.keys).string() + " " + xdf + " >/dev/null");
    Run(vakdata + " create " + dat + " " + xdf + " >/dev/null");
  }
  for (const auto& entry : fs::directory_iterator(sample / "TEXTOS")) {
    InstallText(entry.path(), root / "TEXTOS" / entry.path().filename());
  }
  InstallText(sample / "config" / "Nera.ini", root / "Nera.ini");
  InstallText(sample / "config" / "Sessio.ini", root / "TMP" / "Sessio.ini");
  InstallText(sample / "config" / "NeraTerm.ini", root / "TMP" / "NeraTerm.ini");
  FillPortfolio(root, properties, receipts);
  std::ofstream(root / "ready") << "ok\n";
  return root;
}

// The program's services over the portfolio, with the four data files open and the letter
// template chosen. `last_property` (0: all), or else ZEM_BENCH_LAST_PROPERTY, limits the run to
// the first properties of a larger portfolio (to tell what grows with the files from what
// grows with the units written).
std::unique_ptr<testing::SampleInstallation> Install(const fs::path& root, int last_property) {
  const char* last = std::getenv("ZEM_BENCH_LAST_PROPERTY");
  std::string last_code = "9999.9999";
  if (last_property > 0) {
    last_code = std::to_string(last_property) + ".9999";
  } else if (last != nullptr) {
    last_code = std::string(last) + ".9999";
  }
  auto installation = std::make_unique<testing::SampleInstallation>(root.string(), last_code);
  if (!installation->problem().empty()) {
    std::fprintf(stderr, "%s\n", installation->problem().c_str());
    std::exit(1);
  }
  Mailing().TemplateName = "RECCAT";
  return installation;
}

// With ZEM_BENCH_DIGEST set, every "merge.tmp" a run leaves behind after each letter is folded
// into one digest (read back from the disk once its writer has written it), so that two builds
// can be shown to write the same files.
uint64_t g_merge_digest = 1469598103934665603ull;
int g_merge_files = 0;

uint64_t Fold(uint64_t digest, std::string_view bytes) {
  for (unsigned char c : bytes) digest = (digest ^ c) * 1099511628211ull;
  return digest;
}

class DigestedFile : public platform::RewrittenFile {
 public:
  DigestedFile(std::unique_ptr<platform::RewrittenFile> file, std::string path)
      : file_(std::move(file)), path_(std::move(path)) {}
  bool Rewrite(std::string_view bytes) override {
    const bool ok = file_->Rewrite(bytes);
    std::ifstream in(path_, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    g_merge_digest = Fold(g_merge_digest, text.str());
    ++g_merge_files;
    return ok;
  }
  bool Close() override { return file_->Close(); }
  std::string LastError() const override { return file_->LastError(); }

 private:
  std::unique_ptr<platform::RewrittenFile> file_;
  std::string path_;
};

// The size of every rewrite of the merge data file during a run, in order (room reserved
// before the run, so that the peak heap does not count it).
std::vector<uint32_t> g_merge_sizes;
// With this set, the bytes of every rewrite too (for the template merge timed alone).
std::vector<std::string>* g_merge_bytes = nullptr;

bool IsMergeData(const std::string& path) {
  return path.size() >= 9 && path.compare(path.size() - 9, 9, "merge.tmp") == 0;
}

class MeasuredFile : public platform::RewrittenFile {
 public:
  explicit MeasuredFile(std::unique_ptr<platform::RewrittenFile> file) : file_(std::move(file)) {}
  bool Rewrite(std::string_view bytes) override {
    g_merge_sizes.push_back(static_cast<uint32_t>(bytes.size()));
    if (g_merge_bytes != nullptr) g_merge_bytes->emplace_back(bytes);
    return file_->Rewrite(bytes);
  }
  bool Close() override { return file_->Close(); }
  std::string LastError() const override { return file_->LastError(); }

 private:
  std::unique_ptr<platform::RewrittenFile> file_;
};

// The host file system, with the merge data file's rewrites measured (and, when `digest` is
// set, digested).
class RunFiles : public platform::HostFileSystem {
 public:
  explicit RunFiles(bool digest) : digest_(digest) {}
  std::unique_ptr<platform::RewrittenFile> OpenRewritten(const std::string& path) override {
    auto file = platform::HostFileSystem::OpenRewritten(path);
    if (!file || !IsMergeData(path)) return file;
    if (digest_) file = std::make_unique<DigestedFile>(std::move(file), HostPath(path));
    return std::make_unique<MeasuredFile>(std::move(file));
  }

 private:
  bool digest_;
};

std::string FileDigest(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx",
                static_cast<unsigned long long>(Fold(1469598103934665603ull, text.str())));
  return hex;
}

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// Processor time of the process so far: on a shared machine the wall time also counts the
// time other programs had the processor.
double CpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// Reads every property, unit and receipt the run reads once, through the record manager, and
// writes `bytes` bytes to a file in blocks: the floor under the run's time.
// Kept out of line, so that a profile tells the floor from the run.
[[gnu::noinline]] double ReadAndWrite(const std::string& path, uintmax_t bytes) {
  const auto start = std::chrono::steady_clock::now();
  int64_t records = 0;
  for (int16_t s = FindByKey(kPropertiesFileId, 0, Mailing().FirstCode.substr(0, 2), 1); s == 0;
       s = MoveRecords(kPropertiesFileId, 1)) {
    const std::string property = RecordArea(kPropertiesFileId).substr(0, 2);
    if (property.compare(Mailing().LastCode.substr(0, 2)) > 0) break;
    for (int16_t u = FindByKey(kUnitsFileId, 0, property, 1);
         u == 0 && RecordArea(kUnitsFileId).compare(0, 2, property) == 0;
         u = MoveRecords(kUnitsFileId, 1)) {
      const std::string unit = RecordArea(kUnitsFileId).substr(0, 4);
      for (int16_t r = FindByKey(kReceiptsFileId, 0, unit, 1);
           r == 0 && RecordArea(kReceiptsFileId).compare(0, 4, unit) == 0;
           r = MoveRecords(kReceiptsFileId, 1)) {
        ++records;
      }
    }
  }
  auto out = platform::Files().OpenOutput(path, false);
  const std::string block(65536, 'x');
  for (uintmax_t left = bytes; left > 0;) {
    const size_t n = static_cast<size_t>(std::min<uintmax_t>(left, block.size()));
    out->Write(std::string_view(block).substr(0, n));
    left -= n;
  }
  out->Close();
  benchmark::DoNotOptimize(records);
  return Seconds(start);
}

// Rewrites a file beside the merge data file once for every rewrite the run made, with as
// many bytes: the writing of the merge data, without the letters.
[[gnu::noinline]] void RewriteLikeTheRun(const std::string& path) {
  auto file = platform::Files().OpenRewritten(path);
  const std::string bytes(65536, 'x');
  for (uint32_t size : g_merge_sizes) {
    file->Rewrite(std::string_view(bytes).substr(0, std::min<size_t>(size, bytes.size())));
  }
  file->Close();
}

// Microseconds of processor time.
double Micro(double seconds) {
  return seconds * 1e6;
}

size_t MaxRssKb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<size_t>(usage.ru_maxrss);
}

// Voluntary context switches of the process so far (a flush to disk waits and counts one).
long VoluntarySwitches() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_nvcsw;
}

// One row of the cost table: receipts per unit, letters, processor seconds of run and floor.
struct CostRow {
  int receipts = 0;
  int letters = 0;
  double run_cpu = 0;
  double floor_cpu = 0;
};
std::vector<CostRow> g_cost_table;

// Runs letters (or labels) once over the portfolio: range(0) properties, range(1) receipts per
// unit (default 20), range(2) the last property of the run (default all).
void TimeRun(benchmark::State& state, bool letters) {
  const int properties = static_cast<int>(state.range(0));
  const int receipts = state.range(1) > 0 ? static_cast<int>(state.range(1)) : kReceiptsPerUnit;
  const int last_property = static_cast<int>(state.range(2));
  const fs::path root = Portfolio(properties, receipts);
  for (auto _ : state) {
    state.PauseTiming();
    const auto installation = Install(root, last_property);
    Mailing().OutputKind = letters ? "C" : "E";
    const bool digest = std::getenv("ZEM_BENCH_DIGEST") != nullptr;
    RunFiles run_files(digest);
    platform::Current().files = &run_files;
    g_merge_sizes.clear();
    g_merge_sizes.reserve(static_cast<size_t>(properties) * kUnitsPerProperty);
    const size_t live_before = g_live.load();
    g_peak.store(live_before);
    state.ResumeTiming();
    const auto start = std::chrono::steady_clock::now();
    const double cpu_start = CpuSeconds();
    const long switches_start = VoluntarySwitches();
    RunOneMailing();
    const double run_seconds = Seconds(start);
    const double run_cpu = CpuSeconds() - cpu_start;
    const long run_switches = VoluntarySwitches() - switches_start;
    state.PauseTiming();
    const size_t peak = g_peak.load() - live_before;
    const uintmax_t print_bytes = fs::file_size(installation->PrintFile());
    const double floor_cpu_start = CpuSeconds();
    const double floor_seconds = ReadAndWrite(installation->PrintFile() + ".floor", print_bytes);
    const double floor_cpu = CpuSeconds() - floor_cpu_start;
    fs::remove(installation->PrintFile() + ".floor");
    const std::string merge_floor = installation->PrintFile() + ".merge-floor";
    const double merge_cpu_start = CpuSeconds();
    RewriteLikeTheRun(merge_floor);
    const double merge_cpu = CpuSeconds() - merge_cpu_start;
    fs::remove(merge_floor);
    const int units = MailingRun().UnitsWritten;
    state.counters["units"] = units;
    state.counters[letters ? "letters_per_s" : "labels_per_s"] = units / run_seconds;
    state.counters[letters ? "letters_per_cpu_s" : "labels_per_cpu_s"] = units / run_cpu;
    state.counters["ratio_to_read_write"] = run_seconds / floor_seconds;
    state.counters["cpu_ratio_to_read_write"] = run_cpu / floor_cpu;
    state.counters["cpu_ratio_with_merge_data"] = run_cpu / (floor_cpu + merge_cpu);
    state.counters["wall_to_cpu"] = run_seconds / run_cpu;
    state.counters["print_file_MB"] = static_cast<double>(print_bytes) / 1e6;
    platform::Current().files = &installation->host.files;
    if (digest) {
      std::fprintf(stderr, "%s: %d merge files, digest %016llx; print file %s\n",
                   letters ? "letters" : "labels", g_merge_files,
                   static_cast<unsigned long long>(g_merge_digest),
                   FileDigest(installation->PrintFile()).c_str());
    }
    state.counters["voluntary_switches"] = static_cast<double>(run_switches);
    state.counters["peak_heap_KB"] = static_cast<double>(peak) / 1024.0;
    state.counters["max_rss_KB"] = static_cast<double>(MaxRssKb());
    if (state.range(1) > 0) g_cost_table.push_back({receipts, units, run_cpu, floor_cpu});
    state.ResumeTiming();
  }
}

void BM_LetterRun(benchmark::State& state) {
  TimeRun(state, true);
}
void BM_LabelRun(benchmark::State& state) {
  TimeRun(state, false);
}
// The rows of the cost table (letters).
void BM_LetterCost(benchmark::State& state) {
  TimeRun(state, true);
}

// The template merge alone, over the merge data of every letter of a run of range(0)
// properties (taken from one run of the letters first): what a letter costs beside its reads
// and its merge data file.
void BM_TemplateMerge(benchmark::State& state) {
  const fs::path root = Portfolio(static_cast<int>(state.range(0)), kReceiptsPerUnit);
  const auto installation = Install(root, 0);
  Mailing().OutputKind = "C";
  std::vector<std::string> letters;
  RunFiles run_files(false);
  platform::Current().files = &run_files;
  g_merge_bytes = &letters;
  RunOneMailing();
  g_merge_bytes = nullptr;
  platform::Current().files = &installation->host.files;
  MergeTable table;
  for (auto _ : state) {
    OpenPrintFile("LPT1");
    const double cpu_start = CpuSeconds();
    for (const std::string& letter : letters) {
      table.Assign(letter);
      MergeTemplate(Mailing().TemplateName, &table);
    }
    const double cpu = CpuSeconds() - cpu_start;
    ClosePrintFile();
    state.counters["us_per_letter_cpu"] = Micro(cpu) / static_cast<double>(letters.size());
  }
}

BENCHMARK(BM_LetterRun)
    ->Args({100, 0, 0})
    ->Args({1000, 0, 300})
    ->Args({1000, 0, 600})
    ->Args({1000, 0, 0})
    ->Iterations(1)
    ->Unit(benchmark::kSecond);
BENCHMARK(BM_LabelRun)
    ->Args({100, 0, 0})
    ->Args({1000, 0, 0})
    ->Iterations(1)
    ->Unit(benchmark::kSecond);
BENCHMARK(BM_TemplateMerge)->Arg(100)->Iterations(5);
BENCHMARK(BM_LetterCost)
    ->Apply([](benchmark::internal::Benchmark* b) {
      for (int receipts : kTableReceipts) b->Args({kTableProperties, receipts, 0});
    })
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

void PrintCostTable() {
  if (g_cost_table.empty()) return;
  std::printf(
      "\nCost per letter against receipts per unit (processor time, run and floor measured"
      " one after the other in this process)\n");
  std::printf("%9s %8s %12s %12s %7s %14s %14s %7s\n", "receipts", "letters", "run us/let",
              "floor us/let", "ratio", "run us/receipt", "floor us/rec", "ratio");
  const CostRow* previous = nullptr;
  for (const CostRow& row : g_cost_table) {
    const double run = Micro(row.run_cpu) / row.letters;
    const double floor = Micro(row.floor_cpu) / row.letters;
    std::printf("%9d %8d %12.1f %12.1f %7.2f", row.receipts, row.letters, run, floor, run / floor);
    if (previous != nullptr && row.receipts > previous->receipts) {
      // The cost of one receipt more: the slope from the row before.
      const double more = row.receipts - previous->receipts;
      const double run_slope = (run - Micro(previous->run_cpu) / previous->letters) / more;
      const double floor_slope = (floor - Micro(previous->floor_cpu) / previous->letters) / more;
      std::printf(" %14.2f %14.2f %7.2f", run_slope, floor_slope, run_slope / floor_slope);
    }
    std::printf("\n");
    previous = &row;
  }
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  PrintCostTable();
  return 0;
}
