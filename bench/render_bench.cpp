// The spooler's rendering speed: the print file of the benchmark portfolio's letter run (100
// properties x 40 units, made by mailing_bench on first use) read and rendered to PDF and to
// plain text, the output counted and thrown away so that the disk does not set the pace.
// Reported: pages per second and output size per page.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/files.h"
#include "tools/vakprint/spool/page_model.h"
#include "tools/vakprint/spool/pdf_render.h"
#include "tools/vakprint/spool/text_render.h"

namespace {

namespace fs = std::filesystem;
using namespace zem;

// Counts what is written and keeps none of it.
class CountingOutput : public platform::OutputFile {
 public:
  bool Write(std::string_view bytes) override {
    written += bytes.size();
    return true;
  }
  bool Close() override { return true; }
  size_t written = 0;
};

// The letter run's print file, made by the mailing benchmark's letter run when missing.
const std::string& PortfolioPrintFile() {
  static const std::string bytes = [] {
    const fs::path print =
        fs::temp_directory_path() / "zem_mailing_bench" / "P100" / "TMP" / "vakprint.tmp";
    const fs::path made = print.string() + ".letters";
    if (!fs::exists(made)) {
      const std::string command = std::string(ZEM_BINARY_DIR) +
                                  "/bench/mailing_bench --benchmark_filter=BM_LetterRun/100/"
                                  " >/dev/null";
      if (std::system(command.c_str()) != 0 || !fs::exists(print)) {
        std::fprintf(stderr, "failed: %s\n", command.c_str());
        std::exit(1);
      }
      fs::copy_file(print, made, fs::copy_options::overwrite_existing);
    }
    std::ifstream in(made, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }();
  return bytes;
}

template <typename Renderer>
void Render(benchmark::State& state, Renderer& renderer, const CountingOutput& out, int* pages) {
  vakprint::ReadSummary summary = vakprint::ReadPages(PortfolioPrintFile(), &renderer);
  if (!summary.ok) state.SkipWithError(summary.error.c_str());
  *pages += summary.pages;
  benchmark::DoNotOptimize(out.written);
}

void BM_RenderPdf(benchmark::State& state) {
  int pages = 0;
  size_t bytes = 0;
  for (auto _ : state) {
    CountingOutput out;
    vakprint::PdfRenderer pdf(&out, vakprint::PaperNamed("a4"));
    Render(state, pdf, out, &pages);
    if (!pdf.Finish()) state.SkipWithError(pdf.error().c_str());
    bytes += out.written;
  }
  state.counters["pages_per_s"] = benchmark::Counter(pages, benchmark::Counter::kIsRate);
  state.counters["bytes_per_page"] = static_cast<double>(bytes) / pages;
}

void BM_RenderText(benchmark::State& state) {
  int pages = 0;
  size_t bytes = 0;
  for (auto _ : state) {
    CountingOutput out;
    vakprint::TextRenderer text(&out);
    Render(state, text, out, &pages);
    bytes += out.written;
  }
  state.counters["pages_per_s"] = benchmark::Counter(pages, benchmark::Counter::kIsRate);
  state.counters["bytes_per_page"] = static_cast<double>(bytes) / pages;
}

BENCHMARK(BM_RenderPdf)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_RenderText)->Unit(benchmark::kMillisecond)->MinTime(1.0);

}  // namespace

BENCHMARK_MAIN();
