#include "tools/vakprint/spool/spooler.h"

#include <cstdio>
#include <functional>
#include <vector>

#include "format/text_utils.h"
#include "platform/cp850.h"
#include "platform/services.h"
#include "tools/vakprint/spool/page_model.h"
#include "tools/vakprint/spool/pdf_render.h"
#include "tools/vakprint/spool/preview.h"
#include "tools/vakprint/spool/print_reader.h"
#include "tools/vakprint/spool/text_render.h"

namespace zem::vakprint {
namespace {

using platform::Files;

// Keeps the pages for the preview.
class PageList : public PageSink {
 public:
  bool AddPage(const Page& page) override {
    pages.push_back(page);
    return true;
  }
  std::vector<Page> pages;
};

class Spooler {
 public:
  explicit Spooler(const SpoolJob& job) : job_(job) {}
  SpoolReport Run();

 private:
  std::string Shown(const std::string& path) { return Files().HostPath(path); }
  std::string Path(const char* name) { return job_.work_dir + name; }
  void Fail(const std::string& message) {
    report_.exit_code = 1;
    report_.errors += "vakprint: " + message + "\n";
  }
  // The print file's fault, with its line.
  void FailRead() {
    const std::string line =
        summary_.error_line > 0 ? "line " + std::to_string(summary_.error_line) + ": " : "";
    Fail(Shown(Path("vakprint.tmp")) + ": " + line + summary_.error + "; nothing printed");
  }
  // Renders the print file into `path` through a temporary file renamed into place when the
  // rendering is whole. False, with the message given, when it is not.
  bool WriteReplacing(const std::string& path,
                      const std::function<bool(platform::OutputFile*)>& render);
  bool WritePdf(const std::string& path);
  bool WriteText(const std::string& path);
  void PrintOn(const std::string& queue);
  void Preview();
  std::string Pages() const {
    return std::to_string(summary_.pages) + (summary_.pages == 1 ? " page" : " pages");
  }

