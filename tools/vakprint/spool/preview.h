#pragma once

#include <vector>

#include "tools/vakprint/spool/page_model.h"

namespace zem::vakprint {

enum class PreviewChoice { kPrint, kSavePdf, kDiscard };

// Shows the pages on the console, one at a time: PgDn and PgUp turn the page, Home and End go
// to the first and the last, the arrows move over a page larger than the screen, and Enter or
// Esc end the preview with the choice to print on the default printer, save the PDF or
// discard the pages (Esc there goes back to the pages).
PreviewChoice RunPreview(const std::vector<Page>& pages);

}  // namespace zem::vakprint
