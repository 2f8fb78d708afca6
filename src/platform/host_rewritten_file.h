#pragma once

#include <cstdint>
#include <memory>

#include "platform/files.h"

namespace zem::platform {

// The host's RewrittenFile over an open descriptor of a file `size` bytes long. When
// `mappable` (the descriptor reads and writes), the bytes the file already has are rewritten
// through a shared mapping instead of a write call each time.
std::unique_ptr<RewrittenFile> MakeHostRewrittenFile(int fd, uintmax_t size, bool mappable);

}  // namespace zem::platform
