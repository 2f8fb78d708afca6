#include "tools/vakprint/spool/paper.h"

#include <paper.h>

#include <cstdlib>

namespace zem::vakprint {
namespace {

const Paper kA4{"a4", 595.276, 841.89};

}  // namespace

Paper PaperNamed(const std::string& name) {
  Paper paper = kA4;
  paperinit();
  if (const struct paper* info = paperinfo(name.c_str())) {
    paper = Paper{papername(info), paperpswidth(info), paperpsheight(info)};
  }
  paperdone();
  return paper;
}

Paper SystemPaper() {
  paperinit();
  char* name = systempapername();
  paperdone();
  if (!name) return kA4;
  Paper paper = PaperNamed(name);
  std::free(name);
  return paper;
}

}  // namespace zem::vakprint
