#include "tools/vakprint/spool/pdf_render.h"

#include <cairo-pdf.h>
#include <cairo.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <vector>

#include "platform/cp850.h"

namespace zem::vakprint {
namespace {

constexpr const char* kFontFamily = "DejaVu Sans Mono, monospace";
constexpr double kLineSpacing = 1.15;  // line height for a font size of 1, at the least

// Passes cairo's output on to the file and remembers a failure.
cairo_status_t WriteChunk(void* closure, const unsigned char* data, unsigned int length) {
  auto* writer = static_cast<PdfRenderer::Writer*>(closure);
  if (!writer->out->Write(std::string_view(reinterpret_cast<const char*>(data), length))) {
    writer->failed = true;
    return CAIRO_STATUS_WRITE_ERROR;
  }
  return CAIRO_STATUS_SUCCESS;
}

}  // namespace

PdfRenderer::PdfRenderer(platform::OutputFile* out, const Paper& paper)
    : writer_{out, false}, paper_(paper) {
  surface_ = cairo_pdf_surface_create_for_stream(WriteChunk, &writer_, paper_.width, paper_.height);
  cairo_pdf_surface_set_metadata(surface_, CAIRO_PDF_METADATA_CREATOR, "vakprint");
  cr_ = cairo_create(surface_);
  LoadFaces();
}

PdfRenderer::~PdfRenderer() {
  cairo_destroy(cr_);
  cairo_surface_destroy(surface_);
  for (Face& f : faces_) {
    if (f.face) cairo_font_face_destroy(f.face);
  }
}

// Finds the four faces through fontconfig (Pango picks the nearest installed monospaced
// family) and looks up, once, the glyph of every code-page-850 character in each.
void PdfRenderer::LoadFaces() {
  PangoFontMap* map = pango_cairo_font_map_get_default();
  PangoContext* context = pango_font_map_create_context(map);
  for (int style = 0; style < 8; ++style) {
    if (style & kUnderline) continue;  // underline is drawn, not a face of its own
    PangoFontDescription* description = pango_font_description_from_string(kFontFamily);
    pango_font_description_set_size(description, 10 * PANGO_SCALE);
    pango_font_description_set_weight(description,
                                      style & kBold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
    pango_font_description_set_style(description,
                                     style & kItalic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    PangoFont* font = pango_font_map_load_font(map, context, description);
    pango_font_description_free(description);
    if (!font) continue;
    cairo_scaled_font_t* scaled = pango_cairo_font_get_scaled_font(PANGO_CAIRO_FONT(font));
    Face& face = faces_[style];
    face.face = cairo_font_face_reference(cairo_scaled_font_get_font_face(scaled));
    for (int byte = 32; byte < 256; ++byte) {
      std::string utf8;
      platform::AppendUtf8(&utf8, platform::Cp850ToCodePoint(static_cast<uint8_t>(byte)));
      cairo_glyph_t* glyphs = nullptr;
      int count = 0;
      if (cairo_scaled_font_text_to_glyphs(scaled, 0, 0, utf8.data(), static_cast<int>(utf8.size()),
                                           &glyphs, &count, nullptr, nullptr,
                                           nullptr) == CAIRO_STATUS_SUCCESS &&
          count == 1) {
        face.glyphs[byte] = glyphs[0].index;
      }
      cairo_glyph_free(glyphs);
    }
    g_object_unref(font);
  }
  g_object_unref(context);
  // A style without a face of its own (and underlined ones) prints in the regular face, whose
  // metrics set the grid.
  for (int style = 1; style < 8; ++style) {
    Face& face = faces_[style];
    const Face& from = faces_[style & (kBold | kItalic)];
    if (face.face || !faces_[0].face) continue;
    face.glyphs = from.face ? from.glyphs : faces_[0].glyphs;
    face.face = cairo_font_face_reference(from.face ? from.face : faces_[0].face);
  }
  if (!faces_[0].face) return;
  cairo_set_font_face(cr_, faces_[0].face);
  cairo_set_font_size(cr_, 1000);
  cairo_glyph_t m{faces_[0].glyphs['M'], 0, 0};
  cairo_text_extents_t extents;
  cairo_glyph_extents(cr_, &m, 1, &extents);
  cairo_font_extents_t font;
  cairo_font_extents(cr_, &font);
  if (extents.x_advance > 0) advance_ = extents.x_advance / 1000;
  if (font.ascent > 0) ascent_ = font.ascent / 1000;
}

void PdfRenderer::DrawRow(const Row& row, double x0, double baseline, double cell, double size) {
  std::vector<cairo_glyph_t> glyphs;
  std::vector<cairo_text_cluster_t> clusters;
  std::string utf8;
  size_t i = 0;
  while (i < row.bytes.size()) {
    if (row.bytes[i] == ' ') {
      ++i;
      continue;
    }
    // A run of one style, from a printed character to the last printed one before the style
    // changes.
    const uint8_t style = static_cast<uint8_t>(row.styles[i]);
    size_t end = i;
    while (end < row.bytes.size() && static_cast<uint8_t>(row.styles[end]) == style) ++end;
    while (row.bytes[end - 1] == ' ') --end;
    const Face& face = faces_[style & (kBold | kItalic)];
    glyphs.clear();
    clusters.clear();
    utf8.clear();
    for (size_t c = i; c < end; ++c) {
      const uint8_t byte = static_cast<uint8_t>(row.bytes[c]);
      const size_t before = utf8.size();
      platform::AppendUtf8(&utf8, platform::Cp850ToCodePoint(byte));
      glyphs.push_back(
          cairo_glyph_t{face.glyphs[byte], x0 + static_cast<double>(c) * cell, baseline});
      clusters.push_back(cairo_text_cluster_t{static_cast<int>(utf8.size() - before), 1});
    }
    cairo_set_font_face(cr_, face.face);
    cairo_set_font_size(cr_, size);
    cairo_show_text_glyphs(cr_, utf8.data(), static_cast<int>(utf8.size()), glyphs.data(),
                           static_cast<int>(glyphs.size()), clusters.data(),
                           static_cast<int>(clusters.size()), cairo_text_cluster_flags_t(0));
    if (style & kUnderline) {
      cairo_rectangle(cr_, x0 + static_cast<double>(i) * cell, baseline + size * 0.12,
                      static_cast<double>(end - i) * cell, size * 0.06);
      cairo_fill(cr_);
    }
    i = end;
  }
}

bool PdfRenderer::AddPage(const Page& page) {
  if (!faces_[0].face || writer_.failed) return false;
  long columns = kColumns;
  long lines = page.length > 0 ? page.length : kDefaultLines;
  for (const Row& row : page.rows) {
    columns = std::max(columns, static_cast<long>(row.bytes.size()));
    lines = std::max(lines, row.line + 1);
  }
  const double width = paper_.width - 2 * kMarginPoints;
  const double height = paper_.height - 2 * kMarginPoints;
  const double cell = width / static_cast<double>(columns);
  const double line_height = height / static_cast<double>(lines);
  const double size = std::min(cell / advance_, line_height / kLineSpacing);
  cairo_set_source_rgb(cr_, 0, 0, 0);
  for (const Row& row : page.rows) {
    const double baseline =
        kMarginPoints + static_cast<double>(row.line) * line_height + ascent_ * size;
    DrawRow(row, kMarginPoints, baseline, cell, size);
  }
  cairo_show_page(cr_);
  return !writer_.failed && cairo_status(cr_) == CAIRO_STATUS_SUCCESS;
}

bool PdfRenderer::Finish() {
  cairo_surface_finish(surface_);
  return faces_[0].face && !writer_.failed &&
         cairo_surface_status(surface_) == CAIRO_STATUS_SUCCESS;
}

std::string PdfRenderer::error() const {
  if (!faces_[0].face) return "no monospaced font found (install fonts-dejavu-core)";
  if (writer_.failed) return "the PDF could not be written";
  return cairo_status_to_string(cairo_surface_status(surface_));
}

}  // namespace zem::vakprint
