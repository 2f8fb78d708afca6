#pragma once

#include <array>
#include <string>

#include "platform/files.h"
#include "tools/vakprint/spool/page_model.h"
#include "tools/vakprint/spool/paper.h"

typedef struct _cairo_surface cairo_surface_t;
typedef struct _cairo cairo_t;
typedef struct _cairo_font_face cairo_font_face_t;

namespace zem::vakprint {

// Draws pages into a PDF written to `out`, one PDF page per page of the print file. Text
// stands on a fixed grid (96 columns, or more when a line is longer, by the page's line count)
// inside margins on the paper, in a monospaced font found through fontconfig, bold,
// underlined and italic where the style switches say so.
class PdfRenderer : public PageSink {
 public:
  PdfRenderer(platform::OutputFile* out, const Paper& paper);
  ~PdfRenderer() override;
  PdfRenderer(const PdfRenderer&) = delete;
  PdfRenderer& operator=(const PdfRenderer&) = delete;

  bool AddPage(const Page& page) override;
  // Completes the PDF (call once); false when any of it failed to reach the output.
  bool Finish();
  // Why the rendering failed, when it did.
  std::string error() const;

  static constexpr long kColumns = 96;
  static constexpr long kDefaultLines = 66;      // for a page record of no lines
  static constexpr double kMarginPoints = 34.0;  // 12 mm

  // Where cairo's output goes.
  struct Writer {
    platform::OutputFile* out;
    bool failed;
  };

 private:
  struct Face {
    cairo_font_face_t* face = nullptr;
    std::array<unsigned long, 256> glyphs{};  // glyph of each code-page-850 byte
  };
  void LoadFaces();
  void DrawRow(const Row& row, double x0, double baseline, double cell, double size);

  Writer writer_;
  Paper paper_;
  cairo_surface_t* surface_ = nullptr;
  cairo_t* cr_ = nullptr;
  std::array<Face, 8> faces_{};  // by kBold | kItalic
  double advance_ = 0.6;         // glyph advance for a font size of 1
  double ascent_ = 0.76;
};

}  // namespace zem::vakprint