  const SpoolJob& job_;
  std::string bytes_;
  ReadSummary summary_;
  SpoolReport report_;
};

bool Spooler::WriteReplacing(const std::string& path,
                             const std::function<bool(platform::OutputFile*)>& render) {
  const std::string temporary = path + ".part";
  std::unique_ptr<platform::OutputFile> out = Files().OpenOutput(temporary, false);
  if (!out) {
    Fail(Shown(temporary) + ": cannot create the file");
    return false;
  }
  const bool rendered = render(out.get());
  const bool closed = out->Close();
  if (!summary_.ok && !summary_.output_failed) {
    Files().Remove(temporary);
    FailRead();
    return false;
  }
  if (!rendered || !closed) {
    Files().Remove(temporary);
    Fail(Shown(path) +
         ": could not be written (is the disk full?); the previous file is unchanged");
    return false;
  }
  if (!Files().Rename(temporary, path)) {
    Files().Remove(temporary);
    Fail(Shown(path) + ": cannot replace the file");
    return false;
  }
  return true;
}

bool Spooler::WritePdf(const std::string& path) {
  return WriteReplacing(path, [&](platform::OutputFile* out) {
    PdfRenderer pdf(out, job_.paper);
    summary_ = ReadPages(bytes_, &pdf);
    const bool finished = pdf.Finish();
    if (summary_.output_failed || !finished) {
      summary_.output_failed = true;
      return false;
    }
    return summary_.ok;
  });
}

bool Spooler::WriteText(const std::string& path) {
  return WriteReplacing(path, [&](platform::OutputFile* out) {
    TextRenderer text(out);
    summary_ = ReadPages(bytes_, &text);
    return summary_.ok;
  });
}

// Renders the PDF, keeps it in the work directory and hands it to the queue.
void Spooler::PrintOn(const std::string& queue) {
  const std::string pdf = Path("vakprint.pdf");
  if (!WritePdf(pdf)) return;
  if (summary_.pages == 0) {
    report_.done = "vakprint: nothing to print (0 pages)";
    return;
  }
  const platform::CalendarDate today = platform::Time().Today();
  char date[16];
  std::snprintf(date, sizeof date, "%04d-%02d-%02d", today.year, today.month, today.day);
  const std::string title = "vakprint " + std::string(date) + ", " + Pages();
  QueueAnswer answer = job_.queues->Submit(platform::Cp850ToUtf8(queue), Shown(pdf), title);
  if (!answer.ok) {
    Fail(answer.message + "; the " + Pages() + " are kept in " + Shown(pdf));
    return;
  }
  report_.done = "vakprint: " + Pages() + " sent to " + answer.message;
}

void Spooler::Preview() {
  PageList list;
  summary_ = ReadPages(bytes_, &list);
  if (!summary_.ok) {
    FailRead();
    return;
  }
  std::string why;
  if (!job_.open_screen || !job_.open_screen(&why)) {
    report_.errors +=
        "vakprint: no terminal for the preview (" + why + "); the pages are saved as PDF instead\n";
    if (WritePdf(Path("vakprint.pdf"))) {
      report_.done = "vakprint: " + Pages() + " saved in " + Shown(Path("vakprint.pdf"));
    }
    return;
  }
  switch (RunPreview(list.pages)) {
    case PreviewChoice::kPrint:
      PrintOn("");
      break;
    case PreviewChoice::kSavePdf:
      if (WritePdf(Path("vakprint.pdf"))) {
        report_.done = "vakprint: " + Pages() + " saved in " + Shown(Path("vakprint.pdf"));
      }
      break;
    case PreviewChoice::kDiscard:
      report_.done = "vakprint: " + Pages() + " looked at and discarded";
      break;
  }
}

SpoolReport Spooler::Run() {
  const std::string input = Path("vakprint.tmp");
  if (Files().IsDirectory(input)) {
    Fail(Shown(input) + ": is a directory, not a print file");
    return report_;
  }
  if (!Files().ReadFile(input, &bytes_)) {
    // What an earlier run left would pass for this run's pages.
    for (const char* old : {"vakprint.pdf", "vakprint.txt"}) {
      if (Files().Exists(Path(old)) && Files().Remove(Path(old))) {
        report_.errors += "vakprint: " + Shown(Path(old)) + " of an earlier run removed\n";
      }
    }
    Fail(Shown(input) + ": cannot read the print file");
    return report_;
  }
  PrintFileReader reader(bytes_);
  PrintRecord device;
  reader.Next(&device);
  const Route route = RouteForDevice(reader.failed() ? "" : device.text);
  switch (route.kind) {
    case Route::Kind::kTextFile:
      if (WriteText(Path("vakprint.txt"))) {
        report_.done = "vakprint: " + Pages() + " printed to " + Shown(Path("vakprint.txt"));
      }
      break;
    case Route::Kind::kPdfFile:
      if (WritePdf(Path("vakprint.pdf"))) {
        report_.done = "vakprint: " + Pages() + " saved in " + Shown(Path("vakprint.pdf"));
      }
      break;
    case Route::Kind::kQueue:
      PrintOn(route.queue);
      break;
    case Route::Kind::kPreview:
      Preview();
      break;
  }
  if (summary_.dropped > 0) {
    report_.errors += "vakprint: " + std::to_string(summary_.dropped) + " characters beyond line " +
                      std::to_string(kLastLine + 1) + " or column " + std::to_string(kLastColumn) +
                      " of their page lie off the paper and were left out\n";
  }
  return report_;
}

}  // namespace

Route RouteForDevice(std::string_view device) {
  std::string name = TrimBlanks(std::string(device));
  std::string upper = AsciiUpper(name);
  if (!upper.empty() && upper.back() == ':') upper.pop_back();
  if (upper.empty() || upper == "PDF") return Route{Route::Kind::kPdfFile, ""};
  if (upper == "TXT") return Route{Route::Kind::kTextFile, ""};
  if (upper == "PANTALLA") return Route{Route::Kind::kPreview, ""};
  if (upper == "LPT1" || upper == "LPT2" || upper == "LPT3" || upper == "PRN") {
    return Route{Route::Kind::kQueue, ""};
  }
  return Route{Route::Kind::kQueue, name};
}

SpoolReport Spool(const SpoolJob& job) {
  return Spooler(job).Run();
}

}  // namespace zem::vakprint
